// Strings handed to callers in global memory, and the ANSI side of the exports.
#include <windows.h>

#include <gtest/gtest.h>

#include "frame/ansi.h"
#include "frame/global_string.h"

namespace wendrix::test {
namespace {

TEST(GlobalStringTest, DetachHandsOverAFixedBlockTheCallerFrees) {
  CGlobalString holder;
  ASSERT_EQ(S_OK, holder.Assign(L"first"));
  ASSERT_EQ(S_OK, holder.Assign(std::wstring_view(L"ab\0cd", 5)));
  EXPECT_EQ(0, memcmp(L"ab\0cd", holder.Get(), 6 * sizeof(wchar_t))) << "replaced, embedded zero kept, terminated";
  ASSERT_EQ(S_OK, holder.Assign(L"caf\u00E9"));
  wchar_t* text = holder.Detach();
  ASSERT_NE(nullptr, text);
  EXPECT_EQ(nullptr, holder.Get()) << "the holder must forget a detached block";
  EXPECT_STREQ(L"caf\u00E9", text);
  EXPECT_EQ(5 * sizeof(wchar_t), GlobalSize(text));
  EXPECT_EQ(0u, GlobalFlags(text) & GMEM_DISCARDABLE);
  EXPECT_EQ(nullptr, GlobalFree(text));

  for (const auto& [assigned, expected] : {std::pair{L"caf\u00E9", "caf\xE9"}, {L"", ""}}) {
    CGlobalString ansiHolder(1252);
    if (*assigned) ASSERT_EQ(S_OK, ansiHolder.Assign(assigned));  // else nothing held at all
    char* ansi = reinterpret_cast<char*>(0xDEADBEEF);
    ASSERT_EQ(S_OK, ansiHolder.DetachAnsi(&ansi));
    EXPECT_STREQ(expected, ansi);
    EXPECT_EQ(nullptr, ansiHolder.Get());
    GlobalFree(ansi);
  }
}

TEST(AnsiArgTest, NullStaysNullTextConvertsAndWhatDoesNotFitIsRefused) {
  EXPECT_EQ(nullptr, AnsiArg(nullptr).Get());
  EXPECT_STREQ(L"", AnsiArg("").Get());
  EXPECT_STREQ(L"caf\u00E9", AnsiArg("caf\xE9").Get());  // Wine's ANSI code page is 1252
  EXPECT_FALSE(AnsiArg("x").Failed());
  char buffer[4] = "xyz";
  EXPECT_FALSE(WideToAnsi(L"four", buffer, 4));
  EXPECT_TRUE(WideToAnsi(L"abc", buffer, 4));
  EXPECT_STREQ("abc", buffer);
}

}  // namespace
}  // namespace wendrix::test
