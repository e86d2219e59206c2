#pragma once
// "Wallet.wx-cnf": the publisher data file that describes one wallet entry.
// These functions turn an entry into the file's text and back; the store
// reads and writes the file itself.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/result.h"
#include "wallet/wallet_entry.h"

namespace wendrix {

class PublisherEnvironment;

// The largest Wallet file the library writes or reads, in bytes.
inline constexpr std::size_t kWalletFileLimit = 100000;

// The file's bytes (UTF-16 LE with its byte-order mark, so that any text
// survives): the comment line, the Wendrix and Publisher sections, the
// Wallet section from the entry's state, then the entry's item and action
// with the records they refer to. E_INVALIDARG without an item and action or
// with a value that cannot be written so that it reads back unchanged;
// kInvalidData when the file would exceed kWalletFileLimit (it could not be
// read back); E_OUTOFMEMORY.
HRESULT WriteWalletFile(const WalletEntry& entry, std::string& bytes);

// The same for a new entry of `item` and `action` of a publisher's data:
// the Wallet file carries the publisher's fields, `wallet`, the item and the
// action with the records they may refer to. Reading it back
// (ReadWalletText) gives the entry.
HRESULT WriteWalletFile(const PublisherData& data, const Item& item, const Action& action, const WalletFields& wallet,
                        std::string& bytes);

// Fills `entry` from a Wallet file's text (publisher data in wallet mode).
// The entry starts afresh: what an earlier load put into it is gone. Without
// an ID in the file the entry takes `givenId`. The item and action are the
// first of the file; without both the entry has neither and no display
// name. Without a URL, a single-file action's first URL becomes the entry's
// URL. A failed load gives the loader's code, and its line in *line.
HRESULT ReadWalletText(const std::wstring& text, std::wstring_view givenId, WalletEntry& entry,
                       const PublisherEnvironment& env, std::uint32_t* line = nullptr);

}  // namespace wendrix
