#include "setup/launcher.h"

#include "frame/product_folder.h"
#include "platform/shell_open.h"

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
  if (FAILED(StartProgram(copy, FormatLauncherCommand(command), L"", parent, process))) return E_FAIL;
  return S_OK;
}

}  // namespace wendrix
