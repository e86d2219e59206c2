#include <gtest/gtest.h>

TEST(Placeholder_version_test, Builds) { SUCCEED(); }
