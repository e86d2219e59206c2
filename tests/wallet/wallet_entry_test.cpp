// A wallet entry's names, states and Wallet file text: all built from
// fetched text, so hostile names and oversized files are the cases that
// matter most.
#include <gtest/gtest.h>

#include <string>

#include "../publisher/fake_environment.h"
#include "core/date.h"
#include "core/text_encoding.h"
#include "wallet/entry_naming.h"
#include "wallet/entry_state.h"
#include "wallet/wallet_file.h"

namespace wendrix {
namespace {

using test::FakeEnvironment;

// A Wallet file as another version of the library could have written it.
constexpr wchar_t kHeader[] =
    L"[Publisher]\nID=1.3.6.1.4.1.99999.7\nName=\"Acme Tools\"\nHomePage=http://www.acme.example/\n"
    L"DataSource=http://www.acme.example/acme.wx-cnf\nApplication=\"Kestmoor(R) Wendrix(TM)\"\n";
constexpr wchar_t kItem[] =
    L"[Item]\nID=Tool\nType=Software\nTitle=T\nInstalledVersion=IV\nAction=Get\n"
    L"[InstalledVersion]\nID=IV\nSystem=x\n[Text]\nID=T\nText=en,\"Acme Tool\"\n";
constexpr wchar_t kAction[] = L"[Action]\nID=Get\nType=Download\nSubtype=Update\n";
const std::wstring kSingleFile = std::wstring(kAction) + L"Flags=Install\nVersion=2.5\nURL=http://dl.example/dir/setup.exe\n";

class WalletEntryTest : public testing::Test {
 protected:
  HRESULT Read(const std::wstring& wallet, const std::wstring& action = kSingleFile) {
    return ReadWalletText(kHeader + wallet + kItem + action, L"given", entry, env, &line);
  }
  // Writes `entry`, reads the file back and writes what was read: the same text.
  void ExpectRoundTrip() {
    std::string bytes, again;
    ASSERT_EQ(WriteWalletFile(entry, bytes), S_OK);
    written = DecodeTextFile(bytes, SystemCodePage(1252));
    WalletEntry read;
    ASSERT_EQ(ReadWalletText(written, L"other", read, env), S_OK) << testing::PrintToString(written);
    ASSERT_EQ(WriteWalletFile(read, again), S_OK);
    EXPECT_EQ(DecodeTextFile(again, SystemCodePage(1252)), written);
  }
  std::wstring Section(const wchar_t* name) const {
    const std::size_t at = written.find(name);
    return written.substr(at, written.find(L"[Item]") - at);
  }

