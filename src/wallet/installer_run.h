#pragma once
// Installing a downloaded wallet entry once the entry runner holds the
// installation mutex: the action's messages, its files opened (waiting out
// other readers), Encoded files decoded for the run and encoded again, then
// the route the item and action call for.
#include <windows.h>

#include "core/result.h"
#include "wallet/wallet_entry.h"

namespace wendrix {

// A parent of (HWND)-1 asks for the main dialog ("WendrixDialog"), brought to
// the foreground.
inline const HWND kParentMainDialog = reinterpret_cast<HWND>(static_cast<INT_PTR>(-1));

// Routes:
// - an item of the Publisher type: every downloaded publisher data file
//   (".wx-cnf") is registered as a user's double-click would, without
//   asking; the first failure ends the route;
// - an action without the Archive flag: the first file is an ordinary
//   installer. It runs once its signature is trusted, or once the user
//   accepts it when the system has no trust libraries (message 161); the
//   entry's "_Confirmed" or "_Unconfirmed" event tells the waiting
//   application. The action's Parameters ("%1" the resolved Target, "%2" the
//   entry ID) go with it, through a copy of the launcher (installer_launch.h);
// - an action with the Archive flag: the files are archives, unpacked into
//   their targets (archive_route.h).
// E_INVALIDARG without an ID, item and action; E_ABORT when a message is
// answered No or the installer is refused; a file that stays locked gives its
// sharing or lock violation after 20 attempts a second apart.
HRESULT RunInstaller(WalletEntry& entry, HWND parent);

}  // namespace wendrix
