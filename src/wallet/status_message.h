#pragma once
// The status messages a running wallet entry sends to the windows that follow
// it (the caller's notify window, the download window, the main dialog), and
// what their replies ask of the sender.
#include <windows.h>

#include <cstdint>
#include <string_view>
#include <vector>

namespace wendrix {

// WM_COPYDATA codes (dwData).
enum StatusCode : std::uint32_t {
  kStatusStarted = 0x8011,   // A, B: Bytes (low, high)
  kStatusProgress = 0x8012,  // A, B: bytes done; C, D: Bytes
  kStatusChanged = 0x8013,   // A: the new status
};

// Replies (the result of SendMessage).
enum StatusReply : LRESULT {
  kReplyGoOn = 1,
  kReplyAbort = 2,         // the sender ends with E_ABORT
  kReplyBusy = 3,          // the sender waits and asks again
  kReplySetInstall = 4,    // set the entry's Install flag (when installable) and save it
  kReplyClearInstall = 5,  // clear it and save the entry
};

// How long a sender waits after a busy reply before asking again.
inline constexpr DWORD kBusyRetryMs = 1500;

// The window class of the main dialog, which hears every entry's status.
inline constexpr wchar_t kDialogWindowClass[] = L"WendrixDialog";

// The message's data: A, B, C, D as unsigned 32-bit values, then the entry ID
// and its terminating zero as UTF-16. cbData is twice (ID length + 20), which
// is exactly the size of this block.
std::vector<std::uint8_t> StatusPayload(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d,
                                        std::wstring_view id);

// Sends the message to `window` and waits out busy replies. Without a window
// (or one that is gone, or one that does not answer the message) the answer
// is kReplyGoOn: nobody objects.
LRESULT SendStatus(HWND window, StatusCode code, std::uint64_t first, std::uint64_t second, std::wstring_view id);

// The main dialog's window, or null when it is not open.
HWND DialogWindow() noexcept;

}  // namespace wendrix
