// The registration exports: setup programs register the publishers their
// products ship and unregister them on uninstall; the user opens data files.
#include <windows.h>

#include <string>

#include "platform/ini_file.h"
#include "frame/ansi.h"
#include "frame/export_guard.h"
#include "frame/installed_copy.h"
#include "publisher/publisher_id.h"
#include "registration/step_location.h"
#include "registration/data_file_registration.h"
#include "registration/generated_data_file.h"
#include "registration/integration_sync.h"
#include "registration/load_file.h"
#include "registration/product_unregistration.h"
#include "registration/publisher_store.h"
#include "setup/journal.h"
#include "update/settings_conversion.h"
#include "wendrix.h"

using namespace wendrix;

namespace {

constexpr std::uint32_t kRegisterForCurrentUser = 0x1;

bool Given(const wchar_t* text) noexcept { return text && *text; }

// The journal a setup named, opened for appending; none when not named.
HRESULT OpenNamedJournal(const wchar_t* folder, CJournal& journal, CJournal*& used) {
  used = nullptr;
  if (!Given(folder)) return S_OK;
  RETURN_IF_FAILED(journal.Open(folder));
  used = &journal;
  return S_OK;
}

HRESULT RegisterEx(const wchar_t* caller, const wchar_t* dataFile, const wchar_t* journalFolder,
                   std::uint32_t& location, std::uint32_t flags) {
  CJournal journalFile;
  CJournal* journal = nullptr;
  RETURN_IF_FAILED(OpenNamedJournal(journalFolder, journalFile, journal));
  RETURN_IF_FAILED(AtStep(location, kAtSettingsMigration, CopyNewestSettingsToCurrentKey(journal)));

  const StoreScope scope = (flags & kRegisterForCurrentUser) ? kScopeCurrentUser : kScopeAllUsers;
  const bool registering = Given(caller) && Given(dataFile);
  if (registering) {
    PublisherFile file;
    RETURN_IF_FAILED(ReadPublisherFile(dataFile, file, location));
    RETURN_IF_FAILED(RegisterPublisherFile(file, caller, scope, journal, location));
  }

  const IntegrationSteps steps{kAtOpenStoreAfter, kAtStartupEntry, kAtControlPanelEntry, kAtUninstallEntry,
                               kAtFileType};
  RETURN_IF_FAILED(BringIntegrationsInLine(scope, registering, journal, steps, location));
  AnnounceRegistrationChange();
  return S_OK;
}

HRESULT UnregisterEx(const wchar_t* caller, const wchar_t* journalFolder, std::uint32_t& location,
                     std::uint32_t flags) {
  CJournal journalFile;
  CJournal* journal = nullptr;
  RETURN_IF_FAILED(AtStep(location, kAtUnregisterJournal, OpenNamedJournal(journalFolder, journalFile, journal)));
  const StoreScope scope = (flags & kUnregisterCurrentUser) ? kScopeCurrentUser : kScopeAllUsers;
  if (Given(caller)) RETURN_IF_FAILED(UnregisterProductPublishers(caller, scope, flags, journal, location));

  const IntegrationSteps steps{kAtUnregisterOpenStoreAfter, kAtUnregisterStartupEntry, kAtUnregisterControlPanelEntry,
                               kAtUnregisterUninstallEntry, kAtUnregisterFileType};
  // Whether a publisher is only the user's is decided and acted on under the
  // store's lock: another process may count it meanwhile.
  const auto dropUserOnly = [&](CPublisherStore& store) {
    return (flags & kUnregisterUserOnlyPublishers)
               ? AtStep(location, kAtUnregisterDropUserOnly, DropUserOnlyPublishers(store, journal))
               : S_OK;
  };
  RETURN_IF_FAILED(BringIntegrationsInLine(scope, true, journal, steps, location, dropUserOnly));
  AnnounceRegistrationChange();
  return S_OK;
}

// Writes the generated data file where only this process will read it.
class TemporaryDataFile {
 public:
  TemporaryDataFile() = default;
  TemporaryDataFile(const TemporaryDataFile&) = delete;
  TemporaryDataFile& operator=(const TemporaryDataFile&) = delete;
  ~TemporaryDataFile() {
    if (!m_path.empty()) DeleteFileW(m_path.c_str());
  }

