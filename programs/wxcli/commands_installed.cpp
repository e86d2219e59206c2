#include "console.h"

namespace wxcli {

int CommandInstalled(Args) {
  Err(L"wxcli: not available yet\n");
  return 2;
}

}  // namespace wxcli
