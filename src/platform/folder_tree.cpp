#include "platform/folder_tree.h"

#include <windows.h>

namespace wendrix {

HRESULT CreateFolderTree(const std::wstring& folder) {
  for (std::size_t slash = folder.find(L'\\');; slash = folder.find(L'\\', slash + 1)) {
    const std::wstring part = folder.substr(0, slash);
    if (!part.empty() && part.back() != L':' && part.back() != L'\\' && !CreateDirectoryW(part.c_str(), nullptr)) {
      const DWORD error = GetLastError();
      if (error != ERROR_ALREADY_EXISTS) return HResultFromWin32(static_cast<long>(error));
    }
    if (slash == std::wstring::npos) return S_OK;
  }
}

}  // namespace wendrix
