// Forwarding of the forwarded exports to a newer installed copy.
#include <string>

#include "frame_fixture.h"
#include "wendrix.h"

namespace wendrix::test {
namespace {

class ForwardingTest : public ProductRegistryTest {
 protected:
  std::wstring Installed() const { return m_product.File(L"wendrix.dll"); }
  TempFolder m_product;
};

// Only a newer copy that loads answers; one without the export fails the
// call without running it here; any other lets the call run here.
TEST_F(ForwardingTest, InstalledCopyAnswersOnlyWhenNewerAndLoadable) {
  const struct {
    const wchar_t* standIn;  // null: no library file; "": text bytes without a version
    HRESULT result;
    const wchar_t* text;  // null: the product folder, as the call run here answers
  } cases[] = {
      {L"fake_newer.dll", kForwardedResult, L"forwarded"},
      {L"fake_newer_without_export.dll", static_cast<HRESULT>(0x80070001), L"untouched"},
      {L"fake_same.dll", S_OK, nullptr},
      {L"fake_older.dll", S_OK, nullptr},
      {nullptr, S_OK, nullptr},
      {L"", S_OK, nullptr},
  };
  Register(L"3.8", m_product.Path());
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.standIn ? c.standIn : L"(none)")));
    DeleteFileW(Installed().c_str());
    if (c.standIn && *c.standIn) {
      ASSERT_TRUE(CopyInto(FrameData(c.standIn), Installed()));
    }
    if (c.standIn && !*c.standIn) m_product.Write(L"wendrix.dll", "not a library");
    wchar_t buffer[MAX_PATH] = L"untouched";
    UINT32 size = MAX_PATH;
    EXPECT_EQ(c.result, WendrixGetInfoEx(buffer, &size, 0));
    EXPECT_EQ(c.text ? c.text : m_product.Path(), buffer);
    if (c.result == static_cast<HRESULT>(0x80070001)) {
      EXPECT_EQ(UINT32{MAX_PATH}, size);
    }
  }

  // The ANSI twin reaches the installed copy through its wide twin.
  ASSERT_TRUE(CopyInto(FrameData(L"fake_newer.dll"), Installed()));
  char ansi[64] = "untouched";
  UINT32 size = 64;
  EXPECT_EQ(S_OK, WendrixGetInfo(ansi, &size, 0));
  EXPECT_STREQ("forwarded", ansi);
  EXPECT_EQ(sizeof("forwarded"), size);

  // A version resource makes it newer, but it is not a loadable module of our
  // architecture: the 32-bit stand-in of a 64-bit process (or plain data).
  HANDLE file = CreateFileW(Installed().c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  DWORD written = 0;
  WriteFile(file, "XX", 2, &written, nullptr);  // break the MZ signature, keep the resources
  CloseHandle(file);
  wchar_t buffer[MAX_PATH] = L"";
  UINT32 wideSize = MAX_PATH;
  const HRESULT hr = WendrixGetInfoEx(buffer, &wideSize, 0);
  if (hr == kForwardedResult) GTEST_SKIP() << "the loader accepted a module without its MZ signature";
  EXPECT_EQ(S_OK, hr);
  EXPECT_EQ(m_product.Path(), buffer);
}

TEST_F(ForwardingTest, TheInstalledCopyItselfNeverForwards) {
  ASSERT_TRUE(CopyInto(LibraryUnderTest(), Installed()));
  Register(L"3.8", m_product.Path());
  HMODULE installed = LoadLibraryW(Installed().c_str());
  ASSERT_NE(nullptr, installed);
  auto getInfo = reinterpret_cast<decltype(&WendrixGetInfoEx)>(
      reinterpret_cast<void*>(GetProcAddress(installed, "WendrixGetInfoEx")));
  ASSERT_NE(nullptr, getInfo);
  wchar_t buffer[MAX_PATH] = L"";
  UINT32 size = MAX_PATH;
  EXPECT_EQ(S_OK, getInfo(buffer, &size, 2));
  EXPECT_EQ(Installed(), buffer);
  FreeLibrary(installed);
}

}  // namespace
}  // namespace wendrix::test
