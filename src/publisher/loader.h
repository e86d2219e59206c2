#pragma once
// The publisher data loader: turns the text of a publisher data file (or of
// the wallet file) into the publisher data, checks it, resolves every
// cross-reference, evaluates conditions, detects installed versions and
// computes each item's latest version, date and size.
#include <cstdint>
#include <string>
#include <vector>

#include "core/result.h"
#include "publisher/environment.h"
#include "publisher/model.h"

namespace wendrix {

// Load options.
enum LoadOption : std::uint32_t {
  kLoadHonourRedirectVersion = 1,  // ignore a Redirect whose RequiredVersion is newer than the library
  kLoadStrict = 2,                 // unknown sections, keys and words are errors
  kLoadNoConditions = 4,           // keep everything regardless of conditions
};

// The wallet entry fields a wallet file's Wallet section carries.
struct WalletResource {
  std::wstring url;
  std::uint64_t size = 0;
  std::uint64_t date = 0;  // file time; 0 = none
};
struct WalletFields {
  std::uint32_t status = kWalletDownloaded;
  std::uint32_t origin = kOriginNone;
  std::uint64_t date = 0, lastModified = 0;
  std::uint64_t bytes = 0;
  std::uint32_t flags = 0;
  std::wstring url;
  std::vector<WalletResource> resources;
  std::uint32_t error = 0;
  std::wstring id;
};

// Loads `text` into `data`. `publishers` may be null (no Publisher tests, no
// condition evaluation); `wallet` non-null selects wallet mode. *line (if
// given) receives the 1-based line of an error, else 0.
// Returns 0; 1 when a Redirect moved the publisher (the caller fetches the
// file again from the new data source, now in data->publisher); or a failure,
// after which every collection of `data` is empty.
HRESULT LoadPublisherData(const wchar_t* text, PublisherData* data, PublisherList* publishers, WalletFields* wallet,
                          std::uint32_t* line, std::uint32_t options, const PublisherEnvironment& env);

// The identity fields of a file's Publisher section (the last line of each
// wins), without any check. Fields not given stay as they were. A syntax
// error's 1-based line goes to `line` when given (0 when none applies).
struct PublisherHeader {
  std::wstring id, name, homePage, dataSource;
};
HRESULT ReadPublisherHeaderText(std::wstring_view text, PublisherHeader& header, std::uint32_t* line = nullptr);

// What a data file says about its publisher when it is registered: every
// field of its Publisher section (the ID mapped through the built-in
// publisher table, whose data source then replaces the file's), the
// Application text, and the Wendrix section's RequiredVersion. Nothing is
// checked beyond the header syntax, ApplicationName lines (at least two
// elements) and a non-empty ID (IsSafePublisherId), each else E_INVALIDARG
// at the line: the caller decides what is required. XML text gives
// 0x8004020B.
struct PublisherFileHeader {
  PublisherFields publisher;
  std::wstring application;
  std::wstring requiredVersion;
  bool hasWendrixSection = false;
};
HRESULT ReadPublisherFileHeader(std::wstring_view text, PublisherFileHeader& header, std::uint32_t& line);

}  // namespace wendrix
