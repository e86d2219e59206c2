// The loader's header pass: refusal of later formats, the library version a
// file requires, the file's identity against the registered publisher, the
// publisher fields a wallet keeps, publisher moves, and the header reader.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "loader_fixture.h"
#include "core/string_util.h"
#include "publisher/builtin_publishers.h"
#include "publisher/loader.h"
#include "publisher/schema.h"

namespace wendrix {
namespace {

using test::FakeEnvironment;
using test::kInvalidArg;
using test::kInvalidData;
using test::kMissingId;

constexpr HRESULT kLaterFormat = static_cast<HRESULT>(0x8004020B);
constexpr HRESULT kNewerLibrary = static_cast<HRESULT>(0x800400EA);
constexpr HRESULT kMissingName = static_cast<HRESULT>(0x800400C3);
constexpr HRESULT kMissingHomePage = static_cast<HRESULT>(0x800400C4);
constexpr HRESULT kMissingApplication = static_cast<HRESULT>(0x800400BE);
constexpr HRESULT kMissingDataSource = static_cast<HRESULT>(0x800400C6);

constexpr wchar_t kRegisteredId[] = L"1.3.6.1.4.1.99999.Acme";
constexpr wchar_t kKestmoorId[] = L"1.3.6.1.4.1.61717.2";
constexpr wchar_t kDirectoryId[] = L"1.3.6.1.4.1.61717.3";  // its identity is not checked
constexpr wchar_t kPellisterId[] = L"1.3.6.1.4.1.61717.4";  // its Redirect sections are not followed

// A body that proves the main pass ran.
constexpr wchar_t kBody[] = L"[Text]\nID=T\nText=en,Tool\n[Item]\nID=I\nTitle=T\n";

std::wstring PublisherSection(std::wstring_view id, std::wstring_view name = L"\"Acme Tools\"",
                              std::wstring_view homePage = L"http://www.acme.example/",
                              std::wstring_view application = L"\"Kestmoor(R) Wendrix(TM)\"") {
  std::wstring s = L"[Publisher]\n";
  if (!id.empty()) s.append(L"ID=").append(id).append(L"\n");
  if (!name.empty()) s.append(L"Name=").append(name).append(L"\n");
  if (!homePage.empty()) s.append(L"HomePage=").append(homePage).append(L"\n");
  if (!application.empty()) s.append(L"Application=").append(application).append(L"\n");
  return s;
}

class HeaderTest : public test::LoaderFixture {
 protected:
  HeaderTest() : LoaderFixture(kRegisteredId) {}

  void Register(std::wstring_view id) { test::RegisterAcme(data, id); }
  HRESULT Load(std::wstring t, std::uint32_t options = 0, WalletFields* wallet = nullptr) {
    return LoadText(std::move(t), options, wallet);
  }
  // Loaded, main pass included.
  testing::AssertionResult Accepted(HRESULT hr) const {
    if (hr == S_OK && data.items.empty()) return testing::AssertionFailure() << "nothing loaded";
    return Loaded(hr);
  }
};

TEST_F(HeaderTest, RequiredLibraryVersion) {
  const struct {
    const wchar_t* required;
    bool self;
    HRESULT code;
    bool recorded;
  } kCases[] = {
      {L"3.8.10.1", false, kNewerLibrary, true}, {L"4", false, kNewerLibrary, true}, {L"3.8.10.0", false, S_OK, false},
      {L"3.8.9.99", false, S_OK, false},         {L"", false, S_OK, false}, {L"3.9", true, S_OK, true},  // newer, for the self publisher
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.required)));
    publishers.requiredVersions.clear();
    data.publisher.flags = c.self ? kPublisherSelf : 0;
    // The error has no line, even when the section follows the others.
    const HRESULT hr = Load(PublisherSection(kRegisteredId) + kBody + L"[Wendrix]\nRequiredVersion=" + c.required);
    EXPECT_TRUE(c.code == S_OK ? Accepted(hr) : FailedAt(hr, c.code, L""));
    EXPECT_EQ(publishers.requiredVersions, c.recorded ? std::vector<std::wstring>{c.required} : std::vector<std::wstring>{});
  }
  // Without a publisher list the file is still refused.
  data.publisher.flags = 0;
  text = PublisherSection(kRegisteredId) + L"[Wendrix]\nRequiredVersion=3.9\n";
  EXPECT_EQ(LoadPublisherData(text.c_str(), &data, nullptr, nullptr, &line, 0, env), kNewerLibrary);
}

