#pragma once
// The Options dialog and the About box, which the main window opens over
// itself for a display request or a control-panel task.
#include <windows.h>

namespace wendrix { HRESULT ShowOptionsDialog(HWND owner); HRESULT ShowAboutBox(HWND owner); }
