#pragma once
// The status the main window shows after a check run and whenever the
// publisher list changes: a few messages, one per line, picked from facts
// about the registered publishers.
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "resources/string_ids.h"

namespace wendrix {

struct PublisherRecord;

// Counts over the publishers the summary speaks of: registered, not
// excluded from checks, not the self publisher, and visible in this user
// interface.
struct CheckSummaryFacts {
  std::uint32_t visible = 0;
  std::uint32_t enabled = 0;
  std::uint32_t disabled = 0;               // visible but not enabled
  std::uint32_t needingSelfUpdate = 0;      // enabled, FailedLastCheck 2
  std::uint32_t neverAttempted = 0;         // enabled, Attempted 0
  std::uint32_t failed = 0;                 // enabled, last check failed (see CollectSummaryFacts)
  std::uint32_t hiddenItemsWithUpdates = 0; // kept by the item views
  bool anyNewItem = false;                  // some item carries kItemNew
};

// The messages of the summary, in display order:
//  1. kStrSummarySelfUpdateRequired when every enabled publisher needs a
//     self-update (and nothing else follows), kStrSummarySelfUpdateForSome
//     when some do;
//  2. kStrSummaryNoPublishers when none is visible;
//  3. kStrSummaryHiddenPublishers when some visible one is disabled;
//  4. kStrSummaryHiddenItemUpdates when hidden items have updates;
//  5. kStrSummaryDataNotLoaded when some enabled one was never attempted;
//  6. kStrSummaryCheckErrors when some enabled one failed;
//  7. only when none of these applies, kStrSummaryNewItems when an item is
//     new, else kStrSummaryNoUpdates.
std::vector<StringId> CheckSummaryMessages(const CheckSummaryFacts& facts);

// What the summary needs besides the store.
struct CheckSummaryScope {
  std::wstring_view excludedId;       // the publisher checks leave out; empty: none
  std::wstring_view onlyPublisherId;  // a user interface limited to one publisher; empty: all
  bool iniDebug = false;              // the settings' INIDebug
  std::uint32_t hiddenItemsWithUpdates = 0;
};

// The facts from the store's records and their loaded models. A record
// counts when its ID differs from scope.excludedId and, when given, equals
// scope.onlyPublisherId (both compared exactly), and it is not the self
// publisher. A last check failed when FailedLastCheck is neither 0 (success)
// nor 2 (needs a self-update), as the publisher's status shows it; with
// INIDebug an enabled, visible self publisher's failure is counted too. New
// items are looked for in the counted records' models; a record without a
// model has none.
CheckSummaryFacts CollectSummaryFacts(std::span<const PublisherRecord> records, const CheckSummaryScope& scope);

}  // namespace wendrix
