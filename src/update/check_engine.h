#pragma once
// The check for updates: fetch the data file of every registered, enabled
// publisher (or of one), load it, remember which items are new since the
// previous check, and record per publisher when it was attempted and whether
// it succeeded.
#include <cstdint>
#include <string>

#include "core/result.h"

namespace wendrix {

class CClient;
class CPublisherStore;
class CTransfer;
struct InternetSettings;
struct PublisherRecord;

// Run options.
inline constexpr std::uint32_t kRunScheduled = 0x1;
inline constexpr std::uint32_t kRunLogged = 0x2;
inline constexpr std::uint32_t kRunAtStartup = 0x4;

// Run flags, passed to the client's Begin and End.
inline constexpr std::uint32_t kRunFlagScheduled = 0x100;
inline constexpr std::uint32_t kRunFlagLogged = 0x200;
inline constexpr std::uint32_t kRunFlagRedirected = 0x400;
inline constexpr std::uint32_t kRunFlagAborted = 0x1000;
inline constexpr std::uint32_t kRunFlagError = 0x2000;
inline constexpr std::uint32_t kRunFlagPartial = 0x4000;
inline constexpr std::uint32_t kRunFlagStartup = 0x8000;

// RunCheck's answers besides failures.
inline constexpr HRESULT kCheckAllSucceeded = 0;
inline constexpr HRESULT kCheckNothingEligible = 1;
inline constexpr HRESULT kCheckPartial = 2;

// Whether checks leave the publisher out: the product's directory of
// publishers, which the user browses rather than checks.
bool IsExcludedFromChecks(const PublisherRecord& record) noexcept;

// Checks the eligible publishers (all, or those matching `filter` by ID or
// name; the self publisher last). Returns 0 when all succeeded, 2 when some
// did, 1 when none was eligible, else the first failure. *runFlags (when
// given) receives the final run flags.
HRESULT RunCheck(CTransfer& transfer, CClient* client, InternetSettings* settings, CPublisherStore* store,
                 const wchar_t* filter, std::uint32_t options, std::uint32_t* runFlags = nullptr);

// One publisher: its previous items, the fetch (again while it moves), and
// its check state. 0 or the failure; a file that needs a newer library is
// not a failure. *redirected is set when the data file moved.
HRESULT CheckPublisher(CTransfer& transfer, CPublisherStore& store, PublisherRecord& record, bool scheduled,
                       const InternetSettings& settings, bool* redirected = nullptr);

// Fetches, checks and loads the data file: 0, 1 (it moved: fetch again from
// the new data source) or the failure, with the error file written. New
// items are marked against `previousItems`, or the stored previous-items
// text when none is given.
HRESULT FetchPublisherData(CTransfer& transfer, CPublisherStore& store, PublisherRecord& record, bool scheduled,
                           const InternetSettings& settings, const std::wstring* previousItems = nullptr);

// Loads the stored data of every publisher (or of the filtered one and the
// self publisher) into its model and marks its new items. The first failure
// is returned.
HRESULT LoadStoredData(CPublisherStore& store, const wchar_t* filter);
// Whether LoadStoredData with `filter` loads the record's data.
bool LoadsWithFilter(const PublisherRecord& record, const wchar_t* filter) noexcept;

// True when `record` matches a filter by ID or name, ignoring case.
bool MatchesFilter(const PublisherRecord& record, const wchar_t* filter) noexcept;

}  // namespace wendrix
