#include "wallet/entry_pins.h"

#include <windows.h>

#include "platform/sha256_hash.h"
#include "wallet/entry_naming.h"
#include "wallet/wallet_store.h"

namespace wendrix {
namespace {

// The file's own name, not that of its temporary form.
std::wstring RefusedName(const WalletEntry& entry, std::uint32_t index, const std::wstring& path) {
  if (auto name = EntryFileName(entry, index)) return *std::move(name);
  const std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

}  // namespace

HRESULT ApplyPin(WalletEntry& entry, std::uint32_t index, const std::wstring& path, const Sha256Digest& digest) {
  const Action* action = entry.EntryAction();
  if (!action || action->sha256.empty() || PinMatches(*action, index, digest)) return S_OK;
  // Nothing may run or open what the publisher did not publish, and a later
  // run must not take it for a complete file.
  DeleteFileW(path.c_str());
  entry.refusedFile = RefusedName(entry, index, path);
  return kBadDigest;
}

HRESULT CheckPinnedFile(WalletEntry& entry, std::uint32_t index, const std::wstring& path) {
  if (!EntryPinned(entry)) return S_OK;
  Sha256Digest digest{};
  const HRESULT hashed = HashFileSha256(path.c_str(), digest);
  if (FAILED(hashed)) {
    entry.refusedFile = RefusedName(entry, index, path);
    return hashed;
  }
  return ApplyPin(entry, index, path, digest);
}

HRESULT CheckEntryPins(WalletEntry& entry) {
  if (!EntryPinned(entry)) return S_OK;
  const std::uint32_t count = EntryFileCount(entry);
  for (std::uint32_t index = 0; index < count; ++index) {
    std::wstring path;
    RETURN_IF_FAILED(WalletEntryFilePath(entry, index, path));
    RETURN_IF_FAILED(CheckPinnedFile(entry, index, path));
  }
  return S_OK;
}

}  // namespace wendrix
