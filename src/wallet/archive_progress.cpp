#include "wallet/archive_progress.h"

#include <commctrl.h>

#include "frame/module_state.h"
#include "resources/dialog_ids.h"

namespace wendrix {
namespace {

// Posted by the installing thread: the stored texts and count changed.
constexpr UINT kRefresh = WM_APP + 1;
constexpr UINT kBarRange = 1000;

}  // namespace

bool CArchiveProgress::Show(HWND owner, const std::wstring& title) {
  if (m_thread) return true;
  m_owner = owner;
  m_title = title;
  m_ready.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!m_ready) return false;
  m_thread.Reset(CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr));
  if (!m_thread) return false;
  const HANDLE waits[] = {m_ready.Get(), m_thread.Get()};
  WaitForMultipleObjects(2, waits, FALSE, INFINITE);
  if (m_window.load()) return true;
  Close();
  return false;
}

void CArchiveProgress::Close() noexcept {
  if (!m_thread) return;
  if (const HWND window = m_window.load()) PostMessageW(window, WM_CLOSE, 0, 0);
  WaitForSingleObject(m_thread.Get(), INFINITE);
  m_thread.Reset();
  m_window = nullptr;
}

DWORD WINAPI CArchiveProgress::ThreadMain(void* context) {
  auto& self = *static_cast<CArchiveProgress*>(context);
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  const HWND window = CreateDialogParamW(Module().module, MAKEINTRESOURCEW(WX_DIALOG_ARCHIVE_PROGRESS), self.m_owner,
                                         DialogProc, reinterpret_cast<LPARAM>(&self));
  self.m_window = window;
  SetEvent(self.m_ready.Get());
  if (!window) return 1;
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (!IsDialogMessageW(window, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return 0;
}

INT_PTR CALLBACK CArchiveProgress::DialogProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  auto* self = reinterpret_cast<CArchiveProgress*>(GetWindowLongPtrW(window, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      self = reinterpret_cast<CArchiveProgress*>(l);
      SetWindowLongPtrW(window, DWLP_USER, l);
      SetWindowTextW(window, self->m_title.c_str());
      SendDlgItemMessageW(window, WX_CONTROL_PROGRESS_BAR, PBM_SETRANGE32, 0, kBarRange);
      ShowWindow(window, SW_SHOW);
      return TRUE;
    case kRefresh:
      if (self) self->Refresh();
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(w) == IDCANCEL && self) {
        // The installation stops at its next step; the window stays until
        // it is closed by the installation.
        self->m_cancelled = true;
        EnableWindow(GetDlgItem(window, IDCANCEL), FALSE);
      }
      return TRUE;
    case WM_CLOSE:
      DestroyWindow(window);
      return TRUE;
    case WM_DESTROY:
      PostQuitMessage(0);
      return TRUE;
    default:
      return FALSE;
  }
}

void CArchiveProgress::Refresh() {
  m_refreshPosted = false;
  std::wstring text, detail;
  std::uint32_t done, total;
  {
    std::lock_guard lock(m_lock);
    text = m_text;
    detail = m_detail;
    done = m_done;
    total = m_total;
  }
  const HWND window = m_window.load();
  SetDlgItemTextW(window, WX_CONTROL_PROGRESS_TEXT, text.c_str());
  SetDlgItemTextW(window, WX_CONTROL_PROGRESS_DETAIL, detail.c_str());
  const auto position = total ? static_cast<WPARAM>(static_cast<std::uint64_t>(done) * kBarRange / total) : 0;
  SendDlgItemMessageW(window, WX_CONTROL_PROGRESS_BAR, PBM_SETPOS, position, 0);
}

// One refresh waits in the window's queue at most, however fast the
// installation goes.
void CArchiveProgress::Changed() noexcept {
  const HWND window = m_window.load();
  if (window && !m_refreshPosted.exchange(true)) PostMessageW(window, kRefresh, 0, 0);
}

void CArchiveProgress::SetText(const std::wstring& text) {
  {
    std::lock_guard lock(m_lock);
    m_text = text;
  }
  Changed();
}

void CArchiveProgress::SetDetail(const std::wstring& text) {
  {
    std::lock_guard lock(m_lock);
    m_detail = text;
  }
  Changed();
}

void CArchiveProgress::SetCount(std::uint32_t done, std::uint32_t total) {
  {
    std::lock_guard lock(m_lock);
    m_done = done;
    m_total = total;
  }
  Changed();
}

void CArchiveProgress::SetVisible(bool visible) noexcept {
  if (const HWND window = m_window.load()) ShowWindowAsync(window, visible ? SW_SHOW : SW_HIDE);
}

}  // namespace wendrix
