// Recognising data that hides its publisher from this library, however the
// line is spaced or cased, without taking other lines for it.
#include <gtest/gtest.h>

#include "publisher/hidden_data.h"

namespace wendrix {
namespace {

TEST(HiddenDataTest, TypeHideLineInAnySpellingOnly) {
  const struct {
    const wchar_t* text;
    bool hides;
  } kCases[] = {
      {L"[FreeUpdates]\r\nID = f\r\nType = Hide\r\n", true}, {L"[FreeUpdates]\nType=Hide", true},
      {L"type\t=\thide\r\n", true}, {L"  TYPE =  \"Hide\"  \r\n", true}, {L"[Publisher\r\nType = Hide", true},  // recognised in text that does not load
      {L"Type = Hidden\r\n", false}, {L"Type = Hide it\r\n", false}, {L"SubType = Hide\r\n", false},
      {L"Description = Type = Hide\r\n", false},
      {L"Type = \"Hide\r\n", false},
      {L"; Type = Hide is not a key\r\nType", false}, {L"", false},
  };
  for (const auto& c : kCases) EXPECT_EQ(HidesFromThisLibrary(c.text), c.hides) << testing::PrintToString(c.text);
}

}  // namespace
}  // namespace wendrix
