#include <gtest/gtest.h>

TEST(Placeholder_ini_data_registry_test, Builds) { SUCCEED(); }
