#include "ui/options_dialog.h"

#include <commctrl.h>

#include <memory>
#include <new>
#include <type_traits>

#include "frame/activation_scope.h"
#include "frame/messages.h"
#include "frame/module_state.h"
#include "resources/options_ids.h"
#include "ui/options_form.h"
#include "ui/options_pages.h"
#include "update/internet.h"
#include "update/scheduler.h"
#include "update/settings.h"
#include "update/transfer.h"

namespace wendrix {
namespace {

// The form offers no more than a fetch honours.
static_assert(kCheckAttemptsRange.high == CTransfer::kMaxAttempts);
static_assert(kCheckRetryPauseRange.high == CTransfer::kMaxRetryPause);

// One showing of the dialog, owned by ShowOptionsDialog.
struct OptionsSession {
  std::unique_ptr<InternetSettings> settings;  // as stored when the dialog opened
  OptionsForm form;
  CInternet internet;  // the dial-up entries, the offline mode, the proxy check
  bool wasOffline = false;
  OptionsPages pages{};
  HRESULT result = S_FALSE;
  bool periodChanged = false;
};

OptionsSession* SessionOf(HWND dialog) {
  return reinterpret_cast<OptionsSession*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

void ShowPage(HWND dialog, const OptionsSession& session, std::size_t index) {
  TabCtrl_SetCurSel(GetDlgItem(dialog, WX_CONTROL_OPTIONS_TABS), static_cast<int>(index));
  for (std::size_t i = 0; i < kOptionsPageCount; ++i)
    if (session.pages[i]) ShowWindow(session.pages[i], i == index ? SW_SHOW : SW_HIDE);
}

// The dialog being shown on this thread, for the key filter below.
thread_local HWND t_shownDialog = nullptr;

// Ctrl+Tab and Ctrl+PgDn show the next page, Ctrl+Shift+Tab and Ctrl+PgUp
// the previous one, wherever the focus is, as in the system's own tabbed
// dialogs. The modal loop is the system's, and it lets a message filter see
// each message before the dialog manager does.
LRESULT CALLBACK PageKeysFilter(int code, WPARAM w, LPARAM l) {
  const auto* message = reinterpret_cast<const MSG*>(l);
  const HWND dialog = t_shownDialog;
  if (code == MSGF_DIALOGBOX && dialog && message->message == WM_KEYDOWN && GetKeyState(VK_CONTROL) < 0 &&
      (message->hwnd == dialog || IsChild(dialog, message->hwnd))) {
    int step = 0;
    if (message->wParam == VK_TAB) step = GetKeyState(VK_SHIFT) < 0 ? -1 : 1;
    if (message->wParam == VK_NEXT) step = 1;
    if (message->wParam == VK_PRIOR) step = -1;
    const auto* session = reinterpret_cast<const OptionsSession*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (step && session) {
      const HWND tabs = GetDlgItem(dialog, WX_CONTROL_OPTIONS_TABS);
      const int count = static_cast<int>(kOptionsPageCount);
      const int next = (TabCtrl_GetCurSel(tabs) + step + count) % count;
      ShowPage(dialog, *session, static_cast<std::size_t>(next));
      SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(tabs), TRUE);
      return TRUE;
    }
  }
  return CallNextHookEx(nullptr, code, w, l);
}

struct HookDeleter {
  void operator()(HHOOK hook) const noexcept { UnhookWindowsHookEx(hook); }
};
using UniqueHook = std::unique_ptr<std::remove_pointer_t<HHOOK>, HookDeleter>;

INT_PTR CALLBACK PageProc(HWND page, UINT message, WPARAM w, LPARAM) {
  // A switch makes its fields usable or not as soon as it is clicked.
  if (message == WM_COMMAND && HIWORD(w) == BN_CLICKED) EnableByChoices(page);
  return FALSE;
}

// Makes the pages, one per tab, over the tab control's display area and
// right after it in the tab order, so that Tab goes from the tabs into the
// page shown and on to OK and Cancel.
bool CreatePages(HWND dialog, OptionsSession& session) {
  const HWND tabs = GetDlgItem(dialog, WX_CONTROL_OPTIONS_TABS);
  RECT area;
  GetWindowRect(tabs, &area);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&area), 2);
  TabCtrl_AdjustRect(tabs, FALSE, &area);
  HWND previous = tabs;
  for (std::size_t i = 0; i < kOptionsPageCount; ++i) {
    const OptionsPageInfo& info = OptionsPageAt(i);
    std::wstring name = MessageString(info.tabText);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = name.data();
    SendMessageW(tabs, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
    const HWND page =
        CreateDialogParamW(Module().module, MAKEINTRESOURCEW(info.dialogTemplate), dialog, PageProc, 0);
    if (!page) return false;
    session.pages[i] = page;
    PreparePage(page);
    SetWindowPos(page, previous, area.left, area.top, area.right - area.left, area.bottom - area.top,
                 SWP_NOACTIVATE);
    previous = page;
  }
  return true;
}

void Initialize(HWND dialog, OptionsSession& session) {
  SetWindowTextW(dialog, MessageString(WX_STRING_OPTIONS_TITLE).c_str());
  SetDlgItemTextW(dialog, IDOK, MessageString(WX_STRING_BUTTON_OK).c_str());
  SetDlgItemTextW(dialog, IDCANCEL, MessageString(WX_STRING_BUTTON_CANCEL).c_str());
  if (!CreatePages(dialog, session)) {
    session.result = LastErrorResult();
    EndDialog(dialog, IDABORT);
    return;
  }
  OfferDialUpEntries(session.pages, session.internet.EnumDialEntries());
  ShowForm(session.pages, session.form);
  if (HWND offline = FindPageControl(session.pages, WX_CONTROL_WORK_OFFLINE))
    SendMessageW(offline, BM_SETCHECK, session.wasOffline ? BST_CHECKED : BST_UNCHECKED, 0);
  ShowPage(dialog, session, 0);
}

// Shows the page of a refused field, says why and puts the caret there.
void PointOut(HWND dialog, OptionsSession& session, OptionsField field, const OptionsForm& form) {
  const FieldPlace place = PlaceOf(field);
  ShowPage(dialog, session, place.page);
  EnableByChoices(session.pages[place.page]);
  std::wstring caption(static_cast<std::size_t>(GetWindowTextLengthW(dialog)) + 1, L'\0');
  caption.resize(static_cast<std::size_t>(GetWindowTextW(dialog, caption.data(), static_cast<int>(caption.size()))));
  MessageBoxW(dialog, RefusalText(field, form).c_str(), caption.c_str(), MB_OK | MB_ICONEXCLAMATION);
  if (HWND control = FindPageControl(session.pages, place.control)) {
    SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    SendMessageW(control, EM_SETSEL, 0, -1);
  }
}

void Save(HWND dialog, OptionsSession& session) {
  OptionsForm form = session.form;
  ReadForm(session.pages, form);
  InternetSettings candidate = *session.settings;
  OptionsField refused = ApplyTo(form, candidate);
  // The transfer layer has the last word on a proxy it is to use.
  if (refused == OptionsField::kNone && FAILED(session.internet.ApplySettings(candidate, true)))
    refused = OptionsField::kProxyServer;
  if (refused != OptionsField::kNone) {
    PointOut(dialog, session, refused, form);
    return;
  }
  // Saved over what is stored now: another process may have changed the
  // values the dialog does not show since it opened.
  session.result = ChangeSettings([&form, &session](InternetSettings& current) -> HRESULT {
    const std::uint32_t before = current.checkPeriod;
    if (ApplyTo(form, current) != OptionsField::kNone) return E_INVALIDARG;
    session.periodChanged = current.checkPeriod != before;
    return S_OK;
  });
  if (SUCCEEDED(session.result)) {
    session.result = S_OK;
    const bool offline = SendMessageW(FindPageControl(session.pages, WX_CONTROL_WORK_OFFLINE), BM_GETCHECK, 0, 0) ==
                         BST_CHECKED;
    if (offline != session.wasOffline) session.internet.SetOffline(offline);
  }
  EndDialog(dialog, SUCCEEDED(session.result) ? IDOK : IDABORT);
}

INT_PTR HandleOptionsMessage(HWND dialog, UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(dialog, DWLP_USER, l);
      t_shownDialog = dialog;
      Initialize(dialog, *reinterpret_cast<OptionsSession*>(l));
      return TRUE;
    case WM_DESTROY:
      t_shownDialog = nullptr;
      return FALSE;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(l);
      OptionsSession* session = SessionOf(dialog);
      if (session && header->idFrom == WX_CONTROL_OPTIONS_TABS && header->code == TCN_SELCHANGE) {
        const int chosen = TabCtrl_GetCurSel(header->hwndFrom);
        if (chosen >= 0) ShowPage(dialog, *session, static_cast<std::size_t>(chosen));
        return TRUE;
      }
      return FALSE;
    }
    case WM_COMMAND:
      if (LOWORD(w) == IDOK) {
        if (OptionsSession* session = SessionOf(dialog)) Save(dialog, *session);
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

// No exception may unwind through the system's dialog code.
INT_PTR CALLBACK OptionsProc(HWND dialog, UINT message, WPARAM w, LPARAM l) {
  try {
    return HandleOptionsMessage(dialog, message, w, l);
  } catch (...) {
    if (OptionsSession* session = SessionOf(dialog)) session->result = E_OUTOFMEMORY;
    EndDialog(dialog, IDABORT);
    return TRUE;
  }
}

}  // namespace

HRESULT ShowOptionsDialog(HWND owner) {
  try {
    auto session = std::make_unique<OptionsSession>();
    RETURN_IF_FAILED(LoadSettings(session->settings));
    session->form = FromSettings(*session->settings);
    session->wasOffline = session->internet.IsOffline();
    INT_PTR ended = 0;
    {
      // The common controls of version 6, as the library's manifest names them.
      const ActivationScope scope;
      INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
      InitCommonControlsEx(&controls);
      const UniqueHook keys(SetWindowsHookExW(WH_MSGFILTER, PageKeysFilter, nullptr, GetCurrentThreadId()));
      ended = DialogBoxParamW(Module().module, MAKEINTRESOURCEW(WX_DIALOG_OPTIONS), owner, OptionsProc,
                              reinterpret_cast<LPARAM>(session.get()));
    }
    if (ended == -1 || ended == 0) return LastErrorResult();
    // Settings saved stay saved when the scheduler does not answer: it reads
    // the period again when it next starts.
    if (ended == IDOK && session->periodChanged) EnsureScheduler();
    return session->result;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

}  // namespace wendrix