// Every header field against the registration; `needle` null: accepted,
// empty: failed without a line.
TEST_F(HeaderTest, HeaderFieldsAgreeWithTheRegistration) {
  const std::wstring_view acme = L"Acme Tools", home = L"acme.example/";
  const struct {
    std::wstring header;
    HRESULT code;
    const wchar_t* needle;
  } kCases[] = {
      {PublisherSection(L"1.3.6.1.4.1.99999.acme"), kInvalidArg, L"ID="},
      {PublisherSection(L"1.3.6.1.4.1.99999.Acme2"), kInvalidArg, L"ID="},
      {PublisherSection(kRegisteredId, L"ACME tools"), S_OK, nullptr},
      {PublisherSection(kRegisteredId, L"Acme Tool"), kInvalidArg, L"Name="},
      {PublisherSection(kRegisteredId, acme, home), S_OK, nullptr},
      {PublisherSection(kRegisteredId, acme, L"HTTP://WWW.ACME.EXAMPLE/"), S_OK, nullptr},
      {PublisherSection(kRegisteredId, acme, L"www.Acme.example/"), S_OK, nullptr},
      {PublisherSection(kRegisteredId, acme, L"http://acme.example/"), S_OK, nullptr},
      {PublisherSection(kRegisteredId, acme, L"https://www.acme.example/"), kInvalidArg, L"HomePage="},
      {PublisherSection(kRegisteredId, acme, L"http://www.acme.example"), kInvalidArg, L"HomePage="},
      {PublisherSection(kRegisteredId) + L"[Publisher]\nID=1.3.6.1.4.1.99999.Other\n", kInvalidArg,
       L"ID=1.3.6.1.4.1.99999.Other"},
      // The product's name, in its spellings.
      {PublisherSection(kRegisteredId, acme, home, L"\"Kestmoor\u00AE Wendrix\u2122\""), S_OK, nullptr},
      {PublisherSection(kRegisteredId, acme, home, L"\"Kestmoor(R) Pellister(TM)\""), S_OK, nullptr},
      {PublisherSection(kRegisteredId, acme, home, L"\"Kestmoor\u00AE Pellister\u2122\""), S_OK, nullptr},
      {PublisherSection(kRegisteredId, acme, home, L"Kestmoor R Wendrix TM"), S_OK, nullptr},
      {PublisherSection(kRegisteredId, acme, home, L"KESTMOOR(r) wendrix(tm)"), S_OK, nullptr},
      {PublisherSection(kRegisteredId, acme, home, L"\"Kestmoor Wendrix\""), kInvalidArg, L"Application="},
      {PublisherSection(kRegisteredId, acme, home, L"\"Kestmoor(R) Wendrix(TM) 3\""), kInvalidArg, L"Application="},
      {PublisherSection(kRegisteredId, acme, home, L"\"Kestmoor\u00AE Wendrix(TM)\""), kInvalidArg, L"Application="},
      {PublisherSection(kRegisteredId, acme, home, L"\"\""), kInvalidArg, L"Application="},
      // Required fields, in this order, without a line.
      {L"", kMissingId, L""}, {L"[Publisher]\n", kMissingId, L""},
      {PublisherSection(kRegisteredId, L"", L"", L""), kMissingName, L""},
      {PublisherSection(kRegisteredId, acme, L"", L""), kMissingHomePage, L""},
      {PublisherSection(kRegisteredId, acme, home, L""), kMissingApplication, L""},
      {L"[Wendrix]\nName=Acme Tools\n" + PublisherSection(kRegisteredId, L"", L"", L""), kMissingName, L""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::PrintToString(c.header));
    const HRESULT hr = Load(c.header + kBody);
    EXPECT_TRUE(c.needle ? FailedAt(hr, c.code, c.needle) : Accepted(hr));
  }
  // A registered publisher without the field accepts no value for it.
  for (std::wstring PublisherFields::*field : {&PublisherFields::id, &PublisherFields::name,
                                               &PublisherFields::homePage}) {
    Register(kRegisteredId);
    data.publisher.*field = L"";
    const std::wstring key = field == &PublisherFields::id     ? L"ID="
                             : field == &PublisherFields::name ? L"Name="
                                                               : L"HomePage=";
    SCOPED_TRACE(testing::Message() << key);
    EXPECT_TRUE(FailedAt(Load(PublisherSection(kRegisteredId) + kBody), kInvalidArg, key));
  }
}

