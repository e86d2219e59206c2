#pragma once
// The installed-version probes on Windows: registry values and keys, files
// (INI files, version resources, text, version tags), Windows Installer
// products, features and components, COM classes, system queries, modules.
#include <optional>
#include <string>
#include <string_view>

#include "core/result.h"
#include "publisher/installed_version.h"
#include "publisher/version_probe.h"

namespace wendrix {

// The system information query behind System lines (EvaluateSystemQuery).
using SystemQueryFn = HRESULT (*)(std::wstring_view query, std::optional<std::wstring>& answer);

class WindowsVersionProbes final : public VersionProbes {
 public:
  // `is64BitSystem` decides the registry views tried; `systemQuery` answers
  // the System lines that name no COM class (null: none are answered).
  WindowsVersionProbes(bool is64BitSystem, SystemQueryFn systemQuery);

  // A Windows Installer product's version or feature, a registry value or
  // key, or a file; then ProbeFile, with a file that exists counting as
  // 0.0.0.0 unless it was probed as an INI file. A registry value that names
  // a folder becomes the current directory while its file is probed; the
  // previous one is restored.
  std::optional<VersionParts> ProbeApplication(const ApplicationProbe& probe) const override;
  // A COM class's server file version, else a system query's answer (even an
  // empty one; nothing when the query has no value here), else the file
  // version of the system module the text names (SystemModuleFile), read
  // from the file without loading the module.
  std::optional<std::wstring> ProbeSystem(std::wstring_view text) const override;
  // A folder from Windows Installer, a registry value or the name alone, with
  // the name appended; it must exist.
  std::optional<std::wstring> ResolveAlternative(const PathAlternative& alternative) const override;

 private:
  std::optional<VersionParts> ProbeInstaller(const ApplicationProbe& probe) const;
  std::optional<VersionParts> ProbeRegistry(const ApplicationProbe& probe, const RegistryLocation& location) const;
  std::optional<std::wstring> ProbeComClass(const ComClassProbe& probe) const;
  std::optional<std::wstring> InstallerFolder(std::wstring_view location) const;
  std::optional<std::wstring> RegistryFolder(std::wstring_view location) const;

  bool m_is64BitSystem;
  SystemQueryFn m_systemQuery;
};

// The file of a system module named by a plain file name ("comctl32.dll";
// ".dll" is added to a name without an extension): the first of the system
// folder and the Windows folder that holds it. Nothing for a name with a
// folder, drive, share, stream, wildcard or "..", a name ending in a dot or a
// blank, a device name, or a module found in neither folder.
std::optional<std::wstring> SystemModuleFile(std::wstring_view name);

// The version of one file: an INI probe when IsIniProbe holds (*probedAsIni
// is then set), else its version resource, else a version at the start of
// its text, else a "$VER:" tag in its bytes. A relative name is taken from
// the current directory. Nothing when none of them gives a version.
std::optional<VersionParts> ProbeFile(const std::wstring& file, std::wstring_view iniSection,
                                      std::wstring_view iniKey, bool* probedAsIni);

}  // namespace wendrix
