#include "update/check_prompt.h"

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "frame/messages.h"
#include "frame/activation_scope.h"
#include "platform/system_library.h"
#include "resources/string_ids.h"
#include "update/settings.h"
#include "wendrix.h"

namespace wendrix {
namespace {

constexpr UINT kAutomaticText = kStrPromptAutomaticCheck;
constexpr UINT kManualText = kStrPromptManualCheck;
constexpr UINT kDoNotAskText = kStrPromptDoNotAskAgain;
constexpr UINT kCheckNowText = kStrPromptCheckNow;
constexpr UINT kOptionsText = kStrPromptOptions;
constexpr UINT kTitleText = kStrAppNameTitle;
constexpr int kOptionsButton = 100;
constexpr UINT32 kDisplayOptions = 0x100;

std::wstring Message(UINT id) {
  LocalText text(FormatMessageText(id, nullptr, {}));
  return text ? std::wstring(text.get()) : std::wstring();
}

using TaskDialogIndirectFn = HRESULT(WINAPI*)(const TASKDIALOGCONFIG*, int*, int*, BOOL*);

}  // namespace

HRESULT ConfirmCheck(InternetSettings& settings, bool automatic) {
  const std::wstring title = Message(kTitleText), text = Message(automatic ? kAutomaticText : kManualText),
                     doNotAsk = Message(kDoNotAskText), checkNow = Message(kCheckNowText),
                     options = Message(kOptionsText);
  int button = IDCANCEL;
  BOOL stopAsking = FALSE;
  {
    // The task dialog lives in version 6 of the common controls, which the
    // library's manifest selects.
    ActivationScope scope;
    HMODULE controls = LoadSystemLibrary(L"comctl32.dll").Release();
    const auto taskDialog = controls ? reinterpret_cast<TaskDialogIndirectFn>(
                                           reinterpret_cast<void*>(GetProcAddress(controls, "TaskDialogIndirect")))
                                     : nullptr;
    if (taskDialog) {
      const TASKDIALOG_BUTTON buttons[] = {{IDOK, checkNow.c_str()}, {kOptionsButton, options.c_str()}};
      TASKDIALOGCONFIG config{};
      config.cbSize = sizeof(config);
      config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION;
      config.dwCommonButtons = TDCBF_CANCEL_BUTTON;
      config.pszWindowTitle = title.c_str();
      config.pszMainInstruction = text.c_str();
      config.cButtons = 2;
      config.pButtons = buttons;
      config.nDefaultButton = IDOK;
      config.pszVerificationText = doNotAsk.c_str();
      if (FAILED(taskDialog(&config, &button, nullptr, &stopAsking))) button = IDCANCEL;
    } else {
      // Without task dialogs: Yes checks, No opens the options.
      const int answer = MessageBoxW(nullptr, text.c_str(), title.c_str(), MB_YESNOCANCEL | MB_ICONQUESTION);
      button = answer == IDYES ? IDOK : answer == IDNO ? kOptionsButton : IDCANCEL;
    }
    if (controls) FreeLibrary(controls);
  }
  if (stopAsking) {
    settings.prompt = 0;
    SaveSettings(settings);
  }
  if (button == kOptionsButton) {
    WendrixDisplayEx(nullptr, nullptr, nullptr, nullptr, kDisplayOptions, nullptr, nullptr);
    return E_ABORT;
  }
  return button == IDOK ? S_OK : E_ABORT;
}

}  // namespace wendrix
