// CIniData: adding entries, entry views, schema lookup, the number rule, and
// loading file bytes with LoadIniText.
#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "core/ini_data.h"
#include "core/ini_data_buffer.h"
#include "core/string_util.h"

using namespace wendrix;

namespace {

using Views = std::vector<std::wstring_view>;

TEST(IniDataTest, AddOperationsBuildTypedEntries) {
  CIniDataBuffer data;
  const Views items{L"a", L"", std::wstring_view(L"b\0c", 3)};
  ASSERT_EQ(data.AddSection(L"Main"), S_OK);
  ASSERT_EQ(data.AddText(L"Text", L"v", kIniAlternateForm), S_OK);
  ASSERT_EQ(data.AddNumber(L"Neg", -5), S_OK);
  ASSERT_EQ(data.AddUnsigned(L"Big", 4294967291u, kIniAlternateForm), S_OK);
  ASSERT_EQ(data.AddList(L"List", items), S_OK);
  ASSERT_EQ(data.AddList(L"None", {}), S_OK);
  ASSERT_EQ(data.AddRaw(L"Raw", L"C:\\x"), S_OK);
  ASSERT_EQ(data.AddRawList(L"RawList", items), S_OK);
  ASSERT_EQ(data.AddVerbatim(L"; note"), S_OK);

  struct Expected {
    std::uint32_t kind, flags, count;
    const wchar_t* name;
  } expected[] = {
      {kIniSection, 0, 0, L"Main"},   {kIniText, kIniAlternateForm, 1, L"Text"},
      {kIniSigned, 0, 1, L"Neg"},     {kIniUnsigned, kIniAlternateForm, 1, L"Big"},
      {kIniList, 0, 3, L"List"},      {kIniList, 0, 0, L"None"},
      {kIniRaw, 0, 1, L"Raw"},        {kIniRawList, 0, 3, L"RawList"}, {kIniVerbatim, 0, 0, L"; note"},
  };
  ASSERT_EQ(data.EntryCount(), std::size(expected));
  std::size_t i = 0;
  for (IniEntry e : data.Entries()) {
    SCOPED_TRACE(i);
    EXPECT_EQ(e.Kind(), expected[i].kind);
    EXPECT_EQ(e.Flags(), expected[i].flags);
    EXPECT_EQ(e.AlternateForm(), expected[i].flags != 0);
    EXPECT_EQ(e.Count(), expected[i].count);
    EXPECT_EQ(e.NameView(), expected[i].name);
    EXPECT_STREQ(e.Name(), expected[i].name);
    EXPECT_EQ(e.Line(), 0u);  // added by code to a fresh object
    ++i;
  }
  EXPECT_EQ(i, std::size(expected));

  EXPECT_EQ(data.Entry(2).ValueView(0), L"-5");
  EXPECT_EQ(data.Entry(3).ValueView(0), L"4294967291");
  for (std::size_t list : {4u, 7u}) {
    const IniEntry e = data.Entry(list);
    EXPECT_EQ(e.ValueView(0), L"a");
    EXPECT_EQ(e.ValueView(1), L"");
    EXPECT_EQ(e.ValueView(2), std::wstring_view(L"b\0c", 3));  // an embedded zero is kept
    EXPECT_STREQ(e.Value(2), L"b");
  }

  data.Clear();
  EXPECT_EQ(data.EntryCount(), 0u);
  EXPECT_FALSE(data.Entries().begin() != data.Entries().end());

  // Entries added after a load carry on the line counter.
  data.SetText(std::wstring_view(L"A = 1\r\nB = 2\r\n; last\r\n"));
  ASSERT_EQ(data.Load({}), S_OK);
  ASSERT_EQ(data.AddText(L"C", L"3"), S_OK);
  EXPECT_EQ(data.Entry(2).Line(), 4u);
}

TEST(IniDataTest, EntryNumberValues) {
  struct Case {
    const wchar_t* stored;
    std::int32_t asSigned;
    std::uint32_t asUnsigned;
  } cases[] = {
      {L"-5", -5, 4294967291u}, {L"4294967295", 2147483647, 4294967295u},
      {L"-2147483648", -2147483647 - 1, 2147483648u}, {L"0x10", 16, 16}, {L"yes", 1, 1}, {L"no", 0, 0},
      {L"abc", 0, 0}, {L"", 0, 0},
  };
  CIniDataBuffer data;
  for (const Case& c : cases) ASSERT_EQ(data.AddText(L"K", c.stored), S_OK);
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(cases[i].stored)));
    EXPECT_EQ(data.Entry(i).SignedValue(), cases[i].asSigned);
    EXPECT_EQ(data.Entry(i).UnsignedValue(0), cases[i].asUnsigned);
  }
}

