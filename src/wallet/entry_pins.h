#pragma once
// The SHA-256 pins of an entry's action, checked against its files on disk:
// once a file has arrived (before the entry moves on) and again right
// before the entry's files are installed, so that a file changed in the
// wallet folder between the two is refused too.
#include <cstdint>
#include <string>

#include "core/result.h"
#include "core/sha256_text.h"
#include "wallet/wallet_entry.h"

namespace wendrix {

inline bool EntryPinned(const WalletEntry& entry) noexcept {
  const Action* action = entry.EntryAction();
  return action && !action->sha256.empty();
}

// The index-th file's digest against its pin: S_OK when they agree (or the
// action pins nothing). Otherwise the file at `path` is deleted, its name
// goes to entry.refusedFile and the answer is kBadDigest.
HRESULT ApplyPin(WalletEntry& entry, std::uint32_t index, const std::wstring& path, const Sha256Digest& digest);

// Hashes the file at `path` and applies the index-th pin to it. A file that
// cannot be read is refused with the reason it could not be.
HRESULT CheckPinnedFile(WalletEntry& entry, std::uint32_t index, const std::wstring& path);

// Every file of a pinned entry, by the name its status gives it; the first
// refusal ends the check.
HRESULT CheckEntryPins(WalletEntry& entry);

}  // namespace wendrix
