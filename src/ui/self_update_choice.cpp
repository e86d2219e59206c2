#include "ui/self_update_choice.h"

#include "api/self_update_offer.h"
#include "publisher/builtin_publishers.h"
#include "publisher/vocabulary.h"

namespace wendrix {

std::optional<SelfUpdateChoice> ChooseSelfUpdate(std::span<const PublisherRecord> records,
                                                 std::wstring_view requiredVersion, const PublisherEnvironment& env) {
  for (const PublisherRecord& record : records) {
    if (!IsSelfPublisher(record) || !record.model) continue;
    const PublisherData& data = *record.model;
    const std::optional<std::wstring> version = SelfUpdateOnOffer(data, requiredVersion, env);
    if (!version) return std::nullopt;
    for (const Item& item : data.items) {
      if (item.type != kItemSelf || item.latestVersion != *version) continue;
      for (const std::wstring& id : item.actionIds) {
        const Action* action = data.FindAction(id);
        if (!action || action->type != kActionDownload) continue;
        std::wstring url = NextUrl(*action, env);
        if (url.empty()) continue;
        SelfUpdateChoice choice{*version, std::move(url), action->rename, action->parameters, std::nullopt};
        if (!action->sha256.empty()) choice.pin = action->sha256.front();
        return choice;
      }
    }
    return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace wendrix
