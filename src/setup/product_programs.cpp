#include "setup/product_programs.h"

#include <windows.h>

namespace wendrix {

RunningProductPrograms PauseProductPrograms() {
  RunningProductPrograms running;
  running.dialog = FindWindowW(L"WendrixDialog", nullptr) != nullptr;
  running.scheduler = FindWindowW(L"WendrixScheduler", nullptr) != nullptr;
  return running;
}

void ResumeProductPrograms(const RunningProductPrograms&) {}

}  // namespace wendrix
