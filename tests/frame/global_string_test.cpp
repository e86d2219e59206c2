// Strings handed to callers in global memory, and the ANSI side of the exports.
#include <windows.h>

#include <gtest/gtest.h>

#include "frame/ansi.h"
#include "frame/global_string.h"

namespace wendrix::test {
namespace {

TEST(GlobalStringTest, DetachHandsOverAFixedBlockTheCallerFrees) {
  CGlobalString holder;
  ASSERT_EQ(S_OK, holder.Assign(L"caf\u00E9"));
  wchar_t* text = holder.Detach();
  ASSERT_NE(nullptr, text);
  EXPECT_EQ(nullptr, holder.Get()) << "the holder must forget a detached block";
  EXPECT_STREQ(L"caf\u00E9", text);
  EXPECT_EQ(5 * sizeof(wchar_t), GlobalSize(text));
  EXPECT_EQ(0u, GlobalFlags(text) & GMEM_DISCARDABLE);
  EXPECT_EQ(nullptr, GlobalFree(text));
}

TEST(GlobalStringTest, AssignReplacesAndEmptyTextIsTerminated) {
  CGlobalString holder;
  ASSERT_EQ(S_OK, holder.Assign(L"first"));
  ASSERT_EQ(S_OK, holder.Assign(L""));
  EXPECT_STREQ(L"", holder.Get());
  ASSERT_EQ(S_OK, holder.Assign(std::wstring_view(L"ab\0cd", 5)));
  EXPECT_EQ(0, memcmp(L"ab\0cd", holder.Get(), 6 * sizeof(wchar_t)));
}

TEST(GlobalStringTest, DetachAnsiConvertsWithTheHoldersCodePage) {
  CGlobalString holder(1252);
  ASSERT_EQ(S_OK, holder.Assign(L"caf\u00E9"));
  char* ansi = reinterpret_cast<char*>(0xDEADBEEF);
  ASSERT_EQ(S_OK, holder.DetachAnsi(&ansi));
  EXPECT_STREQ("caf\xE9", ansi);
  EXPECT_EQ(nullptr, holder.Get());
  GlobalFree(ansi);

  CGlobalString empty;
  ASSERT_EQ(S_OK, empty.DetachAnsi(&ansi));
  EXPECT_STREQ("", ansi);
  GlobalFree(ansi);
}

TEST(AnsiArgTest, NullStaysNullAndTextConverts) {
  EXPECT_EQ(nullptr, AnsiArg(nullptr).Get());
  EXPECT_STREQ(L"", AnsiArg("").Get());
  EXPECT_STREQ(L"caf\u00E9", AnsiArg("caf\xE9").Get());  // Wine's ANSI code page is 1252
  EXPECT_FALSE(AnsiArg("x").Failed());
}

TEST(AnsiArgTest, WideToAnsiRefusesWhatDoesNotFit) {
  char buffer[4] = "xyz";
  EXPECT_FALSE(WideToAnsi(L"four", buffer, 4));
  EXPECT_TRUE(WideToAnsi(L"abc", buffer, 4));
  EXPECT_STREQ("abc", buffer);
}

}  // namespace
}  // namespace wendrix::test
