// CIniDataBuffer::Load: the INI text syntax as read.
#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "core/ini_data_buffer.h"

using namespace wendrix;

namespace {

constexpr HRESULT kInvalidData = static_cast<HRESULT>(0x8007000D);

// Keys named after the kind they are read as, in every section; others are text.
constexpr IniSchemaRow kKinds[] = {
    {kIniAny, L"Signed", 1, kIniSigned},   {kIniAny, L"Unsigned", 2, kIniUnsigned},
    {kIniAny, L"List", 3, kIniList},       {kIniAny, L"Raw", 4, kIniRaw}, {kIniAny, L"RawList", 5, kIniRawList},
};

std::vector<std::wstring> Values(const IniEntry& e) {
  std::vector<std::wstring> v;
  for (std::uint32_t i = 0; i < e.Count(); ++i) v.emplace_back(e.ValueView(i));
  return v;
}

class IniReaderTest : public testing::Test {
 protected:
  HRESULT Load(std::wstring_view text, IniSchema schema = kKinds) {
    m_data.SetText(text);
    return m_data.Load(schema);
  }
  // Loads "<key> = <value>" and returns the single entry's values.
  std::vector<std::wstring> ValuesOf(const wchar_t* key, const std::wstring& value) {
    const HRESULT hr = Load(key + std::wstring(L" = ") + value + L"\r\nEnd = 1\r\n");
    EXPECT_EQ(hr, S_OK);
    if (m_data.EntryCount() != 2) {
      ADD_FAILURE() << "entries: " << m_data.EntryCount();
      return {};
    }
    EXPECT_EQ(m_data.Entry(1).Line(), 2u) << "the value ran past its line";
    return Values(m_data.Entry(0));
  }
  CIniDataBuffer m_data;
};

using V = std::vector<std::wstring>;

// Duplicates are kept in order, and a load starts empty.
TEST_F(IniReaderTest, SectionsKeysKindsAndLines) {
  ASSERT_EQ(m_data.AddText(L"Stale", L"x"), S_OK);
  ASSERT_EQ(Load(L"; header comment\r\n"
                 L"Top = 1\r\n"
                 L"\r\n"
                 L"[Main]\r\n"
                 L"  Signed\t=\t-7 ; note\r\n"
                 L"[main] Key.Name-1_x=v ; two on one line\r\n"
                 L"[]\n"
                 L"[A]]\n"
                 L"[s]\nA = 2\nA = 3\n[S] a = 4\n"),
            S_OK);
  EXPECT_FALSE(m_data.HadError());
  ASSERT_EQ(m_data.EntryCount(), 12u);
  struct Expected {
    std::uint32_t kind, line;
    const wchar_t* name;
    V values;
  } expected[] = {
      {kIniText, 2, L"Top", {L"1"}}, {kIniSection, 4, L"Main", {}}, {kIniSigned, 5, L"Signed", {L"-7"}},
      {kIniSection, 6, L"main", {}}, {kIniText, 6, L"Key.Name-1_x", {L"v"}}, {kIniSection, 7, L"", {}},
      {kIniSection, 8, L"A]", {}}, {kIniSection, 9, L"s", {}}, {kIniText, 10, L"A", {L"2"}},
      {kIniText, 11, L"A", {L"3"}}, {kIniSection, 12, L"S", {}}, {kIniText, 12, L"a", {L"4"}},
  };
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    SCOPED_TRACE(i);
    const IniEntry e = m_data.Entry(i);
    EXPECT_EQ(e.Kind(), expected[i].kind);
    EXPECT_EQ(e.Flags(), 0u);
    EXPECT_EQ(e.Line(), expected[i].line);
    EXPECT_EQ(e.NameView(), expected[i].name);
    EXPECT_EQ(Values(e), expected[i].values);
  }
}

