#pragma once
// The per-item flags a check answers an application with.
#include <cstdint>
#include <string_view>

#include "publisher/model.h"

namespace wendrix {

inline constexpr std::uint32_t kItemFlagUpdate = 0x1;         // an update of the installed item is offered
inline constexpr std::uint32_t kItemFlagInWallet = 0x4;       // its download is in the wallet
inline constexpr std::uint32_t kItemFlagDownloadable = 0x8;   // it has a Download action with an address
inline constexpr std::uint32_t kItemFlagBuyable = 0x10;       // it can be bought in a newer version
inline constexpr std::uint32_t kItemFlagNewerLibrary = 0x20;  // a data file needs a newer library

// True when the group lists the item (IDs compare ignoring case).
bool GroupNamesItem(const Group& group, std::wstring_view itemId) noexcept;

// True when the inactive-items text (one item ID per line) names the item.
bool IsInactiveItem(std::wstring_view inactiveItems, std::wstring_view itemId) noexcept;

// The Download action an update of the installed item would fetch, chosen
// as the download manager chooses: the best Update action offered to the
// user, else the best Generic one (a full package of the new version); null
// when neither exists.
const Action* UpdateDelivery(const PublisherData& data, const Item& item, const PublisherEnvironment& env);

// The flags of one item: kItemFlagUpdate when it is installed, its latest
// version is newer, its UpdateDelivery is newer than the installed version,
// and the user did not make the item inactive; with `detailed` (one
// publisher and one item asked for) also kItemFlagDownloadable and
// kItemFlagBuyable. The wallet flag is the caller's (WalletHoldsItem).
std::uint32_t ItemFlagsOf(const PublisherData& data, const Item& item, std::wstring_view inactiveItems,
                          bool detailed, const PublisherEnvironment& env);

}  // namespace wendrix
