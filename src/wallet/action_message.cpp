#include "wallet/action_message.h"

#include <string>

#include "frame/dialog_guard.h"
#include "frame/messages.h"
#include "frame/module_state.h"
#include "resources/dialog_ids.h"
#include "resources/string_ids.h"

namespace wendrix {
namespace {

struct ShownMessage {
  std::wstring title, text, yes, no;
  bool twoButtons = true;
};

// An edit control breaks lines at CR LF only.
std::wstring WithCrLf(const std::wstring& text) {
  std::wstring out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\n' && (i == 0 || text[i - 1] != L'\r')) out += L'\r';
    out += text[i];
  }
  return out;
}

INT_PTR CALLBACK MessageProc(HWND dialog, UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_INITDIALOG: {
      const auto& shown = *reinterpret_cast<const ShownMessage*>(l);
      SetWindowTextW(dialog, shown.title.c_str());
      SetDlgItemTextW(dialog, WX_CONTROL_MESSAGE_TEXT, shown.text.c_str());
      SetDlgItemTextW(dialog, IDYES, shown.yes.c_str());
      if (shown.twoButtons) {
        SetDlgItemTextW(dialog, IDNO, shown.no.c_str());
      } else {
        // The one button takes the place of the second.
        RECT place;
        GetWindowRect(GetDlgItem(dialog, IDNO), &place);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&place), 2);
        ShowWindow(GetDlgItem(dialog, IDNO), SW_HIDE);
        SetWindowPos(GetDlgItem(dialog, IDYES), nullptr, place.left, place.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
      }
      SetForegroundWindow(dialog);
      SetFocus(GetDlgItem(dialog, IDYES));
      return FALSE;  // the focus is set
    }
    case WM_COMMAND:
      if (LOWORD(w) == IDYES || LOWORD(w) == IDNO || LOWORD(w) == IDCANCEL) {
        EndDialog(dialog, LOWORD(w) == IDYES ? IDYES : IDNO);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

std::wstring TextOr(const PublisherData& data, const std::wstring& id, const PublisherEnvironment& env,
                    const wchar_t* fallback) {
  const std::wstring* text = id.empty() ? nullptr : TextFor(data, id, env);
  return text ? *text : fallback;
}

}  // namespace

bool UserAcceptsActionMessages(const WalletEntry& entry, HWND owner, const PublisherEnvironment& env) {
  const Action* action = entry.EntryAction();
  if (!action) return true;
  for (const std::wstring& id : action->messageIds) {
    const Message* message = entry.data.FindMessage(id);
    if (!message) continue;
    ShownMessage shown;
    shown.twoButtons = message->type != kMessageOneButton;
    const std::wstring* header = message->headerId.empty() ? nullptr : TextFor(entry.data, message->headerId, env);
    shown.title = header ? *header : MessageString(kStrAppNameTitle);
    shown.text = WithCrLf(TextOr(entry.data, message->messageId, env, L""));
    shown.yes = TextOr(entry.data, message->yesId, env, shown.twoButtons ? L"Yes" : L"OK");
    shown.no = TextOr(entry.data, message->noId, env, L"No");
    if (DialogBoxParamW(Module().module, MAKEINTRESOURCEW(WX_DIALOG_ACTION_MESSAGE), owner, GuardedDialogProc<MessageProc>,
                        reinterpret_cast<LPARAM>(&shown)) != IDYES)
      return false;
  }
  return true;
}

}  // namespace wendrix
