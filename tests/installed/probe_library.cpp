// A stand-in for an installed program's module: it does nothing but carry the
// version resource its build gives it, so that the probes can read it as a
// file, a COM server or a loaded module.
#include <windows.h>

extern "C" __declspec(dllexport) int WINAPI ProbeLibraryMark() { return 1; }
