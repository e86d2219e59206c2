// The ANSI twins where the ANSI code page is multibyte: CTest starts this
// program in a Japanese locale, from which Wine takes code page 932 (two
// bytes for each kanji). Sizes of ANSI texts count bytes, and a path the
// caller is handed must name what the wide path names.
#include <string>
#include <vector>

#include "frame_fixture.h"
#include "wendrix.h"

namespace wendrix::test {
namespace {

constexpr HRESULT kBufferTooSmall = static_cast<HRESULT>(0x8007006F);

// The ANSI form of `text` as the library makes it, terminating zero included.
std::string Ansi(const std::wstring& text) {
  const int bytes = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string ansi(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, ansi.data(), bytes, nullptr, nullptr);
  return ansi;
}

class AnsiTwinsTest : public ProductRegistryTest {
 protected:
  void SetUp() override {
    CPINFO info{};
    if (!GetCPInfo(CP_ACP, &info) || info.MaxCharSize != 2)
      GTEST_SKIP() << "the ANSI code page " << GetACP() << " is no double-byte code page";
    ProductRegistryTest::SetUp();
  }
};

TEST_F(AnsiTwinsTest, InfoSizesCountBytes) {
  const std::wstring folder = L"C:\\\u88FD\u54C1\\\u6F22\u5B57 Wendrix";  // four kanji
  const std::string ansi = Ansi(folder);
  ASSERT_EQ(ansi.size(), folder.size() + 1 + 4);  // a second byte for each kanji
  Register(L"3.8", folder);

  UINT32 size = 0xDEADBEEF;
  ASSERT_EQ(WendrixGetInfo(nullptr, &size, 0), S_OK);
  EXPECT_EQ(size, ansi.size());

  const struct {
    UINT32 capacity;
    HRESULT result;
  } cases[] = {
      {static_cast<UINT32>(ansi.size()), S_OK},  // exactly what the size query asked for
      {static_cast<UINT32>(ansi.size()) + 40, S_OK},
      {static_cast<UINT32>(folder.size()) + 1, kBufferTooSmall},  // room for the characters, not the bytes
      {static_cast<UINT32>(ansi.size()) - 1, kBufferTooSmall},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.capacity);
    std::string buffer(c.capacity, '#');
    UINT32 inOut = c.capacity;
    ASSERT_EQ(WendrixGetInfo(buffer.data(), &inOut, 0), c.result);
    if (c.result == S_OK) {
      EXPECT_EQ(inOut, ansi.size());
      EXPECT_EQ(std::string(buffer.c_str()) + '\0', ansi);
    } else {
      EXPECT_EQ(inOut, c.capacity) << "the size must be left as it was";
      EXPECT_EQ(buffer[0], '#') << "nothing may be written into a short buffer";
    }
  }
}

// The temporary folder that journals are made in, for one test.
class TemporaryFolderOverride {
 public:
  explicit TemporaryFolderOverride(const std::wstring& folder) {
    for (const wchar_t* name : {L"TMP", L"TEMP"}) {
      wchar_t value[MAX_PATH];
      const DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH);
      m_saved.emplace_back(name, std::wstring(value, length < MAX_PATH ? length : 0));
      SetEnvironmentVariableW(name, folder.c_str());
    }
  }
  TemporaryFolderOverride(const TemporaryFolderOverride&) = delete;
  TemporaryFolderOverride& operator=(const TemporaryFolderOverride&) = delete;
  ~TemporaryFolderOverride() {
    for (const auto& [name, value] : m_saved) SetEnvironmentVariableW(name, value.empty() ? nullptr : value.c_str());
  }

 private:
  std::vector<std::pair<const wchar_t*, std::wstring>> m_saved;
};

TEST_F(AnsiTwinsTest, RollbackFolderTheCallerCannotBeToldIsRemoved) {
  TempFolder temp;
  // Below 260 characters, but above 260 bytes in ANSI; each part stays
  // within what the file system under Wine takes as one name.
  std::wstring deep = temp.Path();
  for (int i = 0; i < 3; ++i) {
    deep += L"\\" + std::wstring(45, L'\u6F22');
    // Wine cannot name files in a locale the system lacks.
    if (!CreateDirectoryW(deep.c_str(), nullptr)) GTEST_SKIP() << "no kanji file names here: " << GetLastError();
  }
  const std::wstring lossy = temp.File(L"Caf\u00E9");  // no e-acute in the code page
  const std::wstring kanji = temp.File(L"\u6F22\u5B57");
  ASSERT_TRUE(CreateDirectoryW(lossy.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW(kanji.c_str(), nullptr));

  for (const std::wstring& folder : {deep, lossy}) {
    const TemporaryFolderOverride override(folder);
    char path[MAX_PATH];
    memset(path, '#', sizeof(path));
    EXPECT_EQ(WendrixCreateRollback(path, 0), E_FAIL);
    EXPECT_EQ(path[0], '\0');
    EXPECT_TRUE(SnapshotTree(folder).empty()) << "the journal folder was left behind";
  }

  // A path the code page can carry makes a journal the caller can remove.
  const TemporaryFolderOverride override(kanji);
  char path[MAX_PATH];
  ASSERT_EQ(WendrixCreateRollback(path, 0), S_OK);
  const auto made = SnapshotTree(kanji);  // "\<journal folder>" sorts before its files
  ASSERT_FALSE(made.empty());
  EXPECT_EQ(made.begin()->second, "<folder>");
  EXPECT_EQ(std::string(path) + '\0', Ansi(kanji + made.begin()->first));
  EXPECT_EQ(WendrixDestroyRollback(path), S_OK);
  EXPECT_TRUE(SnapshotTree(kanji).empty());
}

}  // namespace
}  // namespace wendrix::test
