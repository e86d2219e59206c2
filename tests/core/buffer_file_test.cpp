#include <gtest/gtest.h>

TEST(Placeholder_buffer_file_test, Builds) { SUCCEED(); }
