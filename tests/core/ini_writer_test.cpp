#include <gtest/gtest.h>

TEST(Placeholder_ini_writer_test, Builds) { SUCCEED(); }
