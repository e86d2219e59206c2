#include "registration/system_integrations.h"

#include <windows.h>

#include <cwchar>
#include <iterator>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/string_util.h"
#include "frame/product_folder.h"
#include "frame/product_keys.h"
#include "frame/product_web_site.h"
#include "frame/string_table.h"
#include "platform/registry.h"
#include "platform/system_facts.h"
#include "platform/unique_handle.h"
#include "registration/publisher_store.h"
#include "resources/version.h"
#include "resources/string_ids.h"
#include "setup/journal.h"

namespace wendrix {
namespace {

constexpr wchar_t kCplsKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Control Panel\\Cpls";
constexpr wchar_t kAppletValue[] = L"WendrixControlPanel";
// The shell's category property of control-panel applets, one value per
// applet path; category 8 is "Programs".
constexpr wchar_t kCategoryKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Control Panel\\Extended Properties\\"
    L"{305CA226-D286-468e-B848-2B2E8E697B74} 2";
constexpr DWORD kCategoryPrograms = 8;

constexpr wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kestmoor Wendrix";

constexpr wchar_t kClasses[] = L"Software\\Classes\\";
constexpr wchar_t kExtension[] = L".wx-cnf";
constexpr wchar_t kFileClass[] = L"Wendrix.DataFile";
constexpr wchar_t kContentType[] = L"application/vnd.kestmoor.wxcnf";
constexpr wchar_t kMimeKey[] = L"MIME\\Database\\Content Type\\application/vnd.kestmoor.wxcnf";
constexpr wchar_t kOlderExtension[] = L".software";
constexpr wchar_t kOlderFileClass[] = L"Pellister.DataFile";

// The product is a 32-bit program: on x64 its entries live in the 32-bit view.
REGSAM ProductView() noexcept {
  const auto arch = NativeProcessorArchitecture();
  return arch && *arch == PROCESSOR_ARCHITECTURE_AMD64 ? KEY_WOW64_32KEY : 0;
}

// Windows 95, 98 and Me have one set of control-panel applets for everybody.
bool IsWindows9x() noexcept { return (GetVersion() & 0x80000000u) != 0; }

HKEY RootOf(StartupScope scope) noexcept {
  return scope == StartupScope::kAllUsers ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

bool NeededIn(const RegisteredScopes& scopes, StartupScope scope) noexcept {
  return scope == StartupScope::kAllUsers ? scopes.allUsers : scopes.currentUser;
}

// One value to write; an empty name is the key's default value.
struct RegistryValue {
  std::wstring name;
  DWORD type = REG_SZ;
  std::wstring text;  // REG_SZ
  DWORD number = 0;   // REG_DWORD
};

RegistryValue Text(std::wstring name, std::wstring text) { return {std::move(name), REG_SZ, std::move(text), 0}; }
RegistryValue Number(std::wstring name, DWORD number) { return {std::move(name), REG_DWORD, {}, number}; }

bool KeyExists(HKEY root, const std::wstring& path, REGSAM view) {
  RegistryKey key;
  return key.Open(root, path.c_str(), KEY_QUERY_VALUE, view) == ERROR_SUCCESS;
}

std::optional<std::wstring> ReadString(HKEY root, const std::wstring& path, const wchar_t* name, REGSAM view) {
  RegistryKey key;
  std::wstring value;
  if (key.Open(root, path.c_str(), KEY_QUERY_VALUE, view) != ERROR_SUCCESS ||
      key.ReadString(name, value) != ERROR_SUCCESS)
    return std::nullopt;
  return value;
}

// Writes the values in their order, creating the key (and its parents) when
// missing; each value is journaled just before it changes, the first one
// together with the keys that did not exist.
HRESULT WriteValues(HKEY root, const std::wstring& path, REGSAM view, std::span<const RegistryValue> values,
                    CJournal* journal) {
  RegistryKey key;
  for (const RegistryValue& value : values) {
    if (journal) RETURN_IF_FAILED(journal->NoteValueToSet(root, path, value.name, view));
    if (!key) {
      const LONG rc = key.Create(root, path.c_str(), KEY_SET_VALUE, view);
      if (rc != ERROR_SUCCESS) return HResultFromWin32(rc);
    }
    const LONG rc = value.type == REG_SZ ? key.WriteString(value.name.c_str(), value.text)
                                         : key.WriteDword(value.name.c_str(), value.number);
    if (rc != ERROR_SUCCESS) return HResultFromWin32(rc);
  }
  return S_OK;
}

// Deletes one value (journaled first); a missing key or value is no change.
// The key is opened for writing only when there is something to delete, so a
// user without rights to the machine's hive can still find nothing to do.
HRESULT DeleteValue(HKEY root, const std::wstring& path, const std::wstring& name, REGSAM view, CJournal* journal) {
  {
    RegistryKey key;
    const LONG rc = key.Open(root, path.c_str(), KEY_QUERY_VALUE, view);
    if (rc == ERROR_FILE_NOT_FOUND) return S_OK;
    if (rc != ERROR_SUCCESS) return HResultFromWin32(rc);
    if (!key.HasValue(name.c_str())) return S_OK;
  }
  if (journal) RETURN_IF_FAILED(journal->NoteValueToChange(root, path, name, view));
  RegistryKey key;
  LONG rc = key.Open(root, path.c_str(), KEY_SET_VALUE, view);
  if (rc == ERROR_SUCCESS) rc = key.DeleteValue(name.c_str());
  return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND ? S_OK : HResultFromWin32(rc);
}

// Deletes a key with its subkeys, the whole tree journaled first.
HRESULT DeleteTree(HKEY root, const std::wstring& path, REGSAM view, CJournal* journal) {
  if (journal) RETURN_IF_FAILED(journal->NoteKeyTreeToDelete(root, path, view));
  return HResultFromWin32(DeleteRegistryTree(root, path, view));
}

// Windows 9x finds extra applets in the "MMCPL" section of control.ini, not
// in the registry. A null applet removes the entry.
HRESULT UpdateControlIni(const wchar_t* applet, CJournal* journal) {
  wchar_t windows[MAX_PATH];
  const UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return E_FAIL;
  if (journal) RETURN_IF_FAILED(journal->NoteFileToWrite(std::wstring(windows) + L"\\control.ini"));
  return WritePrivateProfileStringW(L"MMCPL", kAppletValue, applet, L"control.ini") ? S_OK : E_FAIL;
}

// The size of the installed product, in the machine's settings where an
// installation recorded one; the entry shows no size rather than a guess.
std::optional<DWORD> InstalledSize() {
  RegistryKey key;
  std::uint32_t size = 0;
  if (key.Open(HKEY_LOCAL_MACHINE, kSettingsKey, KEY_QUERY_VALUE, KEY_WOW64_32KEY) != ERROR_SUCCESS ||
      key.ReadDword(L"Size", size) != ERROR_SUCCESS)
    return std::nullopt;
  return size;
}

HRESULT UninstallValues(std::vector<RegistryValue>& values) {
  std::wstring setup, folder;
  RETURN_IF_FAILED(GetProductPath(kInfoSetupProgram | kInfoAcceptDefault, setup));
  RETURN_IF_FAILED(GetProductPath(kInfoFolder | kInfoAcceptDefault, folder));
  wchar_t version[64];
  swprintf(version, std::size(version), L"%d.%d.%d.%d", WX_VERSION_MAJOR, WX_VERSION_MINOR, WX_VERSION_RELEASE,
           WX_VERSION_BUILD);
  values = {
      Text(L"DisplayName", L"Wendrix"),
      Text(L"DisplayVersion", version),
      Text(L"DisplayIcon", setup),
      Text(L"Publisher", L"Kestmoor Corporation"),
      Text(L"Comments", LoadStringText(kStrProductComments)),
      Text(L"URLInfoAbout", kProductWebSite),
      Number(L"VersionMajor", WX_VERSION_MAJOR),
      Number(L"VersionMinor", WX_VERSION_MINOR),
      Number(L"Version", WX_VERSION_MAJOR << 24 | WX_VERSION_MINOR << 16 | WX_VERSION_RELEASE),
  };
  if (const auto size = InstalledSize()) values.push_back(Number(L"EstimatedSize", *size));
  values.push_back(Number(L"NoRepair", 1));
  values.push_back(Number(L"NoModify", 1));
  values.push_back(Text(L"InstallLocation", folder));
  // "/user": this entry is always the current user's, and the setup program
  // must uninstall that installation, not the machine's.
  values.push_back(Text(L"UninstallString", L"\"" + setup + L"\" uninstall /user"));
  return S_OK;
}

struct KeyValues {
  std::wstring path;  // under the hive's Software\Classes
  std::vector<RegistryValue> values;
};

std::vector<KeyValues> FileTypeKeys(const std::wstring& program) {
  const std::wstring fileClass = kFileClass;
  return {
      {kExtension, {Text(L"", kFileClass), Text(L"Content Type", kContentType)}},
      {fileClass, {Text(L"", L"Wendrix Data File")}},
      {fileClass + L"\\DefaultIcon", {Text(L"", program + L",1")}},
      {fileClass + L"\\shell\\open\\command", {Text(L"", L"\"" + program + L"\" \"/l:%1\"")}},
      {kMimeKey, {Text(L"Extension", kExtension)}},
  };
}

// The older product's class is still usable when its key exists where the
// shell looks it up: a user's extension may name a class of the machine.
bool OlderClassExists(HKEY root) {
  const std::wstring path = std::wstring(kClasses) + kOlderFileClass;
  return KeyExists(root, path, 0) || (root == HKEY_CURRENT_USER && KeyExists(HKEY_LOCAL_MACHINE, path, 0));
}

// ".software" files belonged to the older product. While the file type is
// ours they open with our program; when it goes, they go back to the older
// product's class if it is still there, else they are left without a class
// rather than pointing at a class that no longer exists.
HRESULT UpdateOlderExtension(HKEY root, bool present, CJournal* journal) {
  const std::wstring path = std::wstring(kClasses) + kOlderExtension;
  const std::optional<std::wstring> current = ReadString(root, path, L"", 0);
  if (!current) return S_OK;
  if (present) {
    if (!CStringUtil::EqualsNoCase(*current, kOlderFileClass)) return S_OK;
    const RegistryValue ours[] = {Text(L"", kFileClass)};
    return WriteValues(root, path, 0, ours, journal);
  }
  if (!CStringUtil::EqualsNoCase(*current, kFileClass)) return S_OK;
  if (!OlderClassExists(root)) return DeleteValue(root, path, L"", 0, journal);
  const RegistryValue older[] = {Text(L"", kOlderFileClass)};
  return WriteValues(root, path, 0, older, journal);
}

}  // namespace

RegisteredScopes ScopesOf(const CPublisherStore& store) {
  RegisteredScopes scopes;
  for (const PublisherRecord& record : store.Records()) {
    scopes.currentUser |= (record.flags & (kPublisherCountedCurrentUser | kPublisherCountedOlderCurrentUser)) != 0;
    scopes.allUsers |= (record.flags & (kPublisherCountedAllUsers | kPublisherCountedOlderAllUsers)) != 0;
  }
  return scopes;
}

HRESULT UpdateControlPanelEntry(const RegisteredScopes& scopes, StartupScope scope, CJournal* journal) {
  try {
    const bool windows9x = IsWindows9x();
    const HKEY root = windows9x ? HKEY_LOCAL_MACHINE : RootOf(scope);
    const bool needed = windows9x ? scopes.currentUser || scopes.allUsers : NeededIn(scopes, scope);
    const REGSAM view = ProductView();
    std::wstring applet;
    RETURN_IF_FAILED(GetProductPath(kInfoControlPanelApplet | kInfoAcceptDefault, applet));
    // The category value is named by the applet's path: when the product
    // folder moved, the one of the old path goes too.
    const auto previous = ReadString(root, kCplsKey, kAppletValue, view);
    if (previous && !CStringUtil::EqualsNoCase(*previous, applet))
      RETURN_IF_FAILED(DeleteValue(root, kCategoryKey, *previous, view, journal));
    if (needed) {
      const RegistryValue entry[] = {Text(kAppletValue, applet)};
      const RegistryValue category[] = {Number(applet, kCategoryPrograms)};
      RETURN_IF_FAILED(WriteValues(root, kCplsKey, view, entry, journal));
      RETURN_IF_FAILED(WriteValues(root, kCategoryKey, view, category, journal));
    } else {
      // The Cpls key is shared by every applet of the system: only our value goes.
      RETURN_IF_FAILED(DeleteValue(root, kCplsKey, kAppletValue, view, journal));
      RETURN_IF_FAILED(DeleteValue(root, kCategoryKey, applet, view, journal));
    }
    if (windows9x) RETURN_IF_FAILED(UpdateControlIni(needed ? applet.c_str() : nullptr, journal));
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT UpdateUninstallEntry(const RegisteredScopes& scopes, bool rewrite, CJournal* journal) {
  try {
    const REGSAM view = ProductView();
    const bool exists = KeyExists(HKEY_CURRENT_USER, kUninstallKey, view);
    // Publishers registered for all users mean a machine-wide installation,
    // whose entry in the machine's hive belongs to self-installation; a
    // per-user entry beside it would list the product twice.
    if (!scopes.currentUser || scopes.allUsers)
      return exists ? DeleteTree(HKEY_CURRENT_USER, kUninstallKey, view, journal) : S_OK;
    if (exists && !rewrite) return S_OK;
    std::vector<RegistryValue> values;
    RETURN_IF_FAILED(UninstallValues(values));
    // Rewriting starts from an empty key: no value of an older entry that no
    // longer applies (an EstimatedSize without a size) stays behind, and the
    // values keep their order.
    if (exists) RETURN_IF_FAILED(DeleteTree(HKEY_CURRENT_USER, kUninstallKey, view, journal));
    return WriteValues(HKEY_CURRENT_USER, kUninstallKey, view, values, journal);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT UpdateFileType(const RegisteredScopes& scopes, StartupScope scope, CJournal* journal) {
  try {
    const HKEY root = RootOf(scope);
    const bool present = NeededIn(scopes, scope);
    const std::wstring classes = kClasses;
    if (present) {
      std::wstring program;
      RETURN_IF_FAILED(GetProductPath(kInfoMainProgram | kInfoAcceptDefault, program));
      for (const KeyValues& key : FileTypeKeys(program))
        RETURN_IF_FAILED(WriteValues(root, classes + key.path, 0, key.values, journal));
    } else {
      for (const wchar_t* key : {kExtension, kFileClass, kMimeKey})
        RETURN_IF_FAILED(DeleteTree(root, classes + key, 0, journal));
    }
    return UpdateOlderExtension(root, present, journal);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace wendrix