TEST(IniDataTest, SchemaLookup) {
  const IniSchemaRow schema[] = {
      {L"Main", L"Size", 10, kIniUnsigned}, {nullptr, L"Size", 11, kIniSigned}, {kIniAny, L"Size", 12, kIniList},
      {L"Main", nullptr, 13, kIniText},  // a null key matches no key, not even an empty one
      {L"Main", kIniAny, 14, kIniRaw}, {L"\u00C9t\u00E9", L"K", 15, kIniText}, {kIniAny, kIniAny, 16, kIniRawList},
  };
  struct Case {
    const wchar_t* section;
    const wchar_t* key;
    std::int32_t id;
  } cases[] = {
      {L"main", L"SIZE", 10}, {nullptr, L"size", 11}, {L"Other", L"Size", 12}, {L"", L"Size", 12},
      {L"Main", L"", 14},     {L"MAIN", L"x", 14},    {L"\u00C9t\u00E9", L"k", 15}, {L"\u00E9t\u00E9", L"K", 16},  // only ASCII letters are folded
      {nullptr, L"x", 16},    // any section includes keys outside every section
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.section ? testing::PrintToString(std::wstring(c.section)) : "null")
                                    << " / " << testing::PrintToString(std::wstring(c.key)));
    EXPECT_EQ(SchemaLookup(c.section, c.key, schema), c.id);
  }

  // Without the catch-all rows, a null section and a named one do not meet.
  const IniSchemaRow narrow[] = {{nullptr, L"A", 1, kIniText}, {L"S", L"B", 2, kIniText}, {L"S", nullptr, 3, 2}};
  EXPECT_EQ(SchemaLookup(nullptr, L"A", narrow), 1);
  EXPECT_EQ(SchemaLookup(L"S", L"A", narrow), -1);
  EXPECT_EQ(SchemaLookup(L"", L"A", narrow), -1);
  EXPECT_EQ(SchemaLookup(nullptr, L"B", narrow), -1);
  EXPECT_EQ(SchemaLookup(L"S", L"", narrow), -1);
  EXPECT_EQ(FindSchemaRow(L"S", L"C", narrow), nullptr);
  EXPECT_EQ(SchemaLookup(L"S", L"B", {}), -1);
}

// SectionRows answers as the plain lookup does, for cached and uncached
// sections alike, and tells how a second schema reads each key.
TEST(SectionRowsTest, AgreeWithTheSchemaLookup) {
  const IniSchemaRow schema[] = {
      {kIniAny, nullptr, 1, kIniSection},  // declares no section
      {L"Main", L"Size", 10, kIniUnsigned}, {nullptr, L"Size", 11, kIniSigned}, {L"Main", nullptr, 2, kIniSection},
      {kIniAny, L"Size", 12, kIniList}, {L"Main", nullptr, 3, kIniSection},  // the first declaring row counts
      {L"Main", kIniAny, 14, kIniRaw}, {L"Other", L"", 17, kIniRawList}, {L"Other", L"Lst", 18, 9},
  };
  const IniSchemaRow other[] = {
      {L"Main", L"SIZE", 20, kIniSigned}, {kIniAny, L"Key", 21, kIniList}, {L"Other", kIniAny, 22, kIniRaw},
  };
  const wchar_t* const sections[] = {nullptr, L"Main", L"main", L"Other", L"", L"None", L"Mai"};
  const wchar_t* const keys[] = {L"Size", L"size", L"SIZ", L"", L"Key", L"Lst", L"x", L"Main"};
  SectionRows rows(schema, other);
  SectionRows plain(schema);
  // More names than the rows keep, so that later ones are built every time.
  for (int round = 0; round < 3; ++round) {
    for (int filler = 0; filler < 40; ++filler) {
      rows.Select(L"Filler" + std::to_wstring(filler));
      EXPECT_EQ(rows.SectionId(), -1);
    }
    for (const wchar_t* section : sections) {
      rows.Select(section);
      plain.Select(section);
      const std::wstring_view name = section ? section : L"";
      EXPECT_EQ(rows.SectionId(), section && CStringUtil::EqualsNoCase(name, L"Main") ? 2 : -1);
      for (const wchar_t* key : keys) {
        SCOPED_TRACE(testing::Message() << (section ? testing::PrintToString(std::wstring(section)) : "null")
                                        << " / " << testing::PrintToString(std::wstring(key)));
        std::uint32_t otherKind = 0;
        EXPECT_EQ(rows.Find(key, otherKind), FindSchemaRow(section, key, schema));
        EXPECT_EQ(otherKind, IniReadKind(FindSchemaRow(section, key, other)));
        EXPECT_EQ(rows.Find(key), FindSchemaRow(section, key, schema));
        // Compared with itself, a schema reads every key as it does.
        EXPECT_EQ(plain.Find(key, otherKind), FindSchemaRow(section, key, schema));
        EXPECT_EQ(otherKind, IniReadKind(FindSchemaRow(section, key, schema)));
      }
    }
  }
}

