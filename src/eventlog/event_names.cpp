#include "eventlog/event_names.h"

#include "core/string_util.h"
#include "core/version.h"
#include "publisher/vocabulary.h"

namespace wendrix {
namespace {

constexpr std::size_t kVersionLabelLimit = 80;

}  // namespace

std::optional<std::wstring> DownloadVersionLabel(const PublisherData& data, const Item& item, const Action& action) {
  if (action.type != kActionDownload) return std::nullopt;
  std::wstring label;
  VersionParts parts{};
  if (!action.version.empty() && ParseVersion(action.version, &parts) == action.version.size())
    label = FormatVersionForDisplay(data.FindDisplayStyle(item.displayStyleId), parts);
  else
    label = action.version;
  const std::uint32_t arch = action.architecture & (kArchitectureX86 | kArchitectureX64);
  if (arch == kArchitectureX86) label += L" x86";
  if (arch == kArchitectureX64) label += L" x64";
  if (label.size() > kVersionLabelLimit) label.resize(kVersionLabelLimit);
  return label;
}

std::wstring EventItemName(const PublisherData& data, std::wstring_view itemId, const wchar_t* actionId) {
  const Item* item = data.FindItem(itemId);
  if (!item) return std::wstring(itemId);
  std::wstring name = item->title;
  if (!actionId) return name;
  // The action is any of the publisher's actions, not only the item's own.
  const Action* action = data.FindAction(actionId);
  if (!action) return name;
  if (const auto label = DownloadVersionLabel(data, *item, *action)) {
    name += L' ';
    name += *label;
  }
  return name;
}

std::wstring EventGroupName(const PublisherData& data, std::wstring_view groupId) {
  const Group* group = data.FindGroup(groupId);
  return group ? group->title : std::wstring(groupId);
}

}  // namespace wendrix
