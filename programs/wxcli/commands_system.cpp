#include "console.h"

namespace wxcli {

int CommandSystem(Args) {
  Err(L"wxcli: not available yet\n");
  return 2;
}

}  // namespace wxcli
