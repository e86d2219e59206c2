#include "platform/shell_open.h"

#include <windows.h>
#include <shellapi.h>

namespace wendrix {

HRESULT OpenWithShell(const std::wstring& target) {
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof(info);
  // Without NOASYNC the shell may still be handing the target over on a
  // thread of its own when a short-lived caller exits.
  info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = L"open";
  info.lpFile = target.c_str();
  info.nShow = SW_SHOW;
  RETURN_LAST_ERROR_IF(!ShellExecuteExW(&info));
  return S_OK;
}

}  // namespace wendrix
