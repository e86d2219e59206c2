// List files: sections read into records, the merge of the store's sources,
// and records written back with only the keys they hold.
#include "registration/list_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "../../fuzz/list_file_property.h"
#include "../publisher/fake_environment.h"
#include "core/date.h"
#include "core/ini_data_buffer.h"
#include "publisher/builtin_publishers.h"
#include "registration/publisher_record.h"

namespace wendrix {
namespace {

std::vector<PublisherRecord> Read(const std::wstring& text, CountSlot slot = kSlotCurrentUser) {
  CIniDataBuffer data;
  data.SetText(text);
  EXPECT_EQ(data.Load(ListFileSchema()), S_OK);
  std::vector<PublisherRecord> records;
  EXPECT_EQ(ReadListRecords(data, slot, records), S_OK);
  return records;
}

std::wstring Write(const std::vector<PublisherRecord>& records, CountSlot slot = kSlotCurrentUser) {
  CIniDataBuffer data;
  EXPECT_EQ(WriteListRecords(records, slot, data), S_OK);
  EXPECT_EQ(data.Save(kIniSaveUnicode), S_OK);
  return data.Text();
}

// Every key read into its field and written back from it: what the writer
// gives back is what the reader took.
TEST(ListFile, EveryKeyReadsAndWritesBack) {
  const std::wstring every =
      L"\r\n[1.2.3]\r\nName = Tessaro \\\"Tools\\\"\r\nHomePage = http://www.tessaro.example/\r\n"
      L"DataSource = C:\\Data\\t.wx-cnf\r\nDataFile = C:\\Store\\t.ini\r\nPreviousItemsFile = C:\\Store\\t.prv\r\n"
      L"InactiveItemsFile = C:\\Store\\t.ina\r\nEnabled = 1\r\nAttempted = 2013-05-07T14:03:00Z\r\n"
      L"Succeeded = 2013-05-06T01:02:03Z\r\nFailedLastCheck = 1\r\nLastCheckError = 0x80072ee7\r\nCount = 3\r\n"
      L"ApplicationName = \"en\", \"Tessaro Tools\"\r\nApplicationName = \"it\", \"Strumenti Tessaro\"\r\n"
      L"ApplicationIcon = C:\\Icons\\t.ico\r\nControlPanel = 1\r\nVersion = 2.1\r\nApplicationMenuHomePage = 1\r\n"
      L"ApplicationMenuFeedback = 0\r\nApplicationDialogAllItems = 1\r\nApplicationDialogWallet = 1\r\n"
      L"ApplicationDialogHistory = 1\r\nUserRegistered = 1\r\n";
  const auto records = Read(every + L"Unknown = whatever\r\n");
  ASSERT_EQ(records.size(), 1u);
  const PublisherRecord& r = records[0];
  EXPECT_EQ(r.name, L"Tessaro \"Tools\"");
  EXPECT_EQ(r.dataSource, L"C:\\Data\\t.wx-cnf");  // raw: backslashes stay
  EXPECT_EQ(r.attempted, FileTimeFromParts(2013, 5, 7, 14, 3, 0));
  EXPECT_EQ(r.lastCheckError, 0x80072EE7u);
  EXPECT_EQ(r.flags, kPublisherEnabled | kPublisherControlPanel | kPublisherMenuHomePage | kPublisherDialogAllItems |
                         kPublisherDialogWallet | kPublisherDialogHistory | kPublisherUserRegistered);
  EXPECT_EQ(r.present, (1u << kListKeyCount) - 1);
  EXPECT_EQ(Write(records), every);

  // Other spellings, limits and a second section.
  const std::wstring edges =
      L"\r\n[1.2.3]\r\nName = \"  padded  \"\r\nDataSource = \\\\server\\share\\t.wx-cnf\r\nEnabled = 0\r\n"
      L"LastCheckError = 0xffffffff\r\nCount = 4294967295\r\nApplicationName = \"en\", \"A, B\"\r\n"
      L"Version = 1.0.0.1\r\nUserRegistered = 0\r\n\r\n[4.5]\r\nControlPanel = 1\r\n";
  EXPECT_EQ(Write(Read(edges)), edges);
  EXPECT_EQ(Read(L"[a]\r\nEnabled = yes\r\n")[0].flags, kPublisherEnabled);
  EXPECT_EQ(Write({}), L"");
}

TEST(ListFile, OnlyKeysFoundArePresentAndWritten) {
  const auto records = Read(
      L"[a.b]\r\nName = A\r\nAttempted = 2013-13-01\r\nApplicationName = \"en\"\r\n"
      L"[c.d]\r\n[A.B]\r\nCount = 0\r\n");
  ASSERT_EQ(records.size(), 2u);  // [A.B] is the same publisher as [a.b]
  EXPECT_EQ(records[0].present, KeyBit(kKeyName) | KeyBit(kKeyCount));  // bad date and short list ignored
  EXPECT_EQ(records[1].id, L"c.d");
  EXPECT_EQ(records[1].present, 0u);

  PublisherRecord r;
  r.id = L"1.2.3";
  r.name = L"Tessaro";
  r.homePage = L"http://x.example/";  // not present: not written
  r.counts[kSlotAllUsers] = 7;
  r.counts[kSlotCurrentUser] = 9;
  r.flags = kPublisherMenuFeedback;
  r.present = KeyBit(kKeyName) | KeyBit(kKeyCount) | KeyBit(kKeyMenuFeedback) | KeyBit(kKeyMenuHomePage);
  EXPECT_EQ(Write({r}, kSlotAllUsers),
            L"\r\n[1.2.3]\r\nName = Tessaro\r\nCount = 7\r\nApplicationMenuHomePage = 0\r\n"
            L"ApplicationMenuFeedback = 1\r\n");
}

// Entries read with another schema, or added by code, carry identifiers that
// are not list keys: each key is still known by its name.
TEST(ListFile, KeysAreKnownByNameWhateverTheEntriesCarry) {
  const IniSchemaRow swapped[] = {{kIniAny, L"Name", kKeyCount, kIniText}, {kIniAny, L"Count", kKeyName, kIniText},
                                  {kIniAny, L"Enabled", 99, kIniText}};
  CIniDataBuffer data;
  data.SetText(std::wstring_view(L"[1.2]\r\nName = Acme\r\nCount = 5\r\nEnabled = 0\r\n"));
  ASSERT_EQ(data.Load(swapped), S_OK);
  ASSERT_EQ(data.AddText(L"HomePage", L"http://acme.example/"), S_OK);
  std::vector<PublisherRecord> records;
  ASSERT_EQ(ReadListRecords(data, kSlotCurrentUser, records), S_OK);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].name, L"Acme");
  EXPECT_EQ(records[0].counts[kSlotCurrentUser], 5u);
  EXPECT_EQ(records[0].enabled, 0);
  EXPECT_EQ(records[0].homePage, L"http://acme.example/");
  EXPECT_EQ(records[0].present, KeyBit(kKeyName) | KeyBit(kKeyCount) | KeyBit(kKeyEnabled) | KeyBit(kKeyHomePage));
}

