#pragma once
// What a setup program asks of the library when its product is installed or
// removed: register the publisher it ships, unregister what it registered,
// and keep the system integrations in line with the store afterwards.
#include <cstdint>

#include "core/result.h"

namespace wendrix {

class CTemporaryFile;

// Opens the journal in `journalFolder` when one is named, brings older
// settings into the current key, registers the publisher data file for
// `caller` (both given, else only the integrations are brought in line) for
// the current user (kRegisterForCurrentUser) or all users, and announces the
// change. *errorLocation (when given) is 0 at entry and names the failed
// step afterwards.
HRESULT RegisterProduct(const wchar_t* caller, const wchar_t* dataFile, const wchar_t* journalFolder,
                        std::uint32_t flags, std::uint32_t* errorLocation);

// Unregisters what `caller` registered (kUnregister... flags), drops the
// user's own publishers when asked, brings the integrations in line and
// announces the change. *errorLocation as for RegisterProduct.
HRESULT UnregisterProduct(const wchar_t* caller, const wchar_t* journalFolder, std::uint32_t flags,
                          std::uint32_t* errorLocation);

// Writes the data file that BuildGeneratedDataFile makes of the four texts to
// a new file in the user's temporary folder (prefix "WXR"), closed for the
// registration to read and deleted when `file` ends. The ID must be a safe
// publisher ID: E_INVALIDARG and location kAtMissingArgument otherwise.
HRESULT WriteGeneratedDataFile(const wchar_t* id, const wchar_t* name, const wchar_t* homePage,
                               const wchar_t* dataSource, CTemporaryFile& file, std::uint32_t* errorLocation);

// S_OK when the control panel should show the product (an empty store, or a
// publisher that asks for it), S_FALSE when not.
HRESULT ControlPanelWanted();

}  // namespace wendrix
