// The platform-free parts of settings and transfers: the credential block,
// the next-check rule, Base64, the address texts and message templates.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/date.h"
#include "core/insert_template.h"
#include "core/text_encoding.h"
#include "update/base64.h"
#include "update/credential_block.h"
#include "update/next_check.h"
#include "update/url_text.h"

namespace wendrix {
namespace {

std::vector<std::uint8_t> Unscrambled(std::vector<std::uint8_t> bytes) {
  UnscrambleBytes(bytes);
  return bytes;
}

// Content, then padding up to whole blocks of 32 units: the low byte of the
// noise, rotated right one bit per unit; the whole scrambled, each byte
// chained into the next.
TEST(CredentialBlock, LayoutPaddingAndScrambling) {
  const std::vector<std::uint8_t> block = BuildCredentialBlock({}, 0x12345678);
  ASSERT_EQ(block.size(), 64u) << "6 units of content, 26 of padding";
  const std::vector<std::uint8_t> plain = Unscrambled(block);
  EXPECT_EQ(std::vector<std::uint8_t>(plain.begin(), plain.begin() + 12),
            (std::vector<std::uint8_t>{5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  std::uint32_t noise = 0x12345678;
  for (int unit = 6; unit < 32; ++unit, noise = (noise >> 1) | (noise << 31)) {
    EXPECT_EQ(plain[unit * 2], noise & 0xFF) << unit;
    EXPECT_EQ(plain[unit * 2 + 1], 0) << unit;
  }

  std::vector<std::uint8_t> a(10, 0), b(10, 0);
  b[3] = 1;
  ScrambleBytes(a);
  ScrambleBytes(b);
  EXPECT_EQ(std::vector<std::uint8_t>(a.begin(), a.begin() + 3), std::vector<std::uint8_t>(b.begin(), b.begin() + 3));
  for (int i = 3; i < 10; ++i) EXPECT_NE(a[i], b[i]) << "a change carries on to byte " << i;
  EXPECT_EQ(Unscrambled(b)[3], 1);
}

TEST(CredentialBlock, RoundTripsAndReadsDamagedAndOlderBlocks) {
  const Credentials cases[] = {
      {L"dial", L"secret", L"DOMAIN", L"proxy", L"p\u00E4ss"},
      {std::wstring(26, L'x'), L"", L"", L"", L""},  // 26 + 6 units: exactly 32, so a whole block of padding
      {std::wstring(300, L'y'), L"\u20AC", L"", L"", L"z"},
  };
  for (const Credentials& c : cases) {
    const std::vector<std::uint8_t> block = BuildCredentialBlock(c, 0xA5A5A5A5u);
    const std::size_t content = 6 + c.dialUser.size() + c.dialPassword.size() + c.dialDomain.size() +
                                c.proxyUser.size() + c.proxyPassword.size();
    EXPECT_EQ(block.size() / 2, (content / 32 + 1) * 32) << "at least one unit of padding, at most a block";
    EXPECT_EQ(ReadCredentialBlock(block), c);
  }

  // Count, "user", its zero and half of "password", scrambled as a block of its own.
  std::vector<std::uint8_t> cut = Unscrambled(BuildCredentialBlock({L"user", L"password", L"", L"", L""}, 7));
  cut.resize(13);
  ScrambleBytes(cut);
  EXPECT_EQ(ReadCredentialBlock(cut), (Credentials{L"user", L"", L"", L"", L""})) << "an unterminated text is not taken";
  EXPECT_EQ(ReadCredentialBlock({}), Credentials{});

  std::vector<std::uint8_t> older = {1};
  for (const char* text : {"dial", "pw", "dom", "caf\xE9", "pp"}) {
    for (const char* p = text; *p; ++p) older.push_back(static_cast<std::uint8_t>(*p));
    older.push_back(0);
  }
  ScrambleBytes(older);
  EXPECT_EQ(ReadOlderCredentialBlock(older, Latin1CodePage()), (Credentials{L"dial", L"pw", L"dom", L"caf\u00E9", L"pp"}));
}

TEST(NextCheck, PeriodsAndBaseTimes) {
  const std::uint64_t day = 864000000000ull;
  const std::uint64_t now = FileTimeFromParts(2026, 12, 6, 12, 0, 0);
  const struct {
    std::uint32_t period;
    std::uint64_t lastCheck, lastSkip;
    NextCheck result;
    std::uint64_t next;
  } cases[] = {
      {kPeriodManual, now - 30 * day, 0, kNoAutomaticCheck, 0},
      {kPeriodDaily, 0, 0, kCheckLater, now + day},
      {kPeriodWeekly, now - 8 * day, now - 2 * day, kCheckLater, now + 5 * day},
      {kPeriodWeekly, now - 2 * day, now - 8 * day, kCheckLater, now + 5 * day},
      {kPeriodWeekly, now - 8 * day, 0, kCheckDue, now - day},
      {kPeriodWeekly, 0, now - 7 * day, kCheckDue, now},
      {kPeriodMonthly, now - 29 * day, now - 29 * day, kCheckLater, now + day},
      {kPeriodMonthly, now - 31 * day, 0, kCheckDue, now - day},
      {9, now, now, kNoAutomaticCheck, 0},
  };
  for (const auto& c : cases) {
    std::uint64_t next = 0;
    EXPECT_EQ(ComputeNextCheck(c.period, c.lastCheck, c.lastSkip, now, &next), c.result) << c.period;
    EXPECT_EQ(next, c.next) << c.period;
  }
  EXPECT_EQ(ComputeNextCheck(kPeriodDaily, 0, 0, now, nullptr), kNoAutomaticCheck);
}

TEST(TransferText, Base64AndStatuses) {
  const std::pair<std::string, std::string> texts[] = {
      {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"user:p\xC3\xA4ss", "dXNlcjpww6Rzcw=="},
      {std::string("\xFF\xFE\x00", 3), "//4A"}};
  for (const auto& [in, out] : texts) EXPECT_EQ(Base64Encode(in), out);
  const std::pair<std::uint32_t, std::uint32_t> statuses[] = {{299, 0},     {300, 12027}, {302, 12029}, {400, 12027},
                                                               {401, 12015}, {403, 12015}, {407, 12015}, {404, 12028},
                                                               {405, 12008}, {503, 12029}, {504, 12002}};
  for (const auto& [status, error] : statuses) EXPECT_EQ(WinInetErrorForStatus(status), error) << status;
}

TEST(TransferText, FileAddressesAndHostNames) {
  EXPECT_TRUE(IsFileUrl(L"FILE://C:/x"));
  EXPECT_FALSE(IsFileUrl(L"http://file:"));
  EXPECT_EQ(FileUrlPath(L"file://C:/data/x.wx-cnf"), L"C:/data/x.wx-cnf");
  EXPECT_EQ(FileUrlPath(L"file:C:\\data\\x.wx-cnf"), L"C:\\data\\x.wx-cnf");
  const std::pair<const wchar_t*, const wchar_t*> hosts[] = {
      {L"http://user:pw@host.example:8080/x", L"host.example"}, {L"ftp://host", L"host"},
      {L"http://host:81\\odd/x", L"host:81\\odd"},             {L"no scheme", L""}};
  for (const auto& [url, host] : hosts) EXPECT_EQ(HostNameFromText(url), host) << testing::PrintToString(url);
}

TEST(TransferText, FetchedFilesLeadOnlyToWebAddresses) {
  constexpr const wchar_t* kWeb = L"http://a.example/p.wx-cnf";
  const struct {
    const wchar_t* source;
    const wchar_t* address;
    bool allowed;
  } cases[] = {
      {kWeb, L"HTTPS://b.example/p.wx-cnf", true},
      {L"https://a.example/p.wx-cnf", L"ftp://b.example/p.wx-cnf", true},
      {kWeb, L"file:///C:/Windows/win.ini", false},
      {kWeb, L"FILE:C:\\x.ini", false},
      {kWeb, L"\\\\host\\share\\p.wx-cnf", false},
      {kWeb, L"//host/share/p.wx-cnf", false},
      {kWeb, L"C:\\p.wx-cnf", false},
      {kWeb, L" http://b.example/", false},
      {kWeb, L"", false},
      {kWeb, L"http:", false},
      // A publisher registered with a local data file may go anywhere.
      {L"File:C:\\data\\p.wx-cnf", L"\\\\host\\share\\p.wx-cnf", true},
      {L"\\\\host\\share\\p.wx-cnf", L"file:///C:/x", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MayFetchFrom(c.source, c.address), c.allowed)
        << testing::PrintToString(std::wstring(c.source)) << " -> " << testing::PrintToString(std::wstring(c.address));
}

// Message templates from outside keep FormatMessageW inside the array of
// inserts it is given.
TEST(TransferText, InsertTemplatesReadOnlyTheInsertsGiven) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"%1!s! %2!d! %3!-10.5ls! %4!#x! %5!04X!", L"%1!s! %2!d! %3!-10.5ls! %4!#x! %5!04X!"},
      {L"%6 and %99 and %9", L" and  and "},
      {L"%99!*.*s!", L""},           // the width and precision would read inserts 100 and 101
      {L"a%1!*s!b%2!.*s!c", L"abc"},  // even inside the count
      {L"%1!I64d!%2!lld!%3!Lf!", L""},
      {L"%1!9999s!%2!.1000s!%3!999.999s!", L"%3!999.999s!"},
      {L"%1!n!%2!p!%3!!%4!s", L"s"},  // unknown, empty and unterminated formats
      {L"%123", L"3"},                 // inserts have at most two digits: %12, then "3"
      {L"%%1 %n %r %t %. %! %0end", L"%%1 %n %r %t %. %! %0end"},
      {L"100%", L"100"},
      {L"%", L""},
  };
  for (const auto& [text, checked] : cases)
    EXPECT_EQ(CheckedInsertTemplate(text, 5), checked) << testing::PrintToString(std::wstring(text));
  EXPECT_EQ(CheckedInsertTemplate(L"%1 %12 %13", 12), L"%1 %12 ");
  EXPECT_EQ(CheckedInsertTemplate(L"%1!d!", 0), L"");
}

}  // namespace
}  // namespace wendrix
