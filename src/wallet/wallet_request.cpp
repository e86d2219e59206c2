#include "wallet/wallet_request.h"

#include <windows.h>

#include <algorithm>
#include <bit>
#include <string>
#include <vector>

#include "core/ini_data_buffer.h"
#include "core/string_util.h"
#include "core/version.h"
#include "core/text_encoding.h"
#include "eventlog/event_log.h"
#include "eventlog/event_vocabulary.h"
#include "frame/module_state.h"
#include "platform/shell_open.h"
#include "platform/unique_handle.h"
#include "publisher/windows_environment.h"
#include "registration/publisher_store.h"
#include "registration/side_files.h"
#include "registration/store_folders.h"
#include "update/check_engine.h"
#include "update/check_clients.h"
#include "update/self_update.h"
#include "update/settings.h"
#include "update/transfer.h"
#include "wallet/download_window.h"
#include "wallet/entry_confirmation.h"
#include "wallet/entry_runner.h"
#include "wallet/entry_start.h"
#include "wallet/entry_state.h"
#include "wallet/main_program.h"
#include "wallet/status_message.h"
#include "wallet/wallet_file.h"
#include "wallet/wallet_store.h"

namespace wendrix {
namespace {

constexpr HRESULT kNotFound = HResultFromWin32(ERROR_NOT_FOUND);

bool Given(const wchar_t* text) noexcept { return text && *text; }

// The registered publisher with this ID, or whose data file is this path.
PublisherRecord* FindRequestedPublisher(CPublisherStore& store, const wchar_t* publisher) {
  if (PublisherRecord* record = store.Find(publisher)) return record;
  for (PublisherRecord& record : store.Records()) {
    std::wstring path;
    if (SUCCEEDED(SideFilePath(record, SideFile::kData, path)) && CStringUtil::EqualsNoCase(path, publisher))
      return &record;
  }
  return nullptr;
}

bool Finished(std::uint32_t status) noexcept {
  return status == kWalletDownloaded || status == kWalletWaitingToInstall || status == kWalletInstalling ||
         status == kWalletInstalled;
}

// Makes room for the action in the wallet: the wallet's size less the
// action's, unless an entry already holds this action in a finished state
// (then that entry is spared and nothing is to come).
HRESULT MakeRoom(CWallet& wallet, const EntryRequest& match, const Action& action) {
  if (!action.size.known) return S_OK;
  std::unique_ptr<InternetSettings> settings;
  RETURN_IF_FAILED(LoadSettings(settings));
  std::uint64_t limit = static_cast<std::uint64_t>(settings->maxWalletDiskSpace) * 1048576;
  std::vector<std::wstring> spared;
  for (const WalletEntry& e : wallet.Entries())
    if (AnswersRequest(e, match) && Finished(e.Status())) spared.push_back(e.Id());
  if (spared.empty()) limit = action.size.largest > limit ? 0 : limit - action.size.largest;
  return wallet.Prune(limit, spared);
}

// Waits for the main program to ask the user about a deferred installation.
HRESULT HandOverInstallation(const WalletEntry& entry, const ItemRequest& request) {
  UniqueKernelObject confirmed(CreateEventW(nullptr, TRUE, FALSE, EntryConfirmationEvent(entry.Id(), true).c_str()));
  UniqueKernelObject unconfirmed(CreateEventW(nullptr, TRUE, FALSE, EntryConfirmationEvent(entry.Id(), false).c_str()));
  RETURN_LAST_ERROR_IF(!confirmed || !unconfirmed);
  UniqueKernelObject process;
  RETURN_IF_FAILED(StartMainProgram(EntryCommandLine(entry.Id(), request.command, request.folder), process));
  const HANDLE waits[] = {confirmed.Get(), unconfirmed.Get(), process.Get()};
  switch (WaitForMultipleObjects(3, waits, FALSE, INFINITE)) {
    case WAIT_OBJECT_0: return S_OK;
    case WAIT_OBJECT_0 + 1: return E_ABORT;
    default: return E_FAIL;
  }
}

}  // namespace

HRESULT RunItemRequest(const ItemRequest& request) {
  if (std::popcount(request.flags & kRequestSelectorMask) != 1) return E_INVALIDARG;
  if (!Given(request.publisher) || !Given(request.item)) return E_INVALIDARG;
  const WindowsPublisherEnvironment env(Module().version);

  CPublisherStore store;
  RETURN_IF_FAILED(store.Open(true, nullptr));
  PublisherRecord* record = FindRequestedPublisher(store, request.publisher);
  if (!record) return kNotFound;
  RETURN_IF_FAILED(LoadStoredData(store, record->id.c_str()));
  const std::shared_ptr<PublisherData> data = record->model;
  const Item* item = data ? data->FindItem(request.item) : nullptr;
  const Action* action =
      item ? BestAction(*data, *item, request.flags & kRequestSelectorMask, request.install, false, env) : nullptr;
  if (!action) return kNotFound;

  if (action->flags & kActionExternal) {
    RETURN_IF_FAILED(OpenWithShell(NextUrl(*action, env)));
    AppendEvent(kOriginApplication, kEventDownload, record->id.c_str(), nullptr, item->id.c_str(), action->id.c_str(),
                kResultSuccess, nullptr);
    return S_OK;
  }

  CWallet wallet;
  RETURN_IF_FAILED(wallet.LoadAll());
  const EntryRequest match{data->publisher.id, item->id, std::wstring_view(action->version),
                           action->architecture, static_cast<std::int64_t>(action->type)};
  RETURN_IF_FAILED(MakeRoom(wallet, match, *action));

  std::uint32_t flags = kWalletSilent | kWalletNoCache;
  if (request.install) {
    flags |= kWalletInstall;
    if (!(request.flags & kRequestInstallNow)) flags |= kWalletDeferredInstall;
  }
  WalletEntry entry;
  RETURN_IF_FAILED(PrepareWalletEntry(wallet, *data, *item, *action, flags, kOriginApplication, env, entry));

  CDownloadWindow window;
  RETURN_IF_FAILED(window.Start(entry.Id()));
  // A progress window of its own (flag 0x400) belongs to the user interface,
  // which this library does not show yet: the download runs without one.
  const EntryReceivers receivers{window.Window(), request.callback, request.context};
  if (const HRESULT hr = RunWalletEntry(entry, receivers, request.command, request.folder); FAILED(hr)) {
    DeleteWalletEntry(entry);
    return hr;
  }
  if (!(entry.wallet.flags & kWalletDeferredInstall)) return S_OK;

  WalletEntry deferred;
  RETURN_IF_FAILED(LoadWalletEntry(entry.Id(), deferred));
  deferred.wallet.flags &= ~static_cast<std::uint32_t>(kWalletDeferredInstall);
  RETURN_IF_FAILED(SaveWalletEntry(deferred));
  if (EffectiveStatus(deferred) != kWalletWaitingToInstall) return S_OK;
  return HandOverInstallation(deferred, request);
}

HRESULT RunSelfUpdateRequest(const ItemRequest& request) {
  if (!Given(request.publisher)) return E_INVALIDARG;
  const WindowsPublisherEnvironment env(Module().version);
  CPublisherStore store;
  RETURN_IF_FAILED(store.Open(true, nullptr));
  bool registered = store.Find(request.publisher) != nullptr;
  for (const PublisherRecord& record : store.Records())
    registered = registered || CStringUtil::EqualsNoCase(record.name, request.publisher);
  if (!registered) return kNotFound;
  const PublisherRecord* selfRecord = nullptr;
  for (const PublisherRecord& record : store.Records())
    if (!selfRecord && IsSelfPublisher(record)) selfRecord = &record;
  if (!selfRecord) return kNotFound;
  // Only the product's own data is read: another publisher's damaged file
  // has no say in the update.
  RETURN_IF_FAILED(LoadStoredData(store, selfRecord->id.c_str()));
  const PublisherData* self = selfRecord->model.get();
  if (!self) return kNotFound;
  const auto selfItem = std::find_if(self->items.begin(), self->items.end(),
                                     [](const Item& candidate) { return candidate.type == kItemSelf; });
  if (selfItem == self->items.end()) return kNotFound;
  const Item* item = &*selfItem;
  const Action* action = nullptr;
  for (const std::wstring& id : item->actionIds)
    if (const Action* candidate = self->FindAction(id); !action && candidate && candidate->type == kActionDownload)
      action = candidate;
  if (!action) return kNotFound;
  if (CompareVersions(item->latestVersion, Module().version) != kVersionNewer) return S_OK;

  const std::wstring address = NextUrl(*action, env);
  if (address.empty()) return E_INVALIDARG;
  std::unique_ptr<InternetSettings> settings;
  RETURN_IF_FAILED(LoadSettings(settings));
  CProgressClient client(request.callback, request.context);
  CTransfer transfer;
  return RunUpdate(transfer, address.c_str(), action->rename.empty() ? nullptr : action->rename.c_str(),
                   action->parameters.empty() ? nullptr : action->parameters.c_str(), &client, settings.get(), false,
                   action->sha256.empty() ? nullptr : &action->sha256.front());
}

HRESULT RunWalletEntryById(const wchar_t* id, const wchar_t* command, const wchar_t* folder) {
  if (!Given(id)) return E_INVALIDARG;
  CDownloadWindow window;
  RETURN_IF_FAILED(window.Start(id));
  WalletEntry entry;
  if (const HRESULT hr = LoadWalletEntry(id, entry); FAILED(hr)) {
    SendStatus(window.Window(), kStatusChanged, kWalletError, 0, id);
    SendStatus(DialogWindow(), kStatusChanged, kWalletError, 0, id);
    return hr;
  }
  return RunWalletEntry(entry, {window.Window(), nullptr, nullptr}, command, folder);
}

HRESULT ResumeWallet() {
  CWallet wallet;
  RETURN_IF_FAILED(wallet.LoadAll());
  bool paused = false;
  for (WalletEntry& entry : wallet.Entries()) {
    const std::uint32_t status = EffectiveStatus(entry);
    if (status != kWalletDownloading && status != kWalletWaitingToInstall && status != kWalletInstalling) continue;
    if (FindDownloadWindow(entry.Id())) continue;
    // Gives the session a moment to settle before the first download starts.
    if (status != kWalletInstalling && !paused) {
      Sleep(kResumePauseMs);
      paused = true;
    }
    if (status == kWalletDownloading) {
      // An interrupted download starts again from its first byte.
      for (std::uint32_t i = 0; i < EntryFileCount(entry); ++i)
        for (const bool temporaryForm : {true, false}) {
          std::wstring path;
          if (SUCCEEDED(WalletEntryFilePath(entry, i, temporaryForm, path))) DeleteFileW(path.c_str());
        }
    }
    UniqueKernelObject process;
    StartMainProgram(EntryCommandLine(entry.Id(), nullptr, nullptr), process);
  }

  // The main program takes every pending request record and deletes it.
  std::wstring productFolder;
  RETURN_IF_FAILED(UserProductFolder(productFolder));
  for (;;) {
    WIN32_FIND_DATAW found;
    UniqueFind find(FindFirstFileW((productFolder + L"Resume*.ini").c_str(), &found));
    if (!find) return S_OK;
    const std::wstring record = productFolder + found.cFileName;
    UniqueKernelObject process;
    RETURN_IF_FAILED(StartMainProgram(L"", process));
    WaitForInputIdle(process.Get(), kRequestIdleMs);
    int check = 0;
    for (; check < kRequestChecks && GetFileAttributesW(record.c_str()) != INVALID_FILE_ATTRIBUTES; ++check)
      Sleep(kRequestCheckPauseMs);
    if (check == kRequestChecks) return E_FAIL;
  }
}

}  // namespace wendrix
