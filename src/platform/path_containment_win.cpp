#include <windows.h>

#include "platform/path_containment.h"

namespace wendrix {
namespace {

HRESULT FullPath(const std::wstring& path, std::wstring& full) {
  wchar_t buffer[MAX_PATH];
  const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, buffer, nullptr);
  RETURN_LAST_ERROR_IF(length == 0);
  if (length >= MAX_PATH) return HResultFromWin32(ERROR_BUFFER_OVERFLOW);
  full.assign(buffer, length);
  return S_OK;
}

}  // namespace

HRESULT ResolveInsideFolder(std::wstring_view folder, std::wstring_view path, std::wstring& resolved) {
  if (folder.empty()) return E_INVALIDARG;
  const bool relative = IsPlainRelativePath(path);
  if (!relative && !IsLocalDrivePath(path)) return kPathNotInsideFolder;
  if (path.size() >= MAX_PATH) return HResultFromWin32(ERROR_BUFFER_OVERFLOW);

  // The folder's own form is the system's (a special folder, the module's
  // folder, a journal folder we made) and may be anything the system
  // accepts, a network path included; only what the path adds is judged.
  std::wstring base;
  RETURN_IF_FAILED(FullPath(std::wstring(folder), base));
  while (!base.empty() && (base.back() == L'\\' || base.back() == L'/')) base.pop_back();

  std::wstring candidate;
  if (relative) {
    candidate = base;
    candidate += L'\\';
  }
  candidate += path;
  std::wstring full;
  RETURN_IF_FAILED(FullPath(candidate, full));

  // Below the folder: its full path, a separator, then at least one name.
  const int prefix = static_cast<int>(base.size());
  if (full.size() <= base.size() + 1 || full[base.size()] != L'\\' ||
      CompareStringOrdinal(full.c_str(), prefix, base.c_str(), prefix, TRUE) != CSTR_EQUAL)
    return kPathNotInsideFolder;
  // What normalisation left of the path must still be plain names.
  if (!IsPlainRelativePath(std::wstring_view(full).substr(base.size() + 1))) return kPathNotInsideFolder;
  resolved = std::move(full);
  return S_OK;
}

}  // namespace wendrix
