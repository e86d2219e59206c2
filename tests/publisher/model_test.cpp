// The model queries: texts for the user, architecture, effective subtype,
// mirror rotation, file names, the best action for a request and the row
// category.
#include "publisher/model.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "fake_environment.h"

namespace wendrix {
namespace {

using test::FakeEnvironment;

class ModelTest : public testing::Test {
 protected:
  // AddAction's references stay valid.
  ModelTest() { data.actions.reserve(16); }

  Action& AddAction(const wchar_t* id, std::uint32_t type, std::uint32_t subtype, const wchar_t* version = L"",
                    std::uint32_t flags = 0, std::uint32_t architecture = 0) {
    Action& a = data.actions.emplace_back();
    a.id = id;
    a.type = type;
    a.subtype = subtype;
    a.hasSubtype = true;
    a.version = version;
    a.flags = flags;
    a.architecture = architecture;
    item.actionIds.push_back(id);
    return a;
  }
  void FreeUpdates(std::uint32_t type) {
    data.freeUpdates.push_back(FreeUpdateStyle{L"Style", type, 0});
    item.freeUpdatesId = L"style";
  }
  std::wstring Best(std::uint32_t request, bool installable = false, bool forUser = false) const {
    const Action* a = BestAction(data, item, request, installable, forUser, env);
    return a ? a->id : L"(none)";
  }
  std::wstring BestBuy(std::uint32_t request) const {
    const Action* a = BestBuyAction(data, item, request, env);
    return a ? a->id : L"(none)";
  }

