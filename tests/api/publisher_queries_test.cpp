// The version, address and open exports against a store in temporary folders.
#include "api/publisher_queries.h"

#include <string>
#include <utility>
#include <vector>

#include "api_fixture.h"

namespace wendrix::test {
namespace {

constexpr wchar_t kSelfId[] = L"1.3.6.1.4.1.61717.1";

// The self publisher's data: a Self item offering 3.9 (the library is
// 3.8.10.0), quieted from the given version; optionally a file that needs a
// newer library.
std::wstring SelfData(const std::wstring& quietFrom, bool needsNewerLibrary = false) {
  std::wstring text = needsNewerLibrary ? L"[Wendrix]\r\nRequiredVersion = 9.0\r\n" : L"";
  text += L"[Publisher]\r\nID = 1.3.6.1.4.1.61717.1\r\nName = Wendrix\r\nHomePage = http://kestmoor.example/\r\n"
          L"Application = \"Kestmoor(R) Wendrix(TM)\"\r\n[Text]\r\nID = t\r\nText = en, Wendrix\r\n"
          L"[Item]\r\nID = wendrix\r\nTitle = t\r\nType = Self\r\nAction = update\r\n"
          L"[Action]\r\nID = update\r\nType = Download\r\nSubtype = Update\r\nVersion = 3.9\r\n"
          L"URL = http://kestmoor.example/wx39.exe\r\n";
  if (!quietFrom.empty()) text += L"QuietFromVersion = " + quietFrom + L"\r\n";
  return text;
}

class PublisherQueriesTest : public ApiTest {
 protected:
  std::wstring VersionOf(const wchar_t* publisher, const wchar_t* item, UINT32 flags) {
    return TextOf([&](WCHAR** out) { return Version(publisher, item, flags, out); });
  }
  std::wstring UrlOf(const wchar_t* publisher, const wchar_t* item, UINT32 flags) {
    return TextOf([&](WCHAR** out) { return Url(publisher, item, flags, out); });
  }
};

TEST_F(PublisherQueriesTest, Versions) {
  RegisterAcme();
  Register(L"4.5.6", L"Beta", L"http://beta.example/", L"", nullptr);
  const struct {
    const wchar_t* publisher;
    const wchar_t* item;
    UINT32 flags;
    const wchar_t* expected;
  } kCases[] = {
      {nullptr, nullptr, 0, L"3.8.10.0"},
      {L"unknown", L"", 0x100, L"3.8.10.0"},
      {L"1.2.3", nullptr, 16, L"3.8.10.0"},  // without an item and flag 4 it is the library's version
      {L"1.2.3", L"any", 16, L"1.5"},
      {L"ACME", nullptr, 16 | 4, L"1.5"},  // by name
      {L"4.5.6", L"any", 16, L""},
      {L"unknown", L"any", 16, L"(null)"},
      {L"1.2.3", L"editor", 0, L"1.5"},
      {L"Acme", L"EDITOR", 4, L"2.1"},
      {L"1.2.3", L"editor", 8, L"1.5.0.0"},
      {L"1.2.3", L"viewer", 0, L"(null)"},
      {L"1.2.3", L"missing", 0, L"(null)"},
      {L"unknown", L"editor", 0, L"(null)"},
      {L"4.5.6", L"editor", 0, L"(null)"},  // registered but never checked
      {nullptr, L"editor", 0, L"failed 0x80070057"},
      {L"", L"editor", 4, L"failed 0x80070057"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(VersionOf(c.publisher, c.item, c.flags), c.expected)
        << (c.publisher ? c.publisher : L"(null)") << " / " << (c.item ? c.item : L"(null)") << " / " << c.flags;
  }
  EXPECT_EQ(Version(nullptr, nullptr, 0, nullptr), E_POINTER);
}

TEST_F(PublisherQueriesTest, SelfUpdateOnOffer) {
  EXPECT_EQ(VersionOf(nullptr, nullptr, 4), L"(null)") << "no self publisher registered";
  const struct {
    const wchar_t* quietFrom;
    bool needsNewerLibrary;
    const wchar_t* expected;
  } kCases[] = {
      {L"", false, L"3.9"},
      {L"3.8", false, L"(null)"},
      {L"3.8.10", false, L"(null)"},
      {L"3.8.11", false, L"3.9"},
      {L"3.8", true, L"3.9"},  // a data file needs a newer library: the quiet version no longer holds
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::Message() << "quiet from " << c.quietFrom << (c.needsNewerLibrary ? ", required 9.0" : ""));
    Register(kSelfId, L"Wendrix", L"http://kestmoor.example/", L"3.8", SelfData(c.quietFrom, c.needsNewerLibrary).c_str());
    EXPECT_EQ(VersionOf(nullptr, nullptr, 4), c.expected);
    EXPECT_EQ(VersionOf(L"Wendrix", L"", 4), c.expected) << "through the alias";
  }
  // The Self item's own version is the library's, and a registered version is the registration's.
  EXPECT_EQ(VersionOf(L"Wendrix", L"wendrix", 0), L"3.8.10.0");
  EXPECT_EQ(VersionOf(L"wendrix", L"wendrix", 16), L"3.8");
}

TEST_F(PublisherQueriesTest, Addresses) {
  RegisterAcme();
  Register(L"4.5.6", L"Beta", L"http://beta.example/", L"", nullptr);
  const struct {
    const wchar_t* publisher;
    const wchar_t* item;
    UINT32 flags;
    const wchar_t* expected;
  } kCases[] = {
      {L"1.2.3", nullptr, 3, L"http://acme.example/"},
      {L"acme", L"editor", 0x80 | 3, L"http://acme.example/"},
      {L"4.5.6", nullptr, 3, L"http://beta.example/"},
      {L"1.2.3", L"editor", 1, L"http://acme.example/editor/"},
      {L"1.2.3", L"editor", 2, L"(null)"},
      {L"1.2.3", L"editor", 6, L"MailTo:help@acme.example"},
      {L"1.2.3", L"editor", 9, L"http://acme.example/e.exe"},
      {L"1.2.3", L"editor", 10, L"https://shop.acme.example/editor"},
      {L"1.2.3", L"viewer", 10, L"(null)"},
      {L"1.2.3", L"editor", 12, L"failed 0x80070057"},
      {L"1.2.3", L"missing", 12, L"(null)"},
      {L"1.2.3", nullptr, 1, L"(null)"},
      {L"4.5.6", L"editor", 1, L"(null)"},
      {L"unknown", nullptr, 3, L"(null)"},
      {L"Kestmoor", nullptr, 3, L"(null)"},  // a built-in alias, not registered here
      {L"1.2.3", L"editor", 0, L"failed 0x80070057"},
      {nullptr, L"editor", 1, L"failed 0x80070057"},
      {L"", nullptr, 3, L"failed 0x80070057"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(UrlOf(c.publisher, c.item, c.flags), c.expected)
        << (c.publisher ? c.publisher : L"(null)") << " / " << (c.item ? c.item : L"(null)") << " / " << c.flags;
  }
  EXPECT_EQ(Url(L"1.2.3", nullptr, 3, nullptr), E_POINTER);
  EXPECT_EQ(Url(L"1.2.3", nullptr, 0, nullptr), E_INVALIDARG) << "flags are checked first";
}

TEST_F(PublisherQueriesTest, DamagedStoredDataIsReturned) {
  Register(kAcmeId, L"Acme", L"http://acme.example/", L"1.5", L"[Publisher\r\nID = 1.2.3\r\n");
  const std::wstring url = UrlOf(L"1.2.3", L"editor", 1);
  EXPECT_EQ(url.rfind(L"failed 0x8007", 0), 0u) << url;
  EXPECT_EQ(VersionOf(L"1.2.3", L"editor", 0), url);
  EXPECT_EQ(VersionOf(L"1.2.3", L"editor", 16), L"1.5") << "the registration alone needs no data";
}

TEST_F(PublisherQueriesTest, OpenRoutesMailAndEverythingElse) {
  RegisterAcme();
  std::vector<std::pair<OpenRoute, std::wstring>> opened;
  HRESULT answer = S_OK;
  const AddressOpener opener = [&](OpenRoute route, const std::wstring& address) {
    opened.emplace_back(route, address);
    return answer;
  };
  EXPECT_EQ(OpenAddress(L"Acme", L"editor", 6, opener), S_OK);
  EXPECT_EQ(OpenAddress(L"1.2.3", L"editor", 10, opener), S_OK);
  EXPECT_EQ(OpenAddress(L"1.2.3", nullptr, 3, opener), S_OK);
  EXPECT_EQ(OpenAddress(L"1.2.3", L"editor", 2, opener), S_OK) << "nothing to open";
  EXPECT_EQ(OpenAddress(L"1.2.3", L"editor", 0, opener), E_INVALIDARG);
  EXPECT_EQ(OpenAddress(L"1.2.3", L"editor", 12, opener), E_INVALIDARG);
  answer = HResultFromWin32(ERROR_NO_ASSOCIATION);
  EXPECT_EQ(OpenAddress(L"1.2.3", L"editor", 1, opener), answer);
  const std::vector<std::pair<OpenRoute, std::wstring>> expected = {
      {OpenRoute::kMail, L"MailTo:help@acme.example"},
      {OpenRoute::kShell, L"https://shop.acme.example/editor"},
      {OpenRoute::kShell, L"http://acme.example/"},
      {OpenRoute::kShell, L"http://acme.example/editor/"},
  };
  EXPECT_EQ(opened, expected);

  // The exports refuse flags 0 before anything is looked up or opened; an
  // item without the page opens nothing and succeeds.
  EXPECT_EQ(Open(L"1.2.3", L"editor", 0), E_INVALIDARG);
  EXPECT_EQ(Buy(L"1.2.3", L"editor", 0), E_INVALIDARG);
  EXPECT_EQ(Open(L"1.2.3", L"editor", 2), S_OK);
  EXPECT_EQ(Buy(L"1.2.3", L"viewer", 0x1F), S_OK);
  EXPECT_EQ(Buy(nullptr, L"viewer", 1), E_INVALIDARG);
}

TEST_F(PublisherQueriesTest, ShellOpenReportsTheShellsError) {
  const HRESULT hr = ShellOpen(OpenRoute::kShell, m_temp.File(L"missing\\nothing.wxtest"));
  EXPECT_TRUE(FAILED(hr)) << std::hex << hr;
}

}  // namespace
}  // namespace wendrix::test
