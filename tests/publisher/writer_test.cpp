// The publisher data writer: the text it appends, and that the text loaded
// back in wallet mode gives the item, the action and their records again.
#include "publisher/writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <type_traits>
#include <iterator>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "core/ini_data_buffer.h"
#include "core/text_encoding.h"
#include "fake_environment.h"
#include "publisher/loader.h"

namespace wendrix {
namespace {

// A record as a file states it: what the loader finds or caches itself
// (line numbers, latest version, unavailability, group marks, resolved
// results) is cleared, so that whole records compare with ==.
template <class Record>
Record Stated(Record r) {
  if constexpr (requires { r.result; }) r.result.reset();
  if constexpr (std::is_same_v<Record, Item>) {
    r.flags &= ~kItemGrouped;
    r.latestVersion.clear();
    r.latestDate = 0;
    r.size = {};
  }
  if constexpr (std::is_same_v<Record, Action>) {
    r.flags &= ~kActionUnavailable;
    r.nextUrl = -1;
  }
  r.line = 0;
  return r;
}
template <class Record>
std::vector<Record> Stated(std::vector<Record> records) {
  for (Record& r : records) r = Stated(std::move(r));
  return records;
}
// The display styles live outside the model's records and have no ==.
using StyleRows = std::vector<std::tuple<std::wstring, std::uint32_t, std::wstring, std::uint32_t, std::wstring>>;
StyleRows Rows(const std::vector<DisplayVersionStyle>& styles) {
  StyleRows rows;
  for (const DisplayVersionStyle& s : styles) {
    rows.emplace_back(s.id, s.size, L"", 0, L"");
    for (const VersionReplacement& r : s.replacements)
      rows.emplace_back(s.id, s.size, FormatVersion(r.prefix), r.prefixCount, r.text);
  }
  return rows;
}

// What the writer promises to carry over of `source`.
PublisherData Carried(const PublisherData& source, const Item& item, const Action& action) {
  PublisherData d;
  Item& i = d.items.emplace_back(item);
  i.iconId.clear();
  i.conditionId.clear();
  i.freeUpdatesId.clear();
  i.requirement = kRequireNeutral;
  i.actionIds = {action.id};
  Action& a = d.actions.emplace_back(action);
  a.conditionId.clear();
  a.date = 0;
  a.size = {};
  a.quietFromVersion.clear();
  if (!a.resources.empty()) {
    a.urls.clear();
    a.targetId.clear();
  }
  std::erase_if(a.messageIds, [&](const std::wstring& id) { return !source.FindMessage(id); });
  d.installedVersions = source.installedVersions;
  for (InstalledVersionDefinition& v : d.installedVersions) {
    v.publisher.clear();
    for (ApplicationProbe& p : v.applications)
      if (p.iniSection.empty()) p.iniKey.clear();
  }
  d.paths = source.paths;
  d.displayStyles = source.displayStyles;
  d.messages = source.messages;
  for (Message& m : d.messages) m.conditionId.clear();
  d.texts = source.texts;
  return d;
}

std::wstring ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return DecodeUtf8(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
}

class WriterTest : public testing::Test {
 protected:
  WriterTest() {
    m_env.installed[L"EditorInstalled"] = L"2.3";
    m_env.installed[L"notes-installed"] = L"4.1";
    m_env.folders[L"ProgramFolder"] = L"C:\\Program Files\\Tessaro";
    m_env.folders[L"PluginFolder"] = L"C:\\Users\\ann\\Tessaro";
    m_publishers.versions[L"1.3.6.1.4.1.99999.8"] = L"5.0";
    m_publisher.id = L"1.3.6.1.4.1.99999.7";
    m_publisher.name = L"Tessaro, Rinaldi & Co.";
    m_publisher.homePage = L"http://www.tessaro.example/";
  }

  // A wallet file: the header sections, then what the writer appends.
  std::wstring WalletText(const PublisherData& data, const Item& item, const Action& action, std::uint32_t saveFlags) {
    CIniDataBuffer out;
    out.AddVerbatim(L"; Wendrix Wallet File");
    out.AddSection(L"Publisher");
    out.AddText(L"ID", m_publisher.id);
    out.AddText(L"Name", m_publisher.name);
    out.AddRaw(L"HomePage", m_publisher.homePage);
    out.AddText(L"Application", L"Kestmoor(R) Wendrix(TM)");
    out.AddSection(L"Wallet");
    out.AddText(L"ID", L"Entry_2");
    EXPECT_EQ(WritePublisherItem(out, data, item, action), S_OK);
    EXPECT_EQ(out.Save(saveFlags), S_OK);
    return out.Text();
  }

