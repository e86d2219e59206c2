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

// The wide export and its ANSI twin: the size counts the terminator, a
// short buffer is refused untouched with its size left as it was, and a
// larger one gets the size the text needs.
TEST_F(InfoExportTest, SizeProtocolAndBadArguments) {
  Register(L"3.8", L"C:\\Caf\u00E9 Products");
  const std::wstring wide = L"C:\\Caf\u00E9 Products";
  const std::string ansi = "C:\\Caf\xE9 Products";  // cp1252 e-acute
  const UINT32 needed = static_cast<UINT32>(wide.size() + 1);
  UINT32 size = kSentinel;
  ASSERT_EQ(S_OK, WendrixGetInfoEx(nullptr, &size, 0));
  EXPECT_EQ(needed, size);
  size = kSentinel;
  ASSERT_EQ(S_OK, WendrixGetInfo(nullptr, &size, 0));
  EXPECT_EQ(needed, size);
  for (const auto& [capacity, result] : {std::pair{needed, S_OK}, {needed + 50, S_OK},
                                         {needed - 1, static_cast<HRESULT>(0x8007006F)}}) {
    SCOPED_TRACE(capacity);
    std::wstring wideBuffer(capacity, L'#');
    std::string ansiBuffer(capacity, '#');
    UINT32 wideSize = capacity, ansiSize = capacity;
    EXPECT_EQ(result, WendrixGetInfoEx(wideBuffer.data(), &wideSize, 0));
    EXPECT_EQ(result, WendrixGetInfo(ansiBuffer.data(), &ansiSize, 0));
    EXPECT_EQ(SUCCEEDED(result) ? needed : capacity, wideSize);
    EXPECT_EQ(SUCCEEDED(result) ? needed : capacity, ansiSize);
    if (SUCCEEDED(result)) {
      EXPECT_EQ(wide, wideBuffer.c_str());
      EXPECT_EQ(ansi, ansiBuffer.c_str());
    } else {
      EXPECT_EQ(L'#', wideBuffer[0]) << "nothing may be written into a short buffer";
      EXPECT_EQ('#', ansiBuffer[0]);
    }
  }
  EXPECT_EQ(E_INVALIDARG, WendrixGetInfoEx(nullptr, nullptr, 0));
  EXPECT_EQ(E_INVALIDARG, WendrixGetInfoEx(nullptr, &size, 11));
  EXPECT_EQ(E_INVALIDARG, WendrixGetInfoEx(nullptr, &size, 0x8000FFFF));
  EXPECT_EQ(E_INVALIDARG, WendrixGetInfo(nullptr, nullptr, 0));
  char buffer[8];
  EXPECT_EQ(E_INVALIDARG, WendrixGetInfo(buffer, nullptr, 2));
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
      {2, L"C:\\Folder32\\wendrix.dll"},
      {2 | WENDRIX_INFO_64BIT, L"C:\\Folder64\\wendrix64.dll"},
      {3 | WENDRIX_INFO_64BIT, L"C:\\Folder64\\wendrix64.cpl"},
      {5 | WENDRIX_INFO_64BIT, L"C:\\Folder64\\wendrixcpl.xml"},
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

}  // namespace
}  // namespace wendrix::test
