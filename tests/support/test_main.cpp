#include <gtest/gtest.h>

#ifdef _WIN32
#include "child_process.h"
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
  // A test that needs other processes starts this executable again in a role.
  if (int exitCode = 0; wendrix::test::RunChildRoleIfAsked(exitCode)) return exitCode;
#endif
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