// The library's own publisher: its alias is its ID, and its moved addresses
// (and those of the publisher exempt from redirects) are rewritten.
TEST(ListFile, BuiltinPublishersByAliasAndMovedAddress) {
  const BuiltinPublisher& self = SelfPublisher();
  std::wstring upper(self.alias);
  for (wchar_t& c : upper) c = static_cast<wchar_t>(c >= L'a' && c <= L'z' ? c - 32 : c);
  const auto records = Read(L"[" + upper + L"]\r\nName = Self\r\n[" + self.id + L"]\r\nVersion = 3\r\n");
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].id, self.id);
  EXPECT_EQ(records[0].builtin, &self);
  EXPECT_EQ(records[0].present, KeyBit(kKeyName) | KeyBit(kKeyVersion));

  const auto moved = Read(
      L"[a]\r\nDataSource = HTTPS://Download.Kestmoor.example/pellister/publishers/pellister.ini\r\n"
      L"[b]\r\nDataSource = http://kestmoor.example/pellister/publishers/pellister.ini.bak\r\n"
      L"[c]\r\nDataSource = ftp://www.kestmoor.example/wendrix/wendrix.ini\r\n");
  ASSERT_EQ(moved.size(), 3u);
  EXPECT_EQ(moved[0].dataSource, RedirectExemptPublisher().dataSource);
  EXPECT_EQ(moved[1].dataSource, L"http://kestmoor.example/pellister/publishers/pellister.ini.bak");
  EXPECT_EQ(moved[2].dataSource, SelfPublisher().dataSource);
}

// The merge of sources: which source may replace a field.
PublisherRecord From(const std::wstring& keys, CountSlot slot = kSlotCurrentUser) {
  auto records = Read(L"[p.q]\r\n" + keys, slot);
  EXPECT_EQ(records.size(), 1u);
  return records.empty() ? PublisherRecord{} : records[0];
}

TEST(ListMerge, OlderSourcesFillOnlyUnsetFieldsAndNewerVersionsStay) {
  PublisherRecord store;
  MergeListRecord(From(L"Name = Old\r\nEnabled = 1\r\n"), kSourceOlderRegistry2, kSlotOlderCurrentUser, store);
  EXPECT_EQ(store.name, L"Old");
  EXPECT_EQ(store.flags, kPublisherEnabled);
  MergeListRecord(From(L"Name = Older\r\n"), kSourceOlderList, kSlotOlderCurrentUser, store);
  EXPECT_EQ(store.name, L"Old");
  MergeListRecord(From(L"Name = New\r\nEnabled = 0\r\nVersion = 2.10\r\n"), kSourceCurrentList, kSlotCurrentUser,
                  store);
  EXPECT_EQ(store.name, L"New");
  EXPECT_EQ(store.flags, 0u);
  MergeListRecord(From(L"Name = Older\r\nVersion = 2.9\r\nHomePage = h\r\n"), kSourceCurrentList, kSlotAllUsers, store);
  EXPECT_EQ(store.name, L"New");
  EXPECT_EQ(store.version, L"2.10");
  EXPECT_EQ(store.homePage, L"h");  // unset fields are still taken
  MergeListRecord(From(L"Name = Same\r\nVersion = 2.10.0\r\n"), kSourceCurrentList, kSlotAllUsers, store);
  EXPECT_EQ(store.name, L"Same");
}

