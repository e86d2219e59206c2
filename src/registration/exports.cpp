// The registration exports: setup programs register the publishers their
// products ship and unregister them on uninstall; the user opens data files.
#include <windows.h>

#include "frame/ansi.h"
#include "frame/export_guard.h"
#include "frame/installed_copy.h"
#include "platform/temporary_file.h"
#include "registration/data_file_registration.h"
#include "registration/load_file.h"
#include "registration/product_registration.h"
#include "wendrix.h"

using namespace wendrix;

namespace {

bool Given(const wchar_t* text) noexcept { return text && *text; }

}  // namespace

extern "C" HRESULT WINAPI WendrixRegisterEx(const WCHAR* caller, const WCHAR* dataFile, const WCHAR* journal,
                                            UINT32* errorLocation, HWND window, UINT32 flags) {
  return GuardedCall([&]() -> HRESULT {
    HRESULT forwarded = S_OK;
    if (ForwardToInstalledCopy<decltype(&WendrixRegisterEx)>("WendrixRegisterEx", &forwarded, caller, dataFile,
                                                             journal, errorLocation, window, flags))
      return forwarded;
    return RegisterProduct(caller, dataFile, journal, flags, errorLocation);
  });
}

extern "C" HRESULT WINAPI WendrixRegister(const CHAR* caller, const CHAR* name, const CHAR* id, const CHAR* homePage,
                                          const CHAR* dataSource, const CHAR* journal, UINT32* errorLocation,
                                          HWND window, UINT32 flags) {
  return GuardedCall([&]() -> HRESULT {
    const AnsiArg wideCaller(caller), wideName(name), wideId(id), wideHome(homePage), wideSource(dataSource),
        wideJournal(journal);
    if (errorLocation) *errorLocation = 0;
    for (const AnsiArg* required : {&wideCaller, &wideName, &wideId, &wideHome, &wideSource}) {
      if (!Given(required->Get())) {
        if (errorLocation) *errorLocation = kAtMissingArgument;
        return E_INVALIDARG;
      }
    }
    CTemporaryFile file;
    RETURN_IF_FAILED(
        WriteGeneratedDataFile(wideId.Get(), wideName.Get(), wideHome.Get(), wideSource.Get(), file, errorLocation));
    return WendrixRegisterEx(wideCaller.Get(), file.Path().c_str(), wideJournal.Get(), errorLocation, window, flags);
  });
}

extern "C" HRESULT WINAPI WendrixUnregisterEx(const WCHAR* caller, const WCHAR* journal, UINT32* errorLocation,
                                              HWND window, UINT32 flags) {
  return GuardedCall([&]() -> HRESULT {
    HRESULT forwarded = S_OK;
    if (ForwardToInstalledCopy<decltype(&WendrixUnregisterEx)>("WendrixUnregisterEx", &forwarded, caller, journal,
                                                               errorLocation, window, flags))
      return forwarded;
    return UnregisterProduct(caller, journal, flags, errorLocation);
  });
}

extern "C" HRESULT WINAPI WendrixUnregister(const CHAR* caller, const CHAR* journal, UINT32* errorLocation,
                                            HWND window, UINT32 flags) {
  return GuardedCall([&]() -> HRESULT {
    const AnsiArg wideCaller(caller), wideJournal(journal);
    return WendrixUnregisterEx(wideCaller.Get(), wideJournal.Get(), errorLocation, window, flags);
  });
}

extern "C" HRESULT WINAPI WendrixLoadFile(const WCHAR* path, HWND window, UINT32 flags) {
  return GuardedCall([&]() -> HRESULT { return LoadFileForUser(path, window, flags); });
}

extern "C" HRESULT WINAPI WendrixInControlPanel() {
  return GuardedCall([&]() -> HRESULT { return ControlPanelWanted(); });
}
