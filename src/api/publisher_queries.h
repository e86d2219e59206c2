#pragma once
// The queries behind the version and address exports: each opens the
// publisher store, loads the stored data it needs, answers, and closes the
// store again. Publisher arguments are an ID, a name, or the alias of one of
// the product's own publishers.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "core/result.h"

namespace wendrix {

class CPublisherStore;
struct PublisherRecord;

// WendrixVersion flags besides the ItemVersion ones (4: latest, 8: for display).
inline constexpr std::uint32_t kVersionSelfUpdate = 4;       // with no item: the self-update on offer
inline constexpr std::uint32_t kVersionRegistration = 16;    // the registration's version text

// The publisher a caller named: a built-in alias stands for its publisher ID.
const wchar_t* ResolvePublisherAlias(const wchar_t* publisher) noexcept;

// The registered publisher with this ID, else with this name; null when none.
PublisherRecord* FindPublisher(CPublisherStore& store, const wchar_t* publisher) noexcept;

// The version text WendrixVersion hands out, by the first rule that applies.
// `version` is cleared first and stays empty when there is none:
// - no item and no flag 4: the module version;
// - flag 16: the registration's version of the publisher (an empty text
//   when it has none; nothing when the publisher is not registered);
// - no item and flag 4: the self-update on offer;
// - otherwise the item's installed version (latest with flag 4, formatted
//   for display with flag 8); E_INVALIDARG when the publisher is null or
//   empty, S_OK with nothing when it is not registered.
// Failures of opening the store and of loading the data are returned.
HRESULT QueryVersion(const wchar_t* publisher, const wchar_t* item, std::uint32_t flags,
                     std::optional<std::wstring>& version);

// The address WendrixURL hands out (kinds in address_lookup.h). `address` is
// cleared first. E_INVALIDARG for flags 0 and a null or empty publisher;
// failures of opening the store and loading the data are returned; an
// unknown publisher or item is S_OK with no address.
HRESULT QueryAddress(const wchar_t* publisher, const wchar_t* item, std::uint32_t flags,
                     std::optional<std::wstring>& address);

// How an address is opened: "mailto:" addresses go to the user's mail
// program, everything else to the shell's handler of the address.
enum class OpenRoute { kMail, kShell };
using AddressOpener = std::function<HRESULT(OpenRoute route, const std::wstring& address)>;

// Resolves the address as QueryAddress does and hands it to `opener`. The
// lookup's failure is returned; no address is S_OK with nothing opened;
// otherwise the opener's result.
HRESULT OpenAddress(const wchar_t* publisher, const wchar_t* item, std::uint32_t flags, const AddressOpener& opener);

// The opener of the exports: ShellExecuteEx with the "open" verb and show
// state SW_SHOW; a failure is the wrapped error the shell reports.
HRESULT ShellOpen(OpenRoute route, const std::wstring& address);

}  // namespace wendrix
