// Where the product files are: WendrixGetInfoEx / WendrixGetInfo against the
// real registry in both views and real folders.
#include <shlobj.h>

#include <string>
#include <vector>

#include "frame_fixture.h"
#include "wendrix.h"

namespace wendrix::test {
namespace {

constexpr UINT32 kSentinel = 0xDEADBEEF;

// The whole answer of the wide export for one selector.
HRESULT QueryInfo(UINT32 selector, std::wstring& path) {
  UINT32 size = 0;
  HRESULT hr = WendrixGetInfoEx(nullptr, &size, selector);
  if (FAILED(hr)) return hr;
  std::wstring buffer(size, L'#');
  hr = WendrixGetInfoEx(buffer.data(), &size, selector);
  if (SUCCEEDED(hr)) path.assign(buffer.c_str());
  return hr;
}

std::wstring DefaultFolder(bool view64) {
  // Wine's 64-bit prefix lays the folders out as 64-bit Windows does.
  return view64 ? L"C:\\Program Files\\Common Files\\Kestmoor\\Wendrix"
                : L"C:\\Program Files (x86)\\Common Files\\Kestmoor\\Wendrix";
}

class InfoExportTest : public ProductRegistryTest {};

TEST_F(InfoExportTest, SizeProtocolCountsTheTerminatorAndRefusesShortBuffers) {
  const std::wstring folder = L"C:\\Products\\Wendrix";
  Register(L"3.0", folder);
  UINT32 size = kSentinel;
  ASSERT_EQ(S_OK, WendrixGetInfoEx(nullptr, &size, 0));
  EXPECT_EQ(folder.size() + 1, size);

  std::wstring exact(size, L'#');
  EXPECT_EQ(S_OK, WendrixGetInfoEx(exact.data(), &size, 0));
  EXPECT_EQ(folder, exact.c_str());
  EXPECT_EQ(folder.size() + 1, size);

  UINT32 shortSize = size - 1;
  std::wstring tooShort(size, L'#');
  EXPECT_EQ(static_cast<HRESULT>(0x8007006F), WendrixGetInfoEx(tooShort.data(), &shortSize, 0));
  EXPECT_EQ(size - 1, shortSize) << "the size must be left as it was";
  EXPECT_EQ(L'#', tooShort[0]) << "nothing may be written into a short buffer";

  UINT32 larger = size + 50;
  std::wstring roomy(larger, L'#');
  EXPECT_EQ(S_OK, WendrixGetInfoEx(roomy.data(), &larger, 0));
  EXPECT_EQ(folder.size() + 1, larger) << "the size becomes the length + 1";
}

TEST_F(InfoExportTest, RefusesBadArguments) {
  Register(L"3.0", L"C:\\Products\\Wendrix");
  UINT32 size = 0;
  EXPECT_EQ(E_INVALIDARG, WendrixGetInfoEx(nullptr, nullptr, 0));
  EXPECT_EQ(E_INVALIDARG, WendrixGetInfoEx(nullptr, &size, 11));
  EXPECT_EQ(E_INVALIDARG, WendrixGetInfoEx(nullptr, &size, 0x8000FFFF));
  EXPECT_EQ(E_INVALIDARG, WendrixGetInfo(nullptr, nullptr, 0));
  char ansi[8];
  EXPECT_EQ(E_INVALIDARG, WendrixGetInfo(ansi, nullptr, 2));
}

TEST_F(InfoExportTest, HighestVersionNamedSubkeyWins) {
  struct Case {
    std::vector<std::wstring> subkeys;
    std::wstring winner;
  };
  const Case cases[] = {
      {{L"2.9", L"3.0", L"3.10"}, L"3.10"},  // 3.10 is 3 << 16 | 10, above 3.9
      {{L"3.10", L"3.9", L"3.0"}, L"3.10"},
      {{L"0.0"}, L"0.0"},                    // the first acceptable one counts even at value 0
      {{L"3", L"3.", L".5", L"3.1a", L"x.1", L"1.0"}, L"1.0"},
      {{L"4.0.1", L"2.5"}, L"2.5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.winner));
    SetUp();
    for (const std::wstring& subkey : c.subkeys) Register(subkey, L"C:\\Folder " + subkey);
    std::wstring folder;
    ASSERT_EQ(S_OK, QueryInfo(0, folder));
    EXPECT_EQ(L"C:\\Folder " + c.winner, folder);
  }
}

TEST_F(InfoExportTest, WinningSubkeyWithoutPathFallsBackToTheDefault) {
  Register(L"3.0", L"C:\\Older");
  RegisterWithoutPath(L"3.8");
  std::wstring folder;
  ASSERT_EQ(S_OK, QueryInfo(WENDRIX_INFO_ACCEPT_DEFAULT, folder));
  EXPECT_EQ(DefaultFolder(false), folder);
}

TEST_F(InfoExportTest, SixtyFourBitFlagSelectsTheOtherViewAndNames) {
  Register(L"3.8", L"C:\\Folder32", KEY_WOW64_32KEY);
  Register(L"3.8", L"C:\\Folder64", KEY_WOW64_64KEY);
  struct Case {
    UINT32 selector;
    const wchar_t* expected;
  };
  const Case cases[] = {
      {0, L"C:\\Folder32"},
      {WENDRIX_INFO_64BIT, L"C:\\Folder64"},
      {1, L"C:\\Folder32\\wendrix.exe"},
      {2, L"C:\\Folder32\\wendrix.dll"},
      {2 | WENDRIX_INFO_64BIT, L"C:\\Folder64\\wendrix64.dll"},
      {3, L"C:\\Folder32\\wendrix.cpl"},
      {3 | WENDRIX_INFO_64BIT, L"C:\\Folder64\\wendrix64.cpl"},
      {4, L"C:\\Folder32\\wendrixc.dll"},
      {4 | WENDRIX_INFO_64BIT, L"C:\\Folder64\\wendrixc64.dll"},
      {5 | WENDRIX_INFO_64BIT, L"C:\\Folder64\\wendrixcpl.xml"},
      {6, L"C:\\Folder32\\wendrixl.exe"},
      {7, L"C:\\Folder32\\wendrixu.exe"},
      {8, L"C:\\Folder32\\wendrixw.ocx"},
      {8 | WENDRIX_INFO_64BIT, L"C:\\Folder64\\wendrixw64.ocx"},
      {9, L"C:\\Folder32\\unicows.dll"},
      {10 | WENDRIX_INFO_64BIT, L"C:\\Folder64\\wxsetup.exe"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.selector);
    std::wstring path;
    ASSERT_EQ(S_OK, QueryInfo(c.selector, path));
    EXPECT_EQ(c.expected, path);
  }
}

TEST_F(InfoExportTest, DefaultFolderMustExistUnlessAccepted) {
  for (bool view64 : {false, true}) {
    SCOPED_TRACE(view64 ? "64-bit view" : "32-bit view");
    const UINT32 view = view64 ? WENDRIX_INFO_64BIT : 0;
    const std::wstring folder = DefaultFolder(view64);
    DeleteTree(folder);
    std::wstring path;
    EXPECT_EQ(static_cast<HRESULT>(0x80070003), QueryInfo(view, path));
    ASSERT_EQ(S_OK, QueryInfo(view | WENDRIX_INFO_ACCEPT_DEFAULT, path));
    EXPECT_EQ(folder, path);

    ASSERT_EQ(S_OK, SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr));
    EXPECT_EQ(S_OK, QueryInfo(view | 2, path));
    EXPECT_EQ(folder + (view64 ? L"\\wendrix64.dll" : L"\\wendrix.dll"), path);
    DeleteTree(folder);
  }
}

TEST_F(InfoExportTest, AnsiTwinConvertsTheResult) {
  const std::string folder = "C:\\Caf\xE9 Products";  // cp1252 e-acute
  Register(L"3.8", L"C:\\Caf\u00E9 Products");
  UINT32 size = kSentinel;
  ASSERT_EQ(S_OK, WendrixGetInfo(nullptr, &size, 0));
  EXPECT_EQ(folder.size() + 1, size);

  std::string buffer(size, '#');
  ASSERT_EQ(S_OK, WendrixGetInfo(buffer.data(), &size, 0));
  EXPECT_EQ(folder, buffer.c_str());

  UINT32 shortSize = size - 1;
  EXPECT_EQ(static_cast<HRESULT>(0x8007006F), WendrixGetInfo(buffer.data(), &shortSize, 0));
  EXPECT_EQ(size - 1, shortSize);
}

}  // namespace
}  // namespace wendrix::test
