#pragma once
// The main program's window ("WendrixDialog") learns of registration changes
// from any process through two messages.
#include <windows.h>

namespace wendrix {

inline constexpr wchar_t kMainWindowClass[] = L"WendrixDialog";
inline constexpr UINT kPublishersChangedMessage = WM_APP + 4;     // reload the publishers
inline constexpr UINT kRegistrationsChangedMessage = WM_APP + 5;  // the registrations changed

// Sends `message` to the main window when one exists. A window that does not
// answer within a few seconds is not waited for any longer.
void NotifyMainWindow(UINT message) noexcept;

}  // namespace wendrix
