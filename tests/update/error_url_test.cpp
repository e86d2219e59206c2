// The error page's address and the escaping of its values.
#include "update/error_url.h"

#include <gtest/gtest.h>

#include <string>

#include "frame/product_web_site.h"

namespace wendrix {
namespace {

struct EscapeCase {
  std::wstring text;
  const wchar_t* query;
  const wchar_t* path;
};

// Both modes escape the reserved characters; the path mode writes a blank
// as "_" and escapes "_" itself.
TEST(UrlEscape, EscapesBothModes) {
  const EscapeCase cases[] = {
      {L"a b/c", L"a%20b%2Fc", L"a_b%2Fc"},
      {L"a_b", L"a_b", L"a%5Fb"},
      {L"%/\\?#[]\"`^<>{|}", L"%25%2F%5C%3F%23%5B%5D%22%60%5E%3C%3E%7B%7C%7D",
       L"%25%2F%5C%3F%23%5B%5D%22%60%5E%3C%3E%7B%7C%7D"},
      {std::wstring(L"\0\t\n\x1A\x1F", 5), L"%00%09%0A%1A%1F", L"%00%09%0A%1A%1F"},
      {L"\x7F", L"%7F", L"%7F"},
      // Characters outside the list pass, even those with a meaning in a query.
      {L"Tom&Jerry=1+2;x:y@z!$'()*,~-.", L"Tom&Jerry=1+2;x:y@z!$'()*,~-.", L"Tom&Jerry=1+2;x:y@z!$'()*,~-."},
      // Other characters go as their UTF-8 bytes.
      {L"\u0080", L"%C2%80", L"%C2%80"},
      {L"caf\u00E9", L"caf%C3%A9", L"caf%C3%A9"},
      {L"\u07FF\u0800", L"%DF%BF%E0%A0%80", L"%DF%BF%E0%A0%80"},
      {L"5 \u20AC", L"5%20%E2%82%AC", L"5_%E2%82%AC"},
      {L"\uFFFF", L"%EF%BF%BF", L"%EF%BF%BF"},
      // A surrogate pair is one character (U+1F600), as UTF-16 holds it.
      {std::wstring{wchar_t(0xD83D), wchar_t(0xDE00)}, L"%F0%9F%98%80", L"%F0%9F%98%80"},
      {std::wstring{wchar_t(0xDBFF), wchar_t(0xDFFF)}, L"%F4%8F%BF%BF", L"%F4%8F%BF%BF"},
      // Lone surrogates become U+FFFD, and the character after one survives.
      {std::wstring{wchar_t(0xD83D), L'a'}, L"%EF%BF%BDa", L"%EF%BF%BDa"},
      {std::wstring{wchar_t(0xDE00), wchar_t(0xD83D)}, L"%EF%BF%BD%EF%BF%BD", L"%EF%BF%BD%EF%BF%BD"},
  };
  for (const EscapeCase& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.text));
    EXPECT_EQ(UrlEscape(c.text, true), c.query) << "query mode";
    EXPECT_EQ(UrlEscape(c.text, false), c.path) << "path mode";
  }
}

TEST(UrlEscape, ReadsWholeCodePointsWhereWideCharactersHoldThem) {
  if constexpr (sizeof(wchar_t) == 2) {
    GTEST_SKIP() << "wide characters are UTF-16 code units here";
  } else {
    EXPECT_EQ(UrlEscape(std::wstring(1, static_cast<wchar_t>(0x1F600)), true), L"%F0%9F%98%80");
    EXPECT_EQ(UrlEscape(std::wstring(1, static_cast<wchar_t>(0x110000)), true), L"%EF%BF%BD");
  }
}

constexpr const wchar_t* kSite = L"http://site.example/w/";

// The language goes in unless it is English, with one slash between the
// parts; then the code as hexadecimal without padding, and each part that is
// given, in order.
TEST(BuildErrorUrl, NamesTheLanguageAndEachPartThatIsGiven) {
  struct Case {
    const wchar_t *site, *language, *path;
    HRESULT code;
    std::int32_t line;
    const wchar_t *file, *id, *name, *web, *url;
  };
  const Case cases[] = {
      {kSite, L"it", L"error/", E_FAIL, 0, L"", L"", L"", L"", L"http://site.example/w/it/error/?code=0x80004005"},
      {kSite, L"EN", L"error/", E_FAIL, 0, L"", L"", L"", L"", L"http://site.example/w/error/?code=0x80004005"},
      {kSite, L"", L"error/", E_FAIL, 0, L"", L"", L"", L"", L"http://site.example/w/error/?code=0x80004005"},
      {L"http://site.example/w", L"it", L"error/", E_FAIL, 0, L"", L"", L"", L"",
       L"http://site.example/w/it/error/?code=0x80004005"},
      {L"http://site.example/w", L"en", L"error", E_FAIL, 0, L"", L"", L"", L"",
       L"http://site.example/w/error/?code=0x80004005"},
      {kSite, L"de", L"", E_FAIL, 0, L"", L"", L"", L"", L"http://site.example/w/de/?code=0x80004005"},
      {kProductWebSite, L"it", L"error/", E_FAIL, 0, L"", L"", L"", L"",
       L"http://www.kestmoor.example/wendrix/it/error/?code=0x80004005"},
      {kSite, L"en", L"e", S_OK, 0, L"", L"", L"", L"", L"http://site.example/w/e/?code=0x0"},
      {kSite, L"en", L"e", 0x0000ABCD, -3, L"", L"", L"", L"", L"http://site.example/w/e/?code=0xABCD"},
      {kSite, L"en", L"e", S_FALSE, 1, L"", L"", L"", L"", L"http://site.example/w/e/?code=0x1&line=1"},
      {kSite, L"en", L"e", S_FALSE, 0, L"C:\\Data\\x.wx-cnf", L"", L"", L"",
       L"http://site.example/w/e/?code=0x1&url=C:%5CData%5Cx.wx-cnf"},
      {kSite, L"en", L"e", S_FALSE, 0, L"https://pub.example/x", L"", L"", L"",
       L"http://site.example/w/e/?code=0x1&url=https:%2F%2Fpub.example%2Fx"},
      {kSite, L"en", L"e", S_FALSE, 0, L"setup.exe", L"", L"", L"", L"http://site.example/w/e/?code=0x1&url=setup.exe"},
      {kSite, L"en", L"e", S_FALSE, 7, L"sEtUp", L"", L"Pub", L"",
       L"http://site.example/w/e/?code=0x1&line=7&setup=true&name=Pub"},
      {kSite, L"en", L"e", static_cast<HRESULT>(0x8007000D), 12, L"HTTP://pub.example/data/a b.wx-cnf", L"1.3.6.1.4.1.9",
       L"Tom & Jerry/Co \u00C9", L"http://www.pub.example/?lang=en",
       L"http://site.example/w/e/?code=0x8007000D&line=12&url=pub.example%2Fdata%2Fa%20b.wx-cnf&id=1.3.6.1.4.1.9"
       L"&name=Tom%20&%20Jerry%2FCo%20%C3%89&web=www.pub.example%2F%3Flang=en"},
  };
  for (const Case& c : cases) {
    ErrorPageFacts facts;
    facts.result = c.code;
    facts.line = c.line;
    facts.file = c.file;
    facts.publisherId = c.id;
    facts.publisherName = c.name;
    facts.publisherHomePage = c.web;
    EXPECT_EQ(BuildErrorUrl(c.site, c.language, c.path, facts), c.url) << c.site << " " << c.language;
  }
}

}  // namespace
}  // namespace wendrix
