// The previous-items text: what MakePreviousItems writes and how MarkNewItems
// reads both text forms back.
#include "update/previous_items.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace wendrix {
namespace {

struct ItemSpec {
  const wchar_t* id;
  const wchar_t* latest;
  const wchar_t* installed = nullptr;  // null: not installed
  std::uint32_t flags = 0;
};

PublisherData Model(std::initializer_list<ItemSpec> specs) {
  PublisherData data;
  for (const ItemSpec& spec : specs) {
    Item item;
    item.id = spec.id;
    item.latestVersion = spec.latest;
    if (spec.installed) item.installedVersion = spec.installed;
    item.flags = spec.flags;
    data.items.push_back(item);
  }
  return data;
}

bool IsNew(const PublisherData& data, std::size_t index) { return (data.items.at(index).flags & kItemNew) != 0; }

// The single item of a fresh model marked against `previous`.
bool MarkedNew(ItemSpec spec, std::wstring_view previous) {
  PublisherData data = Model({spec});
  MarkNewItems(data, previous);
  return IsNew(data, 0);
}

TEST(MakePreviousItems, WritesOneLineFeedLedEntryPerItemInModelOrder) {
  struct Case {
    PublisherData data;
    std::wstring text;
  };
  const Case cases[] = {
      {Model({}), L""},
      {Model({{L"Editor", L"2.1"}}), L"\nEditor 2.1"},
      {Model({{L"Viewer", L""}}), L"\nViewer"},
      {Model({{L"Zeta", L"1.0.0.5", L"1.0"}, {L"Viewer", L""}, {L"Alpha", L"10"}}),
       L"\nZeta 1.0.0.5\nViewer\nAlpha 10"},
      {Model({{L"", L"3.0"}, {L"Editor", L"2.1"}}), L"\nEditor 2.1"},
  };
  for (const Case& c : cases) EXPECT_EQ(MakePreviousItems(c.data), c.text);
}

TEST(MarkNewItems, ItemsSeenAtTheLastCheckAreNotNew) {
  PublisherData data = Model({{L"Editor", L"2.1"}, {L"Viewer", L""}, {L"Tool", L"1.0", L"0.9"}});
  const std::wstring previous = MakePreviousItems(data);
  for (Item& item : data.items) item.flags = kItemNew;
  MarkNewItems(data, previous);
  for (std::size_t i = 0; i < data.items.size(); ++i) EXPECT_FALSE(IsNew(data, i)) << i;
}

TEST(MarkNewItems, ANewerLatestVersionIsNewOnceThenNotAgain) {
  PublisherData first = Model({{L"Editor", L"2.0"}});
  MarkNewItems(first, L"");
  EXPECT_TRUE(IsNew(first, 0)) << "never seen before";

  PublisherData second = Model({{L"Editor", L"2.1"}});
  MarkNewItems(second, MakePreviousItems(first));
  EXPECT_TRUE(IsNew(second, 0)) << "2.0 seen, 2.1 offered";

  PublisherData third = Model({{L"Editor", L"2.1"}});
  MarkNewItems(third, MakePreviousItems(second));
  EXPECT_FALSE(IsNew(third, 0)) << "2.1 seen, 2.1 offered again";
}

TEST(MarkNewItems, VersionsMatchWhenTheyCompareEqualNotWhenTheTextIsEqual) {
  EXPECT_FALSE(MarkedNew({L"Editor", L"2.1.0.0"}, L"\nEditor 2.1"));
  EXPECT_FALSE(MarkedNew({L"Editor", L"2.1"}, L"\nEditor 2.1.0"));
  EXPECT_TRUE(MarkedNew({L"Editor", L"2.10"}, L"\nEditor 2.1"));
}

TEST(MarkNewItems, AnEntryMatchesOnlyItsWholeId) {
  struct Case {
    const wchar_t* id;
    const wchar_t* previous;
  };
  const Case cases[] = {
      {L"Editor", L"\nEditorPro 2.1"},       // the item's ID is a prefix of the entry's
      {L"EditorPro", L"\nEditor 2.1"},       // the entry's ID is a prefix of the item's
      {L"Editor", L"\nMyEditor 2.1"},        // a suffix
      {L"Editor", L"\neditor 2.1"},          // the case differs
      {L"Editor", L"\nEditorPro"},           // an entry without version
      {L"Editor", L"EditorPro 2.1 Viewer"},  // the same in the older form
      {L"Editor", L"MyEditor"},
      {L"2.1", L"\nEditor 2.1"},             // an ID that equals another entry's version
  };
  for (const Case& c : cases) EXPECT_TRUE(MarkedNew({c.id, L"2.1"}, c.previous)) << c.id << " in " << c.previous;
}

TEST(MarkNewItems, FindsTheEntryAmongMany) {
  std::wstring previous;
  for (int i = 0; i < 500; ++i) previous += L"\nItem" + std::to_wstring(i) + L" 1." + std::to_wstring(i);
  PublisherData data = Model({{L"Item250", L"1.250"}, {L"Item250", L"1.251"}, {L"Item0", L"1.0"},
                              {L"Item499", L"1.499"}, {L"Item500", L"1.500"}});
  MarkNewItems(data, previous);
  EXPECT_FALSE(IsNew(data, 0));
  EXPECT_TRUE(IsNew(data, 1));
  EXPECT_FALSE(IsNew(data, 2));
  EXPECT_FALSE(IsNew(data, 3));
  EXPECT_TRUE(IsNew(data, 4));
}

TEST(MarkNewItems, AMissingVersionOnEitherSideMatchesOnTheId) {
  EXPECT_FALSE(MarkedNew({L"Editor", L""}, L"\nEditor 2.1")) << "the item has no latest version now";
  EXPECT_FALSE(MarkedNew({L"Editor", L"3.0"}, L"\nEditor")) << "the entry was written without one";
  EXPECT_TRUE(MarkedNew({L"Editor", L""}, L"\nViewer")) << "still needs the ID";
}

TEST(MarkNewItems, ReadsTheOlderFormWithoutLineFeeds) {
  const wchar_t* previous = L"Editor 2.1 Viewer Tool 1.0";
  struct Case {
    ItemSpec item;
    bool isNew;
  };
  const Case cases[] = {
      {{L"Editor", L"2.1"}, false},
      {{L"Editor", L"2.2"}, true},
      {{L"Viewer", L"5.0"}, false},  // listed without a version
      {{L"Tool", L"1.0"}, false},    // a version after an ID without one belongs to it
      {{L"Tool", L"1.1"}, true},
      {{L"Other", L"1.0"}, true},
      {{L"1.0", L"1.0"}, true},  // a version token is not an entry of its own
  };
  for (const Case& c : cases) EXPECT_EQ(MarkedNew(c.item, previous), c.isNew) << c.item.id << " " << c.item.latest;

  EXPECT_FALSE(MarkedNew({L"Editor", L"2.1"}, L"Editor 2.1")) << "a single entry";
  EXPECT_FALSE(MarkedNew({L"Tool", L"1.0"}, L"  Editor  2.1   Tool 1.0  ")) << "runs of blanks";
}

TEST(MarkNewItems, ToleratesCarriageReturnsAndEmptyLines) {
  EXPECT_FALSE(MarkedNew({L"Editor", L"2.1"}, L"\r\nViewer\r\n\r\nEditor 2.1\r\n"));
  EXPECT_FALSE(MarkedNew({L"Viewer", L"1.0"}, L"\r\nViewer\r\nEditor 2.1"));
}

TEST(MarkNewItems, OnlyItemsWithAnUpdateOrNotInstalledAreCandidates) {
  struct Case {
    const wchar_t* installed;
    const wchar_t* latest;
    bool isNew;
  };
  const Case cases[] = {
      {nullptr, L"2.0", true},  // not installed
      {nullptr, L"", true},     // not installed, no version offered
      {L"1.0", L"2.0", true},   // an update
      {L"2.0", L"2.0", false},  // up to date
      {L"2.0.0.0", L"2", false},
      {L"3.0", L"2.0", false},  // installed is newer
      {L"1.0", L"", false},     // installed, nothing offered
      {L"", L"1.0", true},      // installed at an unknown version counts as 0.0.0.0
  };
  for (const Case& c : cases) {
    // Marked as new before: a candidate that is not new must lose the flag.
    EXPECT_EQ(MarkedNew({L"Editor", c.latest, c.installed, kItemNew}, L"\nViewer 1.0"), c.isNew)
        << (c.installed ? c.installed : L"(none)") << " -> " << c.latest;
  }
}

TEST(MarkNewItems, TouchesOnlyTheNewFlagOfItemsWithAnId) {
  PublisherData data = Model({{L"", L"2.0", nullptr, kItemNew | kItemGrouped},
                              {L"", L"2.0", nullptr, kItemInvisible},
                              {L"Editor", L"2.0", nullptr, kItemGrouped | kItemInvisible},
                              {L"Viewer", L"2.0", nullptr, kItemNew | kItemGrouped}});
  MarkNewItems(data, L"\nViewer 2.0");
  EXPECT_EQ(data.items[0].flags, kItemNew | kItemGrouped);
  EXPECT_EQ(data.items[1].flags, kItemInvisible);
  EXPECT_EQ(data.items[2].flags, kItemNew | kItemGrouped | kItemInvisible);
  EXPECT_EQ(data.items[3].flags, kItemGrouped);
}

}  // namespace
}  // namespace wendrix
