// The rules of the installed-version probes that need no system.
#include "publisher/version_probe.h"

#include <gtest/gtest.h>

#include <map>
#include <tuple>

#include "core/ini_data_buffer.h"

namespace wendrix {
namespace {

// The bytes of a literal, zero bytes included.
template <std::size_t N>
std::string Raw(const char (&text)[N]) {
  return std::string(text, N - 1);
}

std::string Utf16Le(std::wstring_view text, bool bom) {
  std::string bytes = bom ? std::string("\xFF\xFE", 2) : std::string();
  for (wchar_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>((c >> 8) & 0xFF);
  }
  return bytes;
}

TEST(RegistryLocationTest, SplitsViewRootAndKeyPath) {
  const struct {
    const wchar_t* location;
    RegistryView view;
    RegistryRoot root;
    const wchar_t* keyPath;
  } cases[] = {
      {L"HKEY_LOCAL_MACHINE\\Software\\Tool\\Version", RegistryView::kDefault, RegistryRoot::kLocalMachine,
       L"Software\\Tool\\Version"},
      {L"x86\\hkey_current_user\\Software\\A", RegistryView::k32, RegistryRoot::kCurrentUser, L"Software\\A"},
      {L"X64\\HKEY_CLASSES_ROOT\\CLSID", RegistryView::k64, RegistryRoot::kClassesRoot, L"CLSID"},
      {L"HKEY_USERS\\.DEFAULT", RegistryView::kDefault, RegistryRoot::kUsers, L".DEFAULT"},
      {L"HKEY_PERFORMANCE_DATA\\x", RegistryView::kDefault, RegistryRoot::kPerformanceData, L"x"},
      {L"HKEY_CURRENT_CONFIG\\System", RegistryView::kDefault, RegistryRoot::kCurrentConfig, L"System"},
      {L"HKEY_DYN_DATA\\Config", RegistryView::kDefault, RegistryRoot::kDynData, L"Config"},
      // Any one character separates the root from the key path.
      {L"HKEY_LOCAL_MACHINE/Software", RegistryView::kDefault, RegistryRoot::kLocalMachine, L"Software"},
      {L"HKEY_LOCAL_MACHINE", RegistryView::kDefault, RegistryRoot::kLocalMachine, L""},
      {L"HKEY_LOCAL_MACHINE\\", RegistryView::kDefault, RegistryRoot::kLocalMachine, L""},
  };
  for (const auto& c : cases) {
    const std::optional<RegistryLocation> location = ParseRegistryLocation(c.location);
    ASSERT_TRUE(location.has_value()) << c.location;
    EXPECT_EQ(std::tie(location->view, location->root, location->keyPath), std::tie(c.view, c.root, c.keyPath))
        << c.location;
  }
  for (const wchar_t* bad : {L"", L"HKLM\\Software", L"X86\\", L"X86HKEY_LOCAL_MACHINE\\A", L"x32\\HKEY_USERS\\A",
                             L"\\HKEY_LOCAL_MACHINE\\A", L"HKEY_LOCAL\\A"})
    EXPECT_FALSE(ParseRegistryLocation(bad).has_value()) << bad;
}

TEST(RegistryLocationTest, LastComponentNamesTheValue) {
  const struct {
    const wchar_t* keyPath;
    const wchar_t* key;
    const wchar_t* value;
    bool namesKey;
  } cases[] = {
      {L"Software\\Tool\\Version", L"Software\\Tool", L"Version", true},
      {L"Version", L"", L"Version", true},  // a value of the root key itself
      {L"Software\\Tool\\", L"Software\\Tool", L"", false},  // the default value; never a key
      {L"", L"", L"", false},
  };
  for (const auto& c : cases) {
    const RegistryValuePath split = SplitValuePath(c.keyPath);
    EXPECT_EQ(std::tuple(split.key, split.value, CanNameKey(c.keyPath)), std::tuple(c.key, c.value, c.namesKey))
        << c.keyPath;
  }
}

TEST(InstallerLocationTest, SplitsProductAndComponentWithinTheLengthLimit) {
  const std::wstring product = L"{11111111-2222-3333-4444-555555555555}";
  const std::wstring component = L"{AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE}";
  for (const auto& [text, part] : {std::pair{product, std::wstring()}, {product + L"/" + component, component}}) {
    const std::optional<InstallerLocation> parsed = ParseInstallerLocation(text);
    ASSERT_TRUE(parsed.has_value()) << text;
    EXPECT_EQ(std::tie(parsed->product, parsed->component), std::tie(product, part));
  }

  const std::wstring longest = L"{" + std::wstring(98, L'A');
  EXPECT_TRUE(ParseInstallerLocation(longest).has_value());
  EXPECT_FALSE(ParseInstallerLocation(longest + L"}").has_value());  // 100 characters
  EXPECT_FALSE(ParseInstallerLocation(L"HKEY_LOCAL_MACHINE\\{x}").has_value());
  EXPECT_FALSE(IsInstallerLocation(L""));
  EXPECT_TRUE(IsInstallerLocation(L"{"));
}

TEST(VersionNamedKeyTest, RanksMajorThenMinorModulo65536) {
  EXPECT_EQ(VersionNamedRank(L"3.10"), 3u * 65536 + 10);
  EXPECT_EQ(VersionNamedRank(L"0.0"), 0u);
  EXPECT_EQ(VersionNamedRank(L"1.65537"), 65536u + 1);  // the minor number wraps
  EXPECT_EQ(VersionNamedRank(L"4294967296.0"), 0u);     // numbers are 32-bit
  for (const wchar_t* name : {L"", L"3", L"3.", L".3", L"3.1.2", L"3.1a", L"v3.1", L" 3.1", L"3..1", L"-3.1"})
    EXPECT_FALSE(VersionNamedRank(name).has_value()) << name;

  const struct {
    std::vector<std::wstring> names;
    std::optional<std::size_t> highest;
  } cases[] = {
      {{L"3.9", L"3.10", L"2.99"}, 1},                // 3.10 ranks above 3.9
      {{L"Tools", L"1.0", L"Other"}, 1},
      {{L"0.0", L"00.0", L"0.65536"}, 0},             // all zero (the minor wraps): the first wins
      {{L"Tools", L"latest"}, std::nullopt},
      {{}, std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(HighestVersionNamed(c.names), c.highest);
}

TEST(VersionNamedKeyTest, ExpandsEachWholeComponentFromLeftToRight) {
  // A fake registry: the highest version-named subkey of each key.
  const std::map<std::wstring, std::wstring> highest = {
      {L"Software\\Tool", L"3.10"}, {L"Software\\Tool\\3.10\\Plugins", L"1.2"}, {L"", L"9.9"}};
  std::vector<std::wstring> asked;
  const auto lookup = [&](const std::wstring& key) -> std::optional<std::wstring> {
    asked.push_back(key);
    const auto found = highest.find(key);
    if (found == highest.end()) return std::nullopt;
    return found->second;
  };
  EXPECT_EQ(ExpandVersionComponents(L"Software\\Tool\\#.#", lookup), L"Software\\Tool\\3.10");
  EXPECT_EQ(ExpandVersionComponents(L"Software\\Tool\\#.#\\Plugins\\#.#\\Bin", lookup),
            L"Software\\Tool\\3.10\\Plugins\\1.2\\Bin");
  EXPECT_EQ(ExpandVersionComponents(L"#.#\\x", lookup), L"9.9\\x");
  asked.clear();
  EXPECT_EQ(ExpandVersionComponents(L"Software\\Tool\\#.#x\\#.#.#\\a#.#", lookup),
            L"Software\\Tool\\#.#x\\#.#.#\\a#.#");  // not whole components
  EXPECT_TRUE(asked.empty());
  EXPECT_EQ(ExpandVersionComponents(L"Software\\Other\\#.#\\Bin", lookup), std::nullopt);
  EXPECT_EQ(ExpandVersionComponents(L"", lookup), L"");
}

TEST(VersionTagTest, FindsTheVersionAfterTheTag) {
  const struct {
    std::string bytes;
    std::optional<VersionParts> version;
  } cases[] = {
      {"$VER: tool 4.2 (1.1.2010)", VersionParts{4, 2, 0, 0}},
      {Raw("MZ\0\0binary\x90" "$VER: tool 4.2 (1.1.2010)\0more"), VersionParts{4, 2, 0, 0}},
      {"$VER:1.2.3.4", VersionParts{1, 2, 3, 4}},
      {"$VER: >> \t> 7.0 ", VersionParts{7, 0, 0, 0}},
      {"$VER: my-tool v2 3.1", VersionParts{3, 1, 0, 0}},          // words are skipped
      {"$VER: tool 4.2)", VersionParts{4, 2, 0, 0}},               // the run ends the version
      {"$VER: tool 1.2.3.4.5 6.0", VersionParts{6, 0, 0, 0}},      // a run that is no version
      {"$VER: tool 1..2 x", std::nullopt},
      {"$VER: tool (4.2)", std::nullopt},                          // "(" ends the search
      {"$VER: tool", std::nullopt},
      {"$VER:", std::nullopt},
      {"$ver: tool 4.2", std::nullopt},                            // the tag is exact
      {"$VER tool 4.2", std::nullopt},
      {Raw("$VER: tool\0 4.2"), std::nullopt},                       // a zero byte ends the tag
      {"$VER: tool (1.0) $VER: 5.0", std::nullopt},                // only the first tag counts
      {"$VER: " + std::string(100, '1') + " 2.0", VersionParts{2, 0, 0, 0}},
  };
  for (const auto& c : cases) EXPECT_EQ(FindVersionTag(c.bytes), c.version) << c.bytes;
}

TEST(TextFileVersionTest, ParsesTheStartOfTheDecodedText) {
  const Latin1CodePage ansi;
  EXPECT_EQ(TextFileVersion(" \t 2.5.1\r\nnotes", ansi), (VersionParts{2, 5, 1, 0}));
  EXPECT_EQ(TextFileVersion("\xEF\xBB\xBF" "3.0 beta", ansi), (VersionParts{3, 0, 0, 0}));
  EXPECT_EQ(TextFileVersion(Utf16Le(L"  4.1.2.3", true), ansi), (VersionParts{4, 1, 2, 3}));
  for (const std::string text : {"", "version 2.5", "\r\n2.5", "2.5-beta", "1.02"})
    EXPECT_EQ(TextFileVersion(text, ansi), std::nullopt) << text;
}

TEST(IniProbeTest, AppliesOnlyToIniFilesWithSectionAndKey) {
  EXPECT_TRUE(IsIniProbe(L"a.ini", L"S", L"K"));
  EXPECT_TRUE(IsIniProbe(L"C:\\Tool\\SETUP.INI", L"*", L"K"));
  // At least five characters, a section, a key and the extension.
  for (auto [file, section, key] : {std::tuple{L".ini", L"S", L"K"}, {L"a.ini", L"", L"K"}, {L"a.ini", L"S", L""},
                                    {L"a.inf", L"S", L"K"}, {L"a.ini.txt", L"S", L"K"}})
    EXPECT_FALSE(IsIniProbe(file, section, key)) << file << section << key;
}

TEST(IniProbeTest, FindsTheFirstVersionOfTheKeyInTheSection) {
  const std::string ini =
      "Version=0.9\r\n"
      "[Other]\r\nVersion = 1.5\r\n"
      "[Main]\r\nversion = not a version\r\nVersion = 2.0.1 ; comment\r\nVersion = 3.0\r\n"
      "[Last]\r\nBuild=7\r\n";
  const struct {
    const wchar_t* section;
    const wchar_t* key;
    std::optional<VersionParts> version;
  } cases[] = {
      {L"Main", L"Version", VersionParts{2, 0, 1, 0}},   // a value that is no version is passed over
      {L"[Main]", L"VERSION", VersionParts{2, 0, 1, 0}},
      {L"[main]trailing", L"Version", VersionParts{2, 0, 1, 0}},  // cut at "]"
      {L"*", L"Version", VersionParts{0, 9, 0, 0}},      // any section, keys before the first one too
      {L"*", L"Build", VersionParts{7, 0, 0, 0}},
      {L"Other", L"Version", VersionParts{1, 5, 0, 0}},
      {L"Last", L"Version", std::nullopt},
      {L"Missing", L"Version", std::nullopt},
      {L"[", L"Version", std::nullopt},
  };
  for (const auto& c : cases) {
    const IniVersionProbe probe(c.section, c.key);
    EXPECT_EQ(probe.FindInFileBytes(ini), c.version) << c.section << L" " << c.key;
  }
  EXPECT_EQ(IniVersionProbe(L"*", L"Version").Schema().size(), 1u);
  EXPECT_EQ(IniVersionProbe(L"Main", L"Version").Schema().size(), 2u);
}

TEST(IniProbeTest, ReadsEveryEncodingAndWhatPrecedesASyntaxError) {
  const IniVersionProbe probe(L"App", L"Version");
  EXPECT_EQ(probe.FindInFileBytes(Utf16Le(L"[App]\r\nVersion=5.1\r\n", true)), (VersionParts{5, 1, 0, 0}));
  EXPECT_EQ(probe.FindInFileBytes("\xEF\xBB\xBF[App]\nVersion=5.2\n"), (VersionParts{5, 2, 0, 0}));
  EXPECT_EQ(probe.FindInFileBytes("[App]\nVersion=5.3\n[Broken Section]\n"), (VersionParts{5, 3, 0, 0}));
  EXPECT_EQ(probe.FindInFileBytes("[Broken Section]\n[App]\nVersion=5.3\n"), std::nullopt);
  EXPECT_EQ(probe.FindInFileBytes("<?xml version=\"1.0\"?>\n[App]\nVersion=5.4\n"), std::nullopt);
  EXPECT_EQ(probe.FindInFileBytes(""), std::nullopt);
}

TEST(ComClassProbeTest, NamesClassesByIdentifierOrProgrammaticName) {
  const struct {
    const wchar_t* text;
    bool byProgId;
    RegistryView view;
    const wchar_t* name;
  } cases[] = {
      {L"ClassID\\{0000-1}", false, RegistryView::kDefault, L"{0000-1}"},
      {L"classid\\X86\\{0000-1}", false, RegistryView::k32, L"{0000-1}"},
      {L"ProgID\\Tool.Document", true, RegistryView::kDefault, L"Tool.Document"},
      {L"PROGID\\x64\\Tool.Document.2", true, RegistryView::k64, L"Tool.Document.2"},
      {L"ProgID\\x32\\Tool", true, RegistryView::kDefault, L"x32\\Tool"},
  };
  for (const auto& c : cases) {
    const std::optional<ComClassProbe> probe = ParseComClassProbe(c.text);
    ASSERT_TRUE(probe.has_value()) << c.text;
    EXPECT_EQ(std::tuple(probe->byProgId, probe->view, probe->name), std::tuple(c.byProgId, c.view, c.name)) << c.text;
  }
  for (const wchar_t* text : {L"ClassID", L"ClassID{0000-1}", L"msi.dll", L"CPU.Name", L"Class\\ID"})
    EXPECT_FALSE(ParseComClassProbe(text).has_value()) << text;
}

TEST(ComClassProbeTest, ServerFilesOfQuotedAndUnquotedCommandLines) {
  using Files = std::vector<std::wstring>;
  EXPECT_EQ(ServerFileCandidates(L"C:\\Tools\\tool.dll"), Files{L"C:\\Tools\\tool.dll"});
  EXPECT_EQ(ServerFileCandidates(L"\"C:\\Program Files\\Tool\\tool.exe\" /automation"),
            Files{L"C:\\Program Files\\Tool\\tool.exe"});
  EXPECT_EQ(ServerFileCandidates(L"  \"C:\\unterminated.exe"), Files{L"C:\\unterminated.exe"});
  EXPECT_EQ(ServerFileCandidates(L"C:\\Program Files\\Tool\\tool.exe  -Embedding \t"),
            (Files{L"C:\\Program Files\\Tool\\tool.exe  -Embedding", L"C:\\Program Files\\Tool\\tool.exe",
                   L"C:\\Program"}));
  EXPECT_EQ(ServerFileCandidates(L" \t "), Files{});
  EXPECT_EQ(ServerFileCandidates(L"\"\" x"), Files{});
}

TEST(PathTextTest, JoinsWithOneSeparatorAndFindsFolders) {
  EXPECT_EQ(JoinPath(L"C:\\Tool", L"Data"), L"C:\\Tool\\Data");
  EXPECT_EQ(JoinPath(L"C:\\Tool\\", L"\\Data"), L"C:\\Tool\\Data");
  EXPECT_EQ(JoinPath(L"C:\\Tool", L"\\\\Data"), L"C:\\Tool\\\\Data");  // only one leading "\" goes
  EXPECT_EQ(JoinPath(L"C:\\Tool\\", L""), L"C:\\Tool\\");
  EXPECT_EQ(JoinPath(L"C:\\Tool", L"\\"), L"C:\\Tool");
  EXPECT_EQ(FolderOf(L"C:\\Tool\\bin\\tool.dll"), L"C:\\Tool\\bin");
  EXPECT_EQ(FolderOf(L"C:\\tool.dll"), L"C:\\");
  EXPECT_EQ(FolderOf(L"C:/Tool/tool.dll"), L"C:/Tool");
  EXPECT_EQ(FolderOf(L"tool.dll"), L"tool.dll");
}

}  // namespace
}  // namespace wendrix
