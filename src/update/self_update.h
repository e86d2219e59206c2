#pragma once
// The product's own update: the new version's file is downloaded into a
// fresh "KWX" folder of the temporary "Wendrix" folder, its signature
// checked, and it is handed to a copy of the launcher, which waits for this
// process to end before it runs the file.
#include <windows.h>

#include "core/result.h"
#include "core/sha256_text.h"
#include "resources/string_ids.h"

namespace wendrix {

class CClient;
class CTransfer;
struct InternetSettings;

// Codes of a self-update that did not get as far as the launcher.
inline constexpr HRESULT kTrustLibrariesMissing = HResultFromMessage(kStrAuthLibrariesNotFound);
inline constexpr HRESULT kSignatureNotVerified = HResultFromMessage(kStrSignatureNotVerified);
inline constexpr HRESULT kUpdateEnvironmentFailed = HResultFromMessage(kStrUpdateEnvironmentError);

// Run flag of a self-update that failed (the client's End hears it).
inline constexpr std::uint32_t kRunFailed = 0x2000;

// Downloads `address` (its last segment names the file; `rename`, when
// given, renames it and must be a plain file name, else E_INVALIDARG) with
// progress to `client`; with a `pin`, the file's SHA-256 must be it
// (kBadDigest, and the file deleted); then checks that the maker signed it or
// that the system trusts it (kTrustLibrariesMissing, kSignatureNotVerified),
// both checks having to pass; copies the
// launcher beside it (kUpdateEnvironmentFailed) and starts the copy. An
// interactive update has the launcher start the main program again
// afterwards, and shows a failure other than a cancel. E_INVALIDARG without
// address, client or settings; E_FAIL when no download folder can be made.
HRESULT RunUpdate(CTransfer& transfer, const wchar_t* address, const wchar_t* rename, const wchar_t* parameters,
                  CClient* client, const InternetSettings* settings, bool interactive,
                  const Sha256Digest* pin = nullptr);

}  // namespace wendrix
