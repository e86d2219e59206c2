#pragma once
// The wallet work an application asks for in its own process (download an
// item's action, download and install it) and the work the main program asks
// for (run one entry, resume the wallet at start-up).
#include <cstdint>

#include "core/result.h"
#include "update/check_clients.h"

namespace wendrix {

// Request flags of the download and install exports.
inline constexpr std::uint32_t kRequestSelectorMask = 0xF;  // Generic, Try, Buy, Update: exactly one
inline constexpr std::uint32_t kRequestSelfUpdate = 0x20;
inline constexpr std::uint32_t kRequestInstallNow = 0x40;
inline constexpr std::uint32_t kRequestProgressWindow = 0x400;

// How long the resume waits before it restarts downloads, and how it watches
// a request record the main program is to take.
inline constexpr unsigned kResumePauseMs = 5000;
inline constexpr unsigned kRequestIdleMs = 10000;
inline constexpr int kRequestChecks = 30;
inline constexpr unsigned kRequestCheckPauseMs = 500;

struct ItemRequest {
  const wchar_t* publisher = nullptr;  // a publisher ID, or the path of a registered data file
  const wchar_t* item = nullptr;
  std::uint32_t flags = 0;
  bool install = false;
  const wchar_t* command = nullptr;  // started after a successful installation
  const wchar_t* folder = nullptr;
  ClientProgressCallback callback = nullptr;
  void* context = nullptr;
};

// Downloads (and with `install` installs) the item's best action for the
// request: E_INVALIDARG unless exactly one selector bit is given;
// 0x80070490 for an unknown publisher, item or action. An External action's
// address is opened instead. A failed download deletes its entry. An
// installation without kRequestInstallNow goes to the main program, which
// asks the user: S_OK when confirmed, E_ABORT when not, E_FAIL when the main
// program ends without an answer.
HRESULT RunItemRequest(const ItemRequest& request);

// The product's own update (WendrixInstallItem with kRequestSelfUpdate):
// `publisher` (an ID, else a name; E_INVALIDARG when empty) must be
// registered and the self publisher must offer a Self item with a Download
// action (0x80070490 otherwise). When that item's latest version is newer
// than this library's, the action's file is fetched and handed to the
// launcher without user interface (RunUpdate), progress going to the
// request's callback; E_INVALIDARG when the action has no address.
// Otherwise nothing is done and the answer is 0.
HRESULT RunSelfUpdateRequest(const ItemRequest& request);

// Runs the wallet entry `id` in this process, with its download window.
HRESULT RunWalletEntryById(const wchar_t* id, const wchar_t* command, const wchar_t* folder);

// Restarts the entries that were interrupted (downloads from their first
// byte) through the main program, then hands it the pending request records.
HRESULT ResumeWallet();

}  // namespace wendrix
