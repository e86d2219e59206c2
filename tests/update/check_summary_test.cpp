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

// One enabled publisher, checked without errors and nothing new.
CheckSummaryFacts Quiet() {
  CheckSummaryFacts facts;
  facts.visible = 1;
  facts.enabled = 1;
  return facts;
}

TEST(CheckSummaryMessages, EachRuleAlone) {
  struct Case {
    const char* name;
    CheckSummaryFacts facts;
    Messages messages;
  };
  std::vector<Case> cases;
  cases.push_back({"nothing to report", Quiet(), {kStrSummaryNoUpdates}});
  {
    CheckSummaryFacts f = Quiet();
    f.anyNewItem = true;
    cases.push_back({"new items", f, {kStrSummaryNewItems}});
  }
  {
    CheckSummaryFacts f = Quiet();
    f.enabled = 3;
    f.visible = 3;
    f.needingSelfUpdate = 1;
    cases.push_back({"some need the self-update", f, {kStrSummarySelfUpdateForSome}});
  }
  {
    CheckSummaryFacts f = Quiet();
    f.needingSelfUpdate = 1;
    cases.push_back({"all need the self-update", f, {kStrSummarySelfUpdateRequired}});
  }
  cases.push_back({"no publisher", CheckSummaryFacts{}, {kStrSummaryNoPublishers}});
  {
    CheckSummaryFacts f = Quiet();
    f.visible = 2;
    f.disabled = 1;
    cases.push_back({"a disabled publisher", f, {kStrSummaryHiddenPublishers}});
  }
  {
    CheckSummaryFacts f = Quiet();
    f.hiddenItemsWithUpdates = 4;
    cases.push_back({"hidden items with updates", f, {kStrSummaryHiddenItemUpdates}});
  }
  {
    CheckSummaryFacts f = Quiet();
    f.neverAttempted = 1;
    cases.push_back({"never attempted", f, {kStrSummaryDataNotLoaded}});
  }
  {
    CheckSummaryFacts f = Quiet();
    f.failed = 1;
    cases.push_back({"a failure", f, {kStrSummaryCheckErrors}});
  }
  for (const Case& c : cases) EXPECT_EQ(CheckSummaryMessages(c.facts), c.messages) << c.name;
}

TEST(CheckSummaryMessages, KeepsTheOrderAndDropsTheClosingLineWhenAnythingElseIsSaid) {
  CheckSummaryFacts f;
  f.visible = 5;
  f.enabled = 4;
  f.disabled = 1;
  f.needingSelfUpdate = 1;
  f.hiddenItemsWithUpdates = 2;
  f.neverAttempted = 1;
  f.failed = 1;
  f.anyNewItem = true;
  EXPECT_EQ(CheckSummaryMessages(f),
            (Messages{kStrSummarySelfUpdateForSome, kStrSummaryHiddenPublishers, kStrSummaryHiddenItemUpdates,
                      kStrSummaryDataNotLoaded, kStrSummaryCheckErrors}));

  CheckSummaryFacts empty;
  empty.hiddenItemsWithUpdates = 1;
  EXPECT_EQ(CheckSummaryMessages(empty), (Messages{kStrSummaryNoPublishers, kStrSummaryHiddenItemUpdates}));

  CheckSummaryFacts some = Quiet();
  some.enabled = 2;
  some.visible = 2;
  some.needingSelfUpdate = 1;
  some.anyNewItem = true;
  EXPECT_EQ(CheckSummaryMessages(some), Messages{kStrSummarySelfUpdateForSome}) << "no 'new items' line";
}

TEST(CheckSummaryMessages, ASelfUpdateForEveryPublisherSilencesTheRest) {
  CheckSummaryFacts f;
  f.visible = 3;
  f.enabled = 2;
  f.disabled = 1;
  f.needingSelfUpdate = 2;
  f.hiddenItemsWithUpdates = 2;
  f.neverAttempted = 1;
  f.failed = 1;
  f.anyNewItem = true;
  EXPECT_EQ(CheckSummaryMessages(f), Messages{kStrSummarySelfUpdateRequired});
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
  Item item;
  item.id = L"Item";
  item.flags = spec.newItem ? std::uint32_t{kItemNew} : 0u;
  r.model->items.push_back(item);
  return r;
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
  const CheckSummaryFacts facts = CollectSummaryFacts(records, scope);
  EXPECT_EQ(facts.visible, 6u);
  EXPECT_EQ(facts.enabled, 5u);
  EXPECT_EQ(facts.disabled, 1u);
  EXPECT_EQ(facts.neverAttempted, 1u);
  EXPECT_EQ(facts.failed, 2u);
  EXPECT_EQ(facts.needingSelfUpdate, 1u);
  EXPECT_EQ(facts.hiddenItemsWithUpdates, 3u);
  EXPECT_FALSE(facts.anyNewItem);
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
  CheckSummaryFacts facts = CollectSummaryFacts(records, scope);
  EXPECT_EQ(facts.visible, 2u);
  EXPECT_EQ(facts.enabled, 1u);
  EXPECT_EQ(facts.needingSelfUpdate, 0u);
  EXPECT_EQ(facts.neverAttempted, 0u);
  EXPECT_EQ(CheckSummaryMessages(facts), Messages{kStrSummaryHiddenPublishers});

  scope.onlyPublisherId = L"pub";
  facts = CollectSummaryFacts(records, scope);
  EXPECT_EQ(facts.visible, 1u);
  EXPECT_EQ(facts.disabled, 0u);
  EXPECT_FALSE(facts.anyNewItem) << "the other publishers' items are not shown";
  EXPECT_EQ(CheckSummaryMessages(facts), Messages{kStrSummaryNoUpdates});

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
  EXPECT_EQ(CheckSummaryMessages(CollectSummaryFacts(records, scope)), Messages{kStrSummaryCheckErrors});

  records[1] = Record({.id = SelfPublisher().id, .enabled = 0, .failedLastCheck = 1, .self = true});
  EXPECT_EQ(CollectSummaryFacts(records, scope).failed, 0u) << "a disabled self publisher is not checked";
}

TEST(CollectSummaryFacts, FindsNewItemsInTheLoadedModels) {
  std::vector<PublisherRecord> records = {Record({.id = L"a"}), Record({.id = L"b", .newItem = true})};
  EXPECT_EQ(CheckSummaryMessages(CollectSummaryFacts(records, {})), Messages{kStrSummaryNewItems});
  records[1].model.reset();
  EXPECT_EQ(CheckSummaryMessages(CollectSummaryFacts(records, {})), Messages{kStrSummaryNoUpdates});
}

TEST(CollectSummaryFacts, NoRecordsMeansNoPublishers) {
  EXPECT_EQ(CheckSummaryMessages(CollectSummaryFacts({}, {})), Messages{kStrSummaryNoPublishers});
}

}  // namespace
}  // namespace wendrix
