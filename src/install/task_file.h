#pragma once
// "wendrixcpl.xml": the control-panel tasks document that lets Windows list
// the product's three tasks (check, settings, history) with its applet.
#include <string>

#include "core/result.h"

namespace wendrix {

class CJournal;

struct ControlPanelTaskTexts {
  std::wstring check, settings, history;
};

// The document for the main program at `program`: one application with the
// three tasks, each starting the program with its display flags, all in the
// category of the applet. Texts are escaped for XML.
std::wstring BuildControlPanelTasks(const std::wstring& program, const ControlPanelTaskTexts& texts);

// Writes the document (UTF-16 with a byte-order mark) to `path` whole: a
// file beside it, moved over the old one, noted in `journal` first.
HRESULT WriteControlPanelTasks(const std::wstring& path, const std::wstring& program, CJournal* journal);

}  // namespace wendrix
