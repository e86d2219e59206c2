#include "setup/launcher.h"

#include <shellapi.h>

#include "frame/product_folder.h"

namespace wendrix {

HRESULT CopyLauncherInto(const std::wstring& folder, std::wstring& copy) {
  std::wstring launcher;
  RETURN_IF_FAILED(GetProductPath(kInfoLauncher, launcher));
  const std::wstring target = folder + launcher.substr(launcher.find_last_of(L'\\') + 1);
  RETURN_LAST_ERROR_IF(!CopyFileW(launcher.c_str(), target.c_str(), FALSE));
  copy = target;
  return S_OK;
}

HRESULT StartLauncher(const std::wstring& copy, const LauncherCommand& command, HWND parent,
                      UniqueKernelObject& process) {
  const std::wstring line = FormatLauncherCommand(command);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  info.hwnd = parent;
  info.lpFile = copy.c_str();
  info.lpParameters = line.c_str();
  info.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteExW(&info)) return E_FAIL;
  process.Reset(info.hProcess);
  return S_OK;
}

}  // namespace wendrix
