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

HRESULT StartProgram(const std::wstring& program, const std::wstring& parameters, const std::wstring& folder,
                     HWND owner, UniqueKernelObject& process) {
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  info.hwnd = owner;
  info.lpFile = program.c_str();
  info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
  info.lpDirectory = folder.empty() ? nullptr : folder.c_str();
  info.nShow = SW_SHOWNORMAL;
  RETURN_LAST_ERROR_IF(!ShellExecuteExW(&info));
  process.Reset(info.hProcess);
  return S_OK;
}

}  // namespace wendrix
