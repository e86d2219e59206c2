#pragma once
// The hidden window of a running wallet entry. Its title is the entry ID, so
// that any process can find a download, ask whether it runs or installs,
// pause, resume or stop it; it answers the entry's own status messages with
// the pause and stop marks, and it holds off a log-off while downloads run.
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "core/result.h"
#include "platform/unique_handle.h"

namespace wendrix {

inline constexpr wchar_t kDownloadWindowClass[] = L"WendrixWalletDownload";

// Messages of the download window.
enum DownloadWindowMessage : UINT {
  kDownloadStop = WM_APP,          // also signals "Stop_Installer_" + ID
  kDownloadPause = WM_APP + 1,
  kDownloadResume = WM_APP + 2,
  kDownloadQueryRunning = WM_APP + 3,     // 1: downloading and not stopping
  kDownloadQueryInstalling = WM_APP + 4,  // 1: installing
};

// How long Start waits for the window's thread to start, and then for the
// window itself (attempts and pause).
inline constexpr DWORD kWindowThreadStartMs = 3000;
inline constexpr int kWindowAttempts = 10;
inline constexpr DWORD kWindowAttemptPauseMs = 500;

class CDownloadWindow {
 public:
  CDownloadWindow() = default;
  CDownloadWindow(const CDownloadWindow&) = delete;
  CDownloadWindow& operator=(const CDownloadWindow&) = delete;
  // Destroys the window and ends its thread.
  ~CDownloadWindow();

  // Starts the window's thread and waits for the window (E_FAIL when it does
  // not appear in time).
  HRESULT Start(const std::wstring& entryId);
  HWND Window() const noexcept { return m_window.load(); }

 private:
  void Run(HANDLE started);
  // The end of the thread's start: the window made, or none to come.
  void Settle(HWND window);
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l);
  LRESULT Handle(UINT message, WPARAM w, LPARAM l);
  LRESULT OnCopyData(const COPYDATASTRUCT& data);
  LRESULT OnQueryEndSession();

  std::wstring m_id;
  std::thread m_thread;
  std::atomic<HWND> m_window{nullptr};
  std::atomic<bool> m_closing{false};
  // Set once the thread has made its window or given up on it. It lives as
  // long as the thread, so that a Start that gave up early leaves the
  // thread no closed handle to set.
  UniqueKernelObject m_settled;
  UniqueKernelObject m_pending;  // "WendrixWalletDownloadsPending"
  bool m_downloading = false, m_installing = false, m_stopping = false, m_paused = false;
};

// The download windows of every process: how many report a running download
// and how many an installation (`self`, when given, answers from its own
// marks instead of by message).
struct DownloadCounts {
  int downloading = 0;
  int installing = 0;
};
DownloadCounts CountDownloads(HWND self = nullptr, bool selfDownloading = false, bool selfInstalling = false);

// The download window of an entry, or null.
HWND FindDownloadWindow(const std::wstring& entryId) noexcept;

}  // namespace wendrix
