#pragma once
// The publisher store as the queries see it, kept across calls in the
// process.
//
// Applications ask for versions and addresses at start-up, often one call
// after another. Opening the store for each means asking the shell for two
// folders, reading both lists and looking for the older product's sources,
// which costs milliseconds and grows with every publisher registered. The
// queries share one opened store instead, kept only while nothing it was
// read from has changed: the registry keys it depends on (the shell's folder
// settings, the older product's lists) are watched, and every file it read
// or looked for, the lists and the queried publishers' side files among
// them, must still be missing or have the stamp it had (FileStamp) before
// each use. So the next call sees what any process wrote in between; a file
// written too recently to be stamped has the store read again each call.
// What a publisher's data says about the machine (installed versions,
// conditions) is asked again by every query. A thread that impersonates a
// user has the store read for its call only: the kept store is the process
// user's.
#include <functional>
#include <memory>

#include "core/result.h"
#include "registration/publisher_store.h"

namespace wendrix {

class StoreSnapshot;

// What one query works on.
class StoreQuery {
 public:
  explicit StoreQuery(StoreSnapshot& snapshot) noexcept : m_snapshot(snapshot) {}
  CPublisherStore& Store() noexcept;
  // LoadStoredData filtered to the publisher; its files are watched from
  // then on.
  HRESULT LoadStored(const PublisherRecord& record);

 private:
  StoreSnapshot& m_snapshot;
};

// Runs `query` on the store opened with the older product's sources; one
// query runs at a time in the process. Where a source cannot be watched the
// store is opened for this call only.
HRESULT RunStoreQuery(const std::function<HRESULT(StoreQuery&)>& query);

// Lets the kept store go, when the library is unloaded while its process
// goes on (no query can be running then).
void ReleaseKeptStore() noexcept;

}  // namespace wendrix