  HRESULT Write(const std::wstring& text) {
    wchar_t folder[MAX_PATH + 1] = {};
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    RETURN_LAST_ERROR_IF(length == 0);
    if (length > MAX_PATH) return HResultFromWin32(ERROR_BUFFER_OVERFLOW);
    RETURN_LAST_ERROR_IF(!GetTempFileNameW(folder, L"WXR", 0, path));
    m_path = path;  // GetTempFileNameW created it: it is ours to delete
    return WriteUnicodeTextFile(m_path.c_str(), text);
  }
  const std::wstring& Path() const noexcept { return m_path; }

 private:
  std::wstring m_path;
};

}  // namespace

extern "C" HRESULT WINAPI WendrixRegisterEx(const WCHAR* caller, const WCHAR* dataFile, const WCHAR* journal,
                                            UINT32* errorLocation, HWND window, UINT32 flags) {
  return GuardedCall([&]() -> HRESULT {
    HRESULT forwarded = S_OK;
    if (ForwardToInstalledCopy<decltype(&WendrixRegisterEx)>("WendrixRegisterEx", &forwarded, caller, dataFile,
                                                             journal, errorLocation, window, flags))
      return forwarded;
    if (errorLocation) *errorLocation = 0;
    std::uint32_t location = 0;
    const HRESULT hr = RegisterEx(caller, dataFile, journal, location, flags);
    if (errorLocation) *errorLocation = location;
    return hr;
  });
}

extern "C" HRESULT WINAPI WendrixRegister(const CHAR* caller, const CHAR* name, const CHAR* id, const CHAR* homePage,
                                          const CHAR* dataSource, const CHAR* journal, UINT32* errorLocation,
                                          HWND window, UINT32 flags) {
  return GuardedCall([&]() -> HRESULT {
    const AnsiArg wideCaller(caller), wideName(name), wideId(id), wideHome(homePage), wideSource(dataSource),
        wideJournal(journal);
    if (errorLocation) *errorLocation = 0;
    for (const AnsiArg* required : {&wideCaller, &wideName, &wideId, &wideHome, &wideSource}) {
      if (!Given(required->Get())) {
        if (errorLocation) *errorLocation = kAtMissingArgument;
        return E_INVALIDARG;
      }
    }
    // The ID names the publisher's files: refused here like a missing one,
    // before anything is written.
    if (!IsSafePublisherId(wideId.Get())) {
      if (errorLocation) *errorLocation = kAtMissingArgument;
      return E_INVALIDARG;
    }
    std::wstring text;
    RETURN_IF_FAILED(BuildGeneratedDataFile(wideId.Get(), wideName.Get(), wideHome.Get(), wideSource.Get(), text));
    TemporaryDataFile file;
    RETURN_IF_FAILED(file.Write(text));
    return WendrixRegisterEx(wideCaller.Get(), file.Path().c_str(), wideJournal.Get(), errorLocation, window, flags);
  });
}

extern "C" HRESULT WINAPI WendrixUnregisterEx(const WCHAR* caller, const WCHAR* journal, UINT32* errorLocation,
                                              HWND window, UINT32 flags) {
  return GuardedCall([&]() -> HRESULT {
    HRESULT forwarded = S_OK;
    if (ForwardToInstalledCopy<decltype(&WendrixUnregisterEx)>("WendrixUnregisterEx", &forwarded, caller, journal,
                                                               errorLocation, window, flags))
      return forwarded;
    if (errorLocation) *errorLocation = 0;
    std::uint32_t location = 0;
    const HRESULT hr = UnregisterEx(caller, journal, location, flags);
    if (errorLocation) *errorLocation = location;
    return hr;
  });
}

extern "C" HRESULT WINAPI WendrixUnregister(const CHAR* caller, const CHAR* journal, UINT32* errorLocation,
                                            HWND window, UINT32 flags) {
  return GuardedCall([&]() -> HRESULT {
    const AnsiArg wideCaller(caller), wideJournal(journal);
    return WendrixUnregisterEx(wideCaller.Get(), wideJournal.Get(), errorLocation, window, flags);
  });
}

extern "C" HRESULT WINAPI WendrixLoadFile(const WCHAR* path, HWND window, UINT32 flags) {
  return GuardedCall([&]() -> HRESULT { return LoadFileForUser(path, window, flags); });
}

extern "C" HRESULT WINAPI WendrixInControlPanel() {
  return GuardedCall([&]() -> HRESULT {
    CPublisherStore store;
    RETURN_IF_FAILED(store.Open(true, nullptr));
    if (store.Records().empty()) return S_OK;
    for (const PublisherRecord& r : store.Records())
      if (r.flags & kPublisherControlPanel) return S_OK;
    return S_FALSE;
  });
}
