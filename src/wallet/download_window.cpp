#include "wallet/download_window.h"

#include <vector>

#include "frame/messages.h"
#include "frame/module_state.h"
#include "resources/string_ids.h"
#include "wallet/entry_runner.h"
#include "wallet/status_message.h"

namespace wendrix {
namespace {

// A window of another process that hangs must not hang the one asking.
constexpr UINT kQueryTimeoutMs = 5000;
constexpr int kLogOffChecks = 40;
constexpr DWORD kLogOffCheckPauseMs = 500;

std::vector<HWND> DownloadWindows() {
  std::vector<HWND> windows;
  for (HWND w = FindWindowExW(nullptr, nullptr, kDownloadWindowClass, nullptr); w;
       w = FindWindowExW(nullptr, w, kDownloadWindowClass, nullptr))
    windows.push_back(w);
  return windows;
}

bool Ask(HWND window, UINT message) {
  DWORD_PTR answer = 0;
  return SendMessageTimeoutW(window, message, 0, 0, SMTO_ABORTIFHUNG, kQueryTimeoutMs, &answer) && answer == 1;
}

// The class is registered once per process, for the process's module: its
// procedure is the system's, and each window is given ours when made, so
// the class outlives any copy of this code that is unloaded.
bool RegisterDownloadClass() {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = kDownloadWindowClass;
  return RegisterClassW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

DownloadCounts CountDownloads(HWND self, bool selfDownloading, bool selfInstalling) {
  DownloadCounts counts;
  for (HWND window : DownloadWindows()) {
    const bool downloading = window == self ? selfDownloading : Ask(window, kDownloadQueryRunning);
    const bool installing = window == self ? selfInstalling : Ask(window, kDownloadQueryInstalling);
    counts.downloading += downloading;
    counts.installing += installing;
  }
  return counts;
}

HWND FindDownloadWindow(const std::wstring& entryId) noexcept {
  return FindWindowW(kDownloadWindowClass, entryId.c_str());
}

CDownloadWindow::~CDownloadWindow() {
  // The window may appear only after Start gave up on it: the thread then
  // sees the closing mark as soon as it has made the window, and whichever
  // of the two looks last closes it.
  m_closing.store(true);
  if (HWND window = m_window.load()) PostMessageW(window, WM_CLOSE, 0, 0);
  if (m_thread.joinable()) m_thread.join();
}

HRESULT CDownloadWindow::Start(const std::wstring& entryId) {
  m_id = entryId;
  UniqueKernelObject started(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  RETURN_LAST_ERROR_IF(!started);
  m_settled.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  RETURN_LAST_ERROR_IF(!m_settled);
  try {
    m_thread = std::thread(&CDownloadWindow::Run, this, started.Get());
  } catch (const std::system_error&) {
    return E_FAIL;
  }
  if (WaitForSingleObject(started.Get(), kWindowThreadStartMs) != WAIT_OBJECT_0) return E_FAIL;
  // As long as the attempts would take in all, but over as soon as the
  // thread is done: a window is usually there within a millisecond, and
  // every download waited for it.
  WaitForSingleObject(m_settled.Get(), kWindowAttempts * kWindowAttemptPauseMs);
  return m_window.load() ? S_OK : E_FAIL;
}

void CDownloadWindow::Settle(HWND window) {
  m_window.store(window);
  SetEvent(m_settled.Get());
}

void CDownloadWindow::Run(HANDLE started) {
  m_pending.Reset(CreateEventW(nullptr, TRUE, FALSE, kDownloadsPendingEvent));
  SetEvent(started);
  if (!RegisterDownloadClass()) return Settle(nullptr);
  HWND window = CreateWindowExW(0, kDownloadWindowClass, m_id.c_str(), WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  if (!window) return Settle(nullptr);
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CDownloadWindow::Procedure));
  Settle(window);
  if (m_closing.load()) DestroyWindow(window);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  m_window.store(nullptr);
  m_pending.Reset();
}

LRESULT CALLBACK CDownloadWindow::Procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  auto* self = reinterpret_cast<CDownloadWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_CLOSE) {
    DestroyWindow(window);
    return 0;
  }
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return self ? self->Handle(message, w, l) : DefWindowProcW(window, message, w, l);
}

LRESULT CDownloadWindow::Handle(UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case kDownloadStop:
      if (UniqueKernelObject stop(OpenEventW(EVENT_MODIFY_STATE, FALSE, (L"Stop_Installer_" + m_id).c_str())); stop)
        SetEvent(stop.Get());
      m_stopping = true;
      return 1;
    case kDownloadPause: m_paused = true; return 1;
    case kDownloadResume: m_paused = false; return 1;
    case kDownloadQueryRunning: return m_downloading && !m_stopping;
    case kDownloadQueryInstalling: return m_installing;
    case WM_COPYDATA:
      if (const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(l)) return OnCopyData(*data);
      return 0;
    case WM_QUERYENDSESSION: return OnQueryEndSession();
    default: return DefWindowProcW(m_window.load(), message, w, l);
  }
}

LRESULT CDownloadWindow::OnCopyData(const COPYDATASTRUCT& data) {
  if (data.dwData == kStatusStarted || data.dwData == kStatusProgress) {
    if (m_stopping) return kReplyAbort;
    return m_paused ? kReplyBusy : kReplyGoOn;
  }
  if (data.dwData != kStatusChanged || data.cbData < 4 * sizeof(std::uint32_t) || !data.lpData) return 0;
  const std::uint32_t status = *static_cast<const std::uint32_t*>(data.lpData);
  m_downloading = status == 0;
  m_installing = status == 5;
  // An installation waits for this event: it goes up once no download of any
  // process runs.
  if (m_pending && CountDownloads(m_window.load(), m_downloading, m_installing).downloading == 0)
    SetEvent(m_pending.Get());
  return 1;
}

LRESULT CDownloadWindow::OnQueryEndSession() {
  HWND self = m_window.load();
  const DownloadCounts counts = CountDownloads(self, m_downloading && !m_stopping, m_installing);
  if (counts.installing > 0) return FALSE;
  if (counts.downloading == 0) return TRUE;
  const std::vector<HWND> others = [&] {
    std::vector<HWND> all = DownloadWindows();
    std::erase(all, self);
    return all;
  }();
  for (HWND other : others) Ask(other, kDownloadPause);
  const DWORD_PTR count = static_cast<DWORD_PTR>(counts.downloading);
  const LocalText text(FormatCountedMessageText(kStrLogOffDownloadsInProgress, Module().module, {&count, 1}));
  const std::wstring title = MessageString(kStrAppNameTitle);
  const int answer = MessageBoxW(nullptr, text ? text.get() : L"", title.c_str(),
                                 MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND | MB_TOPMOST);
  if (answer != IDYES) {
    for (HWND other : others) Ask(other, kDownloadResume);
    return FALSE;
  }
  for (HWND other : others) Ask(other, kDownloadStop);
  m_stopping = true;
  for (int check = 0; check < kLogOffChecks && CountDownloads(self, false, m_installing).downloading > 0; ++check)
    Sleep(kLogOffCheckPauseMs);
  return TRUE;
}

}  // namespace wendrix