TEST(SectionRowsTest, ReadKind) {
  const IniSchemaRow rows[] = {{nullptr, L"A", 1, kIniRawList}, {nullptr, L"B", 2, kIniSection}, {nullptr, L"C", 3, 9}};
  EXPECT_EQ(IniReadKind(&rows[0]), kIniRawList);
  for (const IniSchemaRow* row : {&rows[1], &rows[2], static_cast<const IniSchemaRow*>(nullptr)})
    EXPECT_EQ(IniReadKind(row), kIniText);  // what is no value kind reads as text
}

TEST(IniNumberTest, ParseAtTheLimits) {
  struct Case {
    const wchar_t* text;
    bool isSigned;
    std::uint32_t bits;
    bool hex;
  } cases[] = {
      {L"2147483647", true, 0x7FFFFFFF, false}, {L"2147483648", true, 0x7FFFFFFF, false},  // clamped like strtol
      {L"-2147483648", true, 0x80000000, false}, {L"-2147483649", true, 0x80000000, false},
      {L"99999999999999999999999", true, 0x7FFFFFFF, false}, {L"-99999999999999999999999", true, 0x80000000, false},
      {L"18446744073709551617", true, 0x7FFFFFFF, false},  // 2^64 + 1 must not wrap to 1
      {L"0x10000000000000001", true, 0x7FFFFFFF, true}, {L"0x7fffffff", true, 0x7FFFFFFF, true},
      {L"0x80000000", true, 0x7FFFFFFF, true}, {L"-0x80000000", true, 0x80000000, true},
      {L"020000000000", true, 0x7FFFFFFF, false}, {L"4294967295", false, 0xFFFFFFFF, false},
      {L"4294967296", false, 0xFFFFFFFF, false},  // saturates like strtoul
      {L"0xFFFFFFFF", false, 0xFFFFFFFF, true}, {L"0x100000000", false, 0xFFFFFFFF, true},
      {L"037777777777", false, 0xFFFFFFFF, false}, {L"-1", false, 0xFFFFFFFF, false},  // a minus sign wraps
      {L"-4294967295", false, 1, false}, {L"-4294967296", false, 0xFFFFFFFF, false},
      {L"-99999999999999999999999", false, 0xFFFFFFFF, false}, {L"18446744073709551617", false, 0xFFFFFFFF, false},
      {L"-18446744073709551617", false, 0xFFFFFFFF, false}, {L"0", true, 0, false}, {L"00", false, 0, false},
      {L"0X0", false, 0, true}, {L"+0x10", true, 16, true}, {L" \t42 \t", true, 42, false}, {L"TrUe", true, 1, false},
      {L"YES", false, 1, false}, {L"No", true, 0, false}, {L"false  ", false, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << testing::PrintToString(std::wstring(c.text)) << (c.isSigned ? " signed" : " unsigned"));
    IniNumber n{0xDEADBEEF, !c.hex};
    ASSERT_TRUE(ParseIniNumber(c.text, c.isSigned, &n));
    EXPECT_EQ(n.bits, c.bits);
    EXPECT_EQ(n.hex, c.hex);
    EXPECT_TRUE(ParseIniNumber(c.text, c.isSigned, nullptr));
  }
  const wchar_t* bad[] = {L"", L" ", L"-", L"+", L"- 1", L"0x", L"0xg", L"0x1g", L"08", L"09", L"12abc",
                          L"1 2", L"1.0", L"yesterday", L"nono", L"truefalse", L"\u0661", L"1\n"};
  for (const wchar_t* text : bad) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(text)));
    IniNumber n{};
    EXPECT_FALSE(ParseIniNumber(text, true, &n));
    EXPECT_FALSE(ParseIniNumber(text, false, &n));
  }
}