  FakeEnvironment env;
  PublisherData data;
  Item item;
};

TEST_F(ModelTest, TextForTheUsersLanguage) {
  data.texts.push_back(TextRecord{L"Only", {{L"it", L"Solo"}}, 0});
  data.texts.push_back(TextRecord{L"Two", {{L"en", L"Home page"}, {L"it", L"Pagina iniziale"}}, 0});
  data.texts.push_back(TextRecord{L"Regions", {{L"en-gb", L"Colour"}, {L"en-us", L"Color"}}, 0});
  data.texts.push_back(TextRecord{L"Empty", {}, 0});
  const struct {
    std::uint16_t language;
    const wchar_t* id;
    const wchar_t* expected;
  } kCases[] = {
      {0x40c, L"only", L"Solo"},            {0x410, L"Two", L"Pagina iniziale"}, {0x40c, L"Two", L"Home page"},
      {0x409, L"TWO", L"Home page"},        {0x409, L"Regions", L"Color"},       {0x809, L"Regions", L"Colour"},
      {0x407, L"Regions", L"Colour"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.id << " for 0x" << std::hex << c.language);
    env.uiLanguage = c.language;
    const std::wstring* text = TextFor(data, c.id, env);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(*text, c.expected);
  }
  EXPECT_EQ(TextFor(data, L"Missing", env), nullptr);
  EXPECT_EQ(TextFor(data, L"Empty", env), nullptr);
}

TEST_F(ModelTest, ArchitectureApplies) {
  const struct {
    std::uint32_t architecture;
    bool on64, on32;
  } kCases[] = {{0, true, true}, {kArchitectureX86, false, true}, {kArchitectureX64, true, false},
                {kArchitectureX86 | kArchitectureX64, true, true}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.architecture);
    Action a;
    a.architecture = c.architecture;
    env.is64Bit = true;
    EXPECT_EQ(ArchitectureApplies(a, env), c.on64);
    env.is64Bit = false;
    EXPECT_EQ(ArchitectureApplies(a, env), c.on32);
  }
}

TEST_F(ModelTest, EffectiveSubtypeKeepsUpdatesThatApply) {
  constexpr std::uint32_t kBoth = kSubtypeGeneric | kSubtypeUpdate;
  const struct {
    const char* name;
    std::uint32_t type;
    const wchar_t* version;
    std::uint32_t architecture;
    const wchar_t* installed;  // null: not installed
    std::uint32_t freeUpdates; // kFreeUpdatesInvalid: no style
    std::uint32_t expected;
  } kCases[] = {
      {"installed", kActionDownload, L"2.0", 0, L"1.0", kFreeUpdatesInvalid, kBoth},
      {"not installed", kActionDownload, L"2.0", 0, nullptr, kFreeUpdatesInvalid, kSubtypeGeneric},
      {"other architecture", kActionDownload, L"2.0", kArchitectureX86, L"1.0", kFreeUpdatesInvalid, kSubtypeGeneric},
      {"own architecture", kActionDownload, L"2.0", kArchitectureX64, L"1.0", kFreeUpdatesInvalid, kBoth},
      {"minor only, other major", kActionDownload, L"2.0", 0, L"1.9", kFreeUpdatesMinorOnly, kSubtypeGeneric},
      {"minor only, same major", kActionDownload, L"2.3", 0, L"2.0.1", kFreeUpdatesMinorOnly, kBoth},
      {"all updates free", kActionDownload, L"2.0", 0, L"1.9", kFreeUpdatesAll, kBoth},
      {"custom updates", kActionDownload, L"2.0", 0, L"1.9", kFreeUpdatesCustom, kBoth},
      {"unversioned download", kActionDownload, L"", 0, nullptr, kFreeUpdatesInvalid, kBoth},
      {"not a download", kActionBuy, L"2.0", 0, nullptr, kFreeUpdatesInvalid, kBoth},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    data = PublisherData{};
    item = Item{};
    Action& a = AddAction(L"A", c.type, kBoth, c.version, 0, c.architecture);
    if (c.installed) item.installedVersion = c.installed;
    if (c.freeUpdates != kFreeUpdatesInvalid) FreeUpdates(c.freeUpdates);
    EXPECT_EQ(EffectiveSubtype(&data, a, &item, env), c.expected);
    // Without an item or a model the subtype is as written.
    EXPECT_EQ(EffectiveSubtype(&data, a, nullptr, env), kBoth);
    EXPECT_EQ(EffectiveSubtype(nullptr, a, &item, env), kBoth);
  }
}

TEST_F(ModelTest, NextUrlRotatesFromTheTickCount) {
  Action a;
  EXPECT_EQ(NextUrl(a, env), L"");
  AddUrl(a, L"http://one/");
  env.tickCount = 7;
  EXPECT_EQ(NextUrl(a, env), L"http://one/");
  EXPECT_EQ(NextUrl(a, env), L"http://one/");

  AddUrl(a, L"http://two/");
  AddUrl(a, L"http://three/");
  env.tickCount = 4;  // starts at 4 % 3
  std::vector<std::wstring> seen;
  for (int i = 0; i < 4; ++i) seen.push_back(NextUrl(a, env));
  EXPECT_EQ(seen, (std::vector<std::wstring>{L"http://two/", L"http://three/", L"http://one/", L"http://two/"}));

  // The start is picked once; adding a mirror picks it again.
  env.tickCount = 0;
  EXPECT_EQ(NextUrl(a, env), L"http://three/");
  AddUrl(a, L"http://four/");
  env.tickCount = 0xFFFFFFFFu;  // 4294967295 % 4 == 3
  EXPECT_EQ(NextUrl(a, env), L"http://four/");
  EXPECT_EQ(NextUrl(a, env), L"http://one/");
}

TEST_F(ModelTest, FileNamePrefersRenameThenResourceThenUrl) {
  Action a;
  EXPECT_EQ(FileName(a), L"");
  a.urls = {L"http://x/first.zip", L"http://y/second.zip"};
  EXPECT_EQ(FileName(a), L"http://x/first.zip");
  a.resources = {{L"setup.exe", L"Dest"}, {L"data.cab", L""}};
  EXPECT_EQ(FileName(a), L"setup.exe");
  a.rename = L"tool.exe";
  EXPECT_EQ(FileName(a), L"tool.exe");
}

// The fetched-and-kept actions over plain http that strict validation warns about.
TEST_F(ModelTest, UnpinnedOverHttp) {
  const struct {
    const char* name;
    std::uint32_t type, flags;
    std::vector<std::wstring> urls, resources;
    bool pinned, warns;
  } kCases[] = {
      {"download over http", kActionDownload, 0, {L"HTTP://a/x.exe"}, {}, false, true},
      {"pinned", kActionDownload, 0, {L"http://a/x.exe"}, {}, true, false},
      {"over https", kActionDownload, 0, {L"https://a/x.exe"}, {}, false, false},
      {"one mirror over http", kActionDownload, 0, {L"https://a/x.exe", L"http://b/x.exe"}, {}, false, true},
      {"second resource over http", kActionDownload, 0, {L"http://unused/"}, {L"https://a/1.cab", L"http://a/2.cab"},
       false, true},
      {"resources over https", kActionDownload, 0, {L"http://unused/"}, {L"https://a/1.cab"}, false, false},
      {"installing open action", kActionOpen, kActionInstall, {L"http://a/doc.pdf"}, {}, false, true},
      {"home page", kActionOpen, 0, {L"http://a/"}, {}, false, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    Action a;
    a.type = c.type;
    a.flags = c.flags;
    a.urls = c.urls;
    for (const std::wstring& r : c.resources) a.resources.push_back({r, L""});
    if (c.pinned) a.sha256.resize(1);
    EXPECT_EQ(UnpinnedOverHttp(a), c.warns);
  }
}

TEST_F(ModelTest, BestAndBestBuyActionFollowTheRequestBits) {
  AddAction(L"Generic", kActionDownload, kSubtypeGeneric, L"9.0");  // no Buy action
  AddAction(L"Try", kActionDownload, kSubtypeTry, L"1.0");
  AddAction(L"Buy", kActionDownload, kSubtypeBuy, L"1.0");
  AddAction(L"Upgrade", kActionDownload, kSubtypeBuyUpgrade, L"1.0");
  AddAction(L"Page", kActionOpen, kSubtypeGeneric | kSubtypeTry, L"9.0");
  AddAction(L"Shop", kActionBuy, kSubtypeGeneric, L"1.0");
  AddAction(L"Shop2", kActionBuy, kSubtypeGeneric, L"2.0");
  AddAction(L"ShopUpgrade", kActionBuy, kSubtypeUpgrade);
  item.actionIds.push_back(L"NoSuchAction");
  EXPECT_EQ(Best(kRequestGeneric | kRequestTry), L"Generic");
  EXPECT_EQ(Best(kRequestTry | kRequestBuy), L"Try");
  EXPECT_EQ(Best(kRequestBuy | kRequestBuyUpgrade), L"Buy");
  EXPECT_EQ(Best(kRequestBuyUpgrade), L"Upgrade");
  EXPECT_EQ(Best(kRequestUpdate | kRequestBuyUpgrade), L"(none)");  // Update comes first, and nothing is installed
  EXPECT_EQ(Best(0x10 | 0x20 | 0x40 | 0x100), L"(none)");
  // Among Buy actions, bit 1 wants Generic and 256 Upgrade.
  EXPECT_EQ(BestBuy(1), L"Shop2");
  EXPECT_EQ(BestBuy(256), L"ShopUpgrade");
  EXPECT_EQ(BestBuy(1 | 256), L"Shop2");
  EXPECT_EQ(BestBuy(2 | 4 | 8 | 128), L"(none)");
}

TEST_F(ModelTest, BestActionPrefersTheHighestVersion) {
  AddAction(L"Unversioned", kActionDownload, kSubtypeGeneric);
  EXPECT_EQ(Best(kRequestGeneric), L"Unversioned");
  AddAction(L"SecondUnversioned", kActionDownload, kSubtypeGeneric);
  EXPECT_EQ(Best(kRequestGeneric), L"Unversioned");
  AddAction(L"V1.9", kActionDownload, kSubtypeGeneric, L"1.9");
  AddAction(L"V1.10", kActionDownload, kSubtypeGeneric, L"1.10");
  AddAction(L"V1.2", kActionDownload, kSubtypeGeneric, L"1.2");
  AddAction(L"Late", kActionDownload, kSubtypeGeneric);
  AddAction(L"Same", kActionDownload, kSubtypeGeneric, L"1.10.0.0");
  EXPECT_EQ(Best(kRequestGeneric), L"V1.10");
}

TEST_F(ModelTest, BestActionInstallableCandidates) {
  env.is64Bit = true;
  AddAction(L"Zip", kActionDownload, kSubtypeGeneric, L"3.0");
  AddAction(L"Setup32", kActionDownload, kSubtypeGeneric, L"2.5", kActionInstall, kArchitectureX86);
  AddAction(L"Setup", kActionDownload, kSubtypeGeneric, L"2.0", kActionInstall);
  EXPECT_EQ(Best(kRequestGeneric, true), L"Setup");
  // Not asking for an installer still skips installers for another system,
  // but not other files for it.
  EXPECT_EQ(Best(kRequestGeneric, false), L"Zip");
  data.actions[0].architecture = kArchitectureX86;
  data.actions[0].version = L"4.0";
  EXPECT_EQ(Best(kRequestGeneric, false), L"Zip");
  data.actions[0].version = L"1.0";
  EXPECT_EQ(Best(kRequestGeneric, false), L"Setup");
  env.is64Bit = false;
  EXPECT_EQ(Best(kRequestGeneric, true), L"Setup32");
}

TEST_F(ModelTest, BestUpdate) {
  AddAction(L"U1.5", kActionDownload, kSubtypeUpdate, L"1.5");
  AddAction(L"U2.0", kActionDownload, kSubtypeUpdate, L"2.0");
  AddAction(L"Generic3", kActionDownload, kSubtypeGeneric, L"3.0");
  EXPECT_EQ(Best(kRequestUpdate), L"(none)");  // nothing installed
  item.installedVersion = L"1.0";
  EXPECT_EQ(Best(kRequestUpdate), L"U2.0");
  EXPECT_EQ(Best(kRequestUpdate, false, true), L"U2.0");
  FreeUpdates(kFreeUpdatesMinorOnly);
  EXPECT_EQ(Best(kRequestUpdate), L"U1.5");

  // Offered to the user: available and newer than what is installed.
  item.freeUpdatesId.clear();
  data.actions[1].flags |= kActionUnavailable;
  EXPECT_EQ(Best(kRequestUpdate), L"U2.0");
  EXPECT_EQ(Best(kRequestUpdate, false, true), L"U1.5");
  item.installedVersion = L"1.5";
  EXPECT_EQ(Best(kRequestUpdate, false, true), L"(none)");
  EXPECT_EQ(Best(kRequestUpdate), L"U2.0");
  // Those checks are for updates only.
  data.actions[2].flags |= kActionUnavailable;
  EXPECT_EQ(Best(kRequestGeneric, false, true), L"Generic3");
}

TEST_F(ModelTest, CategoryOfARow) {
  Action& download = AddAction(L"D", kActionDownload, kSubtypeUpdate, L"2.0");
  Action& open = AddAction(L"O", kActionOpen, kSubtypeHomePage);
  item.type = kItemSoftware;
  EXPECT_EQ(Category(data, item, &download, env), 3);  // not installed
  item.installedVersion = L"1.0";
  EXPECT_EQ(Category(data, item, &download, env), 1);
  EXPECT_EQ(Category(data, item, &open, env), 2);
  EXPECT_EQ(Category(data, item, nullptr, env), 2);
  download.architecture = kArchitectureX86;  // the update does not apply here
  EXPECT_EQ(Category(data, item, &download, env), 2);
  download.subtype |= kSubtypeGeneric;
  EXPECT_EQ(Category(data, item, &download, env), 1);
  item.type = kItemPublisher;
  EXPECT_EQ(Category(data, item, &download, env), 4);
  data.publisher.flags |= kPublisherSelf;
  EXPECT_EQ(Category(data, item, &download, env), 0);
}

// Lookups by identifier in collections large enough to be indexed.
TEST(IdIndexTest, FirstMatchIgnoringCase) {
  PublisherData data;
  for (int i = 0; i < 100; ++i)
    data.texts.push_back(TextRecord{L"Text" + std::to_wstring(i), {}, static_cast<std::uint32_t>(i)});
  data.texts.push_back(TextRecord{L"TEXT7", {}, 1000});  // a duplicate: the first one is found
  for (int i = 0; i < 100; ++i) {
    const TextRecord* found = data.FindText(L"tExT" + std::to_wstring(i));
    ASSERT_NE(found, nullptr) << i;
    EXPECT_EQ(found->line, static_cast<std::uint32_t>(i));
  }
  EXPECT_EQ(data.FindText(L"Text100"), nullptr);
  EXPECT_EQ(data.FindText(L""), nullptr);
  EXPECT_EQ(data.FindText(L"Text7 "), nullptr);

  // A record whose identifier changed in place is not found by its old one.
  data.texts[5].id = L"Renamed";
  EXPECT_EQ(data.FindText(L"Text5"), nullptr);
  data.texts[5].id = L"TEXT5";
  EXPECT_EQ(data.FindText(L"text5"), &data.texts[5]);
  // The index follows the collection as it changes.
  data.texts.erase(data.texts.begin());
  EXPECT_EQ(data.FindText(L"Text1")->line, 1u);
  EXPECT_EQ(data.FindText(L"Text0"), nullptr);
  data.texts.push_back(TextRecord{L"Late", {}, 2000});
  EXPECT_EQ(data.FindText(L"LATE")->line, 2000u);
}

TEST(IdIndexTest, FoldedIdSetRefusesEqualIdentifiers) {
  std::vector<std::wstring> ids;
  for (int i = 0; i < 1000; ++i) ids.push_back(L"Id" + std::to_wstring(i));
  FoldedIdSet set;
  for (const std::wstring& id : ids) EXPECT_TRUE(set.Insert(id)) << testing::PrintToString(id);
  for (const std::wstring& id : ids) EXPECT_FALSE(set.Insert(id)) << testing::PrintToString(id);
  const std::wstring upper = L"ID999", other = L"Id1000", accented = L"\u00CDd1";
  EXPECT_FALSE(set.Insert(upper));
  EXPECT_TRUE(set.Insert(other));
  EXPECT_TRUE(set.Insert(accented));  // only ASCII letters are folded
  EXPECT_TRUE(set.Insert(L""));
  EXPECT_FALSE(set.Insert(L""));
}

}  // namespace
}  // namespace wendrix
