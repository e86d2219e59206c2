#pragma once
// A user interface that runs for one publisher shows that publisher's
// application name wherever the texts say "%an".
#include <string>
#include <string_view>

#include "core/result.h"

namespace wendrix {

// Looks the publisher up in the store and, when it is registered, brands the
// process's texts with its application name and icon (see SetBrandedName).
// S_FALSE and no branding when it is not registered; E_INVALIDARG for an ID
// of 100 characters or more.
HRESULT BrandForPublisher(std::wstring_view publisherId);

// The publisher the process is branded for; empty when none.
std::wstring BrandedPublisherId();

}  // namespace wendrix
