#include "platform/sha256_stream.h"

#include <algorithm>
#include <new>
#include <system_error>

namespace wendrix {
namespace {

// The run handed to the worker: large enough that a hand-over is rare, small
// enough that the worker starts early and the last run left at the end is short.
constexpr std::size_t kRunSize = 256 * 1024;

}  // namespace

HRESULT Sha256Stream::Start() noexcept {
  Reset();
  RETURN_IF_FAILED(m_hash.Start());
  try {
    m_filling.reserve(kRunSize);
    m_job.reserve(kRunSize);
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
  StopWorker();
  if (SUCCEEDED(hr)) hr = m_error;
  if (SUCCEEDED(hr)) hr = m_hash.Finish(digest);
  Reset();
  return hr;
}

void Sha256Stream::Reset() noexcept {
  StopWorker();
  m_hash.Reset();
  m_filling.clear();
  m_job.clear();
  m_started = m_jobReady = m_stop = false;
  m_error = S_OK;
}

// Waits until the worker has taken the last run, then gives it this one.
HRESULT Sha256Stream::HandOver() noexcept {
  if (!m_worker.joinable()) {
    const HRESULT hr = m_hash.Add(m_filling);
    m_filling.clear();
    return hr;
  }
  std::unique_lock lock(m_mutex);
  m_changed.wait(lock, [&] { return !m_jobReady; });
  if (FAILED(m_error)) return m_error;
  std::swap(m_filling, m_job);
  m_filling.clear();
  m_jobReady = true;
  m_changed.notify_all();
  return S_OK;
}

// Lets the worker finish its run, then ends it.
void Sha256Stream::StopWorker() noexcept {
  if (!m_worker.joinable()) return;
  {
    std::lock_guard lock(m_mutex);
    m_stop = true;
  }
  m_changed.notify_all();
  m_worker.join();
}

void Sha256Stream::Work() noexcept {
  std::unique_lock lock(m_mutex);
  for (;;) {
    m_changed.wait(lock, [&] { return m_jobReady || m_stop; });
    if (!m_jobReady) return;  // stopped with nothing left
    lock.unlock();
    const HRESULT hr = m_hash.Add(m_job);
    lock.lock();
    if (FAILED(hr) && SUCCEEDED(m_error)) m_error = hr;
    m_jobReady = false;
    m_changed.notify_all();
  }
}

}  // namespace wendrix
