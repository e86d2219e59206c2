#include "wallet/request_record.h"

#include <new>

#include "core/ini_data_buffer.h"
#include "core/string_util.h"
#include "publisher/vocabulary.h"
#include "wallet/entry_state.h"

namespace wendrix {
namespace {

constexpr VocabularyWord kCategoryWordList[] = {
    {L"SelfUpdate", kCategorySelfUpdate},       {L"FreeUpdate", kCategoryFreeUpdate},
    {L"NonFreeUpgrade", kCategoryNonFreeUpgrade}, {L"OtherSoftware", kCategoryOtherSoftware},
    {L"OtherPublisher", kCategoryOtherPublisher},
};
constexpr std::uint32_t kUnknownWord = 0xFFFFFFFFu;
constexpr Vocabulary kCategoryWords{kCategoryWordList, kUnknownWord};
constexpr std::uint32_t kDisplayStatuses = 8;

HRESULT AddIfGiven(CIniData& out, std::wstring_view key, std::wstring_view value) {
  return value.empty() ? S_OK : out.AddText(key, value);
}

HRESULT AddItem(CIniData& out, const RequestedItem& item) {
  const wchar_t* category = WordOf(kCategoryWords, item.category);
  const wchar_t* status = item.status < kDisplayStatuses ? DisplayStatusWord(item.status) : nullptr;
  if (!category || !status) return E_INVALIDARG;
  RETURN_IF_FAILED(out.AddSection(L"InstallItem"));
  RETURN_IF_FAILED(AddIfGiven(out, L"Publisher", item.publisher));
  RETURN_IF_FAILED(AddIfGiven(out, L"Item", item.item));
  RETURN_IF_FAILED(AddIfGiven(out, L"Action", item.action));
  RETURN_IF_FAILED(AddIfGiven(out, L"WalletItem", item.walletItem));
  RETURN_IF_FAILED(AddIfGiven(out, L"Version", item.version));
  RETURN_IF_FAILED(out.AddText(L"Category", category));
  RETURN_IF_FAILED(out.AddText(L"Status", status));
  RETURN_IF_FAILED(out.AddUnsigned(L"Install", item.install));
  RETURN_IF_FAILED(out.AddUnsigned(L"InstallerLaunched", item.installerLaunched));
  RETURN_IF_FAILED(out.AddText(L"Size", std::to_wstring(item.size)));
  return out.AddText(L"Transferred", std::to_wstring(item.transferred));
}

// Decimal digits only: a size is never negative, hexadecimal or blank.
bool ParseDecimal(std::wstring_view text, std::uint64_t& value) noexcept {
  if (text.empty() || text.size() > 20) return false;
  value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return false;
    const std::uint64_t digit = static_cast<std::uint64_t>(c - L'0');
    if (value > (UINT64_MAX - digit) / 10) return false;
    value = value * 10 + digit;
  }
  return true;
}

bool ParseFlag(std::wstring_view text, bool& flag) noexcept {
  if (text != L"0" && text != L"1") return false;
  flag = text == L"1";
  return true;
}

std::uint32_t DisplayStatusNamed(std::wstring_view word) noexcept {
  for (std::uint32_t status = 0; status < kDisplayStatuses; ++status)
    if (CStringUtil::EqualsNoCase(word, DisplayStatusWord(status))) return status;
  return kUnknownWord;
}

enum class Section { kOther, kDisplay, kSettings, kItem };

Section SectionNamed(std::wstring_view name) noexcept {
  if (CStringUtil::EqualsNoCase(name, L"Display")) return Section::kDisplay;
  if (CStringUtil::EqualsNoCase(name, L"Settings")) return Section::kSettings;
  if (CStringUtil::EqualsNoCase(name, L"InstallItem")) return Section::kItem;
  return Section::kOther;
}

bool ReadDisplayKey(std::wstring_view key, std::wstring_view value, RequestRecord& record) {
  if (CStringUtil::EqualsNoCase(key, L"Publisher")) record.publisher = value;
  else if (CStringUtil::EqualsNoCase(key, L"Group")) record.group = value;
  else if (CStringUtil::EqualsNoCase(key, L"Item")) record.item = value;
  else if (CStringUtil::EqualsNoCase(key, L"CommandLine")) record.commandLine = value;
  else if (CStringUtil::EqualsNoCase(key, L"CurrentDirectory")) record.currentDirectory = value;
  else if (CStringUtil::EqualsNoCase(key, L"Flags")) {
    std::uint64_t flags = 0;
    if (!ParseDecimal(value, flags) || flags > UINT32_MAX) return false;
    record.flags = static_cast<std::uint32_t>(flags);
  }
  return true;
}

bool ReadItemKey(std::wstring_view key, std::wstring_view value, RequestedItem& item) {
  if (CStringUtil::EqualsNoCase(key, L"Publisher")) item.publisher = value;
  else if (CStringUtil::EqualsNoCase(key, L"Item")) item.item = value;
  else if (CStringUtil::EqualsNoCase(key, L"Action")) item.action = value;
  else if (CStringUtil::EqualsNoCase(key, L"WalletItem")) item.walletItem = value;
  else if (CStringUtil::EqualsNoCase(key, L"Version")) item.version = value;
  else if (CStringUtil::EqualsNoCase(key, L"Category")) return (item.category = WordValue(kCategoryWords, value)) != kUnknownWord;
  else if (CStringUtil::EqualsNoCase(key, L"Status")) return (item.status = DisplayStatusNamed(value)) != kUnknownWord;
  else if (CStringUtil::EqualsNoCase(key, L"Install")) return ParseFlag(value, item.install);
  else if (CStringUtil::EqualsNoCase(key, L"InstallerLaunched")) return ParseFlag(value, item.installerLaunched);
  else if (CStringUtil::EqualsNoCase(key, L"Size")) return ParseDecimal(value, item.size);
  else if (CStringUtil::EqualsNoCase(key, L"Transferred")) return ParseDecimal(value, item.transferred);
  return true;
}

}  // namespace

