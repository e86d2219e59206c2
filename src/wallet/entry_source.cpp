#include "wallet/entry_source.h"

#include "update/url_text.h"

namespace wendrix {

std::wstring EntryFileUrl(const WalletEntry& entry, std::uint32_t index) {
  if (index < entry.wallet.resources.size()) return entry.wallet.resources[index].url;
  return entry.wallet.url;
}

std::wstring EntryFileHost(const WalletEntry& entry, std::uint32_t index) {
  std::wstring host = HostNameFromText(EntryFileUrl(entry, index));
  return host.empty() ? L"??" : host;
}

}  // namespace wendrix
