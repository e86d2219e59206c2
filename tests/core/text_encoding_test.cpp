// Text encodings of files: UTF-8 decoding, byte-order-mark detection, and
// the UTF-16 LE file form.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "core/text_encoding.h"

using namespace wendrix;

namespace {

// UTF-16 code units, each in one wchar_t whatever its width.
std::wstring Units(std::initializer_list<unsigned> units) {
  std::wstring out;
  for (unsigned u : units) out.push_back(static_cast<wchar_t>(u));
  return out;
}

constexpr unsigned kBad = 0xFFFD;

TEST(DecodeUtf8Test, WellFormedAndMalformed) {
  struct Case {
    std::string bytes;
    std::wstring text;
  } cases[] = {
      {"", L""}, {"plain ASCII\r\n", L"plain ASCII\r\n"}, {"\x7F", Units({0x7F})}, {"\xC2\x80", Units({0x80})},
      {"Caf\xC3\xA9", L"Caf\u00E9"}, {"\xDF\xBF", Units({0x7FF})}, {"\xE0\xA0\x80", Units({0x800})},
      {"\xE4\xB8\xAD", Units({0x4E2D})}, {"\xED\x9F\xBF", Units({0xD7FF})}, {"\xEE\x80\x80", Units({0xE000})},
      {"\xEF\xBB\xBF", Units({0xFEFF})},  // a mark inside the text is a character
      {"\xEF\xBF\xBF", Units({0xFFFF})}, {"\xF0\x90\x80\x80", Units({0xD800, 0xDC00})},
      {"\xF0\x9F\x98\x80!", Units({0xD83D, 0xDE00, '!'})}, {"\xF4\x8F\xBF\xBF", Units({0xDBFF, 0xDFFF})},
      // Malformed bytes become one replacement character each.
      {"\x80", Units({kBad})},                                   // lone continuation byte
      {"a\xBF" "b", Units({'a', kBad, 'b'})}, {"\xC3", Units({kBad})},  // truncated at the end
      {"\xC3" "A", Units({kBad, 'A'})},                          // lead byte without continuation
      {"\xE4\xB8", Units({kBad, kBad})}, {"\xE4\xB8" "A\xC3\xA9", Units({kBad, kBad, 'A', 0xE9})},  // decoding resumes after the fault
      {"\xF0\x9F\x98", Units({kBad, kBad, kBad})}, {"\xC0\x80", Units({kBad, kBad})},  // overlong zero
      {"\xC1\xBF", Units({kBad, kBad})}, {"\xE0\x9F\xBF", Units({kBad, kBad, kBad})},  // overlong U+07FF
      {"\xF0\x8F\xBF\xBF", Units({kBad, kBad, kBad, kBad})},     // overlong U+FFFF
      {"\xED\xA0\x80", Units({kBad, kBad, kBad})},               // encoded surrogates
      {"\xED\xBF\xBF", Units({kBad, kBad, kBad})}, {"\xF4\x90\x80\x80", Units({kBad, kBad, kBad, kBad})},  // past U+10FFFF
      {"\xF5\x80\x80\x80", Units({kBad, kBad, kBad, kBad})},
      {"\xF8\x88\x80\x80\x80", Units({kBad, kBad, kBad, kBad, kBad})}, {"\xFE\xFF", Units({kBad, kBad})},
      {std::string("a\0b", 3), std::wstring(L"a\0b", 3)},
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeUtf8(c.bytes), c.text) << testing::PrintToString(c.bytes);
}

TEST(DecodeTextFileTest, ByteOrderMarks) {
  const Latin1CodePage latin1;
  struct Case {
    std::string bytes;
    std::wstring text;
  } cases[] = {
      {std::string("\xFF\xFE" "A\0\x2D\x4E\x3D\xD8\x00\xDE", 10), Units({'A', 0x4E2D, 0xD83D, 0xDE00})},
      {std::string("\xFE\xFF\0A\x4E\x2D\xD8\x3D\xDE\x00", 10), Units({'A', 0x4E2D, 0xD83D, 0xDE00})},
      {"\xEF\xBB\xBF" "A\xE4\xB8\xAD", Units({'A', 0x4E2D})}, {"A\xE9\xFF", Units({'A', 0xE9, 0xFF})},  // no mark: the ANSI code page
      {std::string("\xFF\xFE" "A\0B", 5), L"A"},             // odd last byte ignored
      {std::string("\xFE\xFF\0A\0", 5), L"A"}, {"\xFF\xFE", L""}, {"\xFE\xFF", L""}, {"\xFE\xFF\x41", L""},
      {"\xEF\xBB\xBF", L""}, {"", L""}, {"\xFF", Units({0xFF})},  // too short for a mark
      {"\xEF\xBB" "A", Units({0xEF, 0xBB, 'A'})}, {std::string("\xFF\xFE\xFF\xFE", 4), Units({0xFEFF})},  // only the first mark is taken
      {std::string("\xFF\xFE\0\0", 4), std::wstring(1, L'\0')},
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeTextFile(c.bytes, latin1), c.text) << testing::PrintToString(c.bytes);
}

TEST(EncodeUtf16LeFileTest, MarkThenLittleEndianUnits) {
  EXPECT_EQ(EncodeUtf16LeFile(L""), "\xFF\xFE");
  EXPECT_EQ(EncodeUtf16LeFile(Units({'A', 0x4E2D, 0xD83D, 0xDE00, 0xFFFF})),
            std::string("\xFF\xFE" "A\0\x2D\x4E\x3D\xD8\x00\xDE\xFF\xFF", 12));
  const std::wstring text = Units({'x', 0, 0xE9, 0xFEFF, 0xDBFF, 0xDFFF, '\r', '\n'});
  EXPECT_EQ(DecodeTextFile(EncodeUtf16LeFile(text), Latin1CodePage()), text);
}

TEST(CodePageTest, Latin1AndTheSystemCodePage) {
  const Latin1CodePage latin1;
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  const std::wstring decoded = latin1.Decode(all);
  ASSERT_EQ(decoded.size(), 256u);
  for (int b = 0; b < 256; ++b) EXPECT_EQ(static_cast<unsigned>(decoded[b]), static_cast<unsigned>(b));
  EXPECT_TRUE(latin1.RoundTrips(L'\u00FF'));
  EXPECT_FALSE(latin1.RoundTrips(L'\u0100'));
  EXPECT_FALSE(latin1.RoundTrips(L'\u4E2D'));

  // Latin-1 on the host, the ANSI code page on Windows: both hold ASCII and e-acute.
  const CodePage& ansi = SystemCodePage(3);
  EXPECT_EQ(ansi.Decode("Caf\xE9"), L"Caf\u00E9");
  EXPECT_EQ(ansi.Decode(""), L"");
  EXPECT_TRUE(ansi.RoundTrips(L'A'));
  EXPECT_TRUE(ansi.RoundTrips(L'\u00E9'));
  EXPECT_FALSE(ansi.RoundTrips(L'\u4E2D'));
  EXPECT_EQ(&SystemCodePage(3), &ansi);
}

}  // namespace
