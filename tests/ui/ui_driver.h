#pragma once
// Driving the library's real windows from a test: each one runs on a thread
// of its own, is found once it shows, and is worked by the messages a user's
// keys and clicks would send.
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace wendrix::test {

// Waits up to `tries` x 50 ms for `done`, pumping nothing.
inline bool WaitFor(const std::function<bool()>& done, int tries = 600) {
  for (int i = 0; i < tries; ++i, Sleep(50))
    if (done()) return true;
  return done();
}

inline std::wstring TextOf(HWND window) {
  wchar_t text[1024] = {};
  GetWindowTextW(window, text, 1024);
  return text;
}

// A control of the dialog or of one of its child dialogs (its pages).
inline HWND Control(HWND dialog, int id) {
  HWND found = GetDlgItem(dialog, id);
  for (HWND page = nullptr; !found && (page = FindWindowExW(dialog, page, L"#32770", nullptr));)
    found = GetDlgItem(page, id);
  return found;
}

// The window that has the keyboard focus in `window`'s thread.
inline HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}

// A modal dialog shown by `show` on a thread of its own, in English.
class ShownDialog {
 public:
  ~ShownDialog() {
    if (!m_thread.joinable()) return;
    if (m_dialog) PostMessageW(m_dialog, WM_COMMAND, IDCANCEL, 0);
    m_thread.join();
  }
  // Shows it and waits until it is visible (its initialization done).
  HWND Open(std::function<HRESULT()> show, const wchar_t* caption) {
    m_result = E_PENDING;
    m_thread = std::thread([this, show] {
      SetThreadUILanguage(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
      m_result = show();
    });
    WaitFor([&] { return IsWindowVisible(m_dialog = FindWindowW(L"#32770", caption)); }, 200);
    // One found but never shown counts as not open; kept to be cancelled at the end.
    return IsWindowVisible(m_dialog) ? m_dialog : nullptr;
  }
  // Waits until it has closed; what its function returned.
  HRESULT Closed() {
    m_thread.join();
    m_dialog = nullptr;
    return m_result;
  }
  // Presses a button and waits until it has closed.
  HRESULT Press(int button) {
    PostMessageW(m_dialog, WM_COMMAND, button, 0);
    return Closed();
  }

 private:
  std::thread m_thread;
  std::atomic<HRESULT> m_result{E_PENDING};
  HWND m_dialog = nullptr;
};

}  // namespace wendrix::test
