#include "update/transfer.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/unique_handle.h"
#include "update/client.h"
#include "update/settings.h"

namespace wendrix {
namespace {

// A fetch succeeded at the transport level but the context recorded an
// error (an HTTP status): a WinINet code comes back wrapped, anything else as
// E_FAIL.
HRESULT RecordedFailure(DWORD recorded) noexcept {
  if (recorded == 0) return S_OK;
  return recorded >= 12000 ? HResultFromWin32(static_cast<long>(recorded)) : E_FAIL;
}

// Deletes every file of a folder, then the folder; stops at the first file
// that stays.
void RemoveFolderIfFree(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  UniqueFind find(FindFirstFileW((folder + L"\\*").c_str(), &found));
  if (find) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveFolderIfFree(path);
        continue;
      }
      SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (!DeleteFileW(path.c_str())) return;
    } while (FindNextFileW(find.Get(), &found));
  }
  find.Reset();
  RemoveDirectoryW(folder.c_str());
}

// Passes bytes on until a cap: what would go beyond it fails the append
// (and with it the fetch) with kFetchTooLarge.
class CappedSink final : public ByteSink {
 public:
  CappedSink(ByteSink& inner, std::uint64_t cap) noexcept : m_inner(inner), m_cap(cap) {}
  HRESULT Empty() override {
    m_count = 0;
    return m_inner.Empty();
  }
  HRESULT Append(std::span<const char> bytes) override {
    if (bytes.size() > m_cap - m_count) return kFetchTooLarge;
    m_count += bytes.size();
    return m_inner.Append(bytes);
  }
  // What arrived since the last Empty.
  std::uint64_t Count() const noexcept { return m_count; }

 private:
  ByteSink& m_inner;
  std::uint64_t m_cap;
  std::uint64_t m_count = 0;
};

}  // namespace

void CleanLeftoverDownloadFolders() {
  wchar_t temp[MAX_PATH];
  const DWORD length = GetTempPathW(MAX_PATH, temp);
  if (length == 0 || length >= MAX_PATH) return;
  const std::wstring folder = std::wstring(temp) + L"Wendrix";
  WIN32_FIND_DATAW found;
  UniqueFind find(FindFirstFileW((folder + L"\\KWX*").c_str(), &found));
  if (!find) return;
  std::vector<std::wstring> leftovers;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) leftovers.push_back(folder + L"\\" + found.cFileName);
  } while (FindNextFileW(find.Get(), &found));
  find.Reset();
  for (const std::wstring& leftover : leftovers) RemoveFolderIfFree(leftover);
}

CTransfer::CTransfer() { CleanLeftoverDownloadFolders(); }

HRESULT CTransfer::OnProgress(std::uint32_t event, DWORD low, DWORD high, void* context) {
  auto* self = static_cast<CTransfer*>(context);
  if (GetTickCount64() >= self->m_deadline) return kFetchTimedOut;
  if (event != kProgressSize && event != kProgressBytes) return S_OK;
  const std::uint64_t value = (static_cast<std::uint64_t>(high) << 32) | low;
  // An announced length beyond the cap ends the fetch before its body.
  if (event == kProgressSize && value > self->m_cap) return kFetchTooLarge;
  if (self->m_mode & kFetchProgress) {
    if (event == kProgressSize) self->m_client->SetRange(0, value);
    else self->m_client->SetPosition(value);
  }
  return self->m_client->IsCancelled() ? E_ABORT : S_OK;
}

DWORD CTransfer::RetryPause(const InternetSettings& settings) noexcept {
  return std::min(settings.checkRetryPause, kMaxRetryPause) * 1000;
}

HRESULT CTransfer::Fetch(const wchar_t* url, const wchar_t* file, std::uint32_t mode, std::uint64_t limit) {
  m_attempts = 0;
  if (!url) return E_INVALIDARG;
  if (!m_client || !m_settings) return E_POINTER;
  const std::uint32_t attempts = std::clamp<std::uint32_t>(m_settings->checkAttempts, 1, kMaxAttempts);
  const DWORD pause = RetryPause(*m_settings);
  HRESULT hr = E_FAIL;
  for (std::uint32_t i = 0; i < attempts; ++i) {
    if (i > 0 && pause) Sleep(pause);
    ++m_attempts;
    hr = FetchOnce(url, file, mode, limit);
    // A cancel is the user's answer, a file too large stays so, and a server
    // too slow would only take its time again: none is a failure to retry.
    if (SUCCEEDED(hr) || hr == E_ABORT || hr == kFetchTooLarge || hr == kFetchTimedOut) break;
  }
  return hr;
}

HRESULT CTransfer::FetchOnce(const std::wstring& url, const wchar_t* file, std::uint32_t mode, std::uint64_t limit) {
  if (m_settings->modem && m_settings->dialUpEntry.empty()) return E_INVALIDARG;
  m_cap = file ? limit : std::min(limit, m_memoryBudget);
  if (m_cap == 0) return kFetchTooLarge;  // the budget is spent: not a byte more
  const std::uint64_t now = GetTickCount64();
  m_deadline = file || m_memoryFetchTime > UINT64_MAX - now ? UINT64_MAX : now + m_memoryFetchTime;
  CInternet internet;
  RETURN_IF_FAILED(internet.ApplySettings(*m_settings, true));
  m_mode = mode;
  internet.SetProgressCallback(&CTransfer::OnProgress, this);
  internet.SetUserAgent(m_settings->userAgent.c_str());
  RETURN_IF_FAILED(internet.Connect());

  DWORD flags = m_openFlags;
  if (m_settings->cookies == 0) flags |= kNoCookiesFlag;
  if (!file) {
    m_memory.Reset();
    MemorySink memory(m_memory);
    CappedSink sink(memory, m_cap);
    HRESULT hr = internet.Fetch(url, sink, flags, nullptr);
    if (m_memoryBudget != kNoFetchLimit) m_memoryBudget -= sink.Count();
    if (SUCCEEDED(hr)) hr = RecordedFailure(internet.LastError());
    if (FAILED(hr)) {
      m_memory.Reset();
      return hr;
    }
    if (mode & kFetchTerminate) {
      try {
        m_memory.Append(std::span<const char>("\0\0", 2));
      } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
      }
    }
    return S_OK;
  }
  UniqueFile output(CreateFileW(file, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
  RETURN_LAST_ERROR_IF(!output);
  FileSink written(output.Get());
  CappedSink sink(written, m_cap);
  HRESULT hr = internet.Fetch(url, sink, flags, nullptr);
  if (SUCCEEDED(hr)) hr = RecordedFailure(internet.LastError());
  output.Reset();
  if (FAILED(hr)) DeleteFileW(file);  // never leave a partial download behind
  return hr;
}

}  // namespace wendrix