// LoadIniText: the same INI text in every file encoding.
std::string Utf16(std::wstring_view text, bool bigEndian) {
  std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (wchar_t c : text) {
    const auto unit = static_cast<std::uint32_t>(c) & 0xFFFFu;
    const char hi = static_cast<char>(unit >> 8), lo = static_cast<char>(unit & 0xFF);
    out += bigEndian ? hi : lo;
    out += bigEndian ? lo : hi;
  }
  return out;
}

constexpr IniSchemaRow kListSchema[] = {{kIniAny, L"List", 1, kIniList}};

// Every file encoding gives the same entries; XML is refused only at the very
// start, and errors give their line.
TEST(LoadIniTextTest, EncodingsXmlAndErrorLines) {
  constexpr HRESULT kXml = static_cast<HRESULT>(0x8004020B), kInvalidData = static_cast<HRESULT>(0x8007000D);
  const std::wstring text = L"[Main]\r\nName = Caf\u00E9\r\nList = a, b\r\n";
  const struct {
    std::string bytes;
    HRESULT code;
    std::uint32_t line;
  } cases[] = {
      {Utf16(text, false), S_OK, 0}, {Utf16(text, true), S_OK, 0},
      {"\xEF\xBB\xBF[Main]\r\nName = Caf\xC3\xA9\r\nList = a, b\r\n", S_OK, 0},
      {"[Main]\r\nName = Caf\xE9\r\nList = a, b\r\n", S_OK, 0},  // no mark: the ANSI code page
      {"<?xml version=\"1.0\"?>\r\n<a/>", kXml, 0}, {"\xEF\xBB\xBF<?xml ", kXml, 0},
      {Utf16(L"<?xml version=\"1.0\"?>", false), kXml, 0}, {Utf16(L"<?xml ", true), kXml, 0},
      {"<?xml", kInvalidData, 1}, {"<?xml\r\n", kInvalidData, 1}, {" <?xml ", kInvalidData, 1},
      {Utf16(L"A = 1\r\n; c\r\nList = \"x\ny\"\r\nBad\r\n", false), kInvalidData, 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.bytes));
    CIniDataBuffer data;
    std::uint32_t errorLine = 0xDEADBEEF;
    EXPECT_EQ(LoadIniText(c.bytes, data, kListSchema, &errorLine), c.code);
    EXPECT_EQ(errorLine, c.line);
    if (c.code != S_OK) continue;
    ASSERT_EQ(data.EntryCount(), 3u);
    EXPECT_EQ(data.Entry(0).Kind(), kIniSection);
    EXPECT_EQ(data.Entry(1).ValueView(0), L"Caf\u00E9");
    EXPECT_EQ(data.Entry(2).Count(), 2u);
    EXPECT_EQ(data.Entry(2).Line(), 3u);
  }
  CIniDataBuffer data;
  EXPECT_EQ(LoadIniText("Bad", data, {}, nullptr), kInvalidData);
  // Characters beyond the ANSI code page survive the Unicode encodings.
  for (const std::string& bytes : {Utf16(L"K = \u4E2D", false), Utf16(L"K = \u4E2D", true),
                                   std::string("\xEF\xBB\xBFK = \xE4\xB8\xAD")}) {
    ASSERT_EQ(LoadIniText(bytes, data, {}, nullptr), S_OK);
    ASSERT_EQ(data.EntryCount(), 1u);
    EXPECT_EQ(data.Entry(0).ValueView(0), L"\u4E2D");
  }
}

}  // namespace
