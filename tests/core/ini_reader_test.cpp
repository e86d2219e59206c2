#include <gtest/gtest.h>

TEST(Placeholder_ini_reader_test, Builds) { SUCCEED(); }
