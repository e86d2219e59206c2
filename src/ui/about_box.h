#pragma once
// The About box: the product's name, the library's version, the copyright
// and a link to the product's web site.
#include <windows.h>

#include "core/result.h"

namespace wendrix {

// Shows the box modally, owned by `owner` (may be null); the link opens the
// web site in the user's browser. S_OK once closed; a failure code when it
// could not be shown.
HRESULT ShowAboutBox(HWND owner);

}  // namespace wendrix
