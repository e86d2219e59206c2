// Forwarding of the forwarded exports to a newer installed copy.
#include <string>

#include "frame_fixture.h"
#include "wendrix.h"

namespace wendrix::test {
namespace {

class ForwardingTest : public ProductRegistryTest {
 protected:
  // Installs `stand-in` as the product folder's 32-bit library.
  void Install(const wchar_t* standIn) {
    ASSERT_TRUE(CopyInto(FrameData(standIn), m_product.File(L"wendrix.dll")));
    Register(L"3.8", m_product.Path());
  }

  TempFolder m_product;
};

TEST_F(ForwardingTest, NewerInstalledCopyAnswersTheCall) {
  Install(L"fake_newer.dll");
  wchar_t buffer[64] = L"untouched";
  UINT32 size = 64;
  EXPECT_EQ(kForwardedResult, WendrixGetInfoEx(buffer, &size, 0));
  EXPECT_STREQ(L"forwarded", buffer);
}

TEST_F(ForwardingTest, AnsiTwinReachesTheInstalledCopyThroughItsWideTwin) {
  Install(L"fake_newer.dll");
  char buffer[64] = "untouched";
  UINT32 size = 64;
  EXPECT_EQ(S_OK, WendrixGetInfo(buffer, &size, 0));
  EXPECT_STREQ("forwarded", buffer);
  EXPECT_EQ(sizeof("forwarded"), size);
}

TEST_F(ForwardingTest, NewerCopyWithoutTheExportFailsWithoutRunningHere) {
  Install(L"fake_newer_without_export.dll");
  wchar_t buffer[64] = L"untouched";
  UINT32 size = 64;
  EXPECT_EQ(static_cast<HRESULT>(0x80070001), WendrixGetInfoEx(buffer, &size, 0));
  EXPECT_STREQ(L"untouched", buffer);
  EXPECT_EQ(64u, size);
}

TEST_F(ForwardingTest, SameOrOlderInstalledCopyLetsTheCallRunHere) {
  for (const wchar_t* standIn : {L"fake_same.dll", L"fake_older.dll"}) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(standIn)));
    Install(standIn);
    wchar_t buffer[MAX_PATH] = L"";
    UINT32 size = MAX_PATH;
    EXPECT_EQ(S_OK, WendrixGetInfoEx(buffer, &size, 2));
    EXPECT_EQ(m_product.File(L"wendrix.dll"), buffer);
  }
}

TEST_F(ForwardingTest, MissingOrUnreadableInstalledCopyLetsTheCallRunHere) {
  Register(L"3.8", m_product.Path());  // no library file in the folder
  wchar_t buffer[MAX_PATH] = L"";
  UINT32 size = MAX_PATH;
  EXPECT_EQ(S_OK, WendrixGetInfoEx(buffer, &size, 0));
  EXPECT_EQ(m_product.Path(), buffer);

  m_product.Write(L"wendrix.dll", "not a library");  // no version resource
  size = MAX_PATH;
  EXPECT_EQ(S_OK, WendrixGetInfoEx(buffer, &size, 0));
  EXPECT_EQ(m_product.Path(), buffer);
}

TEST_F(ForwardingTest, NewerFileThatCannotBeLoadedLetsTheCallRunHere) {
  // A version resource makes it newer, but it is not a loadable module of our
  // architecture: the 32-bit stand-in of a 64-bit process (or plain data).
  Install(L"fake_newer.dll");
  HANDLE file = CreateFileW(m_product.File(L"wendrix.dll").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  DWORD written = 0;
  WriteFile(file, "XX", 2, &written, nullptr);  // break the MZ signature, keep the resources
  CloseHandle(file);
  wchar_t buffer[MAX_PATH] = L"";
  UINT32 size = MAX_PATH;
  const HRESULT hr = WendrixGetInfoEx(buffer, &size, 0);
  if (hr == kForwardedResult) GTEST_SKIP() << "the loader accepted a module without its MZ signature";
  EXPECT_EQ(S_OK, hr);
  EXPECT_EQ(m_product.Path(), buffer);
}

TEST_F(ForwardingTest, TheInstalledCopyItselfNeverForwards) {
  // The library in the product folder finds itself as the installed copy.
  ASSERT_TRUE(CopyInto(LibraryUnderTest(), m_product.File(L"wendrix.dll")));
  Register(L"3.8", m_product.Path());
  HMODULE installed = LoadLibraryW(m_product.File(L"wendrix.dll").c_str());
  ASSERT_NE(nullptr, installed);
  auto getInfo = reinterpret_cast<decltype(&WendrixGetInfoEx)>(
      reinterpret_cast<void*>(GetProcAddress(installed, "WendrixGetInfoEx")));
  ASSERT_NE(nullptr, getInfo);
  wchar_t buffer[MAX_PATH] = L"";
  UINT32 size = MAX_PATH;
  EXPECT_EQ(S_OK, getInfo(buffer, &size, 2));
  EXPECT_EQ(m_product.File(L"wendrix.dll"), buffer);
  FreeLibrary(installed);
}

}  // namespace
}  // namespace wendrix::test
