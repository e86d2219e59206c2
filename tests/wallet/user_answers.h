#pragma once
// Playing the user in tests of installations: message boxes and the
// library's own dialogs answered from another thread, and the entry's
// confirmation events held as the waiting program holds them.
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/unique_handle.h"
#include "resources/dialog_ids.h"
#include "wallet/entry_confirmation.h"

namespace wendrix::test {

inline std::wstring TextOf(HWND window, int control) {
  wchar_t text[2048] = {};
  GetDlgItemTextW(window, control, text, 2048);
  return text;
}

// A system message box's text control, and the action messages' one.
inline constexpr int kBoxText = 0xFFFF;
inline constexpr int kMessageText = WX_CONTROL_MESSAGE_TEXT;

struct BoxSearch {
  DWORD process;
  HWND found;
};

// A callback of the system's calling convention (a lambda is not one on
// 32-bit Windows).
inline BOOL CALLBACK VisitForBox(HWND window, LPARAM context) {
  auto& s = *reinterpret_cast<BoxSearch*>(context);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == s.process && IsWindowVisible(window) &&
      (GetDlgItem(window, kBoxText) || GetDlgItem(window, kMessageText) ||
       GetDlgItem(window, WX_CONTROL_PASSWORD_EDIT)))
    s.found = window;
  return !s.found;
}

// A message box of this process that is showing: a dialog with a box's
// text control.
inline HWND FindMessageBox() {
  BoxSearch search{GetCurrentProcessId(), nullptr};
  EnumWindows(VisitForBox, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Plays the user: answers each message box that appears with the next
// button, keeping each box's title and text.
class User {
 public:
  // `password` is typed into a password question before its button.
  explicit User(std::vector<int> buttons, std::wstring password = L"") : m_thread([this, buttons, password] {
    for (const int button : buttons) {
      HWND box = nullptr;
      for (int attempt = 0; attempt < 400 && !box && !m_stop; ++attempt, Sleep(50)) box = FindMessageBox();
      if (!box) return;
      wchar_t title[256] = {};
      GetWindowTextW(box, title, 256);
      std::wstring shown = std::wstring(title) + L"|" + TextOf(box, kBoxText) + TextOf(box, kMessageText) +
                           TextOf(box, WX_CONTROL_PASSWORD_MEMBER);
      if (GetDlgItem(box, WX_CONTROL_PASSWORD_EDIT)) SetDlgItemTextW(box, WX_CONTROL_PASSWORD_EDIT, password.c_str());
      if (GetDlgItem(box, kMessageText)) {
        shown += L"|" + TextOf(box, IDYES);
        if (IsWindowVisible(GetDlgItem(box, IDNO))) shown += L"|" + TextOf(box, IDNO);
      }
      seen.push_back(shown);
      PostMessageW(box, WM_COMMAND, button, 0);
      while (IsWindow(box)) Sleep(20);
    }
  }) {}
  ~User() { Seen(); }
  std::vector<std::wstring> Seen() {
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
    return seen;
  }

 private:
  std::vector<std::wstring> seen;
  std::atomic<bool> m_stop{false};
  std::thread m_thread;
};

// The entry's two events, held as the program that waits for the
// installation holds them.
class ConfirmationEvents {
 public:
  explicit ConfirmationEvents(const std::wstring& entryId)
      : m_confirmed(CreateEventW(nullptr, TRUE, FALSE, EntryConfirmationEvent(entryId, true).c_str())),
        m_unconfirmed(CreateEventW(nullptr, TRUE, FALSE, EntryConfirmationEvent(entryId, false).c_str())) {}
  // "confirmed", "unconfirmed", or "" when neither is signaled; both are reset.
  std::wstring Take() {
    std::wstring answer = WaitForSingleObject(m_confirmed.Get(), 0) == WAIT_OBJECT_0     ? L"confirmed"
                          : WaitForSingleObject(m_unconfirmed.Get(), 0) == WAIT_OBJECT_0 ? L"unconfirmed"
                                                                                         : L"";
    ResetEvent(m_confirmed.Get());
    ResetEvent(m_unconfirmed.Get());
    return answer;
  }

 private:
  UniqueKernelObject m_confirmed, m_unconfirmed;
};

}  // namespace wendrix::test
