#include "wallet/archive_password.h"

#include <commctrl.h>

#include <vector>

#include "frame/dialog_guard.h"
#include "frame/module_state.h"
#include "resources/dialog_ids.h"

namespace wendrix {
namespace {

// What each control does, shown when the pointer rests on it.
constexpr struct {
  int control;
  const wchar_t* help;
} kHelp[] = {
    {WX_CONTROL_PASSWORD_EDIT, L"Provides a space for you to type the password needed to extract the archived files."},
    {IDOK, L"Closes this dialog box and confirms the password."},
    {IDCANCEL, L"Closes this dialog box without confirming the password. The file extraction is cancelled."},
};

struct Question {
  std::wstring member;
  std::wstring* password;
};

void AddHelp(HWND dialog) {
  const HWND tips = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr, nullptr, nullptr);
  if (!tips) return;
  SendMessageW(tips, TTM_SETMAXTIPWIDTH, 0, 300);
  for (const auto& entry : kHelp) {
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = dialog;
    tool.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(dialog, entry.control));
    tool.lpszText = const_cast<wchar_t*>(entry.help);
    SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

INT_PTR CALLBACK PasswordProc(HWND dialog, UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_INITDIALOG: {
      auto* question = reinterpret_cast<Question*>(l);
      SetWindowLongPtrW(dialog, DWLP_USER, l);
      SetDlgItemTextW(dialog, WX_CONTROL_PASSWORD_MEMBER, question->member.c_str());
      AddHelp(dialog);
      SetForegroundWindow(dialog);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(w) == IDOK) {
        auto* question = reinterpret_cast<Question*>(GetWindowLongPtrW(dialog, DWLP_USER));
        const HWND edit = GetDlgItem(dialog, WX_CONTROL_PASSWORD_EDIT);
        std::vector<wchar_t> typed(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1);
        const int length = GetWindowTextW(edit, typed.data(), static_cast<int>(typed.size()));
        question->password->assign(typed.data(), static_cast<std::size_t>(length));
        SecureZeroMemory(typed.data(), typed.size() * sizeof(wchar_t));
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(w) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

bool AskArchivePassword(HWND owner, std::wstring_view member, std::wstring& password) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  Question question{std::wstring(member), &password};
  return DialogBoxParamW(Module().module, MAKEINTRESOURCEW(WX_DIALOG_ARCHIVE_PASSWORD), owner, GuardedDialogProc<PasswordProc>,
                         reinterpret_cast<LPARAM>(&question)) == IDOK;
}

}  // namespace wendrix
