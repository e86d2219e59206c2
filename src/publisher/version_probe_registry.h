#pragma once
// Registry reads of the installed-version probes: the views a location asks
// for, value texts, version-named subkeys and "#.#" key paths, and the server
// files of COM classes.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "publisher/version_probe.h"

namespace wendrix {

// The views to try, in order: on a 64-bit system the asked-for view, or the
// 64-bit view and then the 32-bit view; on a 32-bit system no view flag.
std::vector<REGSAM> ViewsToTry(RegistryView view, bool is64BitSystem);

HKEY RootKey(RegistryRoot root) noexcept;

// True when root\key can be opened for reading in `view`.
bool RegistryKeyExists(HKEY root, const std::wstring& key, REGSAM view);

// The text of a REG_SZ or REG_EXPAND_SZ value (environment variables of the
// latter expanded); nothing when the key or value is missing or holds no text.
std::optional<std::wstring> ReadRegistryText(HKEY root, const std::wstring& key, const wchar_t* value, REGSAM view);

// The name of the highest version-named subkey of root\key; nothing when the
// key is missing or has none.
std::optional<std::wstring> HighestVersionSubkey(HKEY root, const std::wstring& key, REGSAM view);

// A key path with its "#.#" components replaced in `view`; nothing when one
// of them finds no version-named subkey.
std::optional<std::wstring> ExpandVersionKeys(HKEY root, const std::wstring& keyPath, REGSAM view);

// The server files that a COM class's registration names in `view`, in the
// order they are worth trying (registration keys in their order, and for
// each the candidates of its command line). A programmatic identifier is
// first mapped to its class through its CLSID subkey.
std::vector<std::wstring> ComServerFiles(const ComClassProbe& probe, REGSAM view);

}  // namespace wendrix