// Entries keep the kind and the identifier of the first row that matches
// their key in the current section; a section gets its first declaring row's.
TEST_F(IniReaderTest, SchemaIsConsultedWithTheCurrentSection) {
  const IniSchemaRow schema[] = {
      {L"Main", nullptr, 1, kIniSigned},  // a null key matches no key
      {L"Main", L"Size", 2, kIniUnsigned}, {nullptr, L"Size", 3, kIniList}, {kIniAny, L"Order", 4, kIniList},
      {L"Main", L"Order", 5, kIniSigned}, {L"Main", kIniAny, 6, kIniRaw}, {L"Odd", L"Size", 7, 9},  // not a value kind: read as text
      {L"Main", nullptr, 8, kIniSection},
  };
  ASSERT_EQ(Load(L"Size = a, b\nPath = C:\\new\n"
                 L"[MAIN]\nsize = 0x1F\nOrder = 1, 2\nPath = C:\\new\n"
                 L"[Other]\nSize = a, b\n"
                 L"[Odd]\nSize = a, b\n"
                 L"[]\nSize = a, b\n",
                 schema),
            S_OK);
  struct Expected {
    std::uint32_t kind;
    std::int32_t id;
    V values;
  } expected[] = {
      {kIniList, 3, {L"a", L"b"}}, {kIniText, -1, {L"C:\new"}},  {kIniSection, 1, {}},
      {kIniUnsigned, 2, {L"31"}},  {kIniList, 4, {L"1", L"2"}},  {kIniRaw, 6, {L"C:\\new"}},
      {kIniSection, -1, {}},       {kIniText, -1, {L"a"}},        {kIniSection, -1, {}},
      {kIniText, 7, {L"a"}},       {kIniSection, -1, {}},         {kIniText, -1, {L"a"}},  // "[]" is a section too
  };
  ASSERT_EQ(m_data.EntryCount(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(m_data.Entry(i).Kind(), expected[i].kind);
    EXPECT_EQ(m_data.Entry(i).SchemaId(), expected[i].id);
    EXPECT_EQ(Values(m_data.Entry(i)), expected[i].values);
  }
  EXPECT_TRUE(m_data.Entry(3).AlternateForm());
  // An entry added by code has no row.
  ASSERT_EQ(m_data.AddText(L"Size", L"4"), S_OK);
  EXPECT_EQ(m_data.Entry(std::size(expected)).SchemaId(), -1);
}

// Sections that no row names share their rows (a list file names each
// publisher's section by its ID); a section that a row names, in either
// schema, before or after many such sections and past the sections the
// reader remembers by name, still gets its own.
TEST_F(IniReaderTest, NamedSectionsAmongManyUnnamedOnes) {
  const IniSchemaRow schema[] = {{L"Main", L"Size", 1, kIniUnsigned}, {kIniAny, L"Size", 2, kIniList},
                                 {L"Late", nullptr, 3, kIniText}};
  // Reads "Size" in [Other] as a number, which "a, b" is not.
  const IniSchemaRow other[] = {{L"Other", L"Size", 1, kIniSigned}, {kIniAny, L"Size", 2, kIniList}};
  struct Section {
    std::wstring name;
    std::uint32_t kind;
    std::int32_t sectionId, keyId;
  };
  std::vector<Section> sections;
  for (int i = 0; i < 40; ++i) sections.push_back({L"1.3.6." + std::to_wstring(i), kIniList, -1, 2});
  sections.insert(sections.begin() + 1, {L"main", kIniUnsigned, -1, 1});
  sections.insert(sections.begin() + 37, {L"MAIN", kIniUnsigned, -1, 1});
  sections.push_back({L"Late", kIniList, 3, 2});
  sections.push_back({L"x", kIniList, -1, 2});
  std::wstring text;
  for (const Section& s : sections) text += L"[" + s.name + L"]\r\nSize = 7\r\n";
  bool alike = false;
  ASSERT_EQ(m_data.LoadText(text, schema, other, alike), S_OK);
  EXPECT_TRUE(alike);
  ASSERT_EQ(m_data.EntryCount(), 2 * sections.size());
  for (std::size_t i = 0; i < sections.size(); ++i) {
    SCOPED_TRACE(sections[i].name);
    EXPECT_EQ(m_data.Entry(2 * i).SchemaId(), sections[i].sectionId);
    EXPECT_EQ(m_data.Entry(2 * i + 1).Kind(), sections[i].kind);
    EXPECT_EQ(m_data.Entry(2 * i + 1).SchemaId(), sections[i].keyId);
  }
  // A section only the other schema names is read its way.
  for (const wchar_t* tail : {L"[Other]\r\nSize = a, b\r\n", L"[OTHER]\r\nSize = a, b\r\n"}) {
    alike = true;
    ASSERT_EQ(m_data.LoadText(text + tail, schema, other, alike), S_OK);
    EXPECT_FALSE(alike) << testing::PrintToString(std::wstring(tail));
  }
}

TEST_F(IniReaderTest, SeveralEntriesOnOneLine) {
  std::wstring text = L"[A] [B] Key = v [ignored]\nList = ";
  V items;
  for (int i = 0; i < 500; ++i) {
    items.push_back(i % 7 ? std::to_wstring(i) : L"");
    text += (i ? L"," : L"") + items.back();
  }
  ASSERT_EQ(Load(text), S_OK);
  ASSERT_EQ(m_data.EntryCount(), 4u);
  EXPECT_EQ(m_data.Entry(1).NameView(), L"B");
  EXPECT_EQ(m_data.Entry(2).ValueView(0), L"v [ignored]");
  EXPECT_EQ(m_data.Entry(3).Line(), 2u);
  EXPECT_EQ(Values(m_data.Entry(3)), items);
}

TEST_F(IniReaderTest, SyntaxErrorsReportTheLineAndKeepEarlierEntries) {
  struct Case {
    const wchar_t* text;
    std::uint32_t line;
    std::size_t kept;
  } cases[] = {
      {L"Key", 1, 0},                                  // end of text instead of "="
      {L"A = 1\nKey\n= 2\n", 2, 1},                    // "=" must be on the key's line
      {L"A = 1\r\n[Main Section]\r\n", 2, 1},          // "[Main" is a key without "="
      {L"; c\n;c = 1\n\nKey : v\n", 4, 0},             // comments and empty lines count
      {L"Key$ = v", 1, 0}, {L"= v", 1, 0},  // "=" alone is a key name, then "v"
      {L"A=1\rB\r", 1, 1},                             // only a line feed advances the counter
      {L"Text = \"a\nb\nc\"\nSigned = 12abc\n", 4, 1},  // quoted value spans lines
      {L"Text = \"a\\\nb\"\nBad\n", 3, 1},             // escaped line feed inside quotes
      {L"List = \"x\ny\", z\nUnsigned = \n", 3, 1},    // multi-line list item, then empty number
      {L"Text = a ; \"comment\nBad\n", 2, 1},          // a quote in a comment opens nothing
      {L"[S]\nSigned = 1\nUnsigned = 2\nSigned = yesterday\n", 4, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "text: " << testing::PrintToString(std::wstring(c.text)));
    EXPECT_EQ(Load(c.text), kInvalidData);
    EXPECT_TRUE(m_data.HadError());
    EXPECT_EQ(m_data.ErrorLine(), c.line);
    EXPECT_EQ(m_data.EntryCount(), c.kept);
  }
  // A good load afterwards clears the flag.
  EXPECT_EQ(Load(L"A = 1"), S_OK);
  EXPECT_FALSE(m_data.HadError());
}

// The text ends at its first zero character, whether loaded as the object's
// own text or as a view that is not kept.
TEST_F(IniReaderTest, TextEndsAtItsFirstNulAndLoadTextKeepsNoText) {
  ASSERT_EQ(Load(std::wstring(L"A = 1\0\nB = 2\n", 13)), S_OK);
  ASSERT_EQ(m_data.EntryCount(), 1u);
  EXPECT_EQ(m_data.Entry(0).ValueView(0), L"1");
  EXPECT_EQ(Load(std::wstring(L"Key\0= 1\n", 8)), kInvalidData);
  EXPECT_EQ(Load(L""), S_OK);
  EXPECT_EQ(m_data.EntryCount(), 0u);

  m_data.SetText(L"Kept = 1");
  ASSERT_EQ(m_data.LoadText(std::wstring(L"A = x, y\n\0B = 2\n", 13), kKinds), S_OK);
  ASSERT_EQ(m_data.EntryCount(), 1u);
  EXPECT_EQ(m_data.Entry(0).ValueView(0), L"x");
  EXPECT_EQ(m_data.Text(), L"Kept = 1");
  EXPECT_EQ(m_data.LoadText(L"A = 1\nSigned = x\n", kKinds), kInvalidData);
  EXPECT_EQ(m_data.ErrorLine(), 2u);
  EXPECT_EQ(m_data.EntryCount(), 1u);
}

// Whether a second schema would read a text alike: where it does, loading
// with it gives the same result, line and entries, values included wherever
// the two read a key as the same kind.
TEST_F(IniReaderTest, AnotherSchemaReadsAlikeOrNot) {
  // Knows only numbers; every other key is one text item.
  const IniSchemaRow numbers[] = {{kIniAny, L"Signed", 1, kIniSigned}, {kIniAny, L"Count", 2, kIniUnsigned}};
  const struct {
    const wchar_t* text;
    bool alike;
  } cases[] = {
      {L"List = a, b ; c\nRaw = C:\\x\\\"q\\101\nRawList = \"\", a\\, b\nText = \"a\nb\"\n", true},
      {L"[S]\nList = a, \"\n[T]\nKey = 1\"\nEnd = 1\n", false},     // a quoted list item over lines
      {L"Raw = \"a\\\"\nKey = v\n\"\n", false},                      // an escaped quote in a raw item
      {L"Raw = a\\\nKey = v\n", false},                                // an escaped line feed
      {L"RawList = a\\, \"\nKey = v\"\n", false},                    // an escaped comma
      {L"Unsigned = -1\nSigned = 2\n", true},                          // a number and a text, read alike
      {L"A = 1\nUnsigned = x\nB = 2\n", false},                        // fails here only
      {L"A = 1\nCount = x\nB = 2\n", false},                           // fails there only
      {L"A = 1\nSigned = x\nB = 2\n", true},                           // fails alike
      {L"List = a\nKey\n", true},                                       // fails alike
      {L"Raw = \"a\\\"\nSigned = x\n\" = 1\n", false},               // fails there only
      {L"", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "text: " << testing::PrintToString(std::wstring(c.text)));
    bool alike = !c.alike;
    const HRESULT hr = m_data.LoadText(c.text, kKinds, numbers, alike);
    EXPECT_EQ(alike, c.alike);
    CIniDataBuffer other;
    const HRESULT otherHr = other.LoadText(c.text, numbers);
    if (!alike) {
      EXPECT_TRUE(hr != otherHr || m_data.ErrorLine() != other.ErrorLine() ||
                  m_data.EntryCount() != other.EntryCount());
      continue;
    }
    EXPECT_EQ(hr, otherHr);
    EXPECT_EQ(m_data.ErrorLine(), other.ErrorLine());
    ASSERT_EQ(m_data.EntryCount(), other.EntryCount());
    for (std::size_t i = 0; i < m_data.EntryCount(); ++i) {
      const IniEntry a = m_data.Entry(i), b = other.Entry(i);
      EXPECT_EQ(a.NameView(), b.NameView());
      EXPECT_EQ(a.Line(), b.Line());
      if (a.Kind() == b.Kind()) {
        EXPECT_EQ(Values(a), Values(b)) << i;
      }
    }
  }
}

TEST_F(IniReaderTest, TextItems) {
  struct Case {
    const wchar_t* value;
    const wchar_t* text;  // as read for a text key
    const wchar_t* raw;   // as read for a raw key
  } cases[] = {
      {L"a, b", L"a", L"a"}, {L"\"a, b\"", L"a, b", L"a, b"}, {L"  value   ; note", L"value", L"value"},
      {L"a  b \t", L"a  b", L"a  b"}, {L"a \t;c", L"a", L"a"}, {L"", L"", L""}, {L"; only a comment", L"", L""},
      {L"\"  padded  \" junk", L"  padded  ", L"  padded  "}, {L"a\"b\"", L"a\"b\"", L"a\"b\""},  // a quote opens an item only at its start
      {L"C:\\new", L"C:\new", L"C:\\new"}, {L"\"a\\\\\\\" b\"", L"a\\\" b", L"a\\\\\\"},  // raw: the next quote ends it
      {L"abc\\x20", L"abc ", L"abc\\x20"},  // an escaped blank is not trailing
      {L"abc\\", L"abc", L"abc\\"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.value)));
    EXPECT_EQ(ValuesOf(L"Text", c.value), V{c.text});
    EXPECT_EQ(ValuesOf(L"Raw", c.value), V{c.raw});
  }
}

