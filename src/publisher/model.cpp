#include "publisher/model.h"

#include <algorithm>

#include "core/string_util.h"
#include "publisher/conditions.h"
#include "publisher/environment.h"

namespace wendrix {
namespace {

template <typename Collection>
auto* FindById(Collection& records, std::wstring_view id) noexcept {
  for (auto& record : records)
    if (CStringUtil::EqualsNoCase(record.id, id)) return &record;
  return static_cast<decltype(&records[0])>(nullptr);
}

std::uint32_t MajorOf(std::wstring_view version) noexcept {
  VersionParts parts{};
  return ParseVersion(version, &parts) ? parts[0] : 0;
}

bool IsMinorOnly(const PublisherData& data, const Item& item) noexcept {
  const FreeUpdateStyle* style = item.freeUpdatesId.empty() ? nullptr : data.FindFreeUpdates(item.freeUpdatesId);
  return style && style->type == kFreeUpdatesMinorOnly;
}

// The highest-versioned candidate; one without a version counts only while
// no versioned candidate has been found.
bool Better(const Action& candidate, const Action* best) noexcept {
  if (!best) return true;
  if (candidate.version.empty()) return false;
  return best->version.empty() || CompareVersions(candidate.version, best->version) == kVersionNewer;
}

// An index lookup allocates a folded copy of the identifier; the lookups
// stay noexcept by falling back to a scan when memory runs out.
template <typename Collection>
auto* Lookup(const IdIndex& index, Collection& records, std::wstring_view id) noexcept {
  try {
    return index.Find(records.data(), records.size(), id);
  } catch (...) {
    return FindById(records, id);
  }
}

}  // namespace

void PublisherData::ClearCollections() noexcept {
  items.clear();
  actions.clear();
  messages.clear();
  conditions.clear();
  groups.clear();
  texts.clear();
  paths.clear();
  freeUpdates.clear();
  installedVersions.clear();
  displayStyles.clear();
  icons.clear();
  // The vectors keep their storage: a reload with as many records under
  // other IDs would otherwise find the old index still looking current.
  m_index.indexes = Indexes{};
}

const Item* PublisherData::FindItem(std::wstring_view id) const noexcept { return Lookup(m_index.indexes.items, items, id); }
const Action* PublisherData::FindAction(std::wstring_view id) const noexcept { return Lookup(m_index.indexes.actions, actions, id); }
const Message* PublisherData::FindMessage(std::wstring_view id) const noexcept { return Lookup(m_index.indexes.messages, messages, id); }
const ConditionRecord* PublisherData::FindCondition(std::wstring_view id) const noexcept {
  return Lookup(m_index.indexes.conditions, conditions, id);
}
const Group* PublisherData::FindGroup(std::wstring_view id) const noexcept { return Lookup(m_index.indexes.groups, groups, id); }
const TextRecord* PublisherData::FindText(std::wstring_view id) const noexcept { return Lookup(m_index.indexes.texts, texts, id); }
const PathDefinition* PublisherData::FindPath(std::wstring_view id) const noexcept { return Lookup(m_index.indexes.paths, paths, id); }
const FreeUpdateStyle* PublisherData::FindFreeUpdates(std::wstring_view id) const noexcept {
  return Lookup(m_index.indexes.freeUpdates, freeUpdates, id);
}
const InstalledVersionDefinition* PublisherData::FindInstalledVersion(std::wstring_view id) const noexcept {
  return Lookup(m_index.indexes.installedVersions, installedVersions, id);
}
const DisplayVersionStyle* PublisherData::FindDisplayStyle(std::wstring_view id) const noexcept {
  return Lookup(m_index.indexes.displayStyles, displayStyles, id);
}
const IconEntry* PublisherData::FindIcon(std::wstring_view id) const noexcept { return Lookup(m_index.indexes.icons, icons, id); }
Item* PublisherData::FindItem(std::wstring_view id) noexcept { return Lookup(m_index.indexes.items, items, id); }
PathDefinition* PublisherData::FindPath(std::wstring_view id) noexcept { return Lookup(m_index.indexes.paths, paths, id); }
InstalledVersionDefinition* PublisherData::FindInstalledVersion(std::wstring_view id) noexcept {
  return Lookup(m_index.indexes.installedVersions, installedVersions, id);
}

const std::wstring* TextFor(const PublisherData& data, std::wstring_view textId, const PublisherEnvironment& env) {
  const TextRecord* record = data.FindText(textId);
  return record ? TextFor(*record, env) : nullptr;
}

const std::wstring* TextFor(const TextRecord& record, const PublisherEnvironment& env) {
  if (record.entries.empty()) return nullptr;
  if (record.entries.size() > 1) {
    for (const TextEntry& entry : record.entries)
      if (LanguageMatches(entry.language, kUserUiLanguage, env)) return &entry.text;
  }
  return &record.entries.front().text;
}

bool ArchitectureApplies(const Action& action, const PublisherEnvironment& env) {
  if (action.architecture == 0) return true;
  return (action.architecture & (env.Is64BitSystem() ? kArchitectureX64 : kArchitectureX86)) != 0;
}

std::uint32_t EffectiveSubtype(const PublisherData* data, const Action& action, const Item* item,
                               const PublisherEnvironment& env) {
  if (!data || !item) return action.subtype;
  if (action.type != kActionDownload || action.version.empty() || !(action.subtype & kSubtypeUpdate))
    return action.subtype;
  bool keep = item->installedVersion.has_value() && ArchitectureApplies(action, env);
  if (keep && IsMinorOnly(*data, *item)) keep = MajorOf(*item->installedVersion) == MajorOf(action.version);
  return keep ? action.subtype : action.subtype & ~static_cast<std::uint32_t>(kSubtypeUpdate);
}

std::wstring NextUrl(const Action& action, const PublisherEnvironment& env) {
  const std::size_t count = action.urls.size();
  if (count == 0) return {};
  if (count == 1) return action.urls.front();
  if (action.nextUrl < 0) action.nextUrl = static_cast<std::int64_t>(env.TickCount() % count);
  const std::size_t index = static_cast<std::size_t>(action.nextUrl) % count;
  action.nextUrl = static_cast<std::int64_t>((index + 1) % count);
  return action.urls[index];
}

void AddUrl(Action& action, std::wstring url) {
  action.urls.push_back(std::move(url));
  action.nextUrl = -1;
}

std::wstring FileName(const Action& action) {
  if (!action.rename.empty()) return action.rename;
  if (!action.resources.empty()) return action.resources.front().resource;
  return action.urls.empty() ? std::wstring() : action.urls.front();
}

std::size_t ActionFileCount(const Action& action) noexcept {
  if (!action.resources.empty()) return action.resources.size();
  return action.urls.empty() ? 0 : 1;
}

bool PinMatches(const Action& action, std::size_t index, const Sha256Digest& actual) noexcept {
  return index < action.sha256.size() && action.sha256[index] == actual;
}

bool UnpinnedOverHttp(const Action& action) noexcept {
  if (!action.sha256.empty() || (action.type != kActionDownload && !(action.flags & kActionInstall))) return false;
  const auto http = [](const std::wstring& address) { return CStringUtil::StartsWithNoCase(address, L"http:"); };
  if (!action.resources.empty())
    return std::any_of(action.resources.begin(), action.resources.end(),
                       [&](const ActionResource& r) { return http(r.resource); });
  return std::any_of(action.urls.begin(), action.urls.end(), http);
}

const Action* BestAction(const PublisherData& data, const Item& item, std::uint32_t request, bool installable,
                         bool forUser, const PublisherEnvironment& env) {
  static constexpr struct {
    std::uint32_t request, subtype;
  } kWanted[] = {{kRequestGeneric, kSubtypeGeneric},
                 {kRequestTry, kSubtypeTry},
                 {kRequestBuy, kSubtypeBuy},
                 {kRequestUpdate, kSubtypeUpdate},
                 {kRequestBuyUpgrade, kSubtypeBuyUpgrade}};
  std::uint32_t wanted = 0;
  for (const auto& w : kWanted) {
    if (request & w.request) {
      wanted = w.subtype;
      break;
    }
  }
  if (!wanted) return nullptr;
  const bool update = wanted == kSubtypeUpdate;
  if (update && !item.installedVersion) return nullptr;
  const bool minorOnly = update && IsMinorOnly(data, item);

  const Action* best = nullptr;
  for (const std::wstring& id : item.actionIds) {
    const Action* action = data.FindAction(id);
    if (!action || action->type != kActionDownload) continue;
    if (!(EffectiveSubtype(&data, *action, &item, env) & wanted)) continue;
    const bool installs = (action->flags & kActionInstall) != 0;
    const bool applies = ArchitectureApplies(*action, env);
    if (installable ? !(installs && applies) : (installs && !applies)) continue;
    if (minorOnly && MajorOf(action->version) != MajorOf(*item.installedVersion)) continue;
    if (update && forUser &&
        ((action->flags & kActionUnavailable) || CompareVersions(action->version, *item.installedVersion) != kVersionNewer))
      continue;
    if (Better(*action, best)) best = action;
  }
  return best;
}

const Action* BestBuyAction(const PublisherData& data, const Item& item, std::uint32_t request,
                            const PublisherEnvironment&) {
  const std::uint32_t wanted = (request & 1) ? std::uint32_t{kSubtypeGeneric} : (request & 256) ? std::uint32_t{kSubtypeUpgrade} : 0u;
  if (!wanted) return nullptr;
  const Action* best = nullptr;
  for (const std::wstring& id : item.actionIds) {
    const Action* action = data.FindAction(id);
    if (!action || action->type != kActionBuy || !(action->subtype & wanted)) continue;
    if (Better(*action, best)) best = action;
  }
  return best;
}

int Category(const PublisherData& data, const Item& item, const Action* action, const PublisherEnvironment& env) {
  if (data.IsSelfPublisher()) return 0;
  if (item.type == kItemPublisher) return 4;
  if (!item.installedVersion) return 3;
  if (action && action->type == kActionDownload)
    return (EffectiveSubtype(&data, *action, &item, env) & (kSubtypeUpdate | kSubtypeGeneric)) ? 1 : 2;
  return 2;
}

}  // namespace wendrix
