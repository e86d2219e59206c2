// What a check answers an application with: the summary text and the item
// flags.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../publisher/fake_environment.h"
#include "publisher/vocabulary.h"
#include "update/item_flags.h"
#include "update/summary_text.h"

namespace wendrix {
namespace {

const SummaryTexts kTexts{L"A self-update is available.", L"A self-update is required.", L"Updates are available:",
                          L"Other software is available:", L"- More...", L"- More... (other)"};

// Paragraphs in order, each list of three entries at most and shorter than
// 90 characters, then "More"; other software only when the user wants it.
TEST(SummaryTextTest, ParagraphsListsAndFlags) {
  const std::wstring x(40, L'x'), y(40, L'y');
  const struct {
    SummaryFacts facts;
    std::wstring text;
    std::uint32_t flags;
  } cases[] = {
      {{}, L"", 0},
      {{.selfUpdateOffered = true, .updates = {}, .other = {}}, L"A self-update is available.", kSummaryUpdates},
      {{.selfUpdateOffered = true, .updates = {L"Editor"}, .other = {L"Viewer"}},
       L"A self-update is available.\r\n\r\nUpdates are available:\r\n- Editor", kSummaryUpdates},
      {{.selfUpdateOffered = true, .newerLibraryRequired = true, .listOtherSoftware = true, .updates = {L"Editor"},
        .other = {L"Viewer"}},
       L"A self-update is required.\r\n\r\nUpdates are available:\r\n- Editor\r\n\r\nOther software is available:\r\n- Viewer",
       kSummaryUpdates | kSummaryOtherSoftware},
      {{.listOtherSoftware = true, .updates = {}, .other = {L"A", L"B", L"C", L"D"}},
       L"Other software is available:\r\n- A\r\n- B\r\n- C\r\n- More... (other)", kSummaryOtherSoftware},
      {{.updates = {L"A", L"B", L"C"}, .other = {}}, L"Updates are available:\r\n- A\r\n- B\r\n- C", kSummaryUpdates},
      {{.updates = {L"A", L"B", L"C", L"D"}, .other = {}}, L"Updates are available:\r\n- A\r\n- B\r\n- C\r\n- More...", kSummaryUpdates},
      // "- " + 40 = 42 characters so far; another 40-character title would
      // make 82, a 48-character one 90: the list stops there.
      {{.updates = {x, y}, .other = {}}, L"Updates are available:\r\n- " + x + L"\r\n- " + y, kSummaryUpdates},
      {{.updates = {x, y + L"yyyyyyyy"}, .other = {}}, L"Updates are available:\r\n- " + x + L"\r\n- More...", kSummaryUpdates},
      {{.updates = {std::wstring(90, L'x')}, .other = {}}, L"Updates are available:\r\n\r\n- More...", kSummaryUpdates},
  };
  for (const auto& c : cases) {
    std::uint32_t flags = 99;
    EXPECT_EQ(BuildSummaryText(c.facts, kTexts, flags), c.text);
    EXPECT_EQ(flags, c.flags) << testing::PrintToString(c.text);
  }
}

// One item "editor" with the given installed version and Download/Buy actions.
using test::FakeEnvironment;

struct Fixture {
  PublisherData data;
  FakeEnvironment env;
  Item& Editor(std::optional<std::wstring> installed, std::wstring latest) {
    Item& item = data.items.emplace_back();
    item.id = L"editor";
    item.installedVersion = std::move(installed);
    item.latestVersion = std::move(latest);
    return item;
  }
  void AddAction(Item& item, const wchar_t* id, std::uint32_t type, const wchar_t* version, bool url,
                 std::uint32_t subtype = kSubtypeGeneric) {
    Action& action = data.actions.emplace_back();
    action.id = id;
    action.type = type;
    action.subtype = subtype;
    action.version = version;
    if (url) action.urls.push_back(L"http://x.example/f");
    item.actionIds.push_back(id);
  }
};

TEST(ItemFlagsTest, UpdateFlag) {
  const struct {
    std::optional<std::wstring> installed;
    const wchar_t *latest, *downloadVersion, *inactive;
    std::uint32_t subtype, flags;
  } cases[] = {
      {L"1.0", L"2.0", L"2.0", L"", kSubtypeGeneric, kItemFlagUpdate},
      {L"1.0", L"2.0", L"2.0", L"", kSubtypeUpdate, kItemFlagUpdate},
      {L"1.0", L"2.0", L"1.5", L"", kSubtypeGeneric, kItemFlagUpdate},  // the best download is still newer
      {L"2.0", L"2.0", L"2.0", L"", kSubtypeGeneric, 0},                // up to date
      {std::nullopt, L"2.0", L"2.0", L"", kSubtypeGeneric, 0},          // not installed: no update
      {L"1.5", L"2.0", L"1.5", L"", kSubtypeGeneric, 0},                // nothing newer to download
      {L"1.0", L"2.0", L"2.0", L"", kSubtypeTry, 0},                    // a trial is no update
      {L"1.0", L"2.0", L"2.0", L"viewer\r\nEDITOR\r\n", kSubtypeGeneric, 0},  // the user made it inactive
      {L"1.0", L"2.0", L"2.0", L"editors\r\n", kSubtypeGeneric, kItemFlagUpdate},
  };
  for (const auto& c : cases) {
    Fixture f;
    Item& editor = f.Editor(c.installed, c.latest);
    f.AddAction(editor, L"get", kActionDownload, c.downloadVersion, true, c.subtype);
    EXPECT_EQ(ItemFlagsOf(f.data, f.data.items[0], c.inactive, false, f.env), c.flags)
        << c.downloadVersion << c.inactive << c.subtype;
  }
}

TEST(ItemFlagsTest, TheUpdateIsTheDownloadTheManagerWouldTake) {
  Fixture f;
  Item& editor = f.Editor(L"1.0", L"2.0");
  // The first action delivering 2.0 installs for another architecture; the
  // one that applies here delivers 1.0 only.
  f.AddAction(editor, L"other", kActionDownload, L"2.0", true);
  f.data.actions.back().flags |= kActionInstall;
  f.data.actions.back().architecture = f.env.is64Bit ? kArchitectureX86 : kArchitectureX64;
  f.AddAction(f.data.items[0], L"here", kActionDownload, L"1.0", true);
  EXPECT_EQ(ItemFlagsOf(f.data, f.data.items[0], L"", false, f.env), 0u);
  EXPECT_EQ(UpdateDelivery(f.data, f.data.items[0], f.env), &f.data.actions[1]);
}

TEST(ItemFlagsTest, DetailedFlags) {
  Fixture f;
  Item& editor = f.Editor(L"1.0", L"2.0");
  f.AddAction(editor, L"page", kActionOpen, L"", true);
  f.AddAction(editor, L"get", kActionDownload, L"2.0", false);
  f.AddAction(editor, L"buy-old", kActionBuy, L"1.0", true);
  f.AddAction(editor, L"buy-nowhere", kActionBuy, L"3.0", false);
  EXPECT_EQ(ItemFlagsOf(f.data, f.data.items[0], L"", true, f.env), kItemFlagUpdate)
      << "no download address, no newer purchase with one";
  f.data.actions[1].urls.push_back(L"http://x.example/e.exe");
  f.AddAction(f.data.items[0], L"buy", kActionBuy, L"2.0", true);
  EXPECT_EQ(ItemFlagsOf(f.data, f.data.items[0], L"", true, f.env), kItemFlagUpdate | kItemFlagDownloadable | kItemFlagBuyable);
  EXPECT_EQ(ItemFlagsOf(f.data, f.data.items[0], L"", false, f.env), kItemFlagUpdate) << "only asked for one item";
}

TEST(ItemFlagsTest, GroupsAndInactiveLists) {
  Group group;
  group.itemIds = {L"Viewer", L"EDITOR"};
  EXPECT_TRUE(GroupNamesItem(group, L"editor"));
  EXPECT_FALSE(GroupNamesItem(group, L"edit"));
  EXPECT_FALSE(IsInactiveItem(L"\r\n\r\n", L"")) << "an empty line names no item";
}

}  // namespace
}  // namespace wendrix
