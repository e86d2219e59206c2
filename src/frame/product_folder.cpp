#include "frame/product_folder.h"

#include <windows.h>
#include <shlobj.h>

#include <optional>
#include <vector>

#include "core/string_util.h"
#include "platform/known_folders.h"
#include "platform/registry.h"
#include "platform/system_facts.h"
#include "frame/product_keys.h"

namespace wendrix {
namespace {

constexpr wchar_t kWindowsKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion";

struct InfoNames {
  const wchar_t* name32;
  const wchar_t* name64;
};
constexpr InfoNames kInfoNames[] = {
    {nullptr, nullptr},
    {L"wendrix.exe", L"wendrix.exe"},
    {L"wendrix.dll", L"wendrix64.dll"},
    {L"wendrix.cpl", L"wendrix64.cpl"},
    {L"wendrixc.dll", L"wendrixc64.dll"},
    {L"wendrixcpl.xml", L"wendrixcpl.xml"},
    {L"wendrixl.exe", L"wendrixl.exe"},
    {L"wendrixu.exe", L"wendrixu.exe"},
    {L"wendrixw.ocx", L"wendrixw64.ocx"},
    {L"unicows.dll", L"unicows.dll"},
    {L"wxsetup.exe", L"wxsetup.exe"},
};

std::optional<std::wstring> RegistryFolder(const wchar_t* valueName, REGSAM view) {
  RegistryKey key;
  if (key.Open(HKEY_LOCAL_MACHINE, kWindowsKey, KEY_READ, view) != ERROR_SUCCESS) return std::nullopt;
  std::wstring value;
  if (key.ReadString(valueName, value, MAX_PATH) != ERROR_SUCCESS || value.empty()) return std::nullopt;
  return value;
}

std::optional<std::wstring> ShellFolder(int csidl) {
  std::wstring path;
  if (!KnownFolderPath(csidl, path)) return std::nullopt;
  return path;
}

// Whether this is a 32-bit process on 64-bit Windows.
bool RunningUnderWow64() noexcept {
  using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
  const auto isWow64 = Kernel32Function<IsWow64ProcessFn>("IsWow64Process");
  BOOL wow64 = FALSE;
  return isWow64 && isWow64(GetCurrentProcess(), &wow64) && wow64;
}

// The folder that the default product folder is built in. The "(x86)" values
// live in the native (64-bit) view of a 64-bit system; a 32-bit system has
// none, and its shell folders are the 32-bit ones anyway. A 32-bit process on
// a 64-bit system is given the "(x86)" folders by the shell too, so for the
// 64-bit view it reads the native folders from the native view.
std::optional<std::wstring> DefaultBaseFolder(REGSAM view) {
  const bool view32 = view == KEY_WOW64_32KEY;
  const bool nativeFromRegistry = !view32 && RunningUnderWow64();
  std::optional<std::wstring> base;
  if (view32) base = RegistryFolder(L"CommonFilesDir (x86)", KEY_WOW64_64KEY);
  if (nativeFromRegistry) base = RegistryFolder(L"CommonFilesDir", KEY_WOW64_64KEY);
  if (!base && !nativeFromRegistry) base = ShellFolder(CSIDL_PROGRAM_FILES_COMMON);
  if (!base && view32) base = RegistryFolder(L"ProgramFilesDir (x86)", KEY_WOW64_64KEY);
  if (!base && nativeFromRegistry) base = RegistryFolder(L"ProgramFilesDir", KEY_WOW64_64KEY);
  if (!base && !nativeFromRegistry) base = ShellFolder(CSIDL_PROGRAM_FILES);
  if (!base) base = RegistryFolder(L"ProgramFilesDir", view);
  return base;
}

bool IsFolder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The "Path" of the highest version-named subkey, when there is one.
std::optional<std::wstring> RegisteredFolder(REGSAM view) {
  RegistryKey product;
  if (product.Open(HKEY_LOCAL_MACHINE, kProductKey, KEY_READ, view) != ERROR_SUCCESS) return std::nullopt;
  std::vector<std::wstring> subkeys;
  product.SubkeyNames(subkeys);
  const std::wstring* best = nullptr;
  std::uint32_t bestValue = 0;
  for (const std::wstring& name : subkeys) {
    std::uint32_t value = 0;
    if (!ParseProductSubkeyName(name, value)) continue;
    // The first acceptable name is taken even when its value is 0.
    if (!best || value > bestValue) {
      best = &name;
      bestValue = value;
    }
  }
  if (!best) return std::nullopt;
  RegistryKey version;
  if (version.Open(product.Get(), best->c_str(), KEY_READ, view) != ERROR_SUCCESS) return std::nullopt;
  std::wstring path;
  if (version.ReadString(L"Path", path, MAX_PATH) != ERROR_SUCCESS) return std::nullopt;
  return path;
}

}  // namespace

const wchar_t* InfoFileName(std::uint32_t kind, bool names64) noexcept {
  if (kind > kInfoMaxKind) return nullptr;
  return names64 ? kInfoNames[kind].name64 : kInfoNames[kind].name32;
}

bool ParseProductSubkeyName(const std::wstring& name, std::uint32_t& value) noexcept {
  std::uint32_t major = 0, minor = 0;
  std::size_t i = 0;
  const std::size_t majorStart = i;
  for (; i < name.size() && IsDecimalDigit(name[i]); ++i) major = major * 10 + static_cast<std::uint32_t>(name[i] - L'0');
  if (i == majorStart || i >= name.size() || name[i] != L'.') return false;
  const std::size_t minorStart = ++i;
  for (; i < name.size() && IsDecimalDigit(name[i]); ++i) minor = minor * 10 + static_cast<std::uint32_t>(name[i] - L'0');
  if (i == minorStart || i != name.size()) return false;
  value = (major << 16) | (minor & 0xFFFFu);
  return true;
}

HRESULT FindProductFolder(std::uint32_t selector, std::wstring& folder) {
  const REGSAM view = (selector & kInfo64Bit) ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
  if (auto registered = RegisteredFolder(view)) {
    folder = std::move(*registered);
    return S_OK;
  }
  auto base = DefaultBaseFolder(view);
  if (!base) return kProductFolderMissing;
  if (!base->empty() && base->back() == L'\\') base->pop_back();
  *base += L"\\Kestmoor\\Wendrix";
  if (base->size() >= MAX_PATH) return kBufferTooSmall;
  if (!(selector & kInfoAcceptDefault) && !IsFolder(*base)) return kProductFolderMissing;
  folder = std::move(*base);
  return S_OK;
}

HRESULT GetProductPath(std::uint32_t selector, std::wstring& path) {
  const std::uint32_t kind = selector & kInfoKindMask;
  if (kind > kInfoMaxKind) return E_INVALIDARG;
  std::wstring folder;
  RETURN_IF_FAILED(FindProductFolder(selector, folder));
  if (kind != kInfoFolder) {
    if (folder.empty() || folder.back() != L'\\') folder += L'\\';
    folder += InfoFileName(kind, (selector & kInfo64Bit) != 0);
  }
  path = std::move(folder);
  return S_OK;
}

}  // namespace wendrix
