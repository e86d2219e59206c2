// A program that binds every system DLL the library loads at run time, the
// way the library does, then binds one more the ordinary way. The test runs
// it from a folder where DLLs named like system ones are planted (and tells
// Wine to prefer such files to its own, as Windows does) and then looks for
// the planted copies' markers. Exit code: a bit per binding that failed or
// took a planted file.
#include <windows.h>

#include "frame/messages.h"
#include "platform/system_library.h"
#include "publisher/msi_library.h"
#include "sysinfo/com_runtime.h"
#include "update/ras_api.h"
#include "update/wininet_api.h"

using namespace wendrix;

namespace {

// True when a module loaded as data is the test's stand-in (version 4.3.2.1)
// rather than the system's DLL: its texts would be shown as the system's.
bool IsStandIn(HMODULE data) {
  const HRSRC found = FindResourceW(data, MAKEINTRESOURCEW(VS_VERSION_INFO), MAKEINTRESOURCEW(16));
  const HGLOBAL loaded = found ? LoadResource(data, found) : nullptr;
  const auto* bytes = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
  if (!bytes) return false;
  const DWORD size = SizeofResource(data, found);
  // VS_FIXEDFILEINFO begins with its signature after the block's header and key.
  for (DWORD at = 0; at + sizeof(VS_FIXEDFILEINFO) <= size; at += 4) {
    const auto* info = reinterpret_cast<const VS_FIXEDFILEINFO*>(bytes + at);
    if (info->dwSignature == 0xFEEF04BD)
      return info->dwFileVersionMS == 0x00040003 && info->dwFileVersionLS == 0x00020001;
  }
  return false;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  int failures = 0;
  if (!MsiLibrary().HasProductInfo()) failures |= 1;
  if (!RasApi().Available()) failures |= 2;
  if (!WinInetApi().Available()) failures |= 4;
  if (ComRuntime().Load() != S_OK) failures |= 8;
  if (ErrorText(HRESULT_FROM_WIN32(12007)).empty()) failures |= 16;  // WinINet's texts, read as data
  // Every other name the test plants, by both routes and as data.
  for (int i = 1; i < argc; ++i) {
    if (!LoadSystemLibrary(argv[i])) failures |= 32;
    if (!LoadSystemLibraryByPath(argv[i])) failures |= 64;
    const UniqueModule data = LoadSystemLibrary(argv[i], LOAD_LIBRARY_AS_DATAFILE);
    if (!data) failures |= 128;
    else if (IsStandIn(data.Get())) failures |= 256;
  }
  // The control: a planted system name loaded the ordinary way does run.
  const HMODULE control = LoadLibraryW(L"wintrust.dll");
  if (control) FreeLibrary(control);
  return failures;
}
