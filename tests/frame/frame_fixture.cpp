#include "frame_fixture.h"

#include "../support/registry_sandbox.h"

namespace wendrix::test {

std::wstring FrameData(const wchar_t* fileName) { return BinFolder() + L"\\frame_data\\" + fileName; }

std::wstring LibraryUnderTest() {
  return BinFolder() + (sizeof(void*) == 8 ? L"\\wendrix64.dll" : L"\\wendrix.dll");
}

bool CopyInto(const std::wstring& from, const std::wstring& to) { return CopyFileW(from.c_str(), to.c_str(), FALSE); }

void ProductRegistryTest::SetUp() {
  DeleteKeyTree(HKEY_LOCAL_MACHINE, kProductKey, KEY_WOW64_32KEY);
  DeleteKeyTree(HKEY_LOCAL_MACHINE, kProductKey, KEY_WOW64_64KEY);
}

void ProductRegistryTest::TearDown() { SetUp(); }

void ProductRegistryTest::Register(const std::wstring& subkey, const std::wstring& path, REGSAM view) {
  SetStringValue(HKEY_LOCAL_MACHINE, std::wstring(kProductKey) + L"\\" + subkey, L"Path", path, view);
}

void ProductRegistryTest::RegisterWithoutPath(const std::wstring& subkey, REGSAM view) {
  HKEY key = nullptr;
  const std::wstring path = std::wstring(kProductKey) + L"\\" + subkey;
  ASSERT_EQ(ERROR_SUCCESS,
            RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_WRITE | view, nullptr, &key, nullptr));
  RegCloseKey(key);
}

}  // namespace wendrix::test
