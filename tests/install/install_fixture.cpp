#include "install_fixture.h"

#include <cstring>

#include "../support/built_program.h"
#include "../support/registry_sandbox.h"
#include "../support/registry_values.h"
#include "../support/temp_folder.h"
#include "platform/unique_handle.h"

namespace wendrix::test {
namespace {

constexpr char kMarker[] = "#installed-file-marker#";

// The files the build makes for a setup to carry.
const wchar_t* const kBuiltFiles[] = {L"wendrix64.dll", L"wendrix.exe", L"wendrixu.exe", L"wendrixl.exe",
                                      L"wxsetup.exe"};

std::wstring Join(const std::wstring& folder, const wchar_t* name) {
  return name ? folder + L"\\" + name : folder;
}

template <typename Fn>
void Bind(HMODULE module, const char* name, Fn& fn) {
  fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  ASSERT_NE(fn, nullptr) << name;
}

// A write that fails fails the test: a file left unmarked would pass for
// one that an installation replaced.
void WriteBytes(const std::wstring& path, const std::string& bytes) {
  const UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  ASSERT_TRUE(file && WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size())
      << path << " error " << GetLastError();
}

}  // namespace

void CleanProductRegistry() {
  const wchar_t* const keys[] = {
      L"SOFTWARE\\Kestmoor", L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kestmoor Wendrix",
      L"Software\\Classes\\Wendrix.Application", L"Software\\Classes\\Wendrix.Application.3",
      L"Software\\Classes\\Wendrix.WebCheck", L"Software\\Classes\\Wendrix.WebCheck.3",
      L"Software\\Classes\\Wendrix.DataFile", L"Software\\Classes\\.wx-cnf",
      L"Software\\Classes\\AppID\\wendrixc.dll", L"Software\\Classes\\AppID\\wendrixw.ocx",
  };
  const wchar_t* const ids[] = {
      L"{6B1D5F3A-2C47-4E8B-9A61-3F0E7C2D8B14}", L"{6B1D5F3B-2C47-4E8B-9A61-3F0E7C2D8B14}",
      L"{6B1D5F3C-2C47-4E8B-9A61-3F0E7C2D8B14}", L"{6B1D5F3D-2C47-4E8B-9A61-3F0E7C2D8B14}",
      L"{A8E2947C-51D3-4B0F-8C6E-0D9B3A7F5E21}", L"{A8E2947D-51D3-4B0F-8C6E-0D9B3A7F5E21}",
      L"{A8E2947E-51D3-4B0F-8C6E-0D9B3A7F5E21}"};
  for (const REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
    for (const HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
      for (const wchar_t* key : keys) DeleteKeyTree(root, key, view);
      DeleteValue(root, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", L"KestmoorWendrix", view);
    }
    for (const wchar_t* prefix : {L"CLSID\\", L"AppID\\", L"TypeLib\\", L"Interface\\"})
      for (const wchar_t* id : ids)
        DeleteKeyTree(HKEY_LOCAL_MACHINE, std::wstring(L"Software\\Classes\\") + prefix + id, view);
  }
}

void SetFileMinorVersion(const std::wstring& path, unsigned minor) {
  std::string bytes = ReadFileBytes(path);
  ASSERT_FALSE(bytes.empty());
  // The FileVersion text, UTF-16.
  const std::string from("3\0.\0" "8\0.\0" "1\0" "0\0.\0" "0\0", 16);
  std::string to = from;
  to[4] = static_cast<char>('0' + minor);
  bool textFound = false;
  for (std::size_t at = bytes.find(from); at != std::string::npos; at = bytes.find(from, at + 1)) {
    bytes.replace(at, from.size(), to);
    textFound = true;
  }
  // VS_FIXEDFILEINFO: the signature, the structure version, then the file
  // version's most significant part (major << 16 | minor).
  const std::uint32_t signature = 0xFEEF04BD;
  const std::size_t fixed = bytes.find(std::string(reinterpret_cast<const char*>(&signature), 4));
  ASSERT_TRUE(textFound && fixed != std::string::npos) << "no version resource in the file";
  const std::uint32_t versionMs = 3u << 16 | minor;
  std::memcpy(&bytes[fixed + 8], &versionMs, 4);
  WriteBytes(path, bytes);
}

void MarkFile(const std::wstring& path) { WriteBytes(path, ReadFileBytes(path) + kMarker); }

bool IsMarked(const std::wstring& path) {
  const std::string bytes = ReadFileBytes(path);
  const std::size_t length = sizeof(kMarker) - 1;
  return bytes.size() >= length && bytes.compare(bytes.size() - length, length, kMarker) == 0;
}

void InstallTest::SetUp() {
  ShellFolderTest::SetUp();
  CleanProductRegistry();
  m_media = m_temp.File(L"media");
  m_product = m_temp.File(L"product");
  m_product64 = m_temp.File(L"product64");
  ASSERT_TRUE(CreateDirectoryW(m_media.c_str(), nullptr));
  for (const wchar_t* name : kBuiltFiles)
    ASSERT_TRUE(CopyFileW(Join(BinFolder(), name).c_str(), Media(name).c_str(), FALSE)) << name;
  SetProductPath(m_product, KEY_WOW64_32KEY);
  SetProductPath(m_product64, KEY_WOW64_64KEY);
  m_library = LoadLibraryW(Media(L"wendrix64.dll").c_str());
  ASSERT_NE(m_library, nullptr);
  Bind(m_library, "WendrixInstallEx", m_exports.install);
  Bind(m_library, "WendrixFinalizeEx", m_exports.finalize);
  Bind(m_library, "WendrixUninstall", m_exports.uninstall);
  Bind(m_library, "WendrixRegister", m_exports.registerPublisher);
  Bind(m_library, "WendrixCreateRollbackEx", m_exports.createRollback);
  Bind(m_library, "WendrixRollbackEx", m_exports.rollback);
}

void InstallTest::TearDown() {
  if (m_library) FreeLibrary(m_library);
  CleanProductRegistry();
  ShellFolderTest::TearDown();
}

std::wstring InstallTest::Media(const wchar_t* name) const { return Join(m_media, name); }
std::wstring InstallTest::Product(const wchar_t* name) const { return Join(m_product, name); }
std::wstring InstallTest::Product64(const wchar_t* name) const { return Join(m_product64, name); }

void InstallTest::Register(const char* caller, const char* id) {
  UINT32 location = 0;
  const std::string home = std::string("http://www.") + id + ".example/";
  ASSERT_EQ(S_OK, m_exports.registerPublisher(caller, id, id, home.c_str(), (home + "p.wx-cnf").c_str(), nullptr,
                                              &location, nullptr, WENDRIX_REGISTER_CURRENT_USER))
      << location;
}

void InstallTest::SetProductPath(const std::wstring& folder, REGSAM view) {
  SetStringValue(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Kestmoor\\Wendrix\\3.0", L"Path", folder, view);
}

}  // namespace wendrix::test
