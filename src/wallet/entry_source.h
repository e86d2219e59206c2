#pragma once
// Where an entry's downloaded files came from, as the user is told.
#include <cstdint>
#include <string>

#include "wallet/wallet_entry.h"

namespace wendrix {

// The address of the index-th file: its resource record's URL for a
// multi-file action, else the entry's URL.
std::wstring EntryFileUrl(const WalletEntry& entry, std::uint32_t index);

// The host name of that address, "??" when it has none.
std::wstring EntryFileHost(const WalletEntry& entry, std::uint32_t index);

}  // namespace wendrix
