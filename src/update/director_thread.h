#pragma once
// CDirectorThread: the user interface's one worker thread. It runs a check
// or the product's own update while the window stays responsive,
// reporting progress to the window through the check client's messages and
// the end of the job with WM_APP+0x66.
#include <windows.h>

#include <atomic>
#include <optional>
#include <string>

#include "core/result.h"
#include "core/sha256_text.h"
#include "platform/unique_handle.h"
#include "update/check_clients.h"
#include "update/transfer.h"

namespace wendrix {

class CPublisherStore;
struct InternetSettings;

// The job kinds reported in WM_APP+0x66's wParam.
inline constexpr WPARAM kJobCheck = 0;
inline constexpr WPARAM kJobUpdate = 1;

class CDirectorThread : public CCheckClient {
 public:
  CDirectorThread() = default;
  CDirectorThread(const CDirectorThread&) = delete;
  CDirectorThread& operator=(const CDirectorThread&) = delete;
  // Ends the thread after its current job.
  ~CDirectorThread() override;

  // Runs RunCheck on the thread with these arguments (which must live until
  // the job has ended); `filter` is copied. 0x80070420 while a job runs.
  HRESULT StartCheck(InternetSettings* settings, CPublisherStore* store, const wchar_t* filter,
                     std::uint32_t options, HWND notify);
  // Runs the product's own update (RunUpdate, interactive) on the thread;
  // the texts and the `pin` (the SHA-256 the file must have; null: none)
  // are copied. 0x80070420 while a job runs.
  HRESULT StartUpdate(const wchar_t* url, const wchar_t* rename, const wchar_t* parameters,
                      InternetSettings* settings, HWND notify, const Sha256Digest* pin = nullptr);

  bool Busy() const noexcept { return m_busy; }

 private:
  static DWORD WINAPI ThreadMain(void* self);
  HRESULT EnsureThread();
  void RunCheckJob();
  void RunUpdateJob();

  UniqueKernelObject m_thread;
  DWORD m_threadId = 0;
  UniqueKernelObject m_ready;
  std::atomic<bool> m_busy{false};
  CTransfer m_transfer;
  InternetSettings* m_settings = nullptr;
  CPublisherStore* m_store = nullptr;
  std::wstring m_filter;
  bool m_hasFilter = false;
  std::uint32_t m_options = 0;
  HWND m_notify = nullptr;
  std::wstring m_url, m_rename, m_parameters;
  bool m_hasRename = false, m_hasParameters = false;
  std::optional<Sha256Digest> m_pin;
};

}  // namespace wendrix
