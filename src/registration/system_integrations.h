#pragma once
// The system integrations that follow the publisher store: while publishers
// are registered, Windows starts the scheduler at logon, shows the
// control-panel applet, lists the product among the user's installed
// programs and opens ".wx-cnf" files with the main program. Each is created
// when its condition holds and removed when it does not; every change is
// journaled first when a journal is given.
#include <cstdint>

#include "core/result.h"
#include "registration/startup_entry.h"

namespace wendrix {

class CJournal;
class CPublisherStore;

// Whether any publisher is registered for the current user (in the user's
// list, counted or registered by hand, or in the older product's user data)
// and for all users.
struct RegisteredScopes {
  bool currentUser = false;
  bool allUsers = false;
};
RegisteredScopes ScopesOf(const CPublisherStore& store);

// "WendrixControlPanel" under ...\Control Panel\Cpls naming the applet, with
// its extended properties; "MMCPL" of control.ini where the system keeps
// applets there. Hive of `scope` (the machine's on Windows 9x), 32-bit view
// on x64. Present when a publisher is registered in that scope (on Windows
// 9x: in any scope); removing it leaves the shared Cpls key in place.
HRESULT UpdateControlPanelEntry(const RegisteredScopes& scopes, StartupScope scope, CJournal* journal);

// HKCU ...\Uninstall\Kestmoor Wendrix (32-bit view on x64): present when a
// publisher is registered for the current user and none for all users, else
// the key is deleted. An existing entry is left alone unless `rewrite` is
// set; a rewrite replaces the whole key, so no value of an older entry stays.
HRESULT UpdateUninstallEntry(const RegisteredScopes& scopes, bool rewrite, CJournal* journal);

// The ".wx-cnf" file type, its class "Wendrix.DataFile" and its MIME type,
// in the classes of the hive of `scope`; present when a publisher is
// registered in that scope. While present it also takes over the older
// product's ".software" association; once removed, ".software" goes back to
// the older class when that still exists, else loses its class.
HRESULT UpdateFileType(const RegisteredScopes& scopes, StartupScope scope, CJournal* journal);

}  // namespace wendrix
