#include "update/check_summary.h"

#include <algorithm>

#include "publisher/model.h"
#include "registration/publisher_record.h"

namespace wendrix {
namespace {

constexpr std::int32_t kCheckSucceeded = 0;
constexpr std::int32_t kCheckNeedsSelfUpdate = 2;

bool HasFailed(const PublisherRecord& record) noexcept {
  return record.failedLastCheck != kCheckSucceeded && record.failedLastCheck != kCheckNeedsSelfUpdate;
}

bool HasNewItem(const PublisherRecord& record) noexcept {
  return record.model && std::any_of(record.model->items.begin(), record.model->items.end(),
                                     [](const Item& item) { return (item.flags & kItemNew) != 0; });
}

}  // namespace

std::vector<StringId> CheckSummaryMessages(const CheckSummaryFacts& facts) {
  std::vector<StringId> messages;
  if (facts.needingSelfUpdate > 0) {
    // With every enabled publisher waiting for the self-update, nothing else
    // the user could do matters until it is installed.
    if (facts.needingSelfUpdate >= facts.enabled) return {kStrSummarySelfUpdateRequired};
    messages.push_back(kStrSummarySelfUpdateForSome);
  }
  if (facts.visible == 0) messages.push_back(kStrSummaryNoPublishers);
  if (facts.disabled > 0) messages.push_back(kStrSummaryHiddenPublishers);
  if (facts.hiddenItemsWithUpdates > 0) messages.push_back(kStrSummaryHiddenItemUpdates);
  if (facts.neverAttempted > 0) messages.push_back(kStrSummaryDataNotLoaded);
  if (facts.failed > 0) messages.push_back(kStrSummaryCheckErrors);
  if (messages.empty()) messages.push_back(facts.anyNewItem ? kStrSummaryNewItems : kStrSummaryNoUpdates);
  return messages;
}

CheckSummaryFacts CollectSummaryFacts(std::span<const PublisherRecord> records, const CheckSummaryScope& scope) {
  CheckSummaryFacts facts;
  facts.hiddenItemsWithUpdates = scope.hiddenItemsWithUpdates;
  for (const PublisherRecord& record : records) {
    if (!scope.excludedId.empty() && record.id == scope.excludedId) continue;
    if (!scope.onlyPublisherId.empty() && record.id != scope.onlyPublisherId) continue;
    const bool enabled = record.IsEnabled();
    if (IsSelfPublisher(record)) {
      if (scope.iniDebug && enabled && HasFailed(record)) ++facts.failed;
      continue;
    }
    ++facts.visible;
    if (HasNewItem(record)) facts.anyNewItem = true;
    if (!enabled) {
      ++facts.disabled;
      continue;
    }
    ++facts.enabled;
    if (record.failedLastCheck == kCheckNeedsSelfUpdate) ++facts.needingSelfUpdate;
    else if (HasFailed(record)) ++facts.failed;
    if (record.attempted == 0) ++facts.neverAttempted;
  }
  return facts;
}

}  // namespace wendrix
