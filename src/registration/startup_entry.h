#pragma once
// The startup entry that starts the user-interface program with its
// scheduler at logon: "KestmoorWendrix" under
// Software\Microsoft\Windows\CurrentVersion\Run, per user or for all users,
// holding the quoted program path and " -s". The shortcut "Wendrix
// Scheduler.lnk" in a Startup folder did the same job in older versions.
#include <string>

#include "core/result.h"

namespace wendrix {

class CJournal;
class CPublisherStore;

enum class StartupScope { kCurrentUser, kAllUsers };

// The value's text: the user-interface program in quotes, then " -s".
HRESULT StartupCommand(std::wstring& command);

// Writes the entry (the previous value journaled first when a journal is given).
HRESULT SetRunEntry(StartupScope scope, CJournal* journal);
// Deletes the entry (journaled first); E_FAIL when it exists and cannot be
// deleted.
HRESULT DeleteRunEntry(StartupScope scope, CJournal* journal);
bool HasRunEntry(StartupScope scope);

// The old startup shortcut of a scope; 0x8007006F when the path would reach
// 260 characters.
HRESULT OldStartupShortcutPath(StartupScope scope, std::wstring& path);
// Deletes it; a missing shortcut is no error.
HRESULT DeleteOldStartupShortcut(StartupScope scope, CJournal* journal);

// Makes the entry of `scope` match what the registered publishers need
// (other than the self publisher): per user when one is registered in the
// user's lists, for all users when one is in the all-users lists. The old
// shortcut of the scope is removed; an entry that exists is rewritten only
// when `force` is set.
HRESULT UpdateStartupEntry(const CPublisherStore& store, StartupScope scope, bool force, CJournal* journal);

// The export's work: the user's old shortcut, when there is one, gives way to
// the per-user entry.
HRESULT ReplacePerUserStartupShortcut();

}  // namespace wendrix
