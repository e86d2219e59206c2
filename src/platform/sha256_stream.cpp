#include "platform/sha256_stream.h"

#include <algorithm>
#include <new>
#include <system_error>

namespace wendrix {

HRESULT Sha256Stream::Start() noexcept {
  Reset();
  RETURN_IF_FAILED(m_hash.Start());
  try {
    m_filling.reserve(kRunSize);
  } catch (const std::bad_alloc&) {
    m_hash.Reset();
    return E_OUTOFMEMORY;
  }
  try {
    m_worker = std::thread(&Sha256Stream::Work, this);
  } catch (const std::system_error&) {
    // Hashed in the caller's thread instead.
  }
  m_started = true;
  return S_OK;
}

HRESULT Sha256Stream::Add(std::span<const char> bytes) noexcept {
  if (!m_started) return E_UNEXPECTED;
  while (!bytes.empty()) {
    const std::size_t piece = std::min(bytes.size(), kRunSize - m_filling.size());
    m_filling.insert(m_filling.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(piece));
    bytes = bytes.subspan(piece);
    if (m_filling.size() == kRunSize) RETURN_IF_FAILED(HandOver());
  }
  return S_OK;
}

HRESULT Sha256Stream::Finish(Sha256Digest& digest) noexcept {
  if (!m_started) return E_UNEXPECTED;
  HRESULT hr = m_filling.empty() ? S_OK : HandOver();
  StopWorker(FAILED(hr));
  if (SUCCEEDED(hr)) hr = m_error;
  if (SUCCEEDED(hr)) hr = m_hash.Finish(digest);
  Reset();
  return hr;
}

void Sha256Stream::Reset() noexcept {
  StopWorker(true);
  m_hash.Reset();
  m_filling.clear();
  for (std::vector<char>& run : m_queue) run.clear();
  m_next = m_queued = 0;
  m_started = m_stop = false;
  m_error = S_OK;
}

// Queues the caller's run, waiting only while the queue is full, and takes
// an emptied run to fill next.
HRESULT Sha256Stream::HandOver() noexcept {
  if (!m_worker.joinable()) {
    const HRESULT hr = m_hash.Add(m_filling);
    m_filling.clear();
    return hr;
  }
  {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return m_queued < kQueuedRuns || FAILED(m_error); });
    if (FAILED(m_error)) return m_error;
    std::swap(m_filling, m_queue[(m_next + m_queued) % kQueuedRuns]);
    ++m_queued;
  }
  m_changed.notify_all();
  m_filling.clear();
  try {
    m_filling.reserve(kRunSize);  // a run new to the queue has no room yet
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

// Lets the worker hash what is queued (or drops it), then ends it.
void Sha256Stream::StopWorker(bool drop) noexcept {
  if (!m_worker.joinable()) return;
  {
    std::lock_guard lock(m_mutex);
    m_stop = true;
    // The run under way, if any, stays counted until the worker is done with it.
    if (drop && m_queued > 1) m_queued = 1;
  }
  m_changed.notify_all();
  m_worker.join();
}

void Sha256Stream::Work() noexcept {
  std::unique_lock lock(m_mutex);
  for (;;) {
    m_changed.wait(lock, [&] { return m_queued > 0 || m_stop; });
    if (m_queued == 0) return;  // stopped with nothing left
    std::vector<char>& run = m_queue[m_next];
    const bool failed = FAILED(m_error);  // after a failure the runs are only counted out
    lock.unlock();
    const HRESULT hr = failed ? S_OK : m_hash.Add(run);
    lock.lock();
    if (FAILED(hr) && SUCCEEDED(m_error)) m_error = hr;
    m_next = (m_next + 1) % kQueuedRuns;
    --m_queued;
    m_changed.notify_all();
  }
}

}  // namespace wendrix
