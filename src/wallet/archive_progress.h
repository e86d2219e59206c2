#pragma once
// The progress window of an archive installation (dialog 360): two lines of
// text, a bar and Cancel. It runs on a thread of its own, so it stays
// responsive while the installing thread is busy inside the ZIP library, and
// the installing thread never waits for it: every change is stored and the
// window is told to show it.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "platform/unique_handle.h"

namespace wendrix {

class CArchiveProgress {
 public:
  CArchiveProgress() = default;
  CArchiveProgress(const CArchiveProgress&) = delete;
  CArchiveProgress& operator=(const CArchiveProgress&) = delete;
  ~CArchiveProgress() { Close(); }

  // Shows the window, owned by `owner`, with `title`. False when it cannot
  // be made; the installation then goes on without it.
  bool Show(HWND owner, const std::wstring& title);
  // Closes the window and ends its thread. Harmless when not shown.
  void Close() noexcept;

  void SetText(const std::wstring& text);
  void SetDetail(const std::wstring& text);
  void SetCount(std::uint32_t done, std::uint32_t total);
  // Hides the window while another window asks the user something.
  void SetVisible(bool visible) noexcept;

  // Set once the user pressed Cancel or closed the window.
  const std::atomic<bool>& CancelFlag() const noexcept { return m_cancelled; }
  bool Cancelled() const noexcept { return m_cancelled.load(); }

 private:
  static DWORD WINAPI ThreadMain(void* self);
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM w, LPARAM l);
  void Refresh();
  void Changed() noexcept;

  std::atomic<bool> m_cancelled{false};
  HWND m_owner = nullptr;
  std::wstring m_title;
  std::atomic<HWND> m_window{nullptr};
  std::atomic<bool> m_refreshPosted{false};
  UniqueKernelObject m_thread, m_ready;

  std::mutex m_lock;  // guards what the window shows next
  std::wstring m_text, m_detail;
  std::uint32_t m_done = 0, m_total = 0;
};

}  // namespace wendrix
