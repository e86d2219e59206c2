#pragma once
// The product's own publishers: each has an alias that callers may use
// instead of its identifier, and a data source that always comes from here.
#include <span>
#include <string_view>

namespace wendrix {

struct BuiltinPublisher {
  const wchar_t* alias;
  const wchar_t* id;
  const wchar_t* dataSource;
  // The name and home page its data file gives: the self publisher's record
  // has them even where no list registers it.
  const wchar_t* name;
  const wchar_t* homePage;
  bool self;            // describes the library itself (its Self item offers self-updates)
  bool identityExempt;  // its file may be served under another publisher's identity
  bool redirectExempt;  // its file's Redirect sections are for older libraries only
};

// The rows of the table, in order.
std::span<const BuiltinPublisher> BuiltinPublishers() noexcept;
// The row whose alias (ignoring case) or identifier (exactly) is `idOrAlias`, or null.
const BuiltinPublisher* FindBuiltinPublisher(std::wstring_view idOrAlias) noexcept;
const BuiltinPublisher& SelfPublisher() noexcept;
const BuiltinPublisher& IdentityExemptPublisher() noexcept;
const BuiltinPublisher& RedirectExemptPublisher() noexcept;
// The product's directory of publishers: the user browses it to add
// publishers, so checks and the publisher list leave it out.
const BuiltinPublisher& DirectoryPublisher() noexcept;
// Whether `id` (ignoring case) is the directory's identifier.
bool IsDirectoryPublisher(std::wstring_view id) noexcept;

// Lists written by older releases may still name the product's own
// publishers by data-source addresses that have since moved. Returns the
// current address for such an old one (compared without scheme and host
// prefix, ignoring case), else null.
const wchar_t* CurrentDataSourceFor(std::wstring_view oldAddress) noexcept;

}  // namespace wendrix
