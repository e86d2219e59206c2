#include "ui/download_queue.h"

#include <algorithm>

#include "eventlog/event_log.h"
#include "publisher/model.h"
#include "registration/publisher_store.h"
#include "wallet/entry_start.h"
#include "wallet/entry_state.h"
#include "wallet/main_program.h"
#include "wallet/wallet_store.h"

namespace wendrix {
namespace {

constexpr HRESULT kNotFound = HResultFromWin32(ERROR_NOT_FOUND);

bool IsCancel(HRESULT hr) noexcept { return hr == E_ABORT || hr == HResultFromWin32(ERROR_CANCELLED); }

// An entry already in the wallet: a finished download is installed when
// asked, anything else is downloaded again.
HRESULT TakeUpEntry(const QueuedItem& item) {
  WalletEntry entry;
  RETURN_IF_FAILED(LoadWalletEntry(item.walletItem, entry));
  const std::uint32_t status = EffectiveStatus(entry);
  if (item.install && (status == kWalletDownloaded || status == kWalletWaitingToInstall))
    return StartEntryInstallation(entry, kOriginManual);
  if (status == kWalletDownloaded || status == kWalletInstalled) return S_FALSE;
  if (item.install) entry.wallet.flags |= kWalletInstall;
  return StartEntryDownload(entry, kOriginManual);
}

}  // namespace

const Action* ChooseAction(const PublisherData& data, const Item& item, bool install, const PublisherEnvironment& env) {
  for (std::uint32_t request : {kRequestUpdate, kRequestGeneric, kRequestTry})
    if (const Action* action = BestAction(data, item, request, install, false, env)) return action;
  return nullptr;
}

HRESULT StartQueuedItem(CPublisherStore& store, CWallet& wallet, const QueuedItem& item, bool exclusivePublisher,
                        const PublisherEnvironment& env) {
  if (!item.walletItem.empty() && SUCCEEDED(TakeUpEntry(item))) return S_OK;
  const PublisherRecord* record = store.Find(item.publisherId);
  if (!record || !record->model) return kNotFound;
  const PublisherData& data = *record->model;
  const Item* found = data.FindItem(item.itemId);
  if (!found) return kNotFound;
  const Action* action = ChooseAction(data, *found, item.install, env);
  if (!action) return kNotFound;
  std::uint32_t flags = kWalletNoCache;
  if (item.install) flags |= kWalletInstall;
  if (exclusivePublisher) flags |= kWalletExclusivePublisher;
  WalletEntry entry;
  RETURN_IF_FAILED(PrepareWalletEntry(wallet, data, *found, *action, flags, kOriginManual, env, entry));
  UniqueKernelObject process;
  const HRESULT started = StartMainProgram(EntryCommandLine(entry.Id(), nullptr, nullptr), process);
  // An entry no program runs would stay Downloading for ever.
  if (FAILED(started)) DeleteWalletEntry(entry);
  return started;
}

void CDownloadQueue::Add(QueuedItem item) {
  const bool waiting = std::any_of(m_items.begin(), m_items.end(), [&](const QueuedItem& q) {
    return q.publisherId == item.publisherId && q.itemId == item.itemId;
  });
  if (!waiting) m_items.push_back(std::move(item));
}

std::size_t CDownloadQueue::Pump(CPublisherStore& store, std::uint32_t maxConcurrentDownloads, bool exclusivePublisher,
                                 const PublisherEnvironment& env) {
  std::size_t started = 0;
  while (!m_items.empty()) {
    CWallet wallet;
    if (FAILED(wallet.LoadAll()) || FreeDownloadSlots(wallet, maxConcurrentDownloads) == 0) break;
    const QueuedItem item = std::move(m_items.front());
    m_items.pop_front();
    const HRESULT hr = StartQueuedItem(store, wallet, item, exclusivePublisher, env);
    if (SUCCEEDED(hr)) {
      ++started;
      continue;
    }
    AppendEvent(kOriginManual, kEventDownloadStarted, item.publisherId.c_str(), nullptr, item.itemId.c_str(), nullptr,
                IsCancel(hr) ? kResultAborted : kResultError, nullptr);
  }
  return started;
}

}  // namespace wendrix