// A quoted item runs over line ends, which still count; it and an item
// that ends in a backslash stop at the end of the text.
TEST_F(IniReaderTest, ItemsEndAtTheEndOfTheText) {
  ASSERT_EQ(Load(L"Text = \"one\r\ntwo\" ; c\nNext = 1\n"), S_OK);
  ASSERT_EQ(m_data.EntryCount(), 2u);
  EXPECT_EQ(m_data.Entry(0).ValueView(0), L"one\r\ntwo");
  EXPECT_EQ(m_data.Entry(1).Line(), 3u);
  const struct {
    const wchar_t* text;
    const wchar_t* last;  // the last item read
  } kCases[] = {{L"Text = \"open\nend", L"open\nend"}, {L"Text = abc\\", L"abc"}, {L"Text = \"abc\\", L"abc"},
                {L"List = x, abc\\", L"abc"}, {L"Raw = abc\\", L"abc\\"}};
  for (const auto& c : kCases) {
    ASSERT_EQ(Load(std::wstring(L"A = 1\n") + c.text), S_OK);
    ASSERT_EQ(m_data.EntryCount(), 2u);
    EXPECT_EQ(m_data.Entry(1).ValueView(m_data.Entry(1).Count() - 1), c.last) << testing::PrintToString(c.text);
  }
}

