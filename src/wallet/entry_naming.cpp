#include "wallet/entry_naming.h"

#include "core/string_util.h"
#include "core/version.h"
#include "platform/path_containment.h"

namespace wendrix {
namespace {

bool FolderNameForbids(wchar_t c) noexcept {
  return c < 0x20 || c == L'\\' || c == L'/' || c == L':' || c == L'*' || c == L'?' || c == L'"' || c == L'<' ||
         c == L'>' || c == L'|';
}

std::wstring_view LastSegment(std::wstring_view url) noexcept {
  const std::size_t slash = url.find_last_of(L"/\\");
  return slash == std::wstring_view::npos ? url : url.substr(slash + 1);
}

}  // namespace

std::wstring VersionTextOf(const PublisherData& data, const Item& item, const Action& action) {
  if (action.version.empty()) return {};
  VersionParts parts{};
  std::wstring text = ParseVersion(action.version, &parts) != 0
                          ? FormatVersionForDisplay(data.FindDisplayStyle(item.displayStyleId), parts)
                          : action.version;
  if (text.size() > kVersionTextLimit) text.resize(kVersionTextLimit);
  return text;
}

std::wstring DisplayNameOf(const PublisherData& data, const Item& item, const Action& action) {
  std::wstring name = item.title.empty() ? item.id : item.title;
  const std::wstring version = VersionTextOf(data, item, action);
  if (!version.empty()) name.append(L" ").append(version);
  return name;
}

HRESULT EntryIdBase(std::wstring_view name, std::wstring_view title, std::wstring_view versionText, std::size_t room,
                    std::wstring& id) {
  if (name.empty() || title.empty()) return E_INVALIDARG;
  if (name.size() + title.size() + versionText.size() + 5 >= room) return kBufferTooSmall;
  id.assign(name).append(L" - ").append(title);
  if (!versionText.empty()) id.append(L" ").append(versionText);
  for (wchar_t& c : id)
    if (c == L' ' || FolderNameForbids(c)) c = L'_';
  // Windows drops trailing dots and blanks from a folder name: the folder
  // would then be found under another name than the ID.
  for (auto c = id.rbegin(); c != id.rend() && (*c == L'.' || *c == L' '); ++c) *c = L'_';
  return S_OK;
}

std::wstring EntryIdCandidate(const std::wstring& base, unsigned attempt) {
  if (attempt == 0) return base;
  return base + L"_" + std::to_wstring(attempt);
}

std::uint32_t EntryFileCount(const WalletEntry& entry) noexcept {
  const Action* action = entry.EntryAction();
  if (!action || action->resources.empty()) return 1;
  return static_cast<std::uint32_t>(action->resources.size());
}

std::optional<std::wstring> EntryFileName(const WalletEntry& entry, std::uint32_t index) {
  const Action* action = entry.EntryAction();
  if (!action) return std::nullopt;
  std::wstring_view name;
  if (!action->rename.empty()) {
    name = action->rename;
  } else if (!action->resources.empty()) {
    if (index >= action->resources.size()) return std::nullopt;
    name = LastSegment(action->resources[index].resource);
  } else if (!action->urls.empty()) {
    name = LastSegment(action->urls.front());
  }
  if (!IsPlainFileName(name) || CStringUtil::EqualsNoCase(name, std::wstring_view(kWalletFileName))) return std::nullopt;
  return std::wstring(name);
}

}  // namespace wendrix
