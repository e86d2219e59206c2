// The work after the main pass: cross-references, conditions, installed
// versions, and what each item offers.
#include <algorithm>

#include "core/string_util.h"
#include "publisher/conditions.h"
#include "publisher/loader_internal.h"

namespace wendrix::loader {
namespace {

// Keeps the records whose flag in `keep` is set, in order.
template <typename Collection>
void KeepMarked(Collection& records, const std::vector<bool>& keep) {
  std::size_t kept = 0;
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (!keep[i]) continue;
    if (kept != i) records[kept] = std::move(records[i]);
    ++kept;
  }
  records.erase(records.begin() + static_cast<std::ptrdiff_t>(kept), records.end());
}

}  // namespace

HRESULT MainPass::ResolveReferences() {
  for (std::size_t kind = 0; kind < kRefKindCount; ++kind) {
    for (const Reference& ref : m_references[kind]) {
      bool found = false;
      switch (kind) {
        case kRefGroupItems: found = m_data.FindItem(ref.id); break;
        case kRefTexts: found = m_data.FindText(ref.id); break;
        case kRefActions: found = m_data.FindAction(ref.id); break;
        case kRefMessages: found = m_data.FindMessage(ref.id); break;
        case kRefConditions: found = m_data.FindCondition(ref.id); break;
        case kRefFreeUpdates: found = m_data.FindFreeUpdates(ref.id); break;
        case kRefPaths: found = m_data.FindPath(ref.id); break;
        case kRefInstalledVersions: found = m_data.FindInstalledVersion(ref.id); break;
        case kRefDisplayStyles: found = m_data.FindDisplayStyle(ref.id); break;
        case kRefIcons: found = m_data.FindIcon(ref.id); break;
        default: break;
      }
      if (!found) return Fail(kElementNotFound, ref.line);
    }
  }
  return S_OK;
}

HRESULT MainPass::Applies(const std::wstring& conditionId, bool& applies) {
  applies = true;
  if (conditionId.empty() || (m_options & kLoadNoConditions) || !m_publishers) return S_OK;
  const int result = EvaluateCondition(m_data, conditionId, m_publishers, m_loopCount, m_env, &m_conditions);
  // The evaluator's answer, not the loader's failure code of the same name.
  if (result == kConditionLoop) {
    const ConditionRecord* condition = m_data.FindCondition(conditionId);
    return Fail(kConditionLoopError, condition ? condition->line : 0);
  }
  applies = result == kConditionTrue;
  return S_OK;
}

const std::wstring* MainPass::Title(std::wstring_view textId) {
  const TextRecord* record = m_data.FindText(textId);
  if (!record) return nullptr;
  // A text with many languages, named by many items, is looked through once.
  // The Text records stay where they are once the main pass is over.
  if (m_titles.empty()) m_titles.resize(m_data.texts.size());
  KnownTitle& title = m_titles[static_cast<std::size_t>(record - m_data.texts.data())];
  if (!title.looked) title = KnownTitle{true, TextFor(*record, m_env)};
  return title.text;
}

bool MainPass::PathResolves(const std::wstring& pathId) {
  if (pathId.empty()) return false;
  PathDefinition* path = m_data.FindPath(pathId);
  if (!path) return false;
  path->result = m_env.ResolvePath(*path);
  return path->result.has_value();
}

HRESULT MainPass::ProcessActions() {
  // Target check: an installing action that puts files somewhere must name a
  // folder that exists, or it is marked unavailable.
  for (Action& action : m_data.actions) {
    // The file name (a copy) is looked at last, for the few actions the other conditions leave.
    const bool checked = (action.flags & kActionInstall) &&
                         ((action.flags & kActionArchive) || action.parameters.find(L"%1") != std::wstring::npos) &&
                         !CStringUtil::EndsWithNoCase(FileName(action), L".wx-cnf");
    if (!checked) continue;
    bool resolves = true;
    if (!action.resources.empty()) {
      for (const ActionResource& resource : action.resources) resolves = resolves && PathResolves(resource.pathId);
    } else {
      resolves = PathResolves(action.targetId);
    }
    if (!resolves) action.flags |= kActionUnavailable;
  }
  std::vector<bool> keep(m_data.actions.size(), true);
  for (std::size_t i = 0; i < m_data.actions.size(); ++i) {
    bool applies = true;
    RETURN_IF_FAILED(Applies(m_data.actions[i].conditionId, applies));
    keep[i] = applies;
  }
  KeepMarked(m_data.actions, keep);
  return S_OK;
}

