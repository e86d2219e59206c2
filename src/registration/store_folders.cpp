#include "registration/store_folders.h"

#include <windows.h>
#include <shlobj.h>

#include "frame/module_state.h"
#include "platform/folder_tree.h"
#include "platform/known_folders.h"
#include "setup/journal.h"

namespace wendrix {
namespace {

constexpr HRESULT kPathTooLong = HResultFromWin32(ERROR_BUFFER_OVERFLOW);

bool SpecialFolder(StoreScope scope, std::wstring& folder) {
  const int csidl = (scope == kScopeCurrentUser ? CSIDL_LOCAL_APPDATA : CSIDL_COMMON_APPDATA) | CSIDL_FLAG_CREATE;
  return KnownFolderPath(csidl, folder);
}

}  // namespace

const wchar_t* ListFileName(StoreScope scope) noexcept {
  return scope == kScopeCurrentUser ? kCurrentUserListFile : kAllUsersListFile;
}

bool PathExists(const std::wstring& path) noexcept { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

namespace {

// The scope's data folder of a product: "<special folder>\Kestmoor\<product>\<name>\",
// or for the current product without the special folder "<module folder>\<name>\".
HRESULT DataFolder(StoreScope scope, StoreProduct product, const wchar_t* name, std::wstring& folder) {
  std::wstring result;
  if (SpecialFolder(scope, result)) {
    result += product == StoreProduct::kCurrent ? L"\\Kestmoor\\Wendrix\\" : L"\\Kestmoor\\Pellister\\";
  } else if (product == StoreProduct::kCurrent && !Module().folder.empty()) {
    result = Module().folder + L"\\";
  } else {
    return E_FAIL;
  }
  result += name;
  result += L'\\';
  if (result.size() >= MAX_PATH) return kPathTooLong;
  folder = std::move(result);
  return S_OK;
}

HRESULT CreateFolder(const std::wstring& folder, CJournal* journal) {
  if (PathExists(folder)) return S_OK;
  if (journal) RETURN_IF_FAILED(journal->NotePathToCreate(folder));
  return CreateFolderTree(folder);
}

}  // namespace

HRESULT StoreFolder(StoreScope scope, StoreProduct product, std::wstring& folder) {
  return DataFolder(scope, product, L"PublisherData", folder);
}

HRESULT CreateStoreFolder(StoreScope scope, CJournal* journal, std::wstring& folder) {
  std::wstring result;
  RETURN_IF_FAILED(StoreFolder(scope, StoreProduct::kCurrent, result));
  RETURN_IF_FAILED(CreateFolder(result, journal));
  folder = std::move(result);
  return S_OK;
}

HRESULT ProductDataFolder(StoreScope scope, std::wstring& folder) {
  return DataFolder(scope, StoreProduct::kCurrent, L"ProductData", folder);
}

HRESULT CreateProductDataFolder(StoreScope scope, CJournal* journal, std::wstring& folder) {
  std::wstring result;
  RETURN_IF_FAILED(ProductDataFolder(scope, result));
  RETURN_IF_FAILED(CreateFolder(result, journal));
  folder = std::move(result);
  return S_OK;
}

HRESULT UserProductFolder(std::wstring& folder) {
  std::wstring result;
  if (!SpecialFolder(kScopeCurrentUser, result)) return E_FAIL;
  result += L"\\Kestmoor\\Wendrix\\";
  if (result.size() >= MAX_PATH) return kPathTooLong;
  folder = std::move(result);
  return S_OK;
}

HRESULT CreateUserProductFolder(std::wstring& folder) {
  std::wstring result;
  RETURN_IF_FAILED(UserProductFolder(result));
  RETURN_IF_FAILED(CreateFolder(result, nullptr));
  folder = std::move(result);
  return S_OK;
}

HRESULT WalletFolder(std::wstring& folder) {
  return DataFolder(kScopeCurrentUser, StoreProduct::kCurrent, L"Wallet", folder);
}

HRESULT CreateWalletFolder(std::wstring& folder) {
  std::wstring result;
  RETURN_IF_FAILED(WalletFolder(result));
  RETURN_IF_FAILED(CreateFolder(result, nullptr));
  folder = std::move(result);
  return S_OK;
}

HRESULT StorePath(const std::wstring& folder, std::wstring_view name, std::wstring& path) {
  if (folder.size() + name.size() >= MAX_PATH) return kPathTooLong;
  path = folder;
  path += name;
  return S_OK;
}

}  // namespace wendrix
