#include "publisher/version_probe_registry.h"

#include "platform/registry.h"

namespace wendrix {
namespace {

// MinGW's headers lack the Windows 9x root.
const HKEY kDynData = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000006));

std::optional<std::wstring> ExpandEnvironment(const std::wstring& text) {
  DWORD needed = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
  for (int attempt = 0; needed != 0 && attempt < 2; ++attempt) {
    std::wstring expanded(needed, L'\0');
    const DWORD written = ExpandEnvironmentStringsW(text.c_str(), expanded.data(), needed);
    if (written == 0) break;
    if (written <= needed) {
      expanded.resize(wcsnlen(expanded.c_str(), expanded.size()));
      return expanded;
    }
    needed = written;  // a variable changed in between
  }
  return std::nullopt;
}

}  // namespace

std::vector<REGSAM> ViewsToTry(RegistryView view, bool is64BitSystem) {
  if (!is64BitSystem) return {0};
  switch (view) {
    case RegistryView::k32: return {KEY_WOW64_32KEY};
    case RegistryView::k64: return {KEY_WOW64_64KEY};
    case RegistryView::kDefault: break;
  }
  return {KEY_WOW64_64KEY, KEY_WOW64_32KEY};
}

HKEY RootKey(RegistryRoot root) noexcept {
  switch (root) {
    case RegistryRoot::kClassesRoot: return HKEY_CLASSES_ROOT;
    case RegistryRoot::kCurrentUser: return HKEY_CURRENT_USER;
    case RegistryRoot::kLocalMachine: return HKEY_LOCAL_MACHINE;
    case RegistryRoot::kUsers: return HKEY_USERS;
    case RegistryRoot::kPerformanceData: return HKEY_PERFORMANCE_DATA;
    case RegistryRoot::kCurrentConfig: return HKEY_CURRENT_CONFIG;
    case RegistryRoot::kDynData: return kDynData;
  }
  return nullptr;
}

bool RegistryKeyExists(HKEY root, const std::wstring& key, REGSAM view) {
  RegistryKey opened;
  return opened.Open(root, key.c_str(), KEY_READ, view) == ERROR_SUCCESS;
}

std::optional<std::wstring> ReadRegistryText(HKEY root, const std::wstring& key, const wchar_t* value, REGSAM view) {
  RegistryKey opened;
  if (opened.Open(root, key.c_str(), KEY_QUERY_VALUE, view) != ERROR_SUCCESS) return std::nullopt;
  DWORD type = REG_NONE;
  std::wstring text;
  if (opened.ReadString(value, text, 32767, &type) != ERROR_SUCCESS) return std::nullopt;
  if (type == REG_EXPAND_SZ) return ExpandEnvironment(text);
  return text;
}

std::optional<std::wstring> HighestVersionSubkey(HKEY root, const std::wstring& key, REGSAM view) {
  RegistryKey opened;
  if (opened.Open(root, key.c_str(), KEY_ENUMERATE_SUB_KEYS, view) != ERROR_SUCCESS) return std::nullopt;
  std::vector<std::wstring> names;
  if (opened.SubkeyNames(names) != ERROR_SUCCESS) return std::nullopt;
  const std::optional<std::size_t> highest = HighestVersionNamed(names);
  if (!highest) return std::nullopt;
  return names[*highest];
}

std::optional<std::wstring> ExpandVersionKeys(HKEY root, const std::wstring& keyPath, REGSAM view) {
  return ExpandVersionComponents(keyPath,
                                 [&](const std::wstring& before) { return HighestVersionSubkey(root, before, view); });
}

std::vector<std::wstring> ComServerFiles(const ComClassProbe& probe, REGSAM view) {
  std::wstring classId = probe.name;
  if (probe.byProgId) {
    std::optional<std::wstring> mapped = ReadRegistryText(HKEY_CLASSES_ROOT, probe.name + L"\\CLSID", nullptr, view);
    if (!mapped || mapped->empty()) return {};
    classId = std::move(*mapped);
  }
  std::vector<std::wstring> files;
  const std::wstring classKey = L"CLSID\\" + classId + L"\\";
  for (const wchar_t* server : kComServerKeys) {
    const std::optional<std::wstring> command = ReadRegistryText(HKEY_CLASSES_ROOT, classKey + server, nullptr, view);
    if (!command) continue;
    for (std::wstring& file : ServerFileCandidates(*command)) files.push_back(std::move(file));
  }
  return files;
}

}  // namespace wendrix
