#pragma once
// The self-update on offer: the newer version of this library that the
// product's own publisher offers through its Self item.
#include <optional>
#include <string>
#include <string_view>

#include "publisher/environment.h"
#include "publisher/model.h"

namespace wendrix {

// The latest version of the first Self item of the self publisher's data
// whose latest version is newer than the module version; nothing when there
// is none. When the item's Update action names a QuietFromVersion, the offer
// stands only while the module version is older than it, unless
// `requiredVersion` (the newest library version some loaded data file asked
// for; empty when none) is not empty: then this library must be replaced
// anyway.
std::optional<std::wstring> SelfUpdateOnOffer(const PublisherData& selfData, std::wstring_view requiredVersion,
                                              const PublisherEnvironment& env);

}  // namespace wendrix
