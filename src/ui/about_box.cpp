#include "ui/about_box.h"

#include <commctrl.h>

#include "frame/dialog_guard.h"
#include "frame/activation_scope.h"
#include "frame/messages.h"
#include "frame/module_state.h"
#include "frame/product_web_site.h"
#include "platform/shell_open.h"
#include "resources/options_ids.h"
#include "resources/string_ids.h"
#include "ui/formatted_text.h"

namespace wendrix {
namespace {

void Initialize(HWND dialog) {
  SetWindowTextW(dialog, MessageString(WX_STRING_ABOUT_TITLE).c_str());
  SetDlgItemTextW(dialog, WX_CONTROL_ABOUT_NAME, MessageString(kStrAppNameTitle).c_str());
  SetDlgItemTextW(dialog, WX_CONTROL_ABOUT_VERSION,
                  FormattedText(WX_STRING_ABOUT_VERSION, {reinterpret_cast<DWORD_PTR>(Module().version.c_str())}).c_str());
  SetDlgItemTextW(dialog, WX_CONTROL_ABOUT_COPYRIGHT, MessageString(WX_STRING_ABOUT_COPYRIGHT).c_str());
  SetDlgItemTextW(dialog, WX_CONTROL_ABOUT_LINK,
                  FormattedText(WX_STRING_ABOUT_LINK, {reinterpret_cast<DWORD_PTR>(kProductWebSite)}).c_str());
  SetDlgItemTextW(dialog, IDOK, MessageString(WX_STRING_BUTTON_OK).c_str());
}

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_INITDIALOG:
      Initialize(dialog);
      return TRUE;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(l);
      // The link opens our own address, never one taken from the link's text.
      if (header->idFrom == WX_CONTROL_ABOUT_LINK && (header->code == NM_CLICK || header->code == NM_RETURN)) {
        OpenWithShell(kProductWebSite);
        return TRUE;
      }
      return FALSE;
    }
    case WM_COMMAND:
      if (LOWORD(w) == IDOK || LOWORD(w) == IDCANCEL) {
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

HRESULT ShowAboutBox(HWND owner) {
  INT_PTR ended = 0;
  {
    // SysLink exists only in the common controls of version 6.
    const ActivationScope scope;
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LINK_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    ended = DialogBoxParamW(Module().module, MAKEINTRESOURCEW(WX_DIALOG_ABOUT), owner, GuardedDialogProc<AboutProc>, 0);
  }
  if (ended == -1 || ended == 0) return LastErrorResult();
  return ended == IDOK ? S_OK : E_OUTOFMEMORY;
}

}  // namespace wendrix
