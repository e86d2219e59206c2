#pragma once
// The placeholders of the library's texts: "%an" (application name), "%av"
// (product version), "%y0" and "%y1" (the copyright years).
#include <cstddef>
#include <string>
#include <string_view>

namespace wendrix {

struct PlaceholderValues {
  std::wstring_view applicationName;
  std::wstring_view version;
  std::wstring_view firstYear;
  std::wstring_view lastYear;
};

// The values of this build: the branded application name when one is set
// (see SetBrandedName), else "Wendrix"; "3.8.10.0"; the copyright years.
PlaceholderValues ProductPlaceholders() noexcept;

// Replaces every placeholder (case-sensitive, three characters) by its value.
// Inserted values are never scanned again, so a branded name that itself
// contains "%an" stays as it is and the expansion always ends.
std::wstring ExpandPlaceholders(std::wstring_view text, const PlaceholderValues& values);

// Expands `text` into `buffer`, cut to capacity - 1 characters and a
// terminating zero; returns the length written (0 when capacity is 0).
std::size_t ExpandPlaceholders(std::wstring_view text, const PlaceholderValues& values, wchar_t* buffer,
                               std::size_t capacity);

// The branded application name (at most 99 characters kept) and icon path
// (at most 259) of a user interface that runs for one publisher; empty
// names restore the product name. Process-wide.
void SetBrandedName(std::wstring_view name, std::wstring_view iconPath);
std::wstring BrandedIconPath();

}  // namespace wendrix
