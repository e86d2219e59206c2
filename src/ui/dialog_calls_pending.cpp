// Placeholder definitions of the Options dialog and the About box until
// their own sources join this branch; the lead deletes this file at the
// merge.
#include "ui/dialog_calls.h"

namespace wendrix {

HRESULT ShowOptionsDialog(HWND) { return E_NOTIMPL; }
HRESULT ShowAboutBox(HWND) { return E_NOTIMPL; }

}  // namespace wendrix
