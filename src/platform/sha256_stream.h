#pragma once
// SHA-256 of bytes as they pass, computed on a thread of its own: the caller
// (a transfer) hands over its pieces and goes on receiving while the runs
// it handed over earlier are hashed, so that a pinned download takes little
// longer than an unpinned one where a core is free.
#include <windows.h>

#include <array>
#include <condition_variable>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "platform/sha256_hash.h"

namespace wendrix {

class Sha256Stream {
 public:
  Sha256Stream() = default;
  ~Sha256Stream() { Reset(); }
  Sha256Stream(const Sha256Stream&) = delete;
  Sha256Stream& operator=(const Sha256Stream&) = delete;

  // As Sha256Hash. Without a thread (none could be started) the runs are
  // hashed in the caller's thread.
  HRESULT Start() noexcept;
  HRESULT Add(std::span<const char> bytes) noexcept;
  HRESULT Finish(Sha256Digest& digest) noexcept;
  bool Started() const noexcept { return m_started; }
  // Drops a digest under way, and the runs not yet hashed with it.
  void Reset() noexcept;

  // The run handed to the worker: large enough that a hand-over (a wake-up
  // of another thread) is rare, small enough that the worker starts early
  // and the last run left at the end is short.
  static constexpr std::size_t kRunSize = 1024 * 1024;
  // How many runs may wait for the worker: enough that the caller goes on
  // while the worker is off its core for a while, and catches up later.
  static constexpr std::size_t kQueuedRuns = 8;

 private:
  HRESULT HandOver() noexcept;
  void StopWorker(bool drop) noexcept;
  void Work() noexcept;

  Sha256Hash m_hash;  // the worker's alone while it runs
  std::vector<char> m_filling;  // the caller's run
  // The runs handed over, oldest first from m_next: the worker hashes that
  // one in place and counts it out only when it is done, so the caller
  // never fills a run being hashed.
  std::array<std::vector<char>, kQueuedRuns> m_queue;
  std::size_t m_next = 0, m_queued = 0;
  bool m_started = false;
  bool m_stop = false;
  HRESULT m_error = S_OK;  // the worker's first failure
  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::thread m_worker;
};

}  // namespace wendrix
