// A stand-in for another copy of the library: it carries whatever version
// its build gives it and exports the names its build asks for, each of which
// writes kForwardedMark and returns kForwardedResult, so a test can tell that
// a call reached it.
#include <windows.h>

namespace {
constexpr wchar_t kForwardedMark[] = L"forwarded";
constexpr HRESULT kForwardedResult = 0x00012345;
}  // namespace

#ifdef FAKE_EXPORT_GETINFO
extern "C" __declspec(dllexport) HRESULT WINAPI WendrixGetInfoEx(WCHAR* buffer, UINT32* size, UINT32) {
  constexpr UINT32 kNeeded = sizeof(kForwardedMark) / sizeof(wchar_t);
  if (buffer && size && *size >= kNeeded) lstrcpyW(buffer, kForwardedMark);
  if (size && (!buffer || *size >= kNeeded)) *size = kNeeded;
  return kForwardedResult;
}
#else
// Exports something else, so that a forwarded call finds no export of its name.
extern "C" __declspec(dllexport) HRESULT WINAPI WendrixSomethingElse() { return kForwardedResult; }
#endif
