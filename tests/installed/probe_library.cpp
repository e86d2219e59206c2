// A stand-in for an installed program's module: it carries the version
// resource its build gives it, so that the probes can read it as a file or a
// COM server. Copies of it are also planted under the names of system DLLs.
// Whenever the loader runs it, it leaves "<its own path>.ran" beside itself,
// so a test sees that a module was run where it should only have been read.
#include <windows.h>

extern "C" __declspec(dllexport) int WINAPI ProbeLibraryMark() { return 1; }

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  wchar_t path[MAX_PATH + 8];
  const DWORD length = GetModuleFileNameW(instance, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return TRUE;
  lstrcpyW(path + length, L".ran");
  const HANDLE marker = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
  return TRUE;
}
