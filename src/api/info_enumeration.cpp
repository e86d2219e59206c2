#include "api/info_enumeration.h"

#include <windows.h>

#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "api/info_selection.h"
#include "api/publisher_queries.h"
#include "frame/global_string.h"
#include "platform/known_folders.h"
#include "publisher/publisher_header_file.h"
#include "registration/publisher_store.h"
#include "registration/side_files.h"
#include "update/check_engine.h"
#include "wendrix.h"

namespace wendrix {
namespace {

// A GlobalAlloc'd copy of a text; std::bad_alloc when the block cannot be had.
WCHAR* CopyText(std::wstring_view text) {
  CGlobalString copy;
  if (FAILED(copy.Assign(text))) throw std::bad_alloc();
  return copy.Detach();
}

void FreeText(WCHAR*& text) noexcept {
  if (text) GlobalFree(text);
  text = nullptr;
}

void Destroy(WENDRIX_PUBLISHER_INFO* r) noexcept {
  FreeText(r->id);
  FreeText(r->name);
  FreeText(r->homePage);
  delete r;
}
void Destroy(WENDRIX_GROUP_INFO* r) noexcept {
  FreeText(r->id);
  FreeText(r->title);
  delete r;
}
void Destroy(WENDRIX_ITEM_INFO* r) noexcept {
  FreeText(r->id);
  FreeText(r->title);
  delete r;
}

template <typename Record>
struct RecordDeleter {
  void operator()(Record* r) const noexcept { Destroy(r); }
};
template <typename Record>
using RecordPtr = std::unique_ptr<Record, RecordDeleter<Record>>;

// A record that is fully built joins the list; one the list cannot take is
// destroyed, and those before it stay.
template <typename Record>
void Append(InfoList& list, RecordPtr<Record> record) {
  list.Append(record.get());
  record.release();
}

template <typename Record>
RecordPtr<Record> NewRecord() {
  return RecordPtr<Record>(new Record{});
}

void AppendPublishers(CPublisherStore& store, InfoList& list) {
  const KnownFolderScope folders;  // every data file lives in the same folders
  for (PublisherRecord& r : store.Records()) {
    // Whether the data hides the publisher is read from its text; the text is
    // not loaded, so a damaged one fails nothing here.
    if (r.dataText.empty()) LoadDataFile(r);
    if (!IsListedPublisher(r)) continue;
    auto record = NewRecord<WENDRIX_PUBLISHER_INFO>();
    record->id = CopyText(r.id);
    record->name = CopyText(r.name);
    record->homePage = CopyText(r.homePage);
    record->disabled = r.IsEnabled() ? 0 : 1;
    Append(list, std::move(record));
  }
}

void AppendGroups(const PublisherData& data, InfoList& list) {
  for (const Group& g : data.groups) {
    auto record = NewRecord<WENDRIX_GROUP_INFO>();
    record->id = CopyText(g.id);
    record->title = CopyText(g.title);
    Append(list, std::move(record));
  }
}

HRESULT AppendItems(const PublisherData& data, const wchar_t* group, bool all, InfoList& list) {
  std::vector<const Item*> items;
  RETURN_IF_FAILED(SelectItems(data, group, all, items));
  for (const Item* item : items) {
    auto record = NewRecord<WENDRIX_ITEM_INFO>();
    record->id = CopyText(item->id);
    record->title = CopyText(item->title);
    // What the check engine keeps of an item: whether its latest version is
    // new since the publisher's previous check.
    record->status = (item->flags & kItemNew) ? WENDRIX_ITEM_STATUS_NEW : 0;
    Append(list, std::move(record));
  }
  return S_OK;
}

HRESULT ReadDataFileIdentity(const wchar_t* path, WENDRIX_DATA_FILE_INFO& out) {
  std::wstring id, name, homePage;
  RETURN_IF_FAILED(ReadPublisherHeader(path, &id, &name, &homePage, nullptr));
  // All three copies are made before the caller's record is touched, so a
  // failure leaves it as it was.
  struct Texts {
    WCHAR* id = nullptr;
    WCHAR* name = nullptr;
    WCHAR* homePage = nullptr;
    ~Texts() {
      FreeText(id);
      FreeText(name);
      FreeText(homePage);
    }
  } texts;
  texts.id = CopyText(id);
  texts.name = CopyText(name);
  texts.homePage = CopyText(homePage);
  out.id = std::exchange(texts.id, nullptr);
  out.name = std::exchange(texts.name, nullptr);
  out.homePage = std::exchange(texts.homePage, nullptr);
  return S_OK;
}

// The switch is the user's: it goes to the user's list, in a section of its
// own for a publisher registered for all users only, and the user's value
// wins over the all-users list when the store is next opened.
HRESULT SetEnabled(CPublisherStore& store, PublisherRecord& record, std::uint32_t value) {
  record.enabled = value ? 1 : 0;
  if (value) record.flags |= kPublisherEnabled;
  else record.flags &= ~kPublisherEnabled;
  record.present |= KeyBit(kKeyEnabled);
  return store.SaveCheckState(nullptr);
}

}  // namespace

HRESULT GetInfo(std::uint32_t query, const wchar_t* publisher, const wchar_t* group, void* out) {
  if (query < kInfoPublishers || query > kInfoSetEnabled) return E_INVALIDARG;
  if (!out) return E_POINTER;
  if (query == kInfoDataFile) {
    if (!publisher) return E_POINTER;
    return ReadDataFileIdentity(publisher, *static_cast<WENDRIX_DATA_FILE_INFO*>(out));
  }

  CPublisherStore store;
  if (query == kInfoPublishers) {
    // The list comes from the registrations alone: no publisher's data is
    // read, so a damaged data file neither fails it nor gets recorded by it.
    RETURN_IF_FAILED(store.Open(true, nullptr));
    AppendPublishers(store, *static_cast<InfoList*>(out));
    return S_OK;
  }
  if (!publisher) return E_POINTER;
  publisher = ResolvePublisherAlias(publisher);
  if (query == kInfoSetEnabled) {
    RETURN_IF_FAILED(store.Open(true, nullptr));
    PublisherRecord* record = FindPublisher(store, publisher);
    if (!record) return kInfoNotFound;
    return SetEnabled(store, *record, *static_cast<const UINT32*>(out));
  }

  RETURN_IF_FAILED(store.Open(true, nullptr));
  const PublisherRecord* record = FindPublisher(store, publisher);
  if (!record) return kInfoNotFound;
  RETURN_IF_FAILED(LoadStoredData(store, record->id.c_str()));
  const PublisherData none;
  const PublisherData& data = record->model ? *record->model : none;
  InfoList& list = *static_cast<InfoList*>(out);
  if (query == kInfoGroups) {
    AppendGroups(data, list);
    return S_OK;
  }
  return AppendItems(data, group, query == kInfoAllItems, list);
}

HRESULT FreeInfo(std::uint32_t query, void* out) {
  if (query < kInfoPublishers || query > kInfoAllItems) return S_OK;
  if (!out) return E_POINTER;
  InfoList& list = *static_cast<InfoList*>(out);
  for (void* record : list) {
    switch (query) {
      case kInfoPublishers: Destroy(static_cast<WENDRIX_PUBLISHER_INFO*>(record)); break;
      case kInfoGroups: Destroy(static_cast<WENDRIX_GROUP_INFO*>(record)); break;
      default: Destroy(static_cast<WENDRIX_ITEM_INFO*>(record)); break;
    }
  }
  list.Reset();
  return S_OK;
}

}  // namespace wendrix
