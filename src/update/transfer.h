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
  // CheckAttempts times (at least once) with CheckRetryPause seconds between.
  HRESULT Fetch(const wchar_t* url, const wchar_t* file, std::uint32_t mode);

  const CBuffer<char>& Result() const noexcept { return m_memory; }
  // The number of fetch attempts made by the last Fetch (for the curious).
  std::uint32_t Attempts() const noexcept { return m_attempts; }

 private:
  HRESULT FetchOnce(const std::wstring& url, const wchar_t* file, std::uint32_t mode);
  static HRESULT OnProgress(std::uint32_t event, DWORD low, DWORD high, void* context);

  CClient* m_client = nullptr;
  const InternetSettings* m_settings = nullptr;
  CBuffer<char> m_memory;
  std::uint32_t m_mode = 0;
  DWORD m_openFlags = kDataFileOpenFlags;
  std::uint32_t m_attempts = 0;
};

// Empties and removes the subfolders of the temporary "Wendrix" folder whose
// names begin with "KWX", each only when all its files can be deleted.
void CleanLeftoverDownloadFolders();

}  // namespace wendrix
