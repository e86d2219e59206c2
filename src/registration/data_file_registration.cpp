#include "registration/step_location.h"
#include "registration/data_file_registration.h"

#include <windows.h>

#include <new>

#include "platform/ini_file.h"
#include "core/version.h"
#include "frame/module_state.h"
#include "platform/path_containment.h"
#include "publisher/loader.h"
#include "publisher/publisher_id.h"
#include "publisher/windows_environment.h"
#include "registration/main_window.h"
#include "registration/product_data_file.h"
#include "registration/product_identity.h"
#include "registration/publisher_store.h"
#include "registration/registration.h"
#include "registration/store_folders.h"
#include "registration/store_mutex.h"
#include "setup/journal.h"

namespace wendrix {
namespace {

// The registration icon is a copy of a local file: the file's ApplicationIcon
// when it names one in the data file's folder or below, relative to the data
// file or absolute. A data file may come from anywhere (a user opens a
// downloaded one): it must not make the store copy any other file of the
// machine. An address is not copied here; the check fetches icons.
std::wstring LocalIconFile(const PublisherFile& file) {
  const std::wstring& icon = file.publisher.applicationIcon;
  if (icon.empty() || icon.find(L"://") != std::wstring::npos) return {};
  const std::size_t slash = file.path.find_last_of(L"\\/");
  const std::wstring folder = slash == std::wstring::npos ? std::wstring(L".") : file.path.substr(0, slash + 1);
  std::wstring path;
  if (FAILED(ResolveInsideFolder(folder, icon, path))) return {};
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) ? path : std::wstring();
}


}  // namespace

bool IsPublisherPartComplete(const PublisherFile& file) noexcept {
  const PublisherFields& p = file.publisher;
  return !p.name.empty() && !p.id.empty() && !p.homePage.empty() && !p.dataSource.empty() &&
         !file.requiredVersion.empty();
}

HRESULT ReadPublisherFile(const wchar_t* path, PublisherFile& file, std::uint32_t& location) {
  if (!path || !*path) return AtStep(location, kAtReadDataFile, E_INVALIDARG);
  try {
    file = PublisherFile{};
    file.path = path;
    std::wstring text;
    RETURN_IF_FAILED(AtStep(location, kAtReadDataFile, ReadTextFile(path, text)));

    PublisherFileHeader header;
    RETURN_IF_FAILED(AtStep(location, kAtParseDataFile, ReadPublisherFileHeader(text, header, file.errorLine)));
    file.publisher = std::move(header.publisher);
    file.requiredVersion = std::move(header.requiredVersion);
    if (!IsPublisherPartComplete(file)) return AtStep(location, kAtRequiredValue, E_INVALIDARG);

    // The whole file must load as the check will load it; the publisher it
    // names is, for the load, the one being registered.
    PublisherData data;
    data.publisher = file.publisher;
    const WindowsPublisherEnvironment env(Module().version);
    // As a check loads it: a move meant for newer libraries is not followed.
    const HRESULT loaded =
        LoadPublisherData(text.c_str(), &data, nullptr, nullptr, &file.errorLine, kLoadHonourRedirectVersion, env);
    RETURN_IF_FAILED(AtStep(location, kAtParseDataFile, loaded));
    if (loaded == S_FALSE) {
      // The file says its publisher moved: register it where it is now.
      file.publisher.name = data.publisher.name;
      file.publisher.homePage = data.publisher.homePage;
      file.publisher.dataSource = data.publisher.dataSource;
    }
    file.hasItem = !data.items.empty();
    return S_OK;
  } catch (const std::bad_alloc&) {
    return AtStep(location, kAtBuildMemory1, E_OUTOFMEMORY);
  }
}

