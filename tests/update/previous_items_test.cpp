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

TEST(MakePreviousItems, WritesOneLineFeedLedEntryPerItemInModelOrder) {
  const std::pair<PublisherData, std::wstring> cases[] = {
      {Model({}), L""},
      {Model({{L"Editor", L"2.1"}}), L"\nEditor 2.1"},
      {Model({{L"Viewer", L""}}), L"\nViewer"},
      {Model({{L"Zeta", L"1.0.0.5", L"1.0"}, {L"Viewer", L""}, {L"Alpha", L"10"}}),
       L"\nZeta 1.0.0.5\nViewer\nAlpha 10"},
      {Model({{L"", L"3.0"}, {L"Editor", L"2.1"}}), L"\nEditor 2.1"},
  };
  for (const auto& [data, text] : cases) EXPECT_EQ(MakePreviousItems(data), text);
}

// What one check writes, the next reads back: nothing seen is new, among
// many entries too; what changed or was never seen is.
TEST(MarkNewItems, ReadsBackWhatWasWritten) {
  PublisherData seen = Model({{L"Editor", L"2.1"}, {L"Viewer", L""}, {L"Tool", L"1.0", L"0.9"}});
  for (int i = 0; i < 500; ++i) {
    Item& item = seen.items.emplace_back();
    item.id = L"Item" + std::to_wstring(i);
    item.latestVersion = L"1." + std::to_wstring(i);
  }
  const std::wstring previous = MakePreviousItems(seen);
  for (Item& item : seen.items) item.flags = kItemNew;
  MarkNewItems(seen, previous);
  for (std::size_t i = 0; i < seen.items.size(); ++i) EXPECT_FALSE(IsNew(seen, i)) << i;

  PublisherData data = Model({{L"Item250", L"1.250"}, {L"Item250", L"1.251"}, {L"Item0", L"1.0"},
                              {L"Item499", L"1.499"}, {L"Item500", L"1.500"}, {L"Editor", L"2.2"}});
  MarkNewItems(data, previous);
  const bool expected[] = {false, true, false, false, true, true};
  for (std::size_t i = 0; i < std::size(expected); ++i) EXPECT_EQ(IsNew(data, i), expected[i]) << i;
}

// One item, marked as new before (a candidate that is not new must lose the
// flag), against one previous-items text.
TEST(MarkNewItems, MatchesEntriesByWholeIdAndComparedVersion) {
  constexpr const wchar_t* kOlder = L"Editor 2.1 Viewer Tool 1.0";  // the older form, without line feeds
  const struct {
    const char* why;
    ItemSpec item;
    const wchar_t* previous;
    bool isNew;
  } cases[] = {
      {"versions compare equal", {L"Editor", L"2.1.0.0"}, L"\nEditor 2.1", false},
      {"2.10 is not 2.1", {L"Editor", L"2.10"}, L"\nEditor 2.1", true},
      {"the item's ID is a prefix of the entry's", {L"Editor", L"2.1"}, L"\nEditorPro 2.1", true},
      {"the entry's ID is a prefix of the item's", {L"EditorPro", L"2.1"}, L"\nEditor 2.1", true},
      {"a suffix", {L"Editor", L"2.1"}, L"\nMyEditor 2.1", true},
      {"the case differs", {L"Editor", L"2.1"}, L"\neditor 2.1", true},
      {"a longer entry in the older form", {L"Editor", L"2.1"}, L"EditorPro 2.1 Viewer", true},
      {"an ID that equals another entry's version", {L"2.1", L"2.1"}, L"\nEditor 2.1", true},
      {"no latest version now", {L"Editor", L""}, L"\nEditor 2.1", false},
      {"entry written without a version", {L"Editor", L"3.0"}, L"\nEditor", false},
      {"no version still needs the ID", {L"Editor", L""}, L"\nViewer", true},
      {"older form, same version", {L"Editor", L"2.1"}, kOlder, false},
      {"older form, newer version", {L"Editor", L"2.2"}, kOlder, true},
      {"older form, listed without a version", {L"Viewer", L"5.0"}, kOlder, false},
      {"older form, version after an ID without one", {L"Tool", L"1.0"}, kOlder, false},
      {"older form, newer than that version", {L"Tool", L"1.1"}, kOlder, true},
      {"older form, a version token is no entry", {L"1.0", L"1.0"}, kOlder, true},
      {"older form, runs of blanks", {L"Tool", L"1.0"}, L"  Editor  2.1   Tool 1.0  ", false},
      {"carriage returns and empty lines", {L"Editor", L"2.1"}, L"\r\nViewer\r\n\r\nEditor 2.1\r\n", false},
      {"carriage return after an entry without version", {L"Viewer", L"1.0"}, L"\r\nViewer\r\nEditor 2.1", false},
      // Only items with an update or not installed are candidates.
      {"not installed", {L"Editor", L"2.0", nullptr}, L"\nViewer 1.0", true},
      {"an update", {L"Editor", L"2.0", L"1.0"}, L"\nViewer 1.0", true},
      {"up to date", {L"Editor", L"2.0", L"2.0"}, L"\nViewer 1.0", false},
      {"up to date, longer version", {L"Editor", L"2", L"2.0.0.0"}, L"\nViewer 1.0", false},
      {"installed is newer", {L"Editor", L"2.0", L"3.0"}, L"\nViewer 1.0", false},
      {"installed, nothing offered", {L"Editor", L"", L"1.0"}, L"\nViewer 1.0", false},
      {"installed at an unknown version (0.0.0.0)", {L"Editor", L"1.0", L""}, L"\nViewer 1.0", true},
  };
  for (const auto& c : cases) {
    PublisherData data = Model({c.item});
    data.items[0].flags = kItemNew;
    MarkNewItems(data, c.previous);
    EXPECT_EQ(IsNew(data, 0), c.isNew) << c.why;
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