HRESULT WriteRequestRecordText(const RequestRecord& record, std::wstring& text) {
  if (record.list && record.list->items.size() > kRequestRecordItems) return E_INVALIDARG;
  try {
    CIniDataBuffer out;
    RETURN_IF_FAILED(out.AddSection(L"Display"));
    RETURN_IF_FAILED(AddIfGiven(out, L"Publisher", record.publisher));
    RETURN_IF_FAILED(AddIfGiven(out, L"Group", record.group));
    RETURN_IF_FAILED(AddIfGiven(out, L"Item", record.item));
    RETURN_IF_FAILED(out.AddUnsigned(L"Flags", record.flags));
    RETURN_IF_FAILED(AddIfGiven(out, L"CommandLine", record.commandLine));
    RETURN_IF_FAILED(AddIfGiven(out, L"CurrentDirectory", record.currentDirectory));
    if (record.list) {
      RETURN_IF_FAILED(out.AddSection(L"Settings"));
      RETURN_IF_FAILED(out.AddUnsigned(L"DownloadOnly", record.list->downloadOnly));
      for (const RequestedItem& item : record.list->items) RETURN_IF_FAILED(AddItem(out, item));
    }
    // Escapes carry any character, so no value can start a line of its own;
    // Save refuses what would not read back.
    RETURN_IF_FAILED(out.Save(kIniSaveUnicode));
    if (out.Text().size() * sizeof(char16_t) + 2 > kRequestRecordLimit) return E_INVALIDARG;
    text = out.Text();
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT ReadRequestRecordText(std::wstring_view text, RequestRecord& record) {
  if (text.size() * sizeof(char16_t) > kRequestRecordLimit) return kInvalidData;
  try {
    CIniDataBuffer in;
    if (FAILED(in.LoadText(text, {}))) return kInvalidData;
    RequestRecord read;
    Section section = Section::kOther;
    for (IniEntry entry : in.Entries()) {
      if (entry.Kind() == kIniSection) {
        section = SectionNamed(entry.NameView());
        if (section == Section::kSettings && !read.list) read.list.emplace();
        if (section == Section::kItem) {
          if (!read.list) read.list.emplace();
          if (read.list->items.size() == kRequestRecordItems) return kInvalidData;
          read.list->items.emplace_back();
        }
        continue;
      }
      if (entry.Count() != 1) continue;
      const std::wstring_view key = entry.NameView(), value = entry.ValueView(0);
      bool good = true;
      switch (section) {
        case Section::kDisplay: good = ReadDisplayKey(key, value, read); break;
        case Section::kSettings:
          if (CStringUtil::EqualsNoCase(key, L"DownloadOnly")) good = ParseFlag(value, read.list->downloadOnly);
          break;
        case Section::kItem: good = ReadItemKey(key, value, read.list->items.back()); break;
        case Section::kOther: break;
      }
      if (!good) return kInvalidData;
    }
    record = std::move(read);
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace wendrix
