#include <gtest/gtest.h>

TEST(Placeholder_ini_file_test, Builds) { SUCCEED(); }
