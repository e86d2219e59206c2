#pragma once
// CTransfer: the fetch front end of a check or an operation. Each fetch gets
// a fresh CInternet; failed fetches are tried again as the settings say;
// the client hears the progress and can stop a fetch.
#include <cstdint>
#include <string>

#include "core/buffer.h"
#include "core/result.h"
#include "update/internet.h"

namespace wendrix {

class CClient;
struct InternetSettings;

// Fetch modes.
inline constexpr std::uint32_t kFetchTerminate = 0x1;  // end the memory result with two zero bytes
inline constexpr std::uint32_t kFetchProgress = 0x2;   // report progress to the client

// No cap on what a fetch may receive.
inline constexpr std::uint64_t kNoFetchLimit = UINT64_MAX;
// A fetch that would receive more than its cap: ERROR_FILE_TOO_LARGE wrapped.
inline constexpr HRESULT kFetchTooLarge = HResultFromWin32(223);
// A memory fetch that took longer than its time: ERROR_INTERNET_TIMEOUT
// wrapped.
inline constexpr HRESULT kFetchTimedOut = HResultFromWin32(12002);

class CTransfer {
 public:
  // Empties and removes the leftover "KWX" download folders.
  CTransfer();

  void Bind(CClient* client, const InternetSettings* settings) noexcept {
    m_client = client;
    m_settings = settings;
  }
  void SetOpenFlags(DWORD flags) noexcept { m_openFlags = flags; }
  CClient* Client() const noexcept { return m_client; }

  // Fetches `url` into `file` (created anew; deleted when the fetch fails
  // or is cancelled) or, without a file, into the memory result. E_INVALIDARG
  // without a URL, E_POINTER without client or settings. Tries
  // CheckAttempts times (at most kMaxAttempts, at least once) with
  // CheckRetryPause seconds (at most kMaxRetryPause) between.
  //
  // A fetch receives at most `limit` bytes, and a memory fetch at most what
  // is left of the memory budget: one that would receive more (by its
  // announced length or by what arrives) fails with kFetchTooLarge at once,
  // and is not tried again. Bytes a memory fetch received count against the
  // budget whether it succeeded or not.
  HRESULT Fetch(const wchar_t* url, const wchar_t* file, std::uint32_t mode, std::uint64_t limit = kNoFetchLimit);

  // What the memory fetches from now on may receive together (a check's
  // share of the network); unlimited until set.
  void SetMemoryBudget(std::uint64_t bytes) noexcept { m_memoryBudget = bytes; }
  std::uint64_t MemoryBudget() const noexcept { return m_memoryBudget; }
  // How long one attempt of a memory fetch may take: a server that sends a
  // byte now and then keeps every read alive, and so WinINet's own time-outs
  // never end it. Past this time the attempt fails with kFetchTimedOut at
  // its next progress, and is not tried again. Unlimited until set
  // (kNoFetchLimit).
  void SetMemoryFetchTime(std::uint64_t milliseconds) noexcept { m_memoryFetchTime = milliseconds; }

  // The ceilings of the settings' CheckAttempts and CheckRetryPause: a
  // publisher that fails is not to hold a check up for hours.
  static constexpr std::uint32_t kMaxAttempts = 10;
  static constexpr std::uint32_t kMaxRetryPause = 60;  // seconds
  // The pause between two attempts in milliseconds.
  static DWORD RetryPause(const InternetSettings& settings) noexcept;

  const CBuffer<char>& Result() const noexcept { return m_memory; }
  // The number of fetch attempts made by the last Fetch (for the curious).
  std::uint32_t Attempts() const noexcept { return m_attempts; }

 private:
  HRESULT FetchOnce(const std::wstring& url, const wchar_t* file, std::uint32_t mode, std::uint64_t limit);
  static HRESULT OnProgress(std::uint32_t event, DWORD low, DWORD high, void* context);

  CClient* m_client = nullptr;
  const InternetSettings* m_settings = nullptr;
  CBuffer<char> m_memory;
  std::uint32_t m_mode = 0;
  std::uint64_t m_memoryBudget = kNoFetchLimit;
  std::uint64_t m_cap = kNoFetchLimit;  // the cap of the fetch under way
  std::uint64_t m_memoryFetchTime = kNoFetchLimit;
  std::uint64_t m_deadline = UINT64_MAX;  // tick count at which the fetch under way fails
  DWORD m_openFlags = kDataFileOpenFlags;
  std::uint32_t m_attempts = 0;
};

// Empties and removes the subfolders of the temporary "Wendrix" folder whose
// names begin with "KWX", each only when all its files can be deleted.
void CleanLeftoverDownloadFolders();

}  // namespace wendrix
