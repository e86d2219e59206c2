#include "api/address_lookup.h"

#include "core/version.h"

namespace wendrix {
namespace {

struct KindAction {
  std::uint32_t type;
  std::uint32_t subtype;  // 0: any subtype
};

// Indexed by kind; kind 0 and kind 3 (the publisher's own home page) have no
// item action.
constexpr KindAction kKindActions[] = {
    {0, 0},
    {kActionOpen, kSubtypeHomePage},
    {kActionOpen, kSubtypeCurrentVersionInfo},
    {0, 0},
    {kActionOpen, kSubtypeHistory},
    {kActionOpen, kSubtypeFaq},
    {kActionOpen, kSubtypeSupport},
    {kActionOpen, kSubtypeTroubleshooting},
    {kActionOpen, kSubtypeSourceCode},
    {kActionDownload, 0},
    {kActionBuy, 0},
};
constexpr std::uint32_t kLastKind = kAddressPurchase;

// A versioned candidate beats an unversioned one and a lower version; the
// first of equals stays.
bool Better(const Action& candidate, const Action* best) {
  if (!best) return true;
  if (candidate.version.empty()) return false;
  return best->version.empty() || CompareVersions(candidate.version, best->version) == kVersionNewer;
}

}  // namespace

const Action* ActionForAddress(const PublisherData& data, const Item& item, std::uint32_t kind,
                               const PublisherEnvironment& env) {
  if (kind > kLastKind || kKindActions[kind].type == 0) return nullptr;
  const KindAction wanted = kKindActions[kind];
  const Action* best = nullptr;
  for (const std::wstring& id : item.actionIds) {
    const Action* action = data.FindAction(id);
    if (!action || action->type != wanted.type) continue;
    if (wanted.subtype && !(EffectiveSubtype(&data, *action, &item, env) & wanted.subtype)) continue;
    if ((action->flags & kActionInstall) && !ArchitectureApplies(*action, env)) continue;
    if (Better(*action, best)) best = action;
  }
  return best;
}

HRESULT FindAddress(const PublisherRecord* record, const PublisherData* data, const wchar_t* itemId,
                    std::uint32_t flags, const PublisherEnvironment& env, std::optional<std::wstring>& address) {
  address.reset();
  if (!record) return S_OK;
  const std::uint32_t kind = flags & kAddressKindMask;
  if (kind == kAddressPublisherHomePage) {
    // The registration's home page as it stands, empty when it has none: the
    // publisher exists, which a null answer would deny.
    address = record->homePage;
    return S_OK;
  }
  if (!data || !itemId || !*itemId) return S_OK;
  const Item* item = data->FindItem(itemId);
  if (!item) return S_OK;
  if (kind == 0 || kind > kLastKind) return E_INVALIDARG;
  const Action* action = ActionForAddress(*data, *item, kind, env);
  if (!action) return S_OK;
  std::wstring url = NextUrl(*action, env);
  if (!url.empty()) address = std::move(url);
  return S_OK;
}

}  // namespace wendrix