TEST_F(HeaderTest, BuiltinAliasesMapToTheirIdentifiers) {
  Register(kKestmoorId);
  for (const wchar_t* id : {L"Kestmoor", L"KESTMOOR", kKestmoorId}) {
    SCOPED_TRACE(testing::Message() << id);
    EXPECT_TRUE(Accepted(Load(PublisherSection(id) + kBody)));
    EXPECT_EQ(data.publisher.id, kKestmoorId);
  }
  // The alias itself is no registered identifier.
  Register(L"Kestmoor");
  EXPECT_TRUE(FailedAt(Load(PublisherSection(L"Kestmoor") + kBody), kInvalidArg, L"ID="));
}

TEST_F(HeaderTest, IdentityExemptPublisherIsNotCheckedOthersKeepTheirFields) {
  Register(kDirectoryId);
  for (const std::wstring& header :
       {PublisherSection(L"1.3.6.1.4.1.99999.Mirror", L"Mirror", L"http://mirror.example/", L""), std::wstring()}) {
    EXPECT_TRUE(Accepted(Load(header + kBody)));
    EXPECT_EQ(data.publisher.id, kDirectoryId);
    EXPECT_EQ(data.publisher.name, L"Acme Tools");
    EXPECT_EQ(data.publisher.homePage, L"http://www.acme.example/");
  }
  // Outside wallet mode the registered fields stay.
  Register(kRegisteredId);
  ASSERT_TRUE(Accepted(Load(PublisherSection(kRegisteredId) +
                            L"DataSource=http://elsewhere.example/a.wx-cnf\nApplicationName=en\nVersion=9\n"
                            L"ControlPanel=1\n" +
                            kBody)));
  EXPECT_EQ(data.publisher.dataSource, L"http://www.acme.example/acme.wx-cnf");
  EXPECT_TRUE(data.publisher.applicationNames.empty());
  EXPECT_EQ(data.publisher.version, L"");
  EXPECT_EQ(data.publisher.flags, 0u);
}

TEST_F(HeaderTest, WalletModeStoresThePublisher) {
  data.publisher = PublisherFields{};
  data.publisher.flags = kPublisherMenuFeedback | kPublisherDialogHistory | 0x2;
  WalletFields wallet;
  ASSERT_TRUE(Accepted(Load(L"[Publisher]\nID=1.3.6.1.4.1.55555.1\nName=\"Other Publisher\"\n"
                            L"HomePage=http://other.example/\nDataSource=http://other.example/o.wx-cnf\n"
                            L"Application=\"Kestmoor(R) Wendrix(TM)\"\nApplicationName=en,\"Other App\"\n"
                            L"ApplicationName=it,\"Altra App\"\nApplicationIcon=http://other.example/icon.ico\n"
                            L"Version=2.1\nControlPanel=1\nApplicationMenuHomePage=yes\nApplicationMenuFeedback=0\n"
                            L"ApplicationDialogAllItems=true\nApplicationDialogWallet=1\n"
                            L"ApplicationDialogHistory=no\n" +
                                std::wstring(kBody),
                            0, &wallet)));
  EXPECT_EQ(data.publisher,
            (PublisherFields{L"1.3.6.1.4.1.55555.1", L"Other Publisher", L"http://other.example/",
                             L"http://other.example/o.wx-cnf", {{L"en", L"Other App"}, {L"it", L"Altra App"}},
                             L"http://other.example/icon.ico", L"2.1",
                             kPublisherControlPanel | kPublisherMenuHomePage | kPublisherDialogAllItems |
                                 kPublisherDialogWallet | 0x2}));

  // A built-in publisher's data source always comes from the table.
  ASSERT_TRUE(Accepted(Load(L"[Publisher]\nID=kestmoor\nName=Kestmoor\nHomePage=http://kestmoor.example/\n"
                            L"DataSource=http://evil.example/k.wx-cnf\nApplication=\"Kestmoor R Wendrix TM\"\n" +
                                std::wstring(kBody),
                            0, &wallet)));
  EXPECT_EQ(data.publisher.id, kKestmoorId);
  EXPECT_EQ(data.publisher.dataSource, FindBuiltinPublisher(kKestmoorId)->dataSource);

  EXPECT_TRUE(FailedAt(Load(PublisherSection(L"X") + L"ApplicationName=en\n" + kBody, 0, &wallet), kInvalidArg,
                       L"ApplicationName="));
}

