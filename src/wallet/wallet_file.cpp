#include "wallet/wallet_file.h"

#include <new>
#include <string_view>
#include <vector>

#include "core/date.h"
#include "core/ini_data_buffer.h"
#include "core/text_encoding.h"
#include "publisher/vocabulary.h"
#include "publisher/writer.h"
#include "wallet/entry_naming.h"

namespace wendrix {
namespace {

constexpr wchar_t kWalletComment[] = L"; Wendrix Wallet File";
constexpr wchar_t kWalletRequiredVersion[] = L"3.6.6";
constexpr wchar_t kApplicationName[] = L"Kestmoor(R) Wendrix(TM)";

HRESULT AddHeader(CIniData& out, const PublisherFields& publisher) {
  RETURN_IF_FAILED(out.AddVerbatim(kWalletComment));
  RETURN_IF_FAILED(out.AddSection(L"Wendrix"));
  RETURN_IF_FAILED(out.AddText(L"RequiredVersion", kWalletRequiredVersion));
  RETURN_IF_FAILED(out.AddSection(L"Publisher"));
  RETURN_IF_FAILED(out.AddText(L"ID", publisher.id));
  RETURN_IF_FAILED(out.AddText(L"Name", publisher.name, kIniAlternateForm));
  RETURN_IF_FAILED(out.AddRaw(L"HomePage", publisher.homePage, kIniAlternateForm));
  RETURN_IF_FAILED(out.AddRaw(L"DataSource", publisher.dataSource, kIniAlternateForm));
  return out.AddText(L"Application", kApplicationName, kIniAlternateForm);
}

// Addresses come from fetched text and are written raw: a line break in one
// would start a line of its own in the file.
bool OnOneLine(std::wstring_view value) noexcept { return value.find_first_of(L"\r\n") == std::wstring_view::npos; }

HRESULT AddWalletSection(CIniData& out, const WalletFields& w, const Action& action) {
  RETURN_IF_FAILED(out.AddSection(L"Wallet"));
  RETURN_IF_FAILED(out.AddText(L"ID", w.id));
  if (w.origin < kOriginNone) RETURN_IF_FAILED(out.AddText(L"Origin", WordOf(kWalletOrigins, w.origin)));
  RETURN_IF_FAILED(out.AddText(L"Status", WordOf(kWalletStatuses, w.status)));
  if (static_cast<std::int32_t>(w.error) < 0) RETURN_IF_FAILED(out.AddNumber(L"Error", static_cast<std::int32_t>(w.error)));
  if (w.date != 0) RETURN_IF_FAILED(out.AddText(L"Date", FormatDate(w.date)));
  if (w.flags & 0x1F) {
    std::vector<std::wstring_view> words;
    for (std::uint32_t bit = 1; bit <= kWalletExclusivePublisher; bit <<= 1)
      if (w.flags & bit) words.push_back(WordOf(kWalletFlags, bit));
    RETURN_IF_FAILED(out.AddList(L"Flags", words));
  }
  if (action.resources.empty()) {
    if (!OnOneLine(w.url)) return E_INVALIDARG;
    if (!w.url.empty()) RETURN_IF_FAILED(out.AddRaw(L"URL", w.url));
    if (w.bytes != 0) RETURN_IF_FAILED(out.AddText(L"Bytes", std::to_wstring(w.bytes)));
    if (w.lastModified != 0) RETURN_IF_FAILED(out.AddText(L"LastModified", FormatDate(w.lastModified)));
    return S_OK;
  }
  for (const WalletResource& r : w.resources) {
    const std::wstring size = std::to_wstring(r.size);
    const std::wstring date = r.date != 0 ? FormatDate(r.date) : L"-";
    const std::wstring_view items[] = {r.url, size, date};
    if (!OnOneLine(r.url)) return E_INVALIDARG;
    RETURN_IF_FAILED(out.AddRawList(L"Resource", items));
  }
  return S_OK;
}

}  // namespace

HRESULT WriteWalletFile(const WalletEntry& entry, std::string& bytes) {
  const Item* item = entry.EntryItem();
  const Action* action = entry.EntryAction();
  if (!item || !action) return E_INVALIDARG;
  return WriteWalletFile(entry.data, *item, *action, entry.wallet, bytes);
}

HRESULT WriteWalletFile(const PublisherData& data, const Item& item, const Action& action, const WalletFields& wallet,
                        std::string& bytes) {
  try {
    CIniDataBuffer file(kThreadAnsiCodePage);
    RETURN_IF_FAILED(AddHeader(file, data.publisher));
    RETURN_IF_FAILED(AddWalletSection(file, wallet, action));
    RETURN_IF_FAILED(WritePublisherItem(file, data, item, action));
    RETURN_IF_FAILED(file.Save(kIniSaveUnicode));
    bytes = EncodeUtf16LeFile(file.Text());
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return bytes.size() > kWalletFileLimit ? kInvalidData : S_OK;
}

HRESULT ReadWalletText(const std::wstring& text, std::wstring_view givenId, WalletEntry& entry,
                       const PublisherEnvironment& env, std::uint32_t* line) {
  entry = WalletEntry{};
  RETURN_IF_FAILED(LoadPublisherData(text.c_str(), &entry.data, nullptr, &entry.wallet, line, 0, env));
  if (entry.wallet.id.empty()) entry.wallet.id.assign(givenId);
  entry.hasItemAndAction = !entry.data.items.empty() && !entry.data.actions.empty();
  if (!entry.hasItemAndAction) return S_OK;
  const Item& item = entry.data.items.front();
  const Action& action = entry.data.actions.front();
  entry.displayName = DisplayNameOf(entry.data, item, action);
  if (entry.wallet.url.empty()) {
    if (action.resources.empty() && !action.urls.empty()) entry.wallet.url = action.urls.front();
    else entry.fileIndex = 0;
  }
  return S_OK;
}

}  // namespace wendrix
