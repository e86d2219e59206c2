#pragma once
// Base64 with the standard alphabet and "=" padding, for Basic
// authorization headers.
#include <string>
#include <string_view>

namespace wendrix {

std::string Base64Encode(std::string_view bytes);

}  // namespace wendrix
