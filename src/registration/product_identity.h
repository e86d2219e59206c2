#pragma once
// Which product registers a publisher. A registering program names itself
// with a text of its choice; the product-data file that remembers its
// registrations is named by a GUID-form identifier derived from that text,
// so that the same text always finds the same file.
#include <string>
#include <string_view>

#include "core/result.h"

namespace wendrix {

struct ProductIdentity {
  std::wstring id;    // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case
  std::wstring name;  // the display name; empty when unknown
};

// Identifies a caller text, blanks around it ignored:
// - a product of the maker, by its name, alias or identifier (built-in
//   table): its identifier and name;
// - a braced GUID (a product code): that GUID in upper case, name unknown;
// - any other text: an identifier hashed from the text ignoring case, and the
//   text as the name.
// E_INVALIDARG for a text that is empty, longer than kMaxCallerLength or that
// holds control characters.
HRESULT IdentifyCaller(std::wstring_view caller, ProductIdentity& identity);

inline constexpr std::size_t kMaxCallerLength = 256;

// True for "{" 8-4-4-4-12 hexadecimal digits "}".
bool IsBracedGuid(std::wstring_view text) noexcept;

}  // namespace wendrix
