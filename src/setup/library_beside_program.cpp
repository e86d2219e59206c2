#include "setup/library_beside_program.h"

#include <windows.h>

#include <string>

namespace wendrix {

HRESULT LoadLibraryBesideProgram(UniqueModule& library) {
  std::wstring path(MAX_PATH, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, path.data(), MAX_PATH);
  if (length >= MAX_PATH) return HResultFromWin32(ERROR_INSUFFICIENT_BUFFER);
  RETURN_LAST_ERROR_IF(length == 0);
  path.resize(length);
  path.erase(path.find_last_of(L'\\') + 1);
  path += sizeof(void*) == 8 ? L"wendrix64.dll" : L"wendrix.dll";
  // The library's own dependencies come from its folder, not the current
  // directory's.
  UniqueModule loaded(LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
  RETURN_LAST_ERROR_IF(!loaded);
  library = std::move(loaded);
  return S_OK;
}

}  // namespace wendrix
