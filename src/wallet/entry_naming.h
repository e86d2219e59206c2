#pragma once
// The names a wallet entry gives to things on disk: its folder (the entry
// ID), its downloaded files and their temporary form, and the name shown to
// the user. Every one of them is built from fetched text, so each is checked
// to be one plain file name that stays inside the folder it is put in.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/result.h"
#include "platform/path_containment.h"  // IsPlainFileName
#include "wallet/wallet_entry.h"

namespace wendrix {

inline constexpr wchar_t kWalletFileName[] = L"Wallet.wx-cnf";
inline constexpr wchar_t kTemporarySuffix[] = L".tmp";
// A version text in an entry's name is cut to this many characters.
inline constexpr std::size_t kVersionTextLimit = 80;

// The action's version formatted for display under the item's display style
// (as it stands when it does not parse), at most 80 characters; empty when the
// action has none.
std::wstring VersionTextOf(const PublisherData& data, const Item& item, const Action& action);

// The item's title (its ID when it has none), then a blank and the version
// text when there is one.
std::wstring DisplayNameOf(const PublisherData& data, const Item& item, const Action& action);

// The entry ID a new entry starts from: "<Name> - <Title>[ <version text>]"
// with every blank made "_". Characters a folder name cannot hold (\ / : * ?
// " < > |, control characters) and dots or blanks at the end also become
// "_", so that the ID is always one folder name inside the wallet.
// E_INVALIDARG without a name or a title; 0x8007006F when the three lengths
// plus 5 reach `room` (the characters a path leaves for the ID).
HRESULT EntryIdBase(std::wstring_view name, std::wstring_view title, std::wstring_view versionText, std::size_t room,
                    std::wstring& id);

// The candidate for the n-th attempt at a free folder name: the base itself
// for 0, else the base, "_" and n.
std::wstring EntryIdCandidate(const std::wstring& base, unsigned attempt);


// How many files the entry's action downloads: one per URL of its resource
// list, else one.
std::uint32_t EntryFileCount(const WalletEntry& entry) noexcept;

// The name of the index-th downloaded file: the action's Rename, else the
// last segment (after the last "/" or "\") of the index-th URL of a
// multi-file action or of the single URL. Nothing when the entry has no
// action or the name is not a plain file name (IsPlainFileName) or would
// be the entry's own Wallet file.
std::optional<std::wstring> EntryFileName(const WalletEntry& entry, std::uint32_t index);

// Whether a file of an entry in `status` goes by its temporary name (name +
// ".tmp"): while Downloading, Stopped or Error.
constexpr bool UsesTemporaryForm(std::uint32_t status) noexcept {
  return status == kWalletDownloading || status == kWalletStopped || status == kWalletError;
}

}  // namespace wendrix