  FakeEnvironment env;
  WalletEntry entry;
  std::wstring written;
  std::uint32_t line = 0;
};

TEST_F(WalletEntryTest, WritesTheWalletSectionInOrderAndReadsItBack) {
  ASSERT_EQ(Read(L"[Wallet]\nID=Acme_-_Tool\nOrigin=Scheduled\nStatus=Error\nError=-2147024894\n"
                 L"Date=2026-01-02T03:04:05Z\nFlags=Silent,Install,NoCache\nURL=http://dl.example/dir/setup.exe\n"
                 L"Bytes=1234\nLastModified=2025-12-31T23:59:59Z\n",
                 kSingleFile + L"SHA256=BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD\n"),
            S_OK) << line;
  EXPECT_EQ(entry.displayName, L"Acme Tool 2.5.0.0");
  ExpectRoundTrip();
  EXPECT_EQ(written.substr(0, written.find(L"[Item]")),
            L"; Wendrix Wallet File\r\n\r\n[Wendrix]\r\nRequiredVersion = 3.6.6\r\n\r\n[Publisher]\r\n"
            L"ID = 1.3.6.1.4.1.99999.7\r\nName = \"Acme Tools\"\r\nHomePage = \"http://www.acme.example/\"\r\n"
            L"DataSource = \"http://www.acme.example/acme.wx-cnf\"\r\nApplication = \"Kestmoor(R) Wendrix(TM)\"\r\n\r\n"
            L"[Wallet]\r\nID = Acme_-_Tool\r\nOrigin = Scheduled\r\nStatus = Error\r\nError = -2147024894\r\n"
            L"Date = 2026-01-02T03:04:05Z\r\nFlags = Install, NoCache, Silent\r\n"
            L"URL = http://dl.example/dir/setup.exe\r\nBytes = 1234\r\nLastModified = 2025-12-31T23:59:59Z\r\n\r\n");
  EXPECT_NE(written.find(L"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"),
            std::wstring::npos);
}

TEST_F(WalletEntryTest, OmitsWhatIsNotSetAndWritesResourceRecordsOfMultiFileActions) {
  ASSERT_EQ(Read(L"[Wallet]\nStatus=Downloading\nResource=http://dl.example/a.cab,10,2026-01-02T03:04:05Z\n"
                 L"Resource=http://dl.example/b.cab,20,-\n",
                 std::wstring(kAction) + L"Flags=Install\nResource=http://dl.example/a.cab\nResource=http://dl.example/b.cab\n"
                 L"SHA256=e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855\n"
                 L"SHA256=cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0\n"),
            S_OK) << line;
  EXPECT_EQ(EntryFileCount(entry), 2u);
  ExpectRoundTrip();
  EXPECT_EQ(Section(L"[Wallet]"), L"[Wallet]\r\nID = given\r\nStatus = Downloading\r\n"
                                  L"Resource = http://dl.example/a.cab, 10, 2026-01-02T03:04:05Z\r\n"
                                  L"Resource = http://dl.example/b.cab, 20, -\r\n\r\n");
}

TEST_F(WalletEntryTest, RefusesWhatCouldNotBeReadBack) {
  ASSERT_EQ(Read(L"[Wallet]\nStatus=Downloaded\n"), S_OK);
  std::string bytes;
  entry.wallet.url = L"http://x/\r\n[Wallet]\r\nStatus=Installed";  // a fetched address must not add lines
  EXPECT_EQ(WriteWalletFile(entry, bytes), E_INVALIDARG);

  // The largest file the library reads back is 100000 bytes.
  entry.wallet.url.clear();
  ASSERT_EQ(WriteWalletFile(entry, bytes), S_OK);
  const std::size_t room = (kWalletFileLimit - bytes.size()) / 2;  // UTF-16: two bytes a character
  entry.data.texts.front().entries.front().text.append(room, L'x');
  ASSERT_EQ(WriteWalletFile(entry, bytes), S_OK);
  EXPECT_EQ(bytes.size(), kWalletFileLimit);
  entry.data.texts.front().entries.front().text += L'x';
  EXPECT_EQ(WriteWalletFile(entry, bytes), kInvalidData);

  entry.hasItemAndAction = false;
  EXPECT_EQ(WriteWalletFile(entry, bytes), E_INVALIDARG);
  // A file without item or action reads, as an entry with neither.
  ASSERT_EQ(ReadWalletText(std::wstring(kHeader) + L"[Wallet]\nStatus=Downloaded\n[Text]\nID=T\nText=en,x\n", L"id",
                           entry, env),
            S_OK);
  EXPECT_FALSE(entry.EntryItem() || entry.EntryAction() || Installable(entry));
  EXPECT_TRUE(entry.displayName.empty());
}

TEST(WalletNames, EntryIdsAreOneFolderNameWhateverTheTextHolds) {
  const struct {
    const wchar_t *name, *title, *version;
    std::size_t room;
    HRESULT code;
    const wchar_t* id;  // null: refused, the ID unchanged
  } kCases[] = {
      {L"Acme Tools", L"Big Tool", L"2.5", 100, S_OK, L"Acme_Tools_-_Big_Tool_2.5"},
      {L"Acme", L"Tool", L"", 100, S_OK, L"Acme_-_Tool"},
      {L"..\\..\\Windows", L"a/b:c*d?e\"f<g>h|i\tj", L"", 100, S_OK, L".._.._Windows_-_a_b_c_d_e_f_g_h_i_j"},
      {L"Acme", L"Tool", L"1.0.", 100, S_OK, L"Acme_-_Tool_1.0_"},  // Windows would drop the dot
      {L"", L"Tool", L"", 100, E_INVALIDARG, nullptr},
      {L"Acme", L"", L"", 100, E_INVALIDARG, nullptr},
      {L"Acme", L"Tool", L"1", 15, S_OK, L"Acme_-_Tool_1"},  // 4 + 4 + 1 + 5 = 14, one below the room
      {L"Acme", L"Tool", L"1", 14, static_cast<HRESULT>(0x8007006F), nullptr},
  };
  for (const auto& c : kCases) {
    std::wstring id = L"unchanged";
    EXPECT_EQ(EntryIdBase(c.name, c.title, c.version, c.room, id), c.code) << testing::PrintToString(c.title);
    EXPECT_EQ(id, c.id ? c.id : L"unchanged");
    EXPECT_TRUE(IsPlainFileName(id)) << testing::PrintToString(id);
  }
  EXPECT_EQ(EntryIdCandidate(L"A", 0) + EntryIdCandidate(L"A", 999), L"AA_999");
}

TEST_F(WalletEntryTest, FileNamesComeFromRenameOrTheAddressAndStayPlain) {
  const struct {
    const wchar_t *keys, *name;  // name null: refused
  } kCases[] = {
      {L"URL=http://dl.example/dir/setup.exe\n", L"setup.exe"},
      {L"URL=http://dl.example/dir\\setup.exe\n", L"setup.exe"},
      {L"URL=http://dl.example/dir/setup.exe\nRename=tool.msi\n", L"tool.msi"},
      {L"URL=http://dl.example/dir/\n", nullptr},
      {L"URL=http://dl.example/..\n", nullptr},
      {L"URL=http://dl.example/CON.exe\n", nullptr},
      {L"URL=http://dl.example/setup.exe:stream\n", nullptr},
      {L"URL=http://dl.example/setup.exe.\n", nullptr},
      {L"URL=http://dl.example/WALLET.wx-cnf\n", nullptr},  // the entry's own file
      {L"URL=http://dl.example/a\nRename=\"..\"\n", nullptr},
  };
  for (const auto& c : kCases) {
    ASSERT_EQ(Read(L"[Wallet]\nStatus=Downloading\n", kAction + std::wstring(c.keys)), S_OK)
        << testing::PrintToString(c.keys) << " line " << line;
    EXPECT_EQ(EntryFileName(entry, 0).value_or(L"<none>"), c.name ? c.name : L"<none>");
  }
}

TEST_F(WalletEntryTest, AnInstalledEntryCountsAsDownloadedUntilTheInstallationShows) {
  const struct {
    const wchar_t* installed;  // null: not found
    const wchar_t* actionVersion;
    std::uint32_t effective;
  } kCases[] = {
      {L"2.5", L"2.5", kWalletInstalled},  {L"3.0", L"2.5", kWalletInstalled}, {L"2.4", L"2.5", kWalletDownloaded},
      {nullptr, L"2.5", kWalletDownloaded}, {L"2.5", L"", kWalletDownloaded},
  };
  for (const auto& c : kCases) {
    env.installed.clear();
    if (c.installed) env.installed[L"IV"] = c.installed;
    const std::wstring version = *c.actionVersion ? std::wstring(L"Version=") + c.actionVersion + L"\n" : L"";
    ASSERT_EQ(Read(L"[Wallet]\nStatus=Installed\n", kAction + std::wstring(L"Flags=Install\nURL=http://x/s.exe\n") + version),
              S_OK) << line;
    EXPECT_EQ(EffectiveStatus(entry), c.effective) << c.actionVersion;
    EXPECT_EQ(Installable(entry), c.effective == kWalletDownloaded);
    EXPECT_EQ(entry.Status(), kWalletInstalled);  // what the file keeps
  }
  ASSERT_EQ(Read(L"[Wallet]\nStatus=Downloaded\n", kAction + std::wstring(L"URL=http://x/s.exe\n")), S_OK);
  EXPECT_FALSE(Installable(entry));  // no Install flag
  EXPECT_EQ(DisplayStatusOf(entry, false), kShowDownloaded);
  EXPECT_EQ(DisplayStatusOf(entry, true), kShowWaitingToInstall);
  EXPECT_TRUE(UsesTemporaryForm(kWalletError));
  EXPECT_FALSE(UsesTemporaryForm(kWalletDownloaded));
}

TEST_F(WalletEntryTest, RequestsMatchPublisherItemVersionArchitectureAndType) {
  ASSERT_EQ(Read(L"[Wallet]\nStatus=Downloaded\n"), S_OK);
  const std::wstring_view p = L"1.3.6.1.4.1.99999.7";
  const struct {
    EntryRequest request;
    bool answers;
  } kCases[] = {
      {{p, L"TOOL", L"2.5", std::nullopt, 0}, true},  // 0 and Download are one type
      {{p, L"Tool", std::nullopt, 0u, -1}, true},
      {{p, L"Tool", L"2.6", std::nullopt, -1}, false},
      {{p, L"Tool", std::nullopt, 2u, -1}, false},
      {{p, L"Tool", std::nullopt, std::nullopt, kActionBuy}, false},
      {{L"1.3.6.1.4.1.99999.8", L"Tool", std::nullopt, std::nullopt, -1}, false},
  };
  for (const auto& c : kCases) EXPECT_EQ(AnswersRequest(entry, c.request), c.answers) << &c - kCases;
}

TEST(WalletPruning, TakesTheOldestFinishedEntryThatIsNotSpared) {
  const struct {
    std::uint32_t status;
    std::uint64_t date;
    const wchar_t* id;
  } kRows[] = {
      {kWalletDownloading, 1, L"a"}, {kWalletWaitingToInstall, 1, L"b"}, {kWalletInstalling, 1, L"c"},
      {kWalletInstalled, 0, L"d"},   {kWalletStopped, 9, L"e"},          {kWalletError, 7, L"f"},
      {kWalletDownloaded, 5, L"g"},  {kWalletInstalled, 5, L"h"},
  };
  std::vector<WalletEntry> entries(std::size(kRows));
  for (std::size_t i = 0; i < entries.size(); ++i) {
    entries[i].wallet.status = kRows[i].status;
    entries[i].wallet.date = kRows[i].date;
    entries[i].wallet.id = kRows[i].id;
  }
  const auto next = [&](std::vector<std::wstring> spared) {
    const auto i = NextToPrune(entries, spared);
    return i ? entries[*i].Id() : L"<none>";
  };
  EXPECT_EQ(next({}), L"g");  // first of the two oldest
  EXPECT_EQ(next({L"G"}), L"h");
  EXPECT_EQ(next({L"g", L"h"}), L"f");
  EXPECT_EQ(next({L"e", L"f", L"g", L"h"}), L"<none>");
}

}  // namespace
}  // namespace wendrix