TEST(ListMerge, MenuDialogAndUserBitsOnlyFromCurrentList) {
  PublisherRecord store;
  const std::wstring all = L"ApplicationMenuHomePage = 1\r\nApplicationDialogWallet = 1\r\nUserRegistered = 1\r\n";
  MergeListRecord(From(all), kSourceOlderList, kSlotOlderCurrentUser, store);
  EXPECT_EQ(store.flags, 0u);
  EXPECT_EQ(store.present, 0u);
  MergeListRecord(From(all), kSourceCurrentList, kSlotCurrentUser, store);
  // The user's own registration makes the publisher registered for the user.
  EXPECT_EQ(store.flags, kPublisherMenuHomePage | kPublisherDialogWallet | kPublisherUserRegistered |
                             kPublisherCountedCurrentUser);
  // A later current list clears them again, whatever the versions say.
  store.version = L"9";
  store.present |= KeyBit(kKeyVersion);
  MergeListRecord(From(L"Version = 1\r\nApplicationMenuHomePage = 0\r\nUserRegistered = 0\r\n"), kSourceCurrentList,
                  kSlotAllUsers, store);
  EXPECT_EQ(store.flags, kPublisherDialogWallet | kPublisherCountedCurrentUser);
}

TEST(ListMerge, CountsPerSlotSetCountedBits) {
  PublisherRecord store;
  MergeListRecord(From(L"Count = 2\r\n", kSlotCurrentUser), kSourceCurrentList, kSlotCurrentUser, store);
  MergeListRecord(From(L"Count = 0\r\n", kSlotAllUsers), kSourceCurrentList, kSlotAllUsers, store);
  MergeListRecord(From(L"Count = 5\r\n", kSlotOlderAllUsers), kSourceOlderRegistry2, kSlotOlderAllUsers, store);
  MergeListRecord(From(L"Count = 1\r\n", kSlotOlderAllUsers), kSourceOlderList, kSlotOlderAllUsers, store);
  EXPECT_EQ(store.counts[kSlotCurrentUser], 2u);
  EXPECT_EQ(store.counts[kSlotAllUsers], 0u);
  EXPECT_EQ(store.counts[kSlotOlderAllUsers], 5u);  // the older product's sources keep the highest
  EXPECT_EQ(store.flags, kPublisherCountedCurrentUser | kPublisherCountedOlderAllUsers);
}

// What the store shows of a record: the application name in the user's
// language, else the first; a single name serves every language.
TEST(ListFile, ApplicationNameFollowsTheUsersLanguage) {
  test::FakeEnvironment env;
  PublisherRecord record;
  EXPECT_EQ(nullptr, ApplicationNameFor(record, env));
  const std::vector<TextEntry> three = {{L"en", L"Editor"}, {L"it", L"Editore"}, {L"de", L"Bearbeiter"}};
  const struct {
    std::vector<TextEntry> names;
    std::uint16_t language;
    const wchar_t* expected;
  } cases[] = {{three, 0x410, L"Editore"}, {three, 0x407, L"Bearbeiter"}, {three, 0x409, L"Editor"},
               {three, 0x809, L"Editor"},  {three, 0x40c, L"Editor"},     {{{L"it", L"Solo"}}, 0x409, L"Solo"}};
  for (const auto& c : cases) {
    record.applicationNames = c.names;
    env.uiLanguage = c.language;
    const std::wstring* name = ApplicationNameFor(record, env);
    ASSERT_NE(nullptr, name) << c.language;
    EXPECT_EQ(c.expected, *name) << c.language;
  }
}

// The inputs fuzzing once found, and the seeds written by hand, which must
// also read and write whole.
TEST(ListFileTest, KeptInputsWriteBackWhatTheyRead) {
  const std::filesystem::path folder = std::filesystem::path(WENDRIX_TEST_DATA) / "list-file-regressions";
  int seeds = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    SCOPED_TRACE(entry.path().filename().string());
    EXPECT_TRUE(fuzz::CheckListFileRoundTrip(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    if (!entry.path().filename().string().starts_with("seed-")) continue;
    ++seeds;
    std::vector<PublisherRecord> records;
    std::wstring written;
    ASSERT_TRUE(fuzz::ReadList(DecodeTextFile(bytes, SystemCodePage(3)), records));
    EXPECT_FALSE(records.empty());
    EXPECT_TRUE(fuzz::WrittenList(records, written));
  }
  EXPECT_GT(seeds, 0);
}

}  // namespace
}  // namespace wendrix
