#include "platform/system_library.h"

#include <cwchar>

namespace wendrix {
namespace {

// LOAD_LIBRARY_SEARCH_SYSTEM32 came with the loader update that added
// AddDllDirectory (built into Windows 8 and later, an update for Vista and 7);
// older loaders refuse the flag with ERROR_INVALID_PARAMETER.
bool LoaderKnowsSearchFlags() noexcept {
  const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
  return kernel32 != nullptr && GetProcAddress(kernel32, "AddDllDirectory") != nullptr;
}

// True when the active activation context maps `name` to a side-by-side
// assembly: the loader then takes the module from the assembly and never
// searches for it, while a full path would bypass the assembly altogether.
bool RedirectedByActivationContext(const wchar_t* name) noexcept {
  ACTCTX_SECTION_KEYED_DATA data{};
  data.cbSize = sizeof(data);
  const DWORD lastError = GetLastError();
  const bool found =
      FindActCtxSectionStringW(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, name, &data) != FALSE;
  SetLastError(lastError);
  return found;
}

// A load of the image's resources only: nothing of it runs, and the loader
// does not resolve its dependencies.
bool AsData(DWORD flags) noexcept {
  return (flags & (LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_DATAFILE_EXCLUSIVE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) != 0;
}

}  // namespace

UniqueModule LoadSystemLibraryByPath(const wchar_t* name, DWORD flags) noexcept {
  if (name == nullptr || *name == L'\0') {
    SetLastError(ERROR_INVALID_PARAMETER);
    return UniqueModule();
  }
  if (!AsData(flags) && RedirectedByActivationContext(name))
    return UniqueModule(LoadLibraryExW(name, nullptr, flags));
  wchar_t path[MAX_PATH];
  const UINT folder = GetSystemDirectoryW(path, MAX_PATH);
  const std::size_t length = wcslen(name);
  if (folder == 0 || folder >= MAX_PATH || folder + 1 + length >= MAX_PATH) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return UniqueModule();
  }
  std::size_t at = folder;
  if (path[at - 1] != L'\\') path[at++] = L'\\';
  wmemcpy(path + at, name, length + 1);
  // The altered search path makes the module's own dependencies come from
  // its folder (the system folder) rather than from the program's folder.
  return UniqueModule(LoadLibraryExW(path, nullptr, AsData(flags) ? flags : flags | LOAD_WITH_ALTERED_SEARCH_PATH));
}

UniqueModule LoadSystemLibrary(const wchar_t* name, DWORD flags) noexcept {
  // A load as data goes by the full path everywhere: Wine looks for a data
  // file along the whole search path whatever search flag it is given.
  if (!AsData(flags) && LoaderKnowsSearchFlags()) {
    UniqueModule module(LoadLibraryExW(name, nullptr, flags | LOAD_LIBRARY_SEARCH_SYSTEM32));
    if (module || GetLastError() != ERROR_INVALID_PARAMETER) return module;
  }
  return LoadSystemLibraryByPath(name, flags);
}

}  // namespace wendrix
