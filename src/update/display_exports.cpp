// The display exports: applications open the product's user interface at a
// chosen view.
#include <windows.h>

#include "frame/ansi.h"
#include "frame/export_guard.h"
#include "ui/user_interface.h"
#include "update/display.h"
#include "update/display_request.h"
#include "wendrix.h"

using namespace wendrix;

extern "C" HRESULT WINAPI WendrixDisplayEx(HWND owner, const WCHAR* publisher, const WCHAR* group, const WCHAR* item,
                                           UINT32 flags, const WCHAR* commandLine, const WCHAR* currentDirectory) {
  return GuardedCall([&]() -> HRESULT {
    return ShowUserInterface(owner, MakeDisplayRequest(flags, publisher, group, item, commandLine, currentDirectory),
                             &RunUserInterface);
  });
}

extern "C" HRESULT WINAPI WendrixDisplay(HWND owner, const CHAR* publisher, const CHAR* item, UINT32 flags) {
  return GuardedCall([&]() -> HRESULT {
    const AnsiArg widePublisher(publisher), wideItem(item);
    return WendrixDisplayEx(owner, widePublisher.Get(), nullptr, wideItem.Get(), flags, nullptr, nullptr);
  });
}
