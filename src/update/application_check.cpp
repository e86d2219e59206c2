#include "update/application_check.h"

#include <windows.h>

#include <memory>
#include <string>

#include "core/version.h"
#include "frame/messages.h"
#include "frame/module_state.h"
#include "publisher/builtin_publishers.h"
#include "publisher/vocabulary.h"
#include "publisher/windows_environment.h"
#include "registration/main_window.h"
#include "registration/publisher_store.h"
#include "registration/side_files.h"
#include "resources/string_ids.h"
#include "update/check_clients.h"
#include "update/check_engine.h"
#include "update/internet.h"
#include "update/item_flags.h"
#include "update/scheduler.h"
#include "update/settings.h"
#include "update/summary_text.h"
#include "update/transfer.h"

namespace wendrix {
namespace {

bool IsAbort(HRESULT hr) noexcept { return hr == E_ABORT || hr == HResultFromWin32(ERROR_CANCELLED); }

std::wstring Message(UINT id) {
  LocalText text(FormatMessageText(id, nullptr, {}));
  return text ? std::wstring(text.get()) : std::wstring();
}

// The summary of what the check found, over the publishers a check looks at.
std::wstring BuildSummary(const CPublisherStore& store, const InternetSettings& settings, std::uint32_t& flags) {
  SummaryFacts facts;
  facts.newerLibraryRequired = !store.RequiredVersion().empty();
  facts.listOtherSoftware = settings.otherSoftware == 2;
  const std::wstring module = Module().version;
  for (const PublisherRecord& r : store.Records()) {
    if (!r.model) continue;
    if (IsSelfPublisher(r)) {
      for (const Item& item : r.model->items)
        if (item.type == kItemSelf && CompareVersions(item.latestVersion, module) == kVersionNewer)
          facts.selfUpdateOffered = true;
      continue;
    }
    if (!r.IsEnabled() || IsExcludedFromChecks(r)) continue;
    for (const Item& item : r.model->items) {
      if (!(item.flags & kItemNew)) continue;
      (item.installedVersion ? facts.updates : facts.other).push_back(item.title);
    }
  }
  const SummaryTexts texts{Message(kStrSelfUpdateAvailable),  Message(kStrSelfUpdateRequired),
                          Message(kStrSummaryUpdatesAvailable), Message(kStrSummaryOtherSoftware),
                          Message(kStrSummaryMoreUpdates),      Message(kStrSummaryMoreOtherSoftware)};
  return BuildSummaryText(facts, texts, flags);
}

// The item flags of the eligible publishers (the given one only), limited to
// a group and an item when given.
HRESULT ComputeItemFlags(CPublisherStore& store, const PublisherRecord* publisher, const wchar_t* group,
                         const wchar_t* item, WalletHoldsItem inWallet, std::uint32_t& flags) {
  if (!store.RequiredVersion().empty()) {
    flags = kItemFlagNewerLibrary;
    return S_OK;
  }
  const bool hasGroup = group && *group;
  const bool hasItem = item && *item;
  const WindowsPublisherEnvironment env(Module().version);
  for (PublisherRecord& r : store.Records()) {
    // Without a publisher, every publisher a check looks at, the self
    // publisher (the library's own update) included.
    if (publisher ? &r != publisher : (!r.IsEnabled() || IsExcludedFromChecks(r))) continue;
    if (!r.model) continue;
    std::wstring inactive;
    ReadSideFile(r, SideFile::kInactiveItems, inactive);
    const Group* g = hasGroup ? r.model->FindGroup(group) : nullptr;
    if (hasGroup && !g) return kElementNotFound;
    for (const Item& candidate : r.model->items) {
      if (hasItem && !CStringUtil::EqualsNoCase(candidate.id, item)) continue;
      if (g && !GroupNamesItem(*g, candidate.id)) continue;
      const bool detailed = publisher && hasItem;
      flags |= ItemFlagsOf(*r.model, candidate, inactive, detailed, env);
      if (detailed && inWallet && inWallet(*r.model, candidate)) flags |= kItemFlagInWallet;
    }
  }
  return S_OK;
}

}  // namespace

HRESULT RunApplicationCheck(const ApplicationCheckRequest& request, CheckConfirmation confirm,
                            ApplicationCheckAnswer& answer) {
  std::unique_ptr<InternetSettings> settings;
  RETURN_IF_FAILED(LoadSettings(settings));
  const bool automatic = (request.options & kCheckAutomatic) != 0;
  const bool leaveScheduler = (request.options & kCheckLeaveSchedulerAlone) != 0;

  // An automatic check that could not run is still remembered, so that the
  // scheduler does not try again at once.
  const auto failed = [&](HRESULT hr) {
    if (automatic) {
      LoadLastCheck(*settings);
      (IsAbort(hr) ? settings->lastSkip : settings->lastCheck) = FileTimeNow();
      SaveLastCheck(*settings);
      if (!leaveScheduler) EnsureScheduler();
    }
    return hr;
  };

  CPublisherStore store;
  HRESULT hr = store.Open(true, nullptr);
  if (FAILED(hr)) return failed(hr);
  const PublisherRecord* publisher = nullptr;
  const bool filtered = request.publisher && *request.publisher;
  if (filtered) {
    publisher = store.Find(request.publisher);
    if (!publisher) publisher = store.FindByName(request.publisher);
    if (!publisher) return failed(kElementNotFound);
  }
  const std::wstring filter = publisher ? publisher->id : std::wstring();
  LoadStoredData(store, filtered ? filter.c_str() : nullptr);

  if (settings->prompt) {
    hr = confirm(*settings, automatic);
    if (FAILED(hr)) return failed(hr);
  }
  if (EnsureOnline(nullptr)) return failed(E_ABORT);

  CTransfer transfer;
  CCheckClient client;
  hr = RunCheck(transfer, &client, settings.get(), &store, filtered ? filter.c_str() : nullptr,
                automatic ? kRunScheduled : 0);
  // A run that failed has still changed the store (attempts, errors, the
  // last good data): the settings are saved and a running main window told
  // whatever the outcome.
  SaveSettings(*settings);
  NotifyMainWindow(kPublishersChangedMessage);
  if (FAILED(hr)) return failed(hr);
  const bool partial = hr == kCheckPartial;
  if (!filtered && !leaveScheduler && !EnsureScheduler()) return failed(E_FAIL);

  // The item flags first: an unknown group fails the call before anything
  // is handed out.
  if (request.wantItemFlags) {
    hr = ComputeItemFlags(store, filtered ? store.Find(filter) : nullptr, filtered ? request.group : nullptr,
                          filtered ? request.item : nullptr, request.inWallet, answer.itemFlags);
    if (FAILED(hr)) return failed(hr);
  }
  if (request.wantSummary) answer.summary = BuildSummary(store, *settings, answer.summaryFlags);
  return partial ? kCheckPartial : S_OK;
}


}  // namespace wendrix
