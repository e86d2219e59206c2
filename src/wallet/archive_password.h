#pragma once
// The question for the password of an encrypted archive member (dialog 361).
#include <windows.h>

#include <string>
#include <string_view>

namespace wendrix {

// Shows the dialog, owned by `owner`, naming `member`. True with the typed
// password on OK; false on Cancel (the extraction is then cancelled) or
// when the dialog cannot be shown.
bool AskArchivePassword(HWND owner, std::wstring_view member, std::wstring& password);

}  // namespace wendrix
