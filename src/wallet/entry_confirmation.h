#pragma once
// The entry's "_Confirmed" and "_Unconfirmed" events: whoever runs an
// entry's installation tells whoever started it whether the user accepted.
#include <string>

namespace wendrix {

// The event's name: the entry ID and "_Confirmed" or "_Unconfirmed".
std::wstring EntryConfirmationEvent(const std::wstring& entryId, bool confirmed);

// Creates the event when needed (manual reset) and signals it.
void SignalEntryConfirmation(const std::wstring& entryId, bool confirmed) noexcept;

}  // namespace wendrix