  // Writes, saves both ways, loads back in wallet mode and compares.
  void ExpectRoundTrip(const PublisherData& source, const Item& item, const Action& action) {
    const PublisherData expected = Carried(source, item, action);
    for (const std::uint32_t saveFlags : {kIniSaveUnicode, 0u}) {
      SCOPED_TRACE(testing::Message() << "item " << item.id << ", action " << action.id << ", save flags " << saveFlags);
      const std::wstring text = WalletText(source, item, action, saveFlags);
      PublisherData back;
      WalletFields wallet;
      std::uint32_t line = 0;
      ASSERT_EQ(LoadPublisherData(text.c_str(), &back, &m_publishers, &wallet, &line, 0, m_env), S_OK)
          << "line " << line << "\n" << testing::PrintToString(text);
      EXPECT_EQ(wallet.id, L"Entry_2");
      EXPECT_EQ(back.publisher.name, m_publisher.name);
      EXPECT_EQ(Stated(back.items), Stated(expected.items));
      EXPECT_EQ(Stated(back.actions), Stated(expected.actions));
      EXPECT_EQ(Stated(back.installedVersions), Stated(expected.installedVersions));
      EXPECT_EQ(Stated(back.paths), Stated(expected.paths));
      EXPECT_EQ(Stated(back.messages), Stated(expected.messages));
      EXPECT_EQ(Stated(back.texts), Stated(expected.texts));
      EXPECT_EQ(Rows(back.displayStyles), Rows(expected.displayStyles));
      EXPECT_TRUE(back.conditions.empty() && back.groups.empty() && back.freeUpdates.empty() && back.icons.empty());
    }
  }

