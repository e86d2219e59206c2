#include <windows.h>

#include <string>

#include "console.h"
#include "wendrix.h"

namespace wxcli {

int CommandSystem(Args args) {
  if (args.size() != 1) {
    Err(L"usage: wxcli system QUERY   (Processor\\0\\Name, PNP\\*\\\\DeviceID, OS, Language, DirectX, ...)\n");
    return 2;
  }
  WCHAR* answer = nullptr;
  const HRESULT hr = WendrixSystem(L"wxcli", args[0].c_str(), 0, &answer);
  if (FAILED(hr)) {
    Err(L"error " + Hex(static_cast<unsigned long>(hr)) + L"\n");
    return 1;
  }
  if (!answer) {
    Err(L"no answer\n");
    return 0;
  }
  Out(std::wstring(answer) + L"\n");
  GlobalFree(answer);
  return 0;
}

}  // namespace wxcli
