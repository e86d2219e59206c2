#pragma once
// The address of the product's error page, which explains a failed check of
// a publisher or a failed setup, and the escaping of the values in it.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/result.h"

namespace wendrix {

// Escapes a text for an address. Control characters (below 32) and
// % / \ ? # [ ] " ` ^ < > { | } become "%" and two uppercase hexadecimal
// digits. In query mode a blank is escaped too; in path mode "_" is escaped
// and a blank becomes "_", so that a name stays readable in a path. A
// character of 127 or above is written as the percent-escaped bytes of its
// UTF-8 form; a surrogate pair counts as the one character it stands for, a
// lone surrogate as U+FFFD. Everything else, "&" and "=" included, is copied.
std::wstring UrlEscape(std::wstring_view text, bool queryMode);

// What the error page is asked about. Empty texts and a line of 0 or less
// are left out of the address.
struct ErrorPageFacts {
  HRESULT result = S_OK;
  std::int32_t line = 0;
  // The file or address that failed to load, or "setup" (any case) for a
  // failed setup.
  std::wstring_view file;
  std::wstring_view publisherId, publisherName, publisherHomePage;
};

// The error page's address: the site address; then, for a user-interface
// language other than English ("en", any case; an empty name counts as
// English), "/" and the language name; "/" and `path` (normally "error/");
// "/" and "?"; then "code=0x<result in uppercase hex>", "&line=",
// "&setup=true" or "&url=" (the file without a leading "http://"), "&id=",
// "&name=" and "&web=" (the home page without a leading "http://"). A "/" is
// added only where the address does not already end with one. Every value
// from `facts` passes UrlEscape in query mode; the site, language and path
// are used as given.
std::wstring BuildErrorUrl(std::wstring_view siteAddress, std::wstring_view languageName, std::wstring_view path,
                           const ErrorPageFacts& facts);

}  // namespace wendrix