TEST_F(HeaderTest, PublisherIdMustBeAPlainName) {
  // The ID becomes file names: anything but a plain dotted name is refused at
  // its line, whether the wallet keeps it or it is compared with the
  // registered one (which then never gets the chance to match).
  for (const wchar_t* id : {L"1.2.nul", L"\"..\\..\\x\""}) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(id)));
    Register(id);
    EXPECT_TRUE(FailedAt(Load(PublisherSection(id) + kBody), kInvalidArg, L"ID="));
    WalletFields wallet;
    data.publisher = PublisherFields{};
    EXPECT_TRUE(FailedAt(Load(PublisherSection(id) + kBody, 0, &wallet), kInvalidArg, L"ID="));
    EXPECT_TRUE(data.publisher.id.empty());
  }

  // The reader a registration goes by refuses it at the same line; an
  // absent ID is left to the caller's check of required fields.
  PublisherFileHeader header;
  std::uint32_t headerLine = 0;
  EXPECT_EQ(ReadPublisherFileHeader(L"[Wendrix]\nRequiredVersion=3.6\n[Publisher]\nName=N\nID=LPT1.x\n", header,
                                    headerLine),
            kInvalidArg);
  EXPECT_EQ(headerLine, 5u);
  header = PublisherFileHeader{};
  EXPECT_EQ(ReadPublisherFileHeader(L"[Publisher]\nName=N\n", header, headerLine), S_OK);
  EXPECT_TRUE(header.publisher.id.empty());
  EXPECT_EQ(ReadPublisherFileHeader(L"[Publisher]\nID=kestmoor\n", header, headerLine), S_OK);
  EXPECT_EQ(header.publisher.id, kKestmoorId) << "an alias is judged by the ID it stands for";
}

TEST_F(HeaderTest, RedirectMovesThePublisherUnlessExempt) {
  const std::wstring header = PublisherSection(kRegisteredId);
  // The same values, spelled differently, are no move.
  EXPECT_TRUE(Accepted(Load(header + L"[Redirect]\nName=\"Acme Tools\"\nHomePage=acme.example/\n"
                                     L"DataSource=HTTP://acme.example/acme.wx-cnf\n" + kBody)));
  // Nor is a section that names only the current data source.
  EXPECT_TRUE(Accepted(Load(header + L"[Redirect]\nDataSource=http://www.acme.example/acme.wx-cnf\n" + kBody)));

  EXPECT_TRUE(FailedAt(Load(header + kBody + L"[Redirect37]\nDataSource=http://new.example/acme.wx-cnf\n"), S_FALSE,
                       L""));
  EXPECT_EQ(data.publisher.dataSource, L"http://new.example/acme.wx-cnf");
  EXPECT_EQ(data.publisher.name, L"Acme Tools");
  EXPECT_EQ(data.publisher.homePage, L"http://www.acme.example/");

  Register(kRegisteredId);
  EXPECT_TRUE(FailedAt(Load(header + L"[Redirect36]\nName=\"ACME Tools\"\nHomePage=http://acme.example/new/\n"
                                     L"DataSource=http://www.acme.example/acme.wx-cnf\n"),
                       S_FALSE, L""));
  EXPECT_EQ(data.publisher.name, L"ACME Tools");  // names compare exactly
  EXPECT_EQ(data.publisher.homePage, L"http://acme.example/new/");

  // A move needs a data source.
  Register(kRegisteredId);
  EXPECT_TRUE(FailedAt(Load(header + L"[Redirect]\nName=Other\n[Redirect] ; here\nName=Acme\n" + kBody),
                       kMissingDataSource, L"; here"));
  EXPECT_EQ(data.publisher.name, L"Acme Tools");

  // The file must be complete before it can move anybody.
  EXPECT_TRUE(FailedAt(Load(PublisherSection(kRegisteredId, L"Acme Tools", L"acme.example/", L"") +
                            L"[Redirect]\nDataSource=http://new.example/a.wx-cnf\n"),
                       kMissingApplication, L""));
  EXPECT_EQ(data.publisher.dataSource, L"http://www.acme.example/acme.wx-cnf");

  // Redirects that are not followed.
  Register(kRegisteredId);
  const std::wstring move = L"[Redirect]\nDataSource=http://new.example/a.wx-cnf\nRequiredVersion=3.8.10.1\n";
  // With option 1 a move meant for newer libraries is ignored.
  EXPECT_TRUE(Accepted(Load(PublisherSection(kRegisteredId) + move + kBody, kLoadHonourRedirectVersion)));
  Register(kRegisteredId);
  EXPECT_TRUE(FailedAt(Load(PublisherSection(kRegisteredId) + move + kBody), S_FALSE, L""));
  Register(kRegisteredId);
  EXPECT_TRUE(FailedAt(Load(PublisherSection(kRegisteredId) + L"[Redirect]\nDataSource=http://new.example/a.wx-cnf\n"
                                                              L"RequiredVersion=3.8.10.0\n" + kBody,
                            kLoadHonourRedirectVersion),
                       S_FALSE, L""));

  // The self publisher and the redirect-exempt publisher never move.
  Register(kRegisteredId);
  data.publisher.flags = kPublisherSelf;
  EXPECT_TRUE(Accepted(Load(PublisherSection(kRegisteredId) + move + kBody)));
  Register(kPellisterId);
  data.publisher.flags = 0;
  EXPECT_TRUE(Accepted(Load(PublisherSection(L"Pellister") + move + kBody)));
  EXPECT_EQ(data.publisher.dataSource, L"http://www.acme.example/acme.wx-cnf");
}

