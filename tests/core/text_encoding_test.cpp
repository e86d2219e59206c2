#include <gtest/gtest.h>

TEST(Placeholder_text_encoding_test, Builds) { SUCCEED(); }
