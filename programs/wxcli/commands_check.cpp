// Checking for updates from the command line, as an application or the
// scheduler would, and the items a publisher's data offers.
#include <windows.h>

#include <string>

#include "console.h"
#include "frame/messages.h"
#include "publisher/vocabulary.h"
#include "publisher_file.h"
#include "registration/publisher_store.h"
#include "update/check_engine.h"
#include "wendrix.h"

namespace wxcli {
namespace {

using namespace wendrix;

std::wstring Message(UINT id) {
  LocalText text(FormatMessageText(id, nullptr, {}));
  return text ? std::wstring(text.get()) : std::wstring();
}

// The publisher's status as the user sees it.
std::wstring Status(const PublisherRecord& r) {
  if (r.attempted == 0) return Message(201);
  if (r.failedLastCheck == 0) return Message(202);
  if (r.failedLastCheck == 2) return Message(204);
  return Message(203) + L" " + Hex(r.lastCheckError);
}

std::wstring Versions(const Item& item) {
  return (item.installedVersion ? (item.installedVersion->empty() ? L"0" : *item.installedVersion) : L"-") +
         L" -> " + (item.latestVersion.empty() ? L"-" : item.latestVersion);
}

// The store with every publisher's stored data loaded and its new items marked.
HRESULT OpenLoadedStore(CPublisherStore& store, const wchar_t* filter) {
  InitializeLibraryState();
  RETURN_IF_FAILED(store.Open(true, nullptr));
  LoadStoredData(store, filter);
  return S_OK;
}

}  // namespace

int CommandCheck(Args args) {
  const bool automatic = TakeFlag(args, L"--automatic");
  if (args.size() > 1) {
    Err(L"usage: wxcli check [PUBLISHER] [--automatic]\n");
    return 2;
  }
  const wchar_t* publisher = args.empty() ? nullptr : args[0].c_str();
  WCHAR* summary = nullptr;
  UINT32 summaryFlags = 0;
  // Leaves the scheduler alone: a check from here is no reason to start it.
  const UINT32 options = WENDRIX_CHECK_LEAVE_SCHEDULER | (automatic ? WENDRIX_CHECK_AUTOMATIC : 0);
  const HRESULT hr = WendrixCheckEx(publisher, nullptr, nullptr, &summary, &summaryFlags, nullptr, options);
  const std::wstring text = summary ? summary : L"";
  if (summary) GlobalFree(summary);
  if (FAILED(hr)) return Failed(L"check", hr);

  Out(std::wstring(L"check: ") + (hr == 2 ? L"some publishers could not be checked" : L"done") + L"\n\n");
  Out(text.empty() ? L"No updates were found.\n" : text + L"\n");

  CPublisherStore store;
  const HRESULT opened = OpenLoadedStore(store, publisher);
  if (FAILED(opened)) return Failed(L"store", opened);
  Out(L"\nPublishers:\n");
  std::wstring newItems;
  for (const PublisherRecord& r : store.Records()) {
    if (publisher && !MatchesFilter(r, publisher)) continue;
    Out(L"  " + r.id + L"  " + r.name + L"  " + Status(r) + L"\n");
    if (!r.model) continue;
    for (const Item& item : r.model->items)
      if (item.flags & kItemNew) newItems += L"  " + r.name + L" / " + item.title + L"  " + Versions(item) + L"\n";
  }
  Out(L"\nNew items:\n" + (newItems.empty() ? std::wstring(L"  none\n") : newItems));
  return 0;
}

int CommandItems(Args args) {
  if (args.size() != 1) {
    Err(L"usage: wxcli items PUBLISHER\n");
    return 2;
  }
  CPublisherStore store;
  const HRESULT hr = OpenLoadedStore(store, args[0].c_str());
  if (FAILED(hr)) return Failed(L"store", hr);
  PublisherRecord* r = store.Find(args[0]);
  if (!r) r = store.FindByName(args[0]);
  if (!r) return Failed(L"items", HResultFromWin32(ERROR_NOT_FOUND));
  if (!r->model || r->model->items.empty()) {
    Out(L"no items: the publisher's data has not been loaded yet (run wxcli check)\n");
    return 0;
  }
  for (const Item& item : r->model->items)
    Out(item.id + L"\t" + item.title + L"\t" + Versions(item) + ((item.flags & kItemNew) ? L"\tnew\n" : L"\n"));
  return 0;
}

}  // namespace wxcli
