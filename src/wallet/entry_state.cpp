#include "wallet/entry_state.h"

#include <algorithm>

#include "core/string_util.h"
#include "core/version.h"
#include "wallet/entry_naming.h"

namespace wendrix {
namespace {

constexpr const wchar_t* kDisplayStatusWords[] = {L"WaitingToDownload", L"Downloading", L"DownloadError",
                                                  L"Downloaded",        L"WaitingToInstall", L"Installing",
                                                  L"Installed",         L"InstallError"};

bool SameType(std::uint32_t a, std::uint32_t b) noexcept {
  // An action without a Type line is a Download action.
  const auto normal = [](std::uint32_t t) { return t == kActionDownload ? 0u : t; };
  return normal(a) == normal(b);
}

}  // namespace

std::uint32_t EffectiveStatus(const WalletEntry& entry) noexcept {
  const std::uint32_t status = entry.Status();
  const Item* item = entry.EntryItem();
  const Action* action = entry.EntryAction();
  if (status != kWalletInstalled || !item || !action) return status;
  if (action->version.empty() || !item->installedVersion ||
      CompareVersions(action->version, *item->installedVersion) == kVersionNewer)
    return kWalletDownloaded;
  return status;
}

bool Installable(const WalletEntry& entry) noexcept {
  const Action* action = entry.EntryAction();
  if (!action || !(action->flags & kActionInstall) || !EntryFileName(entry, 0)) return false;
  const std::uint32_t status = EffectiveStatus(entry);
  return status == kWalletDownloading || status == kWalletDownloaded || status == kWalletWaitingToInstall;
}

std::uint32_t DisplayStatusOf(const WalletEntry& entry, bool markedForInstall) noexcept {
  switch (EffectiveStatus(entry)) {
    case kWalletDownloading: return kShowDownloading;
    case kWalletStopped:
    case kWalletError: return kShowDownloadError;
    case kWalletDownloaded: return markedForInstall ? kShowWaitingToInstall : kShowDownloaded;
    case kWalletWaitingToInstall: return kShowWaitingToInstall;
    case kWalletInstalling: return kShowInstalling;
    case kWalletInstalled: return kShowInstalled;
    default: return kShowDownloadError;
  }
}

const wchar_t* DisplayStatusWord(std::uint32_t displayStatus) noexcept {
  return displayStatus < std::size(kDisplayStatusWords) ? kDisplayStatusWords[displayStatus] : L"";
}

bool AnswersRequest(const WalletEntry& entry, const EntryRequest& request) noexcept {
  const Item* item = entry.EntryItem();
  const Action* action = entry.EntryAction();
  if (!item || !action) return false;
  if (!CStringUtil::EqualsNoCase(entry.data.publisher.id, request.publisherId) ||
      !CStringUtil::EqualsNoCase(item->id, request.itemId))
    return false;
  if (request.version && (action->version.empty() || !CStringUtil::EqualsNoCase(action->version, *request.version)))
    return false;
  if (request.architecture && action->architecture != *request.architecture) return false;
  return request.type == -1 || SameType(action->type, static_cast<std::uint32_t>(request.type));
}

std::optional<std::size_t> NextToPrune(std::span<const WalletEntry> entries, std::span<const std::wstring> spared) {
  std::optional<std::size_t> oldest;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const WalletEntry& e = entries[i];
    const std::uint32_t s = e.Status();
    const bool finished = s == kWalletStopped || s == kWalletError || s == kWalletDownloaded || s == kWalletInstalled;
    if (!finished || e.wallet.date == 0) continue;
    if (std::any_of(spared.begin(), spared.end(),
                    [&](const std::wstring& id) { return CStringUtil::EqualsNoCase(id, e.Id()); }))
      continue;
    if (!oldest || e.wallet.date < entries[*oldest].wallet.date) oldest = i;
  }
  return oldest;
}

}  // namespace wendrix
