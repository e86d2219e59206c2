#include "api/self_update_offer.h"

#include "core/version.h"

namespace wendrix {

std::optional<std::wstring> SelfUpdateOnOffer(const PublisherData& selfData, std::wstring_view requiredVersion,
                                              const PublisherEnvironment& env) {
  const std::wstring moduleVersion = env.ModuleVersion();
  for (const Item& item : selfData.items) {
    if (item.type != kItemSelf || item.latestVersion.empty()) continue;
    if (CompareVersions(item.latestVersion, moduleVersion) != kVersionNewer) continue;
    const Action* update = BestAction(selfData, item, kRequestUpdate, false, false, env);
    if (update && !update->quietFromVersion.empty() && requiredVersion.empty() &&
        CompareVersions(moduleVersion, update->quietFromVersion) != kVersionOlder)
      continue;
    return item.latestVersion;
  }
  return std::nullopt;
}

}  // namespace wendrix