  test::FakeEnvironment m_env;
  test::FakePublisherList m_publishers;
  PublisherFields m_publisher;
};

// Every item and action of the published examples, loaded as a check loads
// them (or as the wallet does, for a wallet file).
struct ExampleFile {
  const char* path;  // from the source tree's root
  bool wallet;
  int pairs;  // item and action pairs written
};
void PrintTo(const ExampleFile& file, std::ostream* out) { *out << file.path; }
class WriterExampleTest : public WriterTest, public testing::WithParamInterface<ExampleFile> {};

TEST_P(WriterExampleTest, EveryItemAndActionRoundTrips) {
  const std::wstring text = ReadText(std::filesystem::path(WENDRIX_TEST_DATA) / ".." / ".." / GetParam().path);
  ASSERT_FALSE(text.empty());
  PublisherHeader header;
  ASSERT_EQ(ReadPublisherHeaderText(text, header), S_OK);
  PublisherData source;
  std::tie(m_publisher.id, m_publisher.name, m_publisher.homePage) = std::tie(header.id, header.name, header.homePage);
  source.publisher = m_publisher;
  WalletFields wallet;
  std::uint32_t line = 0;
  ASSERT_EQ(LoadPublisherData(text.c_str(), &source, &m_publishers, GetParam().wallet ? &wallet : nullptr, &line, 0,
                              m_env), S_OK) << "line " << line;
  if (source.FindAction(L"EditorFiles")) {
    // What must not be carried over: loader-set bits and a message that its
    // condition removed; pins of a single file and of two resources.
    ASSERT_TRUE(source.FindItem(L"Editor")->flags & kItemGrouped);
    ASSERT_TRUE(source.FindAction(L"EditorFiles")->flags & kActionUnavailable);
    ASSERT_EQ(source.FindMessage(L"Notice"), nullptr);
    ASSERT_EQ(source.FindAction(L"EditorSetup")->sha256.size(), 1u);
    ASSERT_EQ(source.FindAction(L"EditorFiles")->sha256.size(), 2u);
  }
  int pairs = 0;
  for (const Item& item : source.items) {
    for (const std::wstring& actionId : item.actionIds) {
      ExpectRoundTrip(source, item, *source.FindAction(actionId));
      ++pairs;
    }
  }
  EXPECT_EQ(pairs, GetParam().pairs);
}

INSTANTIATE_TEST_SUITE_P(Examples, WriterExampleTest,
                         testing::Values(ExampleFile{"examples/acme.wx-cnf", false, 3},
                                         ExampleFile{"examples/tessaro.wx-cnf", false, 2},
                                         ExampleFile{"tests/data/publisher-examples/tessaro.wx-cnf", false, 5},
                                         ExampleFile{"tests/data/wallet-regressions/multi-file.wx-cnf", true, 1}));

TEST_F(WriterTest, WritesTheSectionsInOrder) {
  PublisherData data;
  data.installedVersions.push_back({L"V",
                                    {{L"HKEY_LOCAL_MACHINE\\Software\\Tessaro", L"Version", L"", L""},
                                     {L"", L"C:\\tessaro.ini", L"Setup", L""},
                                     {L"{8F2A}", L"x.ini", L"Setup", L"Version"},
                                     {L"", L"y.ini", L"", L"Orphan"}},
                                    {L"tessaro.dll"}, L"1.3.6.1.4.1.99999.8",
                                    std::nullopt});
  data.paths.push_back({L"P", {{L"HKEY_CURRENT_USER\\Software\\Tessaro", L""}}, std::nullopt});
  data.displayStyles.push_back({L"S", 2, {{{1, 0, 0, 0}, 2, L"One"}, {{1, 2, 3, 4}, 4, L"Last"}}});
  data.messages.push_back({L"M", kMessageEula, L"T", L"T", L"", L"", L"C"});
  data.texts.push_back({L"T", {{L"en", L"Viewer, \"Lite\""}, {L"it", L"perch\u00e9 \u4e2d"}}});
  const Item item{.id = L"Viewer", .titleId = L"T", .type = kItemSoftware, .conditionId = L"C",
                  .installedVersionId = L"V", .actionIds = {L"Other", L"A"}, .flags = kItemInvisible | kItemGrouped};
  const Action action{
      .id = L"A", .type = kActionDownload, .subtype = kSubtypeUpdate | kSubtypeGeneric, .hasSubtype = true,
      .version = L"1.2", .size = {1, 2, true}, .messageIds = {L"Gone", L"m"}, .targetId = L"P",
      .parameters = L"/D=\"%1\"", .rename = L"v.exe", .urls = {L"http://a.example/v.exe", L"\\\\srv\\share\\v.exe"},
      .sha256 = {*ParseSha256Text(L"BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD")},
      .flags = kActionArchive | kActionInstall | kActionUnavailable, .architecture = kArchitectureX64 | kArchitectureX86,
      .privileges = kPrivilegesAdministrator, .quietFromVersion = L"1.0"};

  CIniDataBuffer out;
  ASSERT_EQ(WritePublisherItem(out, data, item, action), S_OK);
  ASSERT_EQ(out.Save(kIniSaveUnicode), S_OK);
  EXPECT_EQ(out.Text(),
            L"\r\n[Item]\r\nID = Viewer\r\nType = Software\r\nFlags = Invisible\r\nTitle = T\r\n"
            L"InstalledVersion = V\r\nAction = A\r\n"
            L"\r\n[Action]\r\nID = A\r\nType = Download\r\nSubtype = Generic, Update\r\nFlags = Install, Archive\r\n"
            L"Version = 1.2\r\nArchitecture = x86, x64\r\nPrivileges = Administrator\r\n"
            L"URL = http://a.example/v.exe\r\nURL = \\\\srv\\share\\v.exe\r\nTarget = P\r\n"
            L"SHA256 = ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad\r\nMessage = m\r\n"
            L"Parameters = /D=\\\"%1\\\"\r\nRename = v.exe\r\n"
            L"\r\n[InstalledVersion]\r\nID = V\r\nApplication = HKEY_LOCAL_MACHINE\\Software\\Tessaro, Version\r\n"
            L"Application = , C:\\tessaro.ini, Setup\r\nApplication = {8F2A}, x.ini, Setup, Version\r\n"
            L"Application = , y.ini\r\nSystem = tessaro.dll\r\n"
            L"\r\n[Path]\r\nID = P\r\nPath = HKEY_CURRENT_USER\\Software\\Tessaro, \"\"\r\n"
            L"\r\n[DisplayVersionStyle]\r\nID = S\r\nSize = 2\r\nReplace = 1.0, One\r\nReplace = 1.2.3.4, Last\r\n"
            L"\r\n[Message]\r\nID = M\r\nType = EULA\r\nHeader = T\r\nMessage = T\r\n"
            L"\r\n[Text]\r\nID = T\r\nText = en, \"Viewer, \\\"Lite\\\"\"\r\nText = it, perch\u00e9 \u4e2d\r\n");
  // Without Unicode output, what the code page cannot hold is escaped.
  ASSERT_EQ(out.Save(0), S_OK);
  EXPECT_NE(out.Text().find(L"Text = it, perch\u00e9 \\x4e2d\r\n"), std::wstring::npos);
}

// A value placed in every kind of key: the text kinds (Parameters, Version,
// Text, Replace) and the raw kinds (URL, Resource, Path, Application, System).
PublisherData Carriers(const std::wstring& text, const std::wstring& raw) {
  PublisherData d;
  d.texts.push_back({L"T", {{L"en", text}, {text, L"second"}}});
  d.paths.push_back({L"P", {{L"", raw}, {L"HKEY_CURRENT_USER\\Software\\" + raw, L"Dir"}}, std::nullopt});
  d.installedVersions.push_back({L"V", {{L"", raw, raw, raw}, {L"{8F2A}", L"a.ini", raw, L"Key"}}, {raw}, L"", std::nullopt});
  d.displayStyles.push_back({L"S", 3, {{{2, 4, 0, 0}, 2, text}}});
  // The title is what the loader finds for an English user.
  Item& item = d.items.emplace_back(
      Item{.id = L"I", .titleId = L"T", .title = text, .displayStyleId = L"S", .installedVersionId = L"V"});
  for (const wchar_t* id : {L"A", L"B"}) {
    d.actions.push_back({.id = id, .type = kActionDownload, .subtype = kSubtypeGeneric, .hasSubtype = true,
                         .version = text, .targetId = L"P", .parameters = text});
    item.actionIds.push_back(id);
  }
  d.actions[0].urls = {raw, L"http://second.example/" + raw};
  d.actions[1].resources = {{raw, L"P"}, {L"x" + raw, L""}};
  return d;
}

// Values that need quotes or escapes: each round trips in every kind of key,
// or, where a raw key cannot carry it, is refused before anything is written.
TEST_F(WriterTest, HardValuesRoundTripOrAreRefused) {
  const struct {
    const char* name;
    std::wstring value;
    bool rawWritable;
  } kValues[] = {
      {"comma", L"Tessaro, Rinaldi", true}, {"outer blanks", L"  padded\t", true},
      {"semicolon", L"first; second", true}, {"inner quotes", L"the \"Pro\" one", true},
      {"backslashes", L"C:\\new\\x41\\t\\", true}, {"line break", L"one\r\ntwo", false},
      {"quoted trailing backslash", L"C:\\Program Files\\Tessaro, Rinaldi\\", true},
      {"control characters", L"\a\x1f" L"bad\x7f", true}, {"non-ASCII", L"perch\u00e9 \u4e2d\u6587", true},
      {"empty", L"", true}, {"leading quote", L"\"Pro\" edition", false},
      {"quote that needs quotes", L"Pro \"X\", Y", false}, {"quote and semicolon", L"a;\"b", false},
  };
  for (const auto& row : kValues) {
    SCOPED_TRACE(row.name);
    const PublisherData data = Carriers(row.value, row.rawWritable ? row.value : L"plain");
    for (const Action& action : data.actions) ExpectRoundTrip(data, data.items[0], action);
    if (row.rawWritable) continue;
    // Each raw key on its own, and all of them.
    const std::function<void(PublisherData&)> places[] = {
        [&](PublisherData& d) { d = Carriers(L"plain", row.value); },
        [&](PublisherData& d) { d.actions[0].urls = {row.value}; },
        [&](PublisherData& d) { d.actions[0].resources = {{row.value, L""}}; },
        [&](PublisherData& d) { d.paths[0].alternatives = {{L"", row.value}}; },
        [&](PublisherData& d) { d.installedVersions[0].applications = {{L"", L"n", row.value, L""}}; },
        [&](PublisherData& d) { d.installedVersions[0].systems = {row.value}; },
    };
    for (const auto& place : places) {
      PublisherData d = Carriers(L"plain", L"plain");
      place(d);
      CIniDataBuffer out;
      EXPECT_EQ(WritePublisherItem(out, d, d.items[0], d.actions[0]), E_INVALIDARG);
    }
  }
}

// Lines the loader needs even where they carry nothing: a Subtype line whose
// words were all unknown, and the folder element of an archive's resource.
TEST_F(WriterTest, KeepsLinesTheLoaderRequires) {
  PublisherData data = Carriers(L"plain", L"plain");
  data.actions[0].subtype = 0;
  data.actions[1].flags = kActionInstall | kActionArchive;
  data.actions[1].resources = {{L"a.zip", L"P"}, {L"b.zip", L""}};
  for (const Action& action : data.actions) ExpectRoundTrip(data, data.items[0], action);
  const std::wstring text = WalletText(data, data.items[0], data.actions[1], kIniSaveUnicode);
  EXPECT_NE(text.find(L"\r\nResource = b.zip, \"\"\r\n"), std::wstring::npos);
  EXPECT_NE(WalletText(data, data.items[0], data.actions[0], 0).find(L"\r\nSubtype = \r\n"), std::wstring::npos);
}

}  // namespace
}  // namespace wendrix
