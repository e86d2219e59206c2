#pragma once
// The store's "PublisherData" folders and the paths of the files in them.
#include <string>
#include <string_view>

#include "core/result.h"
#include "registration/list_file.h"

namespace wendrix {

class CJournal;

enum class StoreProduct { kCurrent, kOlder };

// The PublisherData folder of a scope, ending in a backslash: the user's
// local application-data folder (current user) or the common application-data
// folder (all users) + "\Kestmoor\Wendrix\PublisherData\" (the older product:
// "\Kestmoor\Pellister\PublisherData\"); without that special folder, the
// current product falls back to the module folder + "\PublisherData\".
// 0x80004005 when there is no folder at all, 0x8007006F when the path reaches
// 260 characters. Nothing is created.
HRESULT StoreFolder(StoreScope scope, StoreProduct product, std::wstring& folder);

// As StoreFolder for the current product, then creates the folder and its
// missing parents; with a journal each folder to be created is noted first.
HRESULT CreateStoreFolder(StoreScope scope, CJournal* journal, std::wstring& folder);

// The "ProductData" folder of a scope, where the product-data files are:
// the same places as StoreFolder's for the current product, with
// "ProductData" instead of "PublisherData". Nothing is created.
HRESULT ProductDataFolder(StoreScope scope, std::wstring& folder);
// As ProductDataFolder, then creates it like CreateStoreFolder.
HRESULT CreateProductDataFolder(StoreScope scope, CJournal* journal, std::wstring& folder);

// The user's product folder, ending in a backslash: the user's local
// application-data folder + "\Kestmoor\Wendrix\", where pending request
// records for the main program wait. Nothing is created.
HRESULT UserProductFolder(std::wstring& folder);
// As UserProductFolder, then creates it and its missing parents.
HRESULT CreateUserProductFolder(std::wstring& folder);

// The user's wallet folder: the same place as ProductDataFolder's for the
// current user, with "Wallet" instead of "ProductData". Nothing is created.
HRESULT WalletFolder(std::wstring& folder);
// As WalletFolder, then creates it and its missing parents.
HRESULT CreateWalletFolder(std::wstring& folder);

// folder + name; 0x8007006F when the result reaches 260 characters.
HRESULT StorePath(const std::wstring& folder, std::wstring_view name, std::wstring& path);

// The list file names.
inline constexpr wchar_t kCurrentUserListFile[] = L"CurrentUserPublishers.ini";
inline constexpr wchar_t kAllUsersListFile[] = L"AllUsersPublishers.ini";
inline constexpr wchar_t kUserCountFile[] = L"UserCount.ini";
inline constexpr wchar_t kImportedLegacyFile[] = L"ImportedLegacy.ini";
inline constexpr wchar_t kOlderImportedMarker[] = L"Imported.ini";

const wchar_t* ListFileName(StoreScope scope) noexcept;

bool PathExists(const std::wstring& path) noexcept;

}  // namespace wendrix