TEST_F(IniReaderTest, Escapes) {
  struct Case {
    const wchar_t* value;
    std::wstring expected;
  } cases[] = {
      {L"\\\"\\'\\?\\\\", L"\"'?\\"}, {L"\\a\\b\\f\\n\\r\\t\\v", L"\x07\x08\x0C\x0A\x0D\x09\x0B"},
      {L"\\101\\60", L"A0"}, {L"\\0", std::wstring(1, L'\0')},
      {L"\\1234567", std::wstring(1, static_cast<wchar_t>(0xA72E)) + L"7"},  // six octal digits at most
      {L"\\777777", std::wstring(1, static_cast<wchar_t>(0xFFFF))},          // low 16 bits kept
      {L"\\18", L"\x01" L"8"}, {L"\\x41\\X42", L"AB"}, {L"\\x4e2d", L"\u4E2D"}, {L"\\x00411", L"A1"},  // four hex digits at most
      {L"\\x0aZ", L"\nZ"}, {L"\\x", L"x"}, {L"\\Xg", L"Xg"}, {L"a\\qb\\8\\9\\ c", L"abc"},  // unknown escapes vanish
      {L"\"a\\\"b, c\"", L"a\"b, c"},  // an escaped quote does not end a quoted item
      {L"\"\\x41\\t\"", L"A\t"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.value)));
    EXPECT_EQ(ValuesOf(L"Text", c.value), V{c.expected});
    EXPECT_EQ(ValuesOf(L"List", c.value), V{c.expected});
  }
  EXPECT_EQ(ValuesOf(L"RawList", L"C:\\a, \"d\\,e\", \\x41"), (V{L"C:\\a", L"d\\,e", L"\\x41"}));
  // An escaped comma is dropped, not a separator; a raw list splits there.
  EXPECT_EQ(ValuesOf(L"List", L"a\\, b"), (V{L"a b"}));
  EXPECT_EQ(ValuesOf(L"RawList", L"a\\, b"), (V{L"a\\", L"b"}));
}

