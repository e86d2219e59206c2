#include "registration/load_file.h"

#include <string>

#include "frame/messages.h"
#include "core/version.h"
#include "registration/data_file_registration.h"
#include "registration/integration_sync.h"
#include "registration/publisher_store.h"
#include "resources/string_ids.h"

namespace wendrix {
namespace {

enum Message : unsigned {
  kTitle = kStrAppNameTitle,
  kLineAndError = kStrLineError,
  kWillBeIncluded = kStrLoadFileWillBeIncluded,
  kMustRegisterFirst = kStrLoadFileMustRegisterFirst,
  kAlreadyRegistered = kStrLoadFileAlreadyRegistered,
  kItemWillBeAdded = kStrLoadFileItemWillBeAdded,
  kNoItem = kStrLoadFileNoItem,
  kItemInstalled = kStrLoadFileItemInstalled,
  kNoActionPossible = kStrLoadFileNoActionPossible,
  kNotInstallableHere = kStrLoadFileNotInstallableHere,
  kCannotBeAdded = kStrLoadFileCannotBeAdded,
  kNeedsNewerLibrary = kStrLoadFileNeedsNewerLibrary,
  kSummary = kStrLoadFileSummary,
  kSummaryWithOffer = kStrLoadFileSummaryWithOffer,
};

std::wstring Text(unsigned id, std::initializer_list<DWORD_PTR> inserts = {}) {
  LocalText text(FormatMessageText(id, nullptr, std::span<const DWORD_PTR>(inserts.begin(), inserts.size())));
  return text ? std::wstring(text.get()) : std::wstring();
}

int Ask(HWND window, const std::wstring& text, UINT style) {
  return MessageBoxW(window, text.c_str(), Text(kTitle).c_str(), style | MB_SETFOREGROUND);
}

bool IsCancel(HRESULT hr) noexcept { return hr == E_ABORT || hr == HResultFromWin32(ERROR_CANCELLED); }
bool NeedsNewerLibrary(HRESULT hr) noexcept {
  return hr == kXmlNotIni || hr == kNewerLibraryRequired;
}

// A failure as the user sees it: nothing for a cancel, the offer to check
// for a newer library, or the failure's text with its line.
HRESULT ReportFailure(HRESULT hr, std::uint32_t line, HWND window, std::uint32_t flags) {
  if (IsCancel(hr)) return hr;
  // A query only tells what would happen: it shows nothing either.
  const bool quiet = (flags & (kLoadFileNoDialog | kLoadFileQuery)) != 0;
  if (NeedsNewerLibrary(hr)) {
    if (!quiet && Ask(window, Text(kNeedsNewerLibrary), MB_YESNO | MB_ICONQUESTION) == IDNO) return S_OK;
    return kLoadFileCheckForUpdates;
  }
  if (!quiet) {
    const std::wstring error = ErrorText(hr);
    const std::wstring text =
        line > 0 ? Text(kLineAndError, {static_cast<DWORD_PTR>(line), reinterpret_cast<DWORD_PTR>(error.c_str())})
                 : error;
    Ask(window, text, MB_OK | MB_ICONERROR);
  }
  return hr;
}

// What the file's item offers. Items are added to the install list by the
// wallet; until the wallet is part of the library no item can be added.
ItemOffer OfferOf(const PublisherFile& file) noexcept {
  return file.hasItem ? ItemOffer::kNotAddable : ItemOffer::kNoItem;
}

}  // namespace

LoadFileChoice ChooseLoadFileMessages(const LoadFileFacts& facts) noexcept {
  LoadFileChoice choice;
  if (facts.registered) {
    choice.publisherMessage = kAlreadyRegistered;
  } else if (facts.hasItem) {
    choice.publisherMessage = kMustRegisterFirst;
  } else {
    choice.publisherMessage = kWillBeIncluded;
  }
  choice.offerRegistration = !facts.registered && facts.publisherComplete;
  switch (facts.item) {
    case ItemOffer::kAddable: choice.itemMessage = kItemWillBeAdded; break;
    case ItemOffer::kNoItem: choice.itemMessage = kNoItem; break;
    case ItemOffer::kInstalled: choice.itemMessage = kItemInstalled; break;
    case ItemOffer::kNoAction: choice.itemMessage = kNoActionPossible; break;
    case ItemOffer::kNotInstallable: choice.itemMessage = kNotInstallableHere; break;
    case ItemOffer::kNotAddable: choice.itemMessage = kCannotBeAdded; break;
  }
  choice.offerItem = facts.item == ItemOffer::kAddable;
  return choice;
}

HRESULT LoadFileForUser(const wchar_t* path, HWND window, std::uint32_t flags) {
  PublisherFile file;
  std::uint32_t location = 0;
  HRESULT hr = ReadPublisherFile(path, file, location);
  if (FAILED(hr)) return ReportFailure(hr, file.errorLine, window, flags);

  CPublisherStore store;
  hr = store.Open(true, nullptr);
  if (FAILED(hr)) return ReportFailure(hr, store.ErrorLine(), window, flags);
  const PublisherRecord* record = store.Find(file.publisher.id);
  LoadFileFacts facts;
  facts.publisherComplete = IsPublisherPartComplete(file);
  facts.hasItem = file.hasItem;
  facts.registered = record && CompareVersions(record->version, file.publisher.version) != kVersionOlder;
  facts.item = OfferOf(file);
  if (flags & kLoadFileQuery)
    return facts.hasItem ? kLoadFileDescribesItem : facts.registered ? kLoadFileRegistered : kLoadFileNotRegistered;

  const LoadFileChoice choice = ChooseLoadFileMessages(facts);
  bool registerPublisher = choice.offerRegistration;
  if (!(flags & kLoadFileNoDialog)) {
    const std::wstring publisherMessage = Text(choice.publisherMessage);
    const std::wstring itemMessage = Text(choice.itemMessage);
    const std::wstring text = Text(registerPublisher ? kSummaryWithOffer : kSummary,
                                   {reinterpret_cast<DWORD_PTR>(file.publisher.name.c_str()),
                                    reinterpret_cast<DWORD_PTR>(file.publisher.dataSource.c_str()),
                                    reinterpret_cast<DWORD_PTR>(publisherMessage.c_str()),
                                    reinterpret_cast<DWORD_PTR>(itemMessage.c_str())});
    if (registerPublisher) {
      if (Ask(window, text, MB_OKCANCEL | MB_ICONQUESTION) != IDOK) return E_ABORT;
    } else {
      Ask(window, text, MB_OK | MB_ICONINFORMATION);
    }
  }
  if (!registerPublisher) return S_OK;

  RegisterOutcome outcome;
  hr = RegisterPublisherFile(file, nullptr, kScopeCurrentUser, nullptr, location, &outcome);
  if (FAILED(hr)) return ReportFailure(hr, 0, window, flags);
  if (hr == S_FALSE) return S_OK;
  // A publisher the user registers is checked like any other: the scheduler
  // starts at logon and data files open with the main program.
  const IntegrationSteps steps{kAtOpenStoreAfter, kAtStartupEntry, kAtControlPanelEntry, kAtUninstallEntry,
                               kAtFileType};
  BringIntegrationsInLine(kScopeCurrentUser, false, nullptr, steps, location);
  AnnounceRegistrationChange();
  return kLoadFileCheckForUpdates;
}

}  // namespace wendrix