// The header pass reads the text with its own schema, in which every key it
// does not know is one text item. Where that reading differs from the full
// schema's (a quoted list item over several lines, an escape in a raw value,
// a number only the full schema checks), the header pass still goes by its
// own reading.
TEST_F(HeaderTest, TheHeaderPassGoesByItsOwnReading) {
  const std::wstring header = PublisherSection(kRegisteredId), other = PublisherSection(L"Other");
  const std::wstring good = header + kBody, action = L"[Action]\nID=A\nType=Open\nSubtype=HomePage\n";
  const struct {
    std::wstring text;
    HRESULT code;
    const wchar_t* needle;  // null: accepted
  } kCases[] = {
      // XML is a later format; only the very first characters count.
      {L"<?xml version=\"1.0\"?>\n<publisher/>\n", kLaterFormat, L""},
      {L"\n<?xml version=\"1.0\"?>\n", kInvalidData, L"<?xml"},
      // A quoted list item over several lines: the header pass reads its lines.
      {good + L"Flags=Hidden, \"\n[Publisher]\nID=Other\nNote=x\"\n", kInvalidArg, L"ID=Other"},
      {good + L"Flags=Hidden, \"\n[Publisher]\nID=Other\n\" ; end\n", kInvalidData, L"\" ; end"},
      {good + L"Flags=Hidden, \"\nNo equals sign\n\"\n[Text]\nID=U\n", kInvalidData, L"No equals"},
      {good + L"Flags=Hidden\n[Publisher]\nID=Other\n", kInvalidArg, L"ID=Other"},
      // Raw values where the header pass decodes an escape: a quote that does
      // not end the item, a line feed (or only a carriage return) after a
      // backslash, a comma that does not end the item.
      {good + action + L"URL=\"http://x/a\\\"\n[Publisher]\nID=Other\nNote=\"\n", S_OK, nullptr},
      {good + action + L"URL=http://x/\\\n[Publisher]\nID=Other\n", S_OK, nullptr},
      {good + action + L"URL=http://x/\\\r\n[Publisher]\r\nID=Other\r\n", kInvalidArg, L"ID=Other"},
      {good + L"[Path]\nID=P\nPath=a\\, \"\n[Publisher]\nID=Other\nN=\"\n", kInvalidArg, L"ID=Other"},
      {good + L"[Path]\nID=P\nPath=, a\\, \"\n[Publisher]\nID=Other\nN=\"\n", kInvalidArg, L"ID=Other"},
      {good + L"[InstalledVersion]\nID=V\nApplication=HKEY_LOCAL_MACHINE\\Software\\Acme\\x41\\101\\\\Tool\\\"q\\ "
              L"Version , \"\", \"a\\\"b\"\n", S_OK, nullptr},
      // A number only the full schema reads fails once the header is found good.
      {header + L"[Wendrix]\nLoopCount=many\n" + kBody, kInvalidData, L"LoopCount="},
      {L"[Wendrix]\nLoopCount=many\n" + other + kBody, kInvalidArg, L"ID=Other"},
      {L"[DisplayVersionStyle]\nSize=\"1\n2\"\n" + other + kBody, kInvalidArg, L"ID=Other"},
      {header + L"[DisplayVersionStyle]\nSize=\"1\n2\"\n" + kBody, kInvalidData, L"2\""},
      // A number both read, or a line without "=", fails before the header's checks.
      {other + L"ControlPanel=maybe\n" + kBody, kInvalidData, L"ControlPanel="},
      {other + kBody + L"[Publisher]\nControlPanel=\"0\n1\"\n", kInvalidData, L"1\""},
      {other + kBody + L"[Item]\nBroken line\n", kInvalidData, L"Broken line"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::PrintToString(c.text));
    const HRESULT hr = Load(c.text);
    EXPECT_TRUE(c.needle ? FailedAt(hr, c.code, c.needle) : Accepted(hr));
  }
}

