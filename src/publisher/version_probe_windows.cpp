#include "publisher/version_probe_windows.h"

#include <windows.h>

#include <new>
#include <string>

#include "platform/ini_file.h"
#include "core/string_util.h"
#include "core/text_encoding.h"
#include "platform/file_version.h"
#include "platform/path_containment.h"
#include "platform/unique_handle.h"
#include "publisher/msi_library.h"
#include "publisher/version_probe_registry.h"

namespace wendrix {
namespace {

constexpr VersionParts kPresent{0, 0, 0, 0};  // installed, version unknown

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool IsExistingFolder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The full path of `file` against the current directory. Version resources
// are read through the module loader, which would search the system folders
// for a bare file name; the full path makes every step look at one file.
std::wstring FullPath(const std::wstring& file) {
  const DWORD needed = GetFullPathNameW(file.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return file;
  std::wstring full(needed, L'\0');
  const DWORD length = GetFullPathNameW(file.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return file;
  full.resize(length);
  return full;
}

// The whole file; false when it cannot be read.
bool ReadFileBytes(const std::wstring& path, std::string& bytes) {
  UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return false;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart > 0x7FFFFFFF) return false;
  bytes.resize(static_cast<std::size_t>(size.QuadPart));
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD read = 0;
    if (!ReadFile(file.Get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &read, nullptr))
      return false;
    if (read == 0) break;
    done += read;
  }
  bytes.resize(done);
  return true;
}

// Makes a folder the current directory for the lifetime of the object and
// then restores the previous one. Changed() is false when the folder could
// not be entered (or the previous directory not be saved); nothing changed then.
class CurrentDirectoryChange {
 public:
  explicit CurrentDirectoryChange(const std::wstring& folder) {
    const DWORD needed = GetCurrentDirectoryW(0, nullptr);
    if (needed == 0) return;
    m_saved.assign(needed, L'\0');
    const DWORD length = GetCurrentDirectoryW(needed, m_saved.data());
    if (length == 0 || length >= needed) return;
    m_saved.resize(length);
    m_changed = SetCurrentDirectoryW(folder.c_str()) != FALSE;
  }
  CurrentDirectoryChange(const CurrentDirectoryChange&) = delete;
  CurrentDirectoryChange& operator=(const CurrentDirectoryChange&) = delete;
  ~CurrentDirectoryChange() {
    if (m_changed) SetCurrentDirectoryW(m_saved.c_str());
  }
  bool Changed() const noexcept { return m_changed; }

