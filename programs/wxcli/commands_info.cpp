#include <string>

#include "console.h"
#include "wendrix.h"

namespace wxcli {

int CommandInfo(Args args) {
  UINT32 selector = 0;
  if (TakeFlag(args, L"--64")) selector |= WENDRIX_INFO_64BIT;
  if (TakeFlag(args, L"--accept-default")) selector |= WENDRIX_INFO_ACCEPT_DEFAULT;
  if (args.size() > 1) {
    Err(L"usage: wxcli info [KIND] [--64] [--accept-default]\n");
    return 2;
  }
  if (!args.empty()) selector |= static_cast<UINT32>(std::stoul(args[0]));
  UINT32 size = 0;
  HRESULT hr = WendrixGetInfoEx(nullptr, &size, selector);
  std::wstring path(size, L'\0');
  if (SUCCEEDED(hr)) hr = WendrixGetInfoEx(path.data(), &size, selector);
  if (FAILED(hr)) {
    Err(L"error " + Hex(static_cast<unsigned long>(hr)) + L"\n");
    return 1;
  }
  path.resize(size - 1);
  Out(path + L"\n");
  return 0;
}

}  // namespace wxcli
