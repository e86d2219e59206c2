#include "setup/shell_copy.h"

#include <windows.h>
#include <shellapi.h>

#include <vector>

namespace wendrix {

HRESULT ShellCopyResult(int result) noexcept {
  switch (result) {
    case 0: return S_OK;
    case 0x71: case 0x72: case 0x73: case 0x74: case 0x76: case 0x7A: case 0x7D: case 0x80: case 0x402:
    case 0x10000: case 0x10074:
      return E_FAIL;
    case 0x75: return E_ABORT;
    case 0x78: return E_ACCESSDENIED;
    case 0x79: case 0x81: case 0xB7: return HResultFromWin32(ERROR_BUFFER_OVERFLOW);
    case 0x7C: return HResultFromWin32(ERROR_INVALID_NAME);
    case 0x7E: return HResultFromWin32(ERROR_FILE_EXISTS);
    case 0x82: case 0x83: case 0x84: case 0x86: case 0x87: case 0x88: return HResultFromWin32(ERROR_WRITE_PROTECT);
    case 0x85: return HResultFromWin32(ERROR_FILE_TOO_LARGE);
    default: return HResultFromWin32(result);
  }
}

namespace {
// The shell takes lists of names ended by an empty name.
std::vector<wchar_t> DoubleTerminated(const std::wstring& path) {
  std::vector<wchar_t> list(path.begin(), path.end());
  list.push_back(L'\0');
  list.push_back(L'\0');
  return list;
}

// A copy keeps the size and the time of the last write of its source.
bool LooksCopied(const std::wstring& from, const std::wstring& to) {
  WIN32_FILE_ATTRIBUTE_DATA a{}, b{};
  return GetFileAttributesExW(from.c_str(), GetFileExInfoStandard, &a) &&
         GetFileAttributesExW(to.c_str(), GetFileExInfoStandard, &b) && a.nFileSizeHigh == b.nFileSizeHigh &&
         a.nFileSizeLow == b.nFileSizeLow && CompareFileTime(&a.ftLastWriteTime, &b.ftLastWriteTime) == 0;
}
}  // namespace

HRESULT ShellCopyFile(const std::wstring& from, const std::wstring& to) {
  std::vector<wchar_t> source = DoubleTerminated(from), target = DoubleTerminated(to);
  SHFILEOPSTRUCTW operation{};
  operation.wFunc = FO_COPY;
  operation.pFrom = source.data();
  operation.pTo = target.data();
  operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI | FOF_NOCOPYSECURITYATTRIBS;
  RETURN_IF_FAILED(ShellCopyResult(SHFileOperationW(&operation)));
  if (operation.fAnyOperationsAborted) return E_ABORT;
  return LooksCopied(from, to) ? S_OK : E_FAIL;
}

}  // namespace wendrix