 private:
  std::wstring m_saved;
  bool m_changed = false;
};

// A plain file name (no folder, drive, share, stream, wildcard or device
// name, nothing Windows would trim) without ".." anywhere in it.
bool IsModuleFileName(std::wstring_view name) noexcept {
  return IsPlainFileName(name) && name.find(L"..") == std::wstring_view::npos;
}

// ProbeFile, then a file that exists (unless probed as an INI file) counts as installed.
std::optional<VersionParts> ProbeFileOrPresence(const std::wstring& file, const ApplicationProbe& probe) {
  bool probedAsIni = false;
  if (const std::optional<VersionParts> parts = ProbeFile(file, probe.iniSection, probe.iniKey, &probedAsIni))
    return parts;
  if (!probedAsIni && !file.empty() && Exists(file)) return kPresent;
  return std::nullopt;
}

}  // namespace

std::optional<std::wstring> SystemModuleFile(std::wstring_view name) {
  if (!IsModuleFileName(name)) return std::nullopt;
  std::wstring file(name);
  // As the loader does, a name without an extension means a DLL.
  if (file.find(L'.') == std::wstring::npos) file += L".dll";
  // The Windows folder of the system, not GetWindowsDirectoryW: under
  // Terminal Services that is a folder of the user's own.
  using FolderFn = UINT(WINAPI*)(LPWSTR, UINT);
  for (const FolderFn folderOf : {FolderFn{&GetSystemDirectoryW}, FolderFn{&GetSystemWindowsDirectoryW}}) {
    wchar_t folder[MAX_PATH];
    const UINT length = folderOf(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) continue;
    std::wstring path(folder, length);
    if (path.back() != L'\\') path += L'\\';
    path += file;
    if (path.size() >= MAX_PATH) continue;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return path;
  }
  return std::nullopt;
}

std::optional<VersionParts> ProbeFile(const std::wstring& file, std::wstring_view iniSection,
                                      std::wstring_view iniKey, bool* probedAsIni) {
  if (probedAsIni) *probedAsIni = false;
  if (file.empty()) return std::nullopt;
  try {
    const std::wstring path = FullPath(file);
    if (IsIniProbe(file, iniSection, iniKey)) {
      if (probedAsIni) *probedAsIni = true;
      const IniVersionProbe probe(iniSection, iniKey);
      CIniDataBuffer data;
      const HRESULT hr = LoadIniFile(path.c_str(), data, probe.Schema(), nullptr);
      // A syntax error keeps the entries read before it, which still count.
      if (FAILED(hr) && hr != kInvalidData) return std::nullopt;
      return probe.Find(data);
    }
    if (const std::optional<VersionParts> parts = ReadFileVersion(path.c_str())) return parts;
    std::string bytes;
    if (!ReadFileBytes(path, bytes)) return std::nullopt;
    if (const std::optional<VersionParts> parts = TextFileVersion(bytes, SystemCodePage(kThreadAnsiCodePage)))
      return parts;
    return FindVersionTag(bytes);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

WindowsVersionProbes::WindowsVersionProbes(bool is64BitSystem, SystemQueryFn systemQuery)
    : m_is64BitSystem(is64BitSystem), m_systemQuery(systemQuery) {}

std::optional<VersionParts> WindowsVersionProbes::ProbeApplication(const ApplicationProbe& probe) const {
  try {
    if (IsInstallerLocation(probe.location)) return ProbeInstaller(probe);
    if (!probe.location.empty()) {
      const std::optional<RegistryLocation> location = ParseRegistryLocation(probe.location);
      if (!location) return std::nullopt;
      return ProbeRegistry(probe, *location);
    }
    if (!probe.name.empty() && IsExistingFolder(probe.name)) return kPresent;
    return ProbeFileOrPresence(probe.name, probe);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

std::optional<VersionParts> WindowsVersionProbes::ProbeInstaller(const ApplicationProbe& probe) const {
  const MsiLibrary msi;
  if (!msi.HasProductInfo() || !msi.HasFeatureState()) return std::nullopt;
  if (!probe.name.empty()) {
    const int state = msi.FeatureState(probe.location, probe.name);
    if (state == kInstallStateAdvertised || state == kInstallStateLocal || state == kInstallStateSource)
      return kPresent;
    return std::nullopt;
  }
  constexpr DWORD kVersionCapacity = 100;
  const std::optional<std::wstring> version = msi.ProductInfo(probe.location, L"VersionString", kVersionCapacity);
  VersionParts parts{};
  if (!version || ParseVersion(*version, &parts) == 0) return std::nullopt;
  return parts;
}

std::optional<VersionParts> WindowsVersionProbes::ProbeRegistry(const ApplicationProbe& probe,
                                                                const RegistryLocation& location) const {
  const std::vector<REGSAM> views = ViewsToTry(location.view, m_is64BitSystem);
  const HKEY root = RootKey(location.root);
  // Without a name the key path may name a key: the probe then succeeds,
  // with the version of its highest version-named subkey if it has one.
  if (probe.name.empty() && CanNameKey(location.keyPath)) {
    for (const REGSAM view : views) {
      if (!RegistryKeyExists(root, location.keyPath, view)) continue;
      const std::optional<std::wstring> subkey = HighestVersionSubkey(root, location.keyPath, view);
      VersionParts parts{};
      if (subkey && ParseVersion(*subkey, &parts) != 0) return parts;
      return kPresent;
    }
  }
  const RegistryValuePath split = SplitValuePath(location.keyPath);
  std::optional<std::wstring> value;
  for (const REGSAM view : views) {
    const std::optional<std::wstring> key = ExpandVersionKeys(root, split.key, view);
    if (key) value = ReadRegistryText(root, *key, split.value.c_str(), view);
    if (value) break;
  }
  if (!value) return std::nullopt;

  if (probe.name.empty()) {
    VersionParts parts{};
    if (ParseVersion(*value, &parts) != 0) return parts;
    return ProbeFileOrPresence(*value, probe);
  }
  if (probe.name.front() == L'*') return kPresent;
  // The value is a folder and the name a file in it. An empty value would
  // make the root of the current drive the folder: no folder is named.
  if (value->empty()) return std::nullopt;
  std::wstring folder = *value;
  if (folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
  const CurrentDirectoryChange change(folder);
  if (!change.Changed()) return std::nullopt;
  const std::wstring file = probe.name.front() == L'\\' ? probe.name.substr(1) : probe.name;
  return ProbeFileOrPresence(file, probe);
}

std::optional<std::wstring> WindowsVersionProbes::ProbeSystem(std::wstring_view text) const {
  try {
    if (const std::optional<ComClassProbe> com = ParseComClassProbe(text)) return ProbeComClass(*com);
    if (m_systemQuery != nullptr) {
      std::optional<std::wstring> answer;
      // A query that has no value here (no such device, say) finds nothing;
      // the text was a query, so it names no module either.
      if (SUCCEEDED(m_systemQuery(text, answer))) return answer;
    }
    // The module is read as a file, never loaded: loading it would run its
    // code inside the caller, and a downloaded data file chooses the name.
    const std::optional<std::wstring> file = SystemModuleFile(text);
    if (!file) return std::nullopt;
    const std::optional<VersionParts> parts = ReadFileVersion(file->c_str());
    if (!parts) return std::nullopt;
    return FormatVersion(*parts, 4);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

std::optional<std::wstring> WindowsVersionProbes::ProbeComClass(const ComClassProbe& probe) const {
  for (const REGSAM view : ViewsToTry(probe.view, m_is64BitSystem)) {
    for (const std::wstring& file : ComServerFiles(probe, view)) {
      if (const std::optional<VersionParts> parts = ReadFileVersion(file.c_str())) return FormatVersion(*parts, 4);
    }
  }
  return std::nullopt;
}

std::optional<std::wstring> WindowsVersionProbes::ResolveAlternative(const PathAlternative& alternative) const {
  try {
    if (alternative.location.empty()) {
      if (IsExistingFolder(alternative.name)) return alternative.name;
      return std::nullopt;
    }
    const bool installer = IsInstallerLocation(alternative.location);
    const std::optional<std::wstring> base =
        installer ? InstallerFolder(alternative.location) : RegistryFolder(alternative.location);
    if (!base) return std::nullopt;
    std::wstring candidate = JoinPath(*base, alternative.name);
    if (installer && candidate.size() >= MAX_PATH) return std::nullopt;
    if (!IsExistingFolder(candidate)) return std::nullopt;
    return candidate;
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

std::optional<std::wstring> WindowsVersionProbes::InstallerFolder(std::wstring_view location) const {
  const std::optional<InstallerLocation> parsed = ParseInstallerLocation(location);
  if (!parsed) return std::nullopt;
  const MsiLibrary msi;
  if (!msi.HasProductInfo() || !msi.HasComponentPath()) return std::nullopt;
  if (parsed->component.empty()) {
    std::optional<std::wstring> folder = msi.ProductInfo(parsed->product, L"InstallLocation", MAX_PATH);
    if (!folder || folder->empty()) return std::nullopt;
    return folder;
  }
  std::wstring path;
  if (msi.ComponentPath(parsed->product, parsed->component, path) != kInstallStateLocal || path.empty())
    return std::nullopt;
  // A component whose key path is a file names that file; its folder is meant.
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return FolderOf(path);
  return path;
}

std::optional<std::wstring> WindowsVersionProbes::RegistryFolder(std::wstring_view location) const {
  const std::optional<RegistryLocation> parsed = ParseRegistryLocation(location);
  if (!parsed) return std::nullopt;
  const RegistryValuePath split = SplitValuePath(parsed->keyPath);
  for (const REGSAM view : ViewsToTry(parsed->view, m_is64BitSystem)) {
    std::optional<std::wstring> folder = ReadRegistryText(RootKey(parsed->root), split.key, split.value.c_str(), view);
    // An empty value names no folder (it would make the name relative to the current directory).
    if (folder && !folder->empty()) return folder;
  }
  return std::nullopt;
}

}  // namespace wendrix
