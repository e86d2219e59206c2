// The check summary: which messages the main window shows, and the facts
// gathered from the store for it.
#include "update/check_summary.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "publisher/builtin_publishers.h"
#include "registration/publisher_record.h"

namespace wendrix {
namespace {

using Messages = std::vector<StringId>;

TEST(CheckSummaryMessages, FollowTheRulesInDisplayOrder) {
  const struct {
    const char* name;
    CheckSummaryFacts facts;
    Messages messages;
  } cases[] = {
      // Each rule alone, against one enabled publisher checked without errors.
      {"nothing to report", {.visible = 1, .enabled = 1}, {kStrSummaryNoUpdates}},
      {"new items", {.visible = 1, .enabled = 1, .anyNewItem = true}, {kStrSummaryNewItems}},
      {"some need the self-update", {.visible = 3, .enabled = 3, .needingSelfUpdate = 1},
       {kStrSummarySelfUpdateForSome}},
      {"all need the self-update", {.visible = 1, .enabled = 1, .needingSelfUpdate = 1},
       {kStrSummarySelfUpdateRequired}},
      {"no publisher", {}, {kStrSummaryNoPublishers}},
      {"a disabled publisher", {.visible = 2, .enabled = 1, .disabled = 1}, {kStrSummaryHiddenPublishers}},
      {"hidden items with updates", {.visible = 1, .enabled = 1, .hiddenItemsWithUpdates = 4},
       {kStrSummaryHiddenItemUpdates}},
      {"never attempted", {.visible = 1, .enabled = 1, .neverAttempted = 1}, {kStrSummaryDataNotLoaded}},
      {"a failure", {.visible = 1, .enabled = 1, .failed = 1}, {kStrSummaryCheckErrors}},
      // Together: in order, and the closing line only when nothing else is said.
      {"everything at once",
       {.visible = 5, .enabled = 4, .disabled = 1, .needingSelfUpdate = 1, .neverAttempted = 1, .failed = 1,
        .hiddenItemsWithUpdates = 2, .anyNewItem = true},
       {kStrSummarySelfUpdateForSome, kStrSummaryHiddenPublishers, kStrSummaryHiddenItemUpdates,
        kStrSummaryDataNotLoaded, kStrSummaryCheckErrors}},
      {"no publisher, hidden updates", {.hiddenItemsWithUpdates = 1},
       {kStrSummaryNoPublishers, kStrSummaryHiddenItemUpdates}},
      {"no 'new items' line after others", {.visible = 2, .enabled = 2, .needingSelfUpdate = 1, .anyNewItem = true},
       {kStrSummarySelfUpdateForSome}},
      // A self-update for every enabled publisher silences the rest.
      {"self-update for all",
       {.visible = 3, .enabled = 2, .disabled = 1, .needingSelfUpdate = 2, .neverAttempted = 1, .failed = 1,
        .hiddenItemsWithUpdates = 2, .anyNewItem = true},
       {kStrSummarySelfUpdateRequired}},
  };
  for (const auto& c : cases) EXPECT_EQ(CheckSummaryMessages(c.facts), c.messages) << c.name;
}

// Records as the store holds them.
struct RecordSpec {
  const wchar_t* id;
  int enabled = -1;  // -1: no Enabled value (a new registration), else its value
  std::int32_t failedLastCheck = 0;
  std::uint64_t attempted = 1;
  bool newItem = false;
  bool self = false;
};

PublisherRecord Record(const RecordSpec& spec) {
  PublisherRecord r;
  r.id = spec.id;
  if (spec.enabled >= 0) {
    r.present |= KeyBit(kKeyEnabled);
    if (spec.enabled) r.flags |= kPublisherEnabled;
  }
  r.failedLastCheck = spec.failedLastCheck;
  if (spec.failedLastCheck) r.present |= KeyBit(kKeyFailedLastCheck);
  r.attempted = spec.attempted;
  if (spec.self) LinkBuiltinRow(r, SelfPublisher());
  r.model = std::make_shared<PublisherData>();
  Item& item = r.model->items.emplace_back();
  item.id = L"Item";
  item.flags = spec.newItem ? std::uint32_t{kItemNew} : 0u;
  return r;
}

// visible/enabled/disabled/self-update/never/failed/hidden, then "new" if any.
std::string Counts(const CheckSummaryFacts& f) {
  std::string text;
  for (std::uint32_t n : {f.visible, f.enabled, f.disabled, f.needingSelfUpdate, f.neverAttempted, f.failed,
                          f.hiddenItemsWithUpdates})
    text += std::to_string(n) + "/";
  return text + (f.anyNewItem ? "new" : "");
}

TEST(CollectSummaryFacts, CountsVisiblePublishersByState) {
  const std::vector<PublisherRecord> records = {
      Record({.id = L"a"}),                                     // enabled without an Enabled value
      Record({.id = L"b", .enabled = 1, .attempted = 0}),       // never attempted
      Record({.id = L"c", .enabled = 0, .failedLastCheck = 1}), // disabled: its failure does not count
      Record({.id = L"d", .enabled = 1, .failedLastCheck = 1}),
      Record({.id = L"e", .enabled = 1, .failedLastCheck = 2}),
      Record({.id = L"f", .enabled = 1, .failedLastCheck = 7}),  // not 0 or 2: shown as an error
  };
  CheckSummaryScope scope;
  scope.hiddenItemsWithUpdates = 3;
  EXPECT_EQ(Counts(CollectSummaryFacts(records, scope)), "6/5/1/1/1/2/3/");
}

TEST(CollectSummaryFacts, LeavesOutTheExcludedTheSelfAndTheInvisiblePublishers) {
  PublisherRecord flaggedSelf = Record({.id = L"own", .failedLastCheck = 2, .newItem = true});
  flaggedSelf.flags |= kPublisherSelf;
  const std::vector<PublisherRecord> records = {
      Record({.id = L"dir", .failedLastCheck = 2, .attempted = 0, .newItem = true}),
      Record({.id = SelfPublisher().id, .failedLastCheck = 2, .attempted = 0, .newItem = true, .self = true}),
      flaggedSelf,
      Record({.id = L"pub"}),
      Record({.id = L"other", .enabled = 0, .newItem = true}),
  };
  CheckSummaryScope scope;
  scope.excludedId = L"dir";
  EXPECT_EQ(Counts(CollectSummaryFacts(records, scope)), "2/1/1/0/0/0/0/new");
  scope.onlyPublisherId = L"pub";
  EXPECT_EQ(Counts(CollectSummaryFacts(records, scope)), "1/1/0/0/0/0/0/") << "the other publishers' items are not shown";

  scope.onlyPublisherId = L"Pub";
  EXPECT_EQ(CollectSummaryFacts(records, scope).visible, 0u) << "publisher IDs compare exactly";
  scope.onlyPublisherId = {};
  scope.excludedId = L"DIR";
  EXPECT_EQ(CollectSummaryFacts(records, scope).visible, 3u);
}

TEST(CollectSummaryFacts, CountsTheSelfPublishersFailureOnlyUnderIniDebug) {
  std::vector<PublisherRecord> records = {
      Record({.id = L"pub"}),
      Record({.id = SelfPublisher().id, .failedLastCheck = 1, .self = true}),
  };
  CheckSummaryScope scope;
  EXPECT_EQ(CollectSummaryFacts(records, scope).failed, 0u);
  scope.iniDebug = true;
  EXPECT_EQ(CollectSummaryFacts(records, scope).failed, 1u);

  records[1] = Record({.id = SelfPublisher().id, .enabled = 0, .failedLastCheck = 1, .self = true});
  EXPECT_EQ(CollectSummaryFacts(records, scope).failed, 0u) << "a disabled self publisher is not checked";
  records[1] = Record({.id = SelfPublisher().id, .failedLastCheck = 2, .self = true});
  EXPECT_EQ(CollectSummaryFacts(records, scope).failed, 0u) << "a needed self-update is no failure";
}

TEST(CollectSummaryFacts, FindsNewItemsInTheLoadedModels) {
  EXPECT_EQ(CheckSummaryMessages(CollectSummaryFacts({}, {})), Messages{kStrSummaryNoPublishers});
  std::vector<PublisherRecord> records = {Record({.id = L"a"}), Record({.id = L"b", .newItem = true})};
  EXPECT_EQ(CheckSummaryMessages(CollectSummaryFacts(records, {})), Messages{kStrSummaryNewItems});
  records[1].model.reset();
  EXPECT_EQ(CheckSummaryMessages(CollectSummaryFacts(records, {})), Messages{kStrSummaryNoUpdates});
}

}  // namespace
}  // namespace wendrix
