#pragma once
// The messages of an action, shown in order before its installation: the
// publisher's heading as the title, its text, and its own captions for the
// buttons (dialog 362). A one-button message has OK (or its Yes caption)
// alone; two-button and licence-agreement messages have Yes and No.
#include <windows.h>

#include "publisher/environment.h"
#include "wallet/wallet_entry.h"

namespace wendrix {

// Shows every message of the entry's action that the entry's data holds, in
// the action's order, owned by `owner`. False as soon as one is answered No
// (or closed without an answer); true when every one was accepted.
bool UserAcceptsActionMessages(const WalletEntry& entry, HWND owner, const PublisherEnvironment& env);

}  // namespace wendrix