TEST_F(IniReaderTest, BackslashAtTheEndOfTheTextEndsTheItem) {
  for (const wchar_t* text : {L"Text = abc\\", L"Text = \"abc\\", L"List = x, abc\\"}) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(text)));
    ASSERT_EQ(Load(text), S_OK);
    ASSERT_EQ(m_data.EntryCount(), 1u);
    EXPECT_EQ(m_data.Entry(0).ValueView(m_data.Entry(0).Count() - 1), L"abc");
  }
  ASSERT_EQ(Load(L"Raw = abc\\"), S_OK);
  EXPECT_EQ(m_data.Entry(0).ValueView(0), L"abc\\");
}

TEST_F(IniReaderTest, Lists) {
  struct Case {
    const wchar_t* value;
    V items;
  } cases[] = {
      {L"a, b", {L"a", L"b"}}, {L"a,,b", {L"a", L"", L"b"}}, {L"a , ,\tb", {L"a", L"", L"b"}}, {L",a", {L"", L"a"}},
      {L"a,", {L"a"}}, {L"a,,", {L"a", L""}}, {L",", {L""}}, {L"", {}}, {L"; only a comment", {}},
      {L"\"x, y\", z ; c", {L"x, y", L"z"}}, {L"a b , c\td", {L"a b", L"c\td"}}, {L"\"\", \" \"", {L"", L" "}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.value)));
    EXPECT_EQ(ValuesOf(L"List", c.value), c.items);
    EXPECT_EQ(ValuesOf(L"RawList", c.value), c.items) << "raw";
  }
}