HRESULT MainPass::ProcessItems() {
  std::vector<bool> keep(m_data.items.size(), true);
  for (std::size_t index = 0; index < m_data.items.size(); ++index) {
    Item& item = m_data.items[index];
    bool applies = true;
    RETURN_IF_FAILED(Applies(item.conditionId, applies));
    if (!applies) {
      keep[index] = false;
      continue;
    }
    if (item.type != kItemSelf && !item.installedVersionId.empty()) {
      InstalledVersionDefinition* definition = m_data.FindInstalledVersion(item.installedVersionId);
      if (definition) definition->result = m_env.DetermineInstalledVersion(*definition, m_publishers);
      item.installedVersion = definition ? definition->result : std::nullopt;
    }
    if (const std::wstring* title = Title(item.titleId)) item.title = *title;
    // One look at each action: outside wallet mode one whose effective
    // subtype is empty leaves the item's list; the others make up the item's
    // date, latest version and size.
    std::size_t found = 0;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < item.actionIds.size(); ++i) {
      const Action* action = m_data.FindAction(item.actionIds[i]);
      if (action && !WalletMode() && EffectiveSubtype(&m_data, *action, &item, m_env) == 0) continue;
      if (kept != i) item.actionIds[kept] = std::move(item.actionIds[i]);
      ++kept;
      if (!action) continue;
      ++found;
      item.latestDate = std::max(item.latestDate, action->date);
      if (!action->version.empty() && ArchitectureApplies(*action, m_env) &&
          (item.latestVersion.empty() || CompareVersions(action->version, item.latestVersion) == kVersionNewer))
        item.latestVersion = action->version;
      if (action->size.known) {
        item.size.smallest = item.size.known ? std::min(item.size.smallest, action->size.smallest) : action->size.smallest;
        item.size.largest = item.size.known ? std::max(item.size.largest, action->size.largest) : action->size.largest;
        item.size.known = true;
      }
    }
    item.actionIds.erase(item.actionIds.begin() + static_cast<std::ptrdiff_t>(kept), item.actionIds.end());
    if (WalletMode() || found == 0) continue;
    const bool installed = item.installedVersion.has_value();
    switch (item.requirement) {
      case kRequireNone: keep[index] = !installed; break;
      case kRequireAny: keep[index] = installed; break;
      case kRequireOlder:
        keep[index] = installed && CompareVersions(*item.installedVersion, item.latestVersion) == kVersionOlder;
        break;
      default: break;
    }
  }
  KeepMarked(m_data.items, keep);
  KeepNewestSelfItem();
  return S_OK;
}

// At most one Self item survives: each one, in file order, is dropped when a
// kept one is newer, and otherwise replaces every kept one that is not newer.
// This runs once the latest versions are known, so the order of the items in
// the file does not matter.
void MainPass::KeepNewestSelfItem() {
  std::size_t survivor = m_data.items.size();
  for (std::size_t i = 0; i < m_data.items.size(); ++i) {
    if (m_data.items[i].type != kItemSelf) continue;
    if (survivor == m_data.items.size() ||
        CompareVersions(m_data.items[survivor].latestVersion, m_data.items[i].latestVersion) != kVersionNewer)
      survivor = i;
  }
  std::vector<bool> keep(m_data.items.size(), true);
  for (std::size_t i = 0; i < m_data.items.size(); ++i)
    if (m_data.items[i].type == kItemSelf && i != survivor) keep[i] = false;
  KeepMarked(m_data.items, keep);
}

void MainPass::ProcessGroups() {
  for (Group& group : m_data.groups) {
    if (const std::wstring* title = Title(group.titleId)) group.title = *title;
    for (const std::wstring& id : group.itemIds)
      if (Item* item = m_data.FindItem(id)) item->flags |= kItemGrouped;
  }
}

HRESULT MainPass::ProcessMessages() {
  std::vector<bool> keep(m_data.messages.size(), true);
  for (std::size_t index = 0; index < m_data.messages.size(); ++index) {
    bool applies = true;
    RETURN_IF_FAILED(Applies(m_data.messages[index].conditionId, applies));
    keep[index] = applies;
  }
  KeepMarked(m_data.messages, keep);
  return S_OK;
}

}  // namespace wendrix::loader
