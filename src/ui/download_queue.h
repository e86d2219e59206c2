#pragma once
// The user interface's queue of requested items: each waits until the
// wallet has a free download slot, then gets its wallet entry and a main
// program of its own that downloads (and, when asked, installs) it.
#include <cstdint>
#include <deque>
#include <string>

#include "core/result.h"

namespace wendrix {

class CPublisherStore;
class CWallet;
class PublisherEnvironment;
class PublisherData;
struct Action;
struct Item;

struct QueuedItem {
  std::wstring publisherId, itemId;
  std::wstring walletItem;  // an existing entry to take up again; empty: make one
  bool install = false;
};

// The Download action a request for the item gets: the best one for an
// update, else a generic download, else a trial; with `install` only
// installable ones. Null when the item has none.
const Action* ChooseAction(const PublisherData& data, const Item& item, bool install, const PublisherEnvironment& env);

class CDownloadQueue {
 public:
  // Adds the item unless the same publisher and item wait already.
  void Add(QueuedItem item);
  // Starts waiting items, oldest first, while the wallet has free slots
  // (MaxConcurrentDownloads less the entries Downloading). An item that
  // cannot start is dropped with its DownloadStarted event logged (Aborted
  // or Error). Returns how many started.
  std::size_t Pump(CPublisherStore& store, std::uint32_t maxConcurrentDownloads, bool exclusivePublisher,
                   const PublisherEnvironment& env);
  std::size_t Waiting() const noexcept { return m_items.size(); }
  const std::deque<QueuedItem>& Items() const noexcept { return m_items; }

 private:
  std::deque<QueuedItem> m_items;
};

// Starts one item: its entry made (or taken up again) in `wallet` with
// origin Manual, and the main program started for it. 0x80070490 when the
// publisher, its loaded data, the item or an action is missing.
HRESULT StartQueuedItem(CPublisherStore& store, CWallet& wallet, const QueuedItem& item, bool exclusivePublisher,
                        const PublisherEnvironment& env);

}  // namespace wendrix
