#pragma once
// What the tests of the probes on Windows share: the stand-in modules built
// beside the test program, and the forms they compare answers in.
#include <windows.h>

#include <optional>
#include <string>

#include "core/version.h"
#include "platform/file_version.h"

namespace wendrix::test {

// A file built into the installed_data folder beside the test program.
inline std::wstring DataFile(const wchar_t* name) {
  wchar_t exe[MAX_PATH];
  const std::wstring path(exe, GetModuleFileNameW(nullptr, exe, MAX_PATH));
  return path.substr(0, path.find_last_of(L'\\')) + L"\\installed_data\\" + name;
}

inline std::wstring CurrentDirectory() {
  wchar_t buffer[MAX_PATH];
  return std::wstring(buffer, GetCurrentDirectoryW(MAX_PATH, buffer));
}

// A found version in its four-part form; nothing when none was found.
inline std::optional<std::wstring> Formatted(const std::optional<VersionParts>& parts) {
  if (!parts) return std::nullopt;
  return FormatVersion(*parts, 4);
}

// The four-part file version of a module this process has loaded; never
// equal to a missing answer.
inline std::wstring LoadedModuleVersion(const wchar_t* module) {
  const std::optional<std::wstring> file = ModuleFileName(GetModuleHandleW(module));
  return (file ? Formatted(ReadFileVersion(file->c_str())) : std::nullopt).value_or(L"<no version>");
}

}  // namespace wendrix::test