namespace {

// The registration's steps; the caller holds "WendrixMutex_Publisher".
HRESULT RegisterLocked(const PublisherFile& file, const wchar_t* caller, StoreScope scope, CJournal* journal,
                       std::uint32_t& location, bool& updated) {
  const bool counted = caller && *caller;
  const CountSlot slot = scope == kScopeCurrentUser ? kSlotCurrentUser : kSlotAllUsers;
  ProductIdentity product;
  std::wstring productPath;
  ProductData productData;
  try {
    if (counted) {
      RETURN_IF_FAILED(AtStep(location, kAtIdentifyCaller, IdentifyCaller(caller, product)));
      RETURN_IF_FAILED(AtStep(location, kAtProductDataPath, ProductDataPath(product, scope, productPath)));
      if (PathExists(productPath))
        RETURN_IF_FAILED(AtStep(location, kAtReadProductData, ReadProductDataFile(productPath, productData)));
      productData.name = product.name.empty() ? productData.name : product.name;
    }
  } catch (const std::bad_alloc&) {
    return AtStep(location, kAtBuildMemory1, E_OUTOFMEMORY);
  }
  try {
    const PublisherFields& p = file.publisher;
    productData.Add(ProductPublisher{p.id, p.name, p.homePage, p.dataSource});
  } catch (const std::bad_alloc&) {
    return AtStep(location, kAtBuildMemory2, E_OUTOFMEMORY);
  }

  updated = false;
  {
    CPublisherStore store;
    RETURN_IF_FAILED(AtStep(location, kAtOpenStore, store.Open(false, journal)));
    PublisherRecord* record = store.Find(file.publisher.id);
    try {
      if (record) {
        if (counted) ++record->counts[slot];
        updated = CompareVersions(record->version, file.publisher.version) == kVersionOlder;
        if (!counted && !updated) return S_FALSE;
      } else {
        store.Records().emplace_back();
        record = &store.Records().back();
        if (counted) record->counts[slot] = 1;
        updated = true;
      }
    } catch (const std::bad_alloc&) {
      return AtStep(location, kAtCreateRecord, E_OUTOFMEMORY);
    }

    std::wstring iconFile = record->applicationIcon;
    try {
      if (updated) {
        TakeRegisteredFields(file.publisher, *record);
        iconFile = LocalIconFile(file);
      }
    } catch (const std::bad_alloc&) {
      return AtStep(location, kAtBuildMemory3, E_OUTOFMEMORY);
    }
    record->flags |= scope == kScopeCurrentUser ? kPublisherCountedCurrentUser : kPublisherCountedAllUsers;
    if (!IsSafePublisherId(record->id) || record->name.empty() || record->homePage.empty() ||
        record->dataSource.empty())
      return AtStep(location, kAtRecordIncomplete, E_INVALIDARG);
    RETURN_IF_FAILED(AtStep(location, kAtWriteRegistration,
                        RegisterInScope(RegistrationOf(*record, slot, counted, iconFile), scope, journal)));
  }

  if (counted) {
    std::wstring folder;
    RETURN_IF_FAILED(AtStep(location, kAtJournalProductData, CreateProductDataFolder(scope, journal, folder)));
    if (journal) RETURN_IF_FAILED(AtStep(location, kAtJournalProductData, journal->NoteFileToWrite(productPath)));
    RETURN_IF_FAILED(AtStep(location, kAtWriteProductData, WriteProductDataFile(productPath, productData)));
  }
  return S_OK;
}

}  // namespace

HRESULT RegisterPublisherFile(const PublisherFile& file, const wchar_t* caller, StoreScope scope, CJournal* journal,
                              std::uint32_t& location, RegisterOutcome* outcome) {
  bool updated = false;
  HRESULT hr;
  {
    // The product-data file, the count and the list change together for
    // every process: two setups of one product registering at once must not
    // drop a publisher from the product's file, nor a count.
    NamedMutexLock lock;
    RETURN_IF_FAILED(AtStep(location, kAtOpenStore, lock.Acquire(kPublisherMutex, MutexUsers::kAnyUser)));
    hr = RegisterLocked(file, caller, scope, journal, location, updated);
  }
  if (FAILED(hr)) return hr;
  if (outcome) outcome->updated = updated;
  // Told after the lock is gone: the main window reloads the store.
  if (updated) NotifyMainWindow(kPublishersChangedMessage);
  return hr;
}

}  // namespace wendrix
