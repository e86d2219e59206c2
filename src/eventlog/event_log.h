#pragma once
// The event log file "Wendrix.log" in the user's local application-data
// folder: UTF-16 LE with FF FE, one [Event] section per event. Any process
// of the user appends to it; the only lock is the file's exclusive open, so
// every operation opens, works and closes, retrying a sharing violation
// every 500 ms up to 10 attempts.
#include <cstdint>
#include <string>

#include "core/result.h"
#include "eventlog/event_record.h"

namespace wendrix {

// "<local application data>\Kestmoor\Wendrix\Wendrix.log", creating the
// folders. E_FAIL without the special folder; 0x8007006F when the path would
// reach 260 characters.
HRESULT GetLogPath(std::wstring& path);

// Records one event: the arguments of WendrixLogEvent2. Names come from the
// store and the publisher's stored data (see the event record keys).
HRESULT AppendEvent(std::uint32_t origin, std::uint32_t type, const wchar_t* publisherId, const wchar_t* groupId,
                    const wchar_t* itemId, const wchar_t* actionId, std::uint32_t result, const wchar_t* resultInfo);

// Appends a record's text to the log at `path`: opened exclusively (created
// when missing), an older ANSI or UTF-8 log rewritten as UTF-16 in front of
// the record, FF FE written first into an empty file.
HRESULT AppendRecordText(const std::wstring& path, std::wstring_view recordText);

// Empties `list` and reads every record of the log; a missing log gives an
// empty list.
HRESULT LoadEvents(CEventList& list);
// LoadEvents from the log at `path`.
HRESULT LoadEventsFrom(const std::wstring& path, CEventList& list);
// Deletes the log, then empties `list`; on failure the list stays.
HRESULT ClearLog(CEventList& list);

// The pause between two attempts on a log that another process holds open
// (Sleep of 500 ms). Tests put their own in its place to take the other
// process's part at a chosen attempt; nullptr restores Sleep.
using LogRetryPause = void (*)(std::uint32_t milliseconds);
void SetLogRetryPause(LogRetryPause pause);

}  // namespace wendrix
