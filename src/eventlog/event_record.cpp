#include "eventlog/event_record.h"

#include <new>

#include "core/date.h"
#include "core/string_util.h"
#include "core/ini_data_buffer.h"

namespace wendrix {
namespace {

enum EventKey : std::int32_t {
  kKeyEventSection,
  kKeyDate,
  kKeyOrigin,
  kKeyType,
  kKeyPublisher,
  kKeyPublisherId,
  kKeyGroup,
  kKeyItem,
  kKeyResult,
  kKeyResultInfo,
};

constexpr wchar_t kEventSection[] = L"Event";

constexpr IniSchemaRow kSchema[] = {
    {kEventSection, nullptr, kKeyEventSection, kIniSection},
    {kEventSection, L"Date", kKeyDate, kIniText},
    {kEventSection, L"Origin", kKeyOrigin, kIniText},
    {kEventSection, L"Type", kKeyType, kIniText},
    {kEventSection, L"Publisher", kKeyPublisher, kIniText},
    {kEventSection, L"PublisherID", kKeyPublisherId, kIniText},
    {kEventSection, L"Group", kKeyGroup, kIniText},
    {kEventSection, L"Item", kKeyItem, kIniText},
    {kEventSection, L"Result", kKeyResult, kIniText},
    {kEventSection, L"ResultInfo", kKeyResultInfo, kIniText},
};

HRESULT AddWord(CIniData& data, const wchar_t* key, EventWordList list, std::uint32_t value) {
  const wchar_t* keyword = EventKeyword(list, value);
  return keyword ? data.AddText(key, keyword) : S_OK;
}

HRESULT AddOptional(CIniData& data, const wchar_t* key, const std::optional<std::wstring>& value,
                    std::uint32_t flags) {
  return value ? data.AddText(key, *value, flags) : S_OK;
}

}  // namespace

IniSchema EventLogSchema() noexcept { return kSchema; }

HRESULT BuildEventText(const EventFields& fields, std::wstring& text) {
  try {
    CIniDataBuffer data;
    const bool added =
        SUCCEEDED(data.AddSection(kEventSection)) && SUCCEEDED(data.AddText(L"Date", FormatDate(fields.date))) &&
        SUCCEEDED(AddWord(data, L"Origin", EventWordList::kOrigin, fields.origin)) &&
        SUCCEEDED(AddWord(data, L"Type", EventWordList::kType, fields.type)) &&
        SUCCEEDED(AddOptional(data, L"Publisher", fields.publisherName, kIniAlternateForm)) &&
        SUCCEEDED(AddOptional(data, L"PublisherID", fields.publisherId, 0)) &&
        SUCCEEDED(AddOptional(data, L"Group", fields.group, kIniAlternateForm)) &&
        SUCCEEDED(AddOptional(data, L"Item", fields.item, kIniAlternateForm)) &&
        SUCCEEDED(AddWord(data, L"Result", EventWordList::kResult, fields.result)) &&
        SUCCEEDED(AddOptional(data, L"ResultInfo", fields.resultInfo, kIniAlternateForm));
    if (!added) return E_OUTOFMEMORY;
    RETURN_IF_FAILED(data.Save(kIniSaveUnicode));
    text = data.Text();
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT ParseEvents(CEventList& list, const CIniData& data) {
  try {
    SectionRows rows(kSchema);
    rows.Select(kEventSection);  // the only section whose keys are read
    CEventRecord* record = nullptr;
    for (IniEntry e : data.Entries()) {
      if (e.Kind() == kIniSection) {
        record = nullptr;
        if (CStringUtil::EqualsNoCase(e.NameView(), kEventSection)) record = &list.Records().emplace_back();
        continue;
      }
      if (!record || e.Count() == 0) continue;
      const IniSchemaRow* row = rows.Find(e.NameView());
      if (!row) continue;
      const std::wstring_view value = e.ValueView(0);
      switch (row->id) {
        case kKeyDate: record->date = ParseDate(value).value_or(0); break;
        case kKeyOrigin: record->origin = EventWordValue(EventWordList::kOrigin, value); break;
        case kKeyType: record->type = EventWordValue(EventWordList::kType, value); break;
        case kKeyResult: record->result = EventWordValue(EventWordList::kResult, value); break;
        case kKeyPublisher: record->publisher = value; break;
        case kKeyGroup: record->group = value; break;
        case kKeyItem: record->item = value; break;
        case kKeyResultInfo: record->resultInfo = value; break;
        default: break;  // PublisherID is not read back
      }
    }
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace wendrix
