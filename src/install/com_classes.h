#pragma once
// The COM classes of the product's companion library and control, written as
// fixed tables of registry rows under "Software\Classes" and removed again.
#include <windows.h>

#include <span>
#include <string>

#include "core/result.h"

namespace wendrix {

class CJournal;

// One row: a key under Software\Classes, a value of it (null: the default
// value) and its text. In keys and texts "{A}", "{C}", "{I}" and "{E}" stand
// for the library's identifiers and "{path}" for the registered file. A row
// without a value only makes its key.
struct ComRow {
  const wchar_t* key;
  const wchar_t* value;
  const wchar_t* data;
};

struct ComTable {
  const wchar_t* appId;
  const wchar_t* classId;
  const wchar_t* interfaceId;
  const wchar_t* eventsId;  // null when the library has no event interface
  std::span<const ComRow> rows;
};

// The companion library's 28 rows and the control's 33.
const ComTable& CompanionClasses() noexcept;
const ComTable& ControlClasses() noexcept;

// A row's key or text with the identifiers and `path` put in.
std::wstring ExpandComText(const ComTable& table, const wchar_t* text, const std::wstring& path);

// Writes every row in order under `root`\Software\Classes in `view`, each
// value noted in `journal` (when given) before it is written.
HRESULT RegisterComClasses(const ComTable& table, const std::wstring& path, HKEY root, REGSAM view, CJournal* journal);

// Deletes the keys the rows made (their whole trees; the shared parents
// such as "CLSID" stay), each noted first. Keys that are not there are no
// change.
HRESULT UnregisterComClasses(const ComTable& table, HKEY root, REGSAM view, CJournal* journal);

}  // namespace wendrix