// The header pass works on the full schema's reading of a file wherever the
// header schema would read it alike: both schemas name the header's
// sections alike, and read the keys the header pass looks at as the same
// kinds (otherwise every file would be read twice).
TEST(PublisherSchemaTest, TheHeaderSchemaAgreesWithTheFullSchema) {
  const IniSchema full = PublisherSchema(), header = PublisherHeaderSchema();
  std::vector<const wchar_t*> sections;
  for (const IniSchemaRow& row : header) {
    if (row.key) continue;
    sections.push_back(row.section);
    EXPECT_EQ(SectionId(row.section, full), row.id) << testing::PrintToString(std::wstring(row.section));
  }
  for (const IniSchemaRow& row : header) {
    if (!row.key) continue;
    for (const wchar_t* section : sections) {
      if (row.section != kIniAny && !CStringUtil::EqualsNoCase(row.section, section)) continue;
      SCOPED_TRACE(testing::PrintToString(std::wstring(section) + L"/" + row.key));
      EXPECT_EQ(KeyId(section, row.key, header), row.id);
      EXPECT_EQ(IniReadKind(FindSchemaRow(section, row.key, full)), IniReadKind(&row));
    }
  }
}

TEST(ReadPublisherHeaderTextTest, LastLineOfEachFieldWins) {
  PublisherHeader header;
  header.dataSource = L"kept";
  ASSERT_EQ(ReadPublisherHeaderText(L"[Item]\nName=Item name\nID=Item\n"
                                    L"[Publisher]\nID=First\nName=\"Acme, Inc.\"\nID=Second\n"
                                    L"[Redirect]\nDataSource=http://moved.example/\nHomePage=http://moved.example/\n"
                                    L"[publisher]\nHomePage=http://acme.example/\n",
                                    header),
            S_OK);
  EXPECT_EQ(header.id, L"Second");
  EXPECT_EQ(header.name, L"Acme, Inc.");
  EXPECT_EQ(header.homePage, L"http://acme.example/");
  EXPECT_EQ(header.dataSource, L"kept");

  EXPECT_EQ(ReadPublisherHeaderText(L"<?xml version=\"1.0\"?>", header), kLaterFormat);
  EXPECT_EQ(ReadPublisherHeaderText(L"[Publisher]\nID\n", header), kInvalidData);
}

// A syntax error is told with its line whichever reading meets it first: the
// header's own reading (as a validator does before the full load) or the
// full load. A validator points the publisher at the line.
TEST(ReadPublisherHeaderTextTest, SyntaxErrorsGiveTheirLine) {
  const std::wstring publisher = PublisherSection(kRegisteredId);  // lines 1-5
  const struct {
    std::wstring text;
    std::uint32_t line;
  } cases[] = {
      {L"[Publisher]\nID\n", 2}, {publisher + L"[Main Section]\n" + kBody, 6},
      {publisher + kBody + L"[DisplayVersionStyle]\nSize = 12abc\n", 13},
      {L" <?xml version=\"1.0\"?>\n" + publisher + kBody, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.text));
    PublisherHeader header;
    std::uint32_t line = 99;
    if (FAILED(ReadPublisherHeaderText(c.text, header, &line))) {
      EXPECT_EQ(line, c.line);
      continue;
    }
    EXPECT_EQ(line, 0u);
    PublisherData data;
    test::RegisterAcme(data, kRegisteredId);
    std::uint32_t loadLine = 0;
    FakeEnvironment env;
    EXPECT_TRUE(FAILED(LoadPublisherData(c.text.c_str(), &data, nullptr, nullptr, &loadLine, 0, env)));
    EXPECT_EQ(loadLine, c.line);
  }
}

}  // namespace
}  // namespace wendrix
