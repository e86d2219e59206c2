#include "registration/product_registration.h"

#include <string>

#include "core/text_encoding.h"
#include "platform/temporary_file.h"
#include "publisher/publisher_id.h"
#include "registration/data_file_registration.h"
#include "registration/generated_data_file.h"
#include "registration/integration_sync.h"
#include "registration/product_unregistration.h"
#include "registration/publisher_store.h"
#include "registration/registration.h"
#include "registration/settings_conversion.h"
#include "registration/step_location.h"
#include "setup/journal.h"

namespace wendrix {
namespace {

bool Given(const wchar_t* text) noexcept { return text && *text; }

// The journal a setup named, opened for appending; none when not named.
HRESULT OpenNamedJournal(const wchar_t* folder, CJournal& journal, CJournal*& used) {
  used = nullptr;
  if (!Given(folder)) return S_OK;
  RETURN_IF_FAILED(journal.Open(folder));
  used = &journal;
  return S_OK;
}

HRESULT Register(const wchar_t* caller, const wchar_t* dataFile, const wchar_t* journalFolder, std::uint32_t flags,
                 std::uint32_t& location) {
  CJournal journalFile;
  CJournal* journal = nullptr;
  RETURN_IF_FAILED(OpenNamedJournal(journalFolder, journalFile, journal));
  RETURN_IF_FAILED(AtStep(location, kAtSettingsMigration, CopyNewestSettingsToCurrentKey(journal)));

  const StoreScope scope = (flags & kRegisterCurrentUser) ? kScopeCurrentUser : kScopeAllUsers;
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

HRESULT Unregister(const wchar_t* caller, const wchar_t* journalFolder, std::uint32_t flags,
                   std::uint32_t& location) {
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

// Runs `step` with a location of its own and hands the location to the
// caller's pointer afterwards.
template <typename Step>
HRESULT ReportingLocation(std::uint32_t* errorLocation, Step step) {
  if (errorLocation) *errorLocation = 0;
  std::uint32_t location = 0;
  const HRESULT hr = step(location);
  if (errorLocation) *errorLocation = location;
  return hr;
}

}  // namespace

HRESULT RegisterProduct(const wchar_t* caller, const wchar_t* dataFile, const wchar_t* journalFolder,
                        std::uint32_t flags, std::uint32_t* errorLocation) {
  return ReportingLocation(errorLocation, [&](std::uint32_t& location) {
    return Register(caller, dataFile, journalFolder, flags, location);
  });
}

HRESULT UnregisterProduct(const wchar_t* caller, const wchar_t* journalFolder, std::uint32_t flags,
                          std::uint32_t* errorLocation) {
  return ReportingLocation(errorLocation, [&](std::uint32_t& location) {
    return Unregister(caller, journalFolder, flags, location);
  });
}

HRESULT WriteGeneratedDataFile(const wchar_t* id, const wchar_t* name, const wchar_t* homePage,
                               const wchar_t* dataSource, CTemporaryFile& file, std::uint32_t* errorLocation) {
  if (errorLocation) *errorLocation = 0;
  // The ID names the publisher's files: refused here like a missing one,
  // before anything is written.
  if (!IsSafePublisherId(id)) {
    if (errorLocation) *errorLocation = kAtMissingArgument;
    return E_INVALIDARG;
  }
  std::wstring text;
  RETURN_IF_FAILED(BuildGeneratedDataFile(id, name, homePage, dataSource, text));
  RETURN_IF_FAILED(file.CreateInTempFolder(L"WXR"));
  RETURN_IF_FAILED(file.Write(EncodeUtf16LeFile(text)));
  file.Close();
  return S_OK;
}

HRESULT ControlPanelWanted() {
  CPublisherStore store;
  RETURN_IF_FAILED(store.Open(true, nullptr));
  if (store.Records().empty()) return S_OK;
  for (const PublisherRecord& r : store.Records())
    if (r.flags & kPublisherControlPanel) return S_OK;
  return S_FALSE;
}

}  // namespace wendrix
