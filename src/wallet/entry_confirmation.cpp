#include "wallet/entry_confirmation.h"

#include <windows.h>

#include "platform/unique_handle.h"

namespace wendrix {

std::wstring EntryConfirmationEvent(const std::wstring& entryId, bool confirmed) {
  return entryId + (confirmed ? L"_Confirmed" : L"_Unconfirmed");
}

void SignalEntryConfirmation(const std::wstring& entryId, bool confirmed) noexcept {
  try {
    const std::wstring name = EntryConfirmationEvent(entryId, confirmed);
    if (UniqueKernelObject event{CreateEventW(nullptr, TRUE, FALSE, name.c_str())}) SetEvent(event.Get());
  } catch (...) {
  }
}

}  // namespace wendrix
