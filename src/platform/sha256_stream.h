#pragma once
// SHA-256 of bytes as they pass, computed on a thread of its own: the caller
// (a transfer) hands over its pieces and goes on receiving while the runs
// it handed over earlier are hashed, so that a pinned download takes little
// longer than an unpinned one where a core is free.
#include <windows.h>

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
  void Reset() noexcept;

 private:
  HRESULT HandOver() noexcept;
  void StopWorker() noexcept;
  void Work() noexcept;

  Sha256Hash m_hash;  // the worker's alone while it runs
  std::vector<char> m_filling;  // the caller's run
  std::vector<char> m_job;      // the worker's run while m_jobReady
  bool m_started = false;
  bool m_jobReady = false, m_stop = false;
  HRESULT m_error = S_OK;  // the worker's first failure
  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::thread m_worker;
};

}  // namespace wendrix
