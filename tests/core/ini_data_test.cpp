#include <gtest/gtest.h>

TEST(Placeholder_ini_data_test, Builds) { SUCCEED(); }