TEST_F(IniReaderTest, Numbers) {
  struct Case {
    const wchar_t* key;
    const wchar_t* value;
    const wchar_t* stored;
    bool hex;
  } cases[] = {
      {L"Unsigned", L"0x1F", L"31", true}, {L"Signed", L"0X1f ; c", L"31", true}, {L"Signed", L"-0x10", L"-16", true},
      {L"Signed", L"017", L"15", false}, {L"Signed", L"0", L"0", false}, {L"Signed", L"Yes", L"1", false},
      {L"Unsigned", L"TRUE", L"1", false}, {L"Signed", L"no", L"0", false}, {L"Unsigned", L"False ", L"0", false},
      {L"Signed", L"-5", L"-5", false}, {L"Unsigned", L"-5", L"4294967291", false}, {L"Signed", L"+5", L"5", false},
      {L"Signed", L"0xFFFFFFFF", L"2147483647", true},  // clamped, as strtol does
      {L"Signed", L"\"12\"", L"12", false}, {L"Signed", L"\"  7  \"", L"7", false},
      {L"Unsigned", L"\"\\x31\\x32\"", L"12", false}, {L"Unsigned", L"12, 13", L"12", false},  // one item only
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << testing::PrintToString(std::wstring(c.key)) << " = "
                                    << testing::PrintToString(std::wstring(c.value)));
    EXPECT_EQ(ValuesOf(c.key, c.value), V{c.stored});
    if (m_data.EntryCount() > 0) {
      EXPECT_EQ(m_data.Entry(0).Kind(), c.key[0] == L'S' ? kIniSigned : kIniUnsigned);
      EXPECT_EQ(m_data.Entry(0).AlternateForm(), c.hex);
    }
  }
}

TEST_F(IniReaderTest, BadNumbersAreSyntaxErrors) {
  const wchar_t* bad[] = {L"12abc", L"yesterday", L"truex", L"0x", L"08", L"", L"; c", L"- 5", L"\"1 2\"", L"\"\""};
  for (const wchar_t* value : bad) {
    for (const wchar_t* key : {L"Signed", L"Unsigned"}) {
      SCOPED_TRACE(testing::Message() << testing::PrintToString(std::wstring(key)) << " = "
                                      << testing::PrintToString(std::wstring(value)));
      EXPECT_EQ(Load(std::wstring(L"[S]\nA = 1\n") + key + L" = " + value + L"\nB = 2\n"), kInvalidData);
      EXPECT_EQ(m_data.ErrorLine(), 3u);
    }
  }
}

}  // namespace
