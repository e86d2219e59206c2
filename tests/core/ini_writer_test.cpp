// CIniDataBuffer::Save: the INI text syntax as written, and Save -> Load round trips.
#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "core/ini_data_buffer.h"

using namespace wendrix;

namespace {

using V = std::vector<std::wstring>;
using Views = std::vector<std::wstring_view>;

constexpr wchar_t kHan = L'\u4E2D';  // outside Latin-1 and every Western ANSI code page

// Gives the tests entries of any kind word, including ones Save must skip.
class TestBuffer : public CIniDataBuffer {
 public:
  using CIniData::AddEntry;
};

class IniWriterTest : public testing::Test {
 protected:
  std::wstring Saved(std::uint32_t flags = 0) {
    EXPECT_EQ(m_data.Save(flags), S_OK);
    return m_data.Text();
  }
  // Saves, then loads the text into a second object.
  void RoundTrip(IniSchema schema, std::uint32_t flags = 0) {
    ASSERT_EQ(m_data.Save(flags), S_OK);
    m_back.SetText(m_data.Text());
    ASSERT_EQ(m_back.Load(schema), S_OK) << testing::PrintToString(m_data.Text());
  }
  TestBuffer m_data;
  CIniDataBuffer m_back;
};

std::vector<std::wstring> Values(const IniEntry& e) {
  std::vector<std::wstring> v;
  for (std::uint32_t i = 0; i < e.Count(); ++i) v.emplace_back(e.ValueView(i));
  return v;
}

// Kinds outside the model are skipped; raw items are written as they are
// unless they need quotes.
TEST_F(IniWriterTest, DocumentLayout) {
  const std::wstring_view value = L"v";
  for (std::uint32_t kind : {0u, 9u, 0xFFu, 0x100u}) ASSERT_EQ(m_data.AddEntry(kind, L"K", {&value, 1}), S_OK);
  ASSERT_EQ(m_data.AddText(L"Top", L"1"), S_OK);
  ASSERT_EQ(m_data.AddSection(L"Main"), S_OK);
  ASSERT_EQ(m_data.AddNumber(L"N", -5), S_OK);
  ASSERT_EQ(m_data.AddUnsigned(L"U", 4294967291u), S_OK);
  ASSERT_EQ(m_data.AddSection(L"Empty"), S_OK);
  ASSERT_EQ(m_data.AddVerbatim(L"; kept as it stands, \"x\"\\"), S_OK);
  ASSERT_EQ(m_data.AddRaw(L"A", L"C:\\new \"x\"\x01\u4E2D"), S_OK);
  ASSERT_EQ(m_data.AddRaw(L"B", L" lead"), S_OK);
  ASSERT_EQ(m_data.AddRaw(L"C", L"x", kIniAlternateForm), S_OK);
  const Views list{L"a", L"", L"b c", L"d,e", L" f", L"\"g\\"};
  ASSERT_EQ(m_data.AddList(L"D", list), S_OK);
  const Views two{L"a", L""};
  ASSERT_EQ(m_data.AddList(L"E", two, kIniAlternateForm), S_OK);
  ASSERT_EQ(m_data.AddList(L"F", {}), S_OK);
  const Views raw{L"C:\\a", L"x,y"};
  ASSERT_EQ(m_data.AddRawList(L"G", raw), S_OK);
  m_data.SetText(std::wstring_view(L"previous text"));
  EXPECT_EQ(Saved(), L"Top = 1\r\n"
                     L"\r\n[Main]\r\n"
                     L"N = -5\r\n"
                     L"U = 4294967291\r\n"
                     L"\r\n[Empty]\r\n"
                     L"; kept as it stands, \"x\"\\\r\n"
                     L"A = C:\\new \"x\"\x01\u4E2D\r\n"
                     L"B = \" lead\"\r\n"
                     L"C = \"x\"\r\n"
                     L"D = a, , b c, \"d,e\", \" f\", \\\"g\\\\\r\n"
                     L"E = \"a\", \"\"\r\n"
                     L"F = \r\n"
                     L"G = C:\\a, \"x,y\"\r\n");
  m_data.Clear();
  EXPECT_EQ(Saved(), L"");
  ASSERT_EQ(m_data.AddSection(L"First"), S_OK);
  EXPECT_EQ(Saved(), L"\r\n[First]\r\n");
}

TEST_F(IniWriterTest, Numbers) {
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  ASSERT_EQ(m_data.AddNumber(L"A", kMin), S_OK);
  ASSERT_EQ(m_data.AddNumber(L"B", kMax), S_OK);
  ASSERT_EQ(m_data.AddNumber(L"C", 0), S_OK);
  ASSERT_EQ(m_data.AddNumber(L"D", -1, kIniAlternateForm), S_OK);
  ASSERT_EQ(m_data.AddNumber(L"E", kMin, kIniAlternateForm), S_OK);
  ASSERT_EQ(m_data.AddUnsigned(L"F", 0xFFFFFFFFu), S_OK);
  ASSERT_EQ(m_data.AddUnsigned(L"G", 0xFFFFFFFFu, kIniAlternateForm), S_OK);
  ASSERT_EQ(m_data.AddUnsigned(L"H", 31, kIniAlternateForm), S_OK);
  ASSERT_EQ(m_data.AddUnsigned(L"I", 0, kIniAlternateForm), S_OK);
  // A negative number in hexadecimal keeps its sign: the reader clamps "0xffffffff" to 2147483647.
  EXPECT_EQ(Saved(), L"A = -2147483648\r\nB = 2147483647\r\nC = 0\r\nD = -0x1\r\nE = -0x80000000\r\n"
                     L"F = 4294967295\r\nG = 0xffffffff\r\nH = 0x1f\r\nI = 0x0\r\n");
  const IniSchemaRow schema[] = {{kIniAny, L"F", 1, kIniUnsigned}, {kIniAny, L"G", 1, kIniUnsigned},
                                 {kIniAny, L"H", 1, kIniUnsigned}, {kIniAny, L"I", 1, kIniUnsigned},
                                 {kIniAny, kIniAny, 2, kIniSigned}};
  RoundTrip(schema);
  ASSERT_EQ(m_back.EntryCount(), m_data.EntryCount());
  for (std::size_t i = 0; i < m_data.EntryCount(); ++i) {
    EXPECT_EQ(Values(m_back.Entry(i)), Values(m_data.Entry(i)));
    EXPECT_EQ(m_back.Entry(i).Flags(), m_data.Entry(i).Flags());
  }
}

TEST_F(IniWriterTest, TextItemsQuotingAndEscapes) {
  constexpr std::uint32_t kAlt = kIniAlternateForm;
  struct Case {
    std::wstring value;
    std::uint32_t entryFlags;
    std::uint32_t saveFlags;
    const wchar_t* line;  // without "K = " and CR LF
  } cases[] = {
      {L"plain text", 0, 0, L"plain text"}, {L" lead", 0, 0, L"\" lead\""}, {L"trail ", 0, 0, L"\"trail \""},
      {L"\ttab", 0, 0, L"\"\\x9tab\""}, {L"a,b", 0, 0, L"\"a,b\""}, {L"", 0, 0, L""}, {L"", kAlt, 0, L"\"\""},
      {L"x", kAlt, 0, L"\"x\""}, {L"say \"hi\"", 0, 0, L"say \\\"hi\\\""}, {L"C:\\dir\\", 0, 0, L"C:\\\\dir\\\\"},
      {L"a\nb", 0, 0, L"a\\x000ab"},  // padded: "b" is a hexadecimal digit
      {L"a\ng", 0, 0, L"a\\xag"}, {L"\x01" L"F\x1f", 0, 0, L"\\x0001F\\x1f"}, {L"\r\n", 0, 0, L"\\xd\\xa"},
      {std::wstring(L"a\0" L"9", 3), 0, 0, L"a\\x00009"}, {L"\x7F|\u00E9", 0, 0, L"\x7F|\u00E9"},  // held by the code page: as it is
      {std::wstring(1, kHan), 0, 0, L"\\x4e2d"}, {std::wstring(1, kHan) + L"a", 0, 0, L"\\x4e2da"},
      {std::wstring(1, kHan), 0, 0x1, L"\\x4e2d"},  // only bit 1 asks for Unicode output
      {std::wstring(1, kHan), 0, kIniSaveUnicode, L"\u4E2D"},
      {std::wstring(L"\t") + kHan, 0, kIniSaveUnicode, L"\"\\x9\u4E2D\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.value));
    m_data.Clear();
    ASSERT_EQ(m_data.AddText(L"K", c.value, c.entryFlags), S_OK);
    EXPECT_EQ(Saved(c.saveFlags), std::wstring(L"K = ") + c.line + L"\r\n");
  }
}

// Every code unit that needs care, alone and before characters that could
// extend an escape, comes back unchanged.
TEST_F(IniWriterTest, TextRoundTrip) {
  std::vector<std::wstring> values = {
      L"", L" ", L"\t", L"  both  ", L"a, b", L",", L"\"", L"\"\"", L"\\", L"\\\\x41", L"C:\\new",
      L"\\\"", L"x\\", L"end \t", L"'?", std::wstring(L"\0", 1), std::wstring(L"\0" L"0", 2),
  };
  for (std::uint32_t c = 1; c < 0x100; ++c) {
    for (const wchar_t* after : {L"", L"0", L"7", L"a", L"F", L"g", L" x"})
      values.push_back(std::wstring(1, static_cast<wchar_t>(c)) + after);
  }
  for (unsigned c : {0x100u, 0x152u, 0x7FFu, 0xFFFu, 0x4E2Du, 0xD800u, 0xDFFFu, 0xFFFDu, 0xFFFFu})
    for (const wchar_t* after : {L"", L"a", L"5"}) values.push_back(std::wstring(1, static_cast<wchar_t>(c)) + after);

  for (std::uint32_t flags : {0u, kIniSaveUnicode}) {
    m_data.Clear();
    for (const std::wstring& v : values) ASSERT_EQ(m_data.AddText(L"K", v), S_OK);
    SCOPED_TRACE(flags);
    RoundTrip({}, flags);
    ASSERT_EQ(m_back.EntryCount(), values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
      SCOPED_TRACE(testing::PrintToString(values[i]));
      EXPECT_EQ(m_back.Entry(i).Kind(), kIniText);
      EXPECT_EQ(Values(m_back.Entry(i)), V{values[i]});
      EXPECT_EQ(m_back.Entry(i).Line(), i + 1);
    }
  }
}

// Names and values from outside (a fetched file, a registration) must never
// turn into keys or sections of their own: each is written so that it reads
// back whole, or the save fails and the text stays as it was.
TEST_F(IniWriterTest, ValuesAndNamesNeverReadBackAsOtherEntries) {
  const IniSchemaRow schema[] = {{kIniAny, L"Raw", 1, kIniRaw}, {kIniAny, L"RawList", 2, kIniRawList},
                                 {kIniAny, L"List", 3, kIniList}, {kIniAny, L"Number", 4, kIniSigned}};
  const std::wstring injected = L"\r\nDataFile = C:\\evil.ini\r\n[Other]\r\nEnabled = 1";
  struct Case {
    const char* name;
    std::uint32_t kind;
    std::wstring key;  // section name for kIniSection, the line for kIniVerbatim
    std::vector<std::wstring> values;
    std::optional<std::wstring> line;  // the written line without CR LF; none: refused
  } cases[] = {
      // Raw values have no escapes: quotes carry line breaks and ";", and an
      // item that needs quotes cannot hold one.
      {"raw line break", kIniRaw, L"Raw", {L"http://a/" + injected}, L"Raw = \"http://a/" + injected + L"\""},
      {"raw ;", kIniRaw, L"Raw", {L"http://a/x;y"}, L"Raw = \"http://a/x;y\""},
      {"raw inner quote", kIniRaw, L"Raw", {L"C:\\a \"b\""}, L"Raw = C:\\a \"b\""},
      {"raw leading quote", kIniRaw, L"Raw", {L"\"C:\\a\" b"}, std::nullopt},
      {"raw quote and comma", kIniRaw, L"Raw", {L"a\", b"}, std::nullopt},
      {"raw quote and line break", kIniRaw, L"Raw", {L"x\"" + injected}, std::nullopt},
      {"raw zero", kIniRaw, L"Raw", {std::wstring(L"a\0b", 3)}, std::nullopt},
      {"raw list empty last", kIniRawList, L"RawList", {L"a", L""}, L"RawList = a, \"\""},
      {"raw list line break", kIniRawList, L"RawList", {L"a" + injected, L"b"},
       L"RawList = \"a" + injected + L"\", b"},
      // Escaping kinds carry anything.
      {"text line break", kIniText, L"Name", {L"n" + injected},
       LR"(Name = n\xd\x000aDataFile = C:\\evil.ini\xd\xa[Other]\xd\x000aEnabled = 1)"},
      {"text ;", kIniText, L"Name", {L"a;b"}, L"Name = \"a;b\""},
      {"list alone empty", kIniList, L"List", {L""}, L"List = \"\""},
      {"list items", kIniList, L"List", {L"", L"a, b", L" c ", L"\"d\"\\", L"", L"\r\n"},
       LR"(List = , "a, b", " c ", \"d\"\\, , \xd\xa)"},
      // Section names: name characters only, "]" included.
      {"section line break", kIniSection, L"Pub]" + injected, {}, std::nullopt},
      {"section blank", kIniSection, L"My Pub", {}, std::nullopt},
      {"section bracket", kIniSection, L"a]b[", {}, L"[a]b[]"}, {"section empty", kIniSection, L"", {}, L"[]"},
      // Key names: one token that is no section.
      {"key =", kIniText, L"a=b", {L"v"}, std::nullopt},
      {"key with value", kIniRaw, L"DataFile = C:\\evil.ini", {L"v"}, std::nullopt},
      {"key section", kIniText, L"[Other]", {L"v"}, std::nullopt}, {"key empty", kIniText, L"", {L"v"}, std::nullopt},
      {"key blank", kIniText, L" a", {L"v"}, std::nullopt}, {"key comment", kIniText, L";a", {L"v"}, std::nullopt},
      {"key line break", kIniSigned, L"N\r\nDataFile", {L"1"}, std::nullopt},
      {"key bracket", kIniText, L"[a", {L"v"}, L"[a = v"},
      // Numbers are written from their value, which must parse.
      {"number text", kIniSigned, L"Number", {L"1" + injected}, std::nullopt},
      {"number two values", kIniSigned, L"Number", {L"1", L"2"}, std::nullopt},
      {"text two values", kIniText, L"Name", {L"a", L"b"}, std::nullopt},
      // Verbatim lines: only what reads as nothing.
      {"verbatim entry", kIniVerbatim, L"DataFile = C:\\evil.ini", {}, std::nullopt},
      {"verbatim comment break", kIniVerbatim, L"; note" + injected, {}, std::nullopt},
      {"verbatim comment", kIniVerbatim, L" \t; note \"x\"", {}, L" \t; note \"x\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    m_data.Clear();
    std::vector<std::wstring_view> views(c.values.begin(), c.values.end());
    ASSERT_EQ(m_data.AddEntry(c.kind, c.key, views), S_OK);
    m_data.SetText(std::wstring_view(L"previous"));
    if (!c.line) {
      EXPECT_EQ(m_data.Save(kIniSaveUnicode), kIniUnwritable);
      EXPECT_EQ(m_data.Text(), L"previous");
    }
    if (c.kind != kIniSection && c.kind != kIniVerbatim) {
      // The values alone, under a plain name: the writer's own check agrees.
      TestBuffer plain;
      ASSERT_EQ(plain.AddEntry(c.kind, L"K", views), S_OK);
      EXPECT_EQ(IniItemsWritable(c.kind, views), SUCCEEDED(plain.Save(0)));
    }
    if (!c.line) continue;
    RoundTrip(schema, kIniSaveUnicode);
    EXPECT_EQ(m_data.Text(), (c.kind == kIniSection ? L"\r\n" : L"") + *c.line + L"\r\n");
    if (c.kind == kIniVerbatim) {
      EXPECT_EQ(m_back.EntryCount(), 0u);
      continue;
    }
    ASSERT_EQ(m_back.EntryCount(), 1u);
    EXPECT_EQ(m_back.Entry(0).Kind(), c.kind);
    EXPECT_EQ(m_back.Entry(0).NameView(), c.key);
    EXPECT_EQ(Values(m_back.Entry(0)), c.values);
  }
}

}  // namespace
