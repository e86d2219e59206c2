// List files: sections read into records, the merge of the store's sources,
// and records written back with only the keys they hold.
#include "registration/list_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

TEST(ListFile, ReadsEveryKey) {
  const auto records = Read(
      L"[1.2.3]\r\n"
      L"Name = Tessaro \\\"Tools\\\"\r\n"
      L"HomePage = http://www.tessaro.example/\r\n"
      L"DataSource = C:\\Data\\t.wx-cnf\r\n"
      L"DataFile = C:\\Store\\t.ini\r\n"
      L"PreviousItemsFile = C:\\Store\\t.prv\r\n"
      L"InactiveItemsFile = C:\\Store\\t.ina\r\n"
      L"Enabled = yes\r\n"
      L"Attempted = 2013-05-07T14:03:00Z\r\n"
      L"Succeeded = 2013-05-06T01:02:03Z\r\n"
      L"FailedLastCheck = 1\r\n"
      L"LastCheckError = 0x80072EE7\r\n"
      L"Count = 3\r\n"
      L"ApplicationName = \"en\", \"Tessaro Tools\"\r\n"
      L"ApplicationName = \"it\", \"Strumenti Tessaro\"\r\n"
      L"ApplicationIcon = C:\\Icons\\t.ico\r\n"
      L"ControlPanel = 1\r\n"
      L"Version = 2.1\r\n"
      L"ApplicationMenuHomePage = 1\r\n"
      L"ApplicationMenuFeedback = 0\r\n"
      L"ApplicationDialogAllItems = 1\r\n"
      L"ApplicationDialogWallet = 1\r\n"
      L"ApplicationDialogHistory = 1\r\n"
      L"UserRegistered = 1\r\n"
      L"Unknown = whatever\r\n");
  ASSERT_EQ(records.size(), 1u);
  const PublisherRecord& r = records[0];
  EXPECT_EQ(r.id, L"1.2.3");
  EXPECT_EQ(r.name, L"Tessaro \"Tools\"");
  EXPECT_EQ(r.dataSource, L"C:\\Data\\t.wx-cnf");  // raw: backslashes stay
  EXPECT_EQ(r.inactiveItemsFile, L"C:\\Store\\t.ina");
  EXPECT_EQ(r.enabled, 1);
  EXPECT_EQ(r.attempted, FileTimeFromParts(2013, 5, 7, 14, 3, 0));
  EXPECT_EQ(r.succeeded, FileTimeFromParts(2013, 5, 6, 1, 2, 3));
  EXPECT_EQ(r.failedLastCheck, 1);
  EXPECT_EQ(r.lastCheckError, 0x80072EE7u);
  EXPECT_EQ(r.counts[kSlotCurrentUser], 3u);
  ASSERT_EQ(r.applicationNames.size(), 2u);
  EXPECT_EQ(r.applicationNames[1].language, L"it");
  EXPECT_EQ(r.applicationNames[1].text, L"Strumenti Tessaro");
  EXPECT_EQ(r.version, L"2.1");
  EXPECT_EQ(r.flags, kPublisherEnabled | kPublisherControlPanel | kPublisherMenuHomePage | kPublisherDialogAllItems |
                         kPublisherDialogWallet | kPublisherDialogHistory | kPublisherUserRegistered);
  EXPECT_EQ(r.present, (1u << kListKeyCount) - 1);
}

TEST(ListFile, OnlyKeysFoundArePresent) {
  const auto records = Read(
      L"[a.b]\r\nName = A\r\nAttempted = 2013-13-01\r\nApplicationName = \"en\"\r\n"
      L"[c.d]\r\n[A.B]\r\nCount = 0\r\n");
  ASSERT_EQ(records.size(), 2u);  // [A.B] is the same publisher as [a.b]
  EXPECT_EQ(records[0].present, KeyBit(kKeyName) | KeyBit(kKeyCount));  // bad date and short list ignored
  EXPECT_EQ(records[1].id, L"c.d");
  EXPECT_EQ(records[1].present, 0u);
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

TEST(ListFile, AliasBecomesTheBuiltinId) {
  const BuiltinPublisher& self = SelfPublisher();
  const std::wstring alias(self.alias);
  std::wstring upper;
  for (wchar_t c : alias) upper += static_cast<wchar_t>(c >= L'a' && c <= L'z' ? c - 32 : c);
  const auto records = Read(L"[" + upper + L"]\r\nName = Self\r\n[" + self.id + L"]\r\nVersion = 3\r\n");
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].id, self.id);
  EXPECT_EQ(records[0].builtin, &self);
  EXPECT_EQ(records[0].present, KeyBit(kKeyName) | KeyBit(kKeyVersion));
}

TEST(ListFile, MovedAddressesOfOurPublishersAreRewritten) {
  const auto records = Read(
      L"[a]\r\nDataSource = HTTPS://Download.Kestmoor.example/pellister/publishers/pellister.ini\r\n"
      L"[b]\r\nDataSource = http://kestmoor.example/pellister/publishers/pellister.ini.bak\r\n"
      L"[c]\r\nDataSource = ftp://www.kestmoor.example/wendrix/wendrix.ini\r\n");
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].dataSource, RedirectExemptPublisher().dataSource);
  EXPECT_EQ(records[1].dataSource, L"http://kestmoor.example/pellister/publishers/pellister.ini.bak");
  EXPECT_EQ(records[2].dataSource, SelfPublisher().dataSource);
}

TEST(ListFile, WritesOnlyPresentKeys) {
  PublisherRecord r;
  r.id = L"1.2.3";
  r.name = L"Tessaro";
  r.homePage = L"http://x.example/";  // not present: not written
  r.lastCheckError = 0x8007000Du;
  r.counts[kSlotAllUsers] = 7;
  r.applicationNames = {{L"en", L"Tools"}, {L"it", L"Strumenti"}};
  r.flags = kPublisherMenuFeedback;
  r.attempted = FileTimeFromParts(2014, 1, 2, 3, 4, 5);
  r.present = KeyBit(kKeyName) | KeyBit(kKeyLastCheckError) | KeyBit(kKeyCount) | KeyBit(kKeyApplicationName) |
              KeyBit(kKeyMenuFeedback) | KeyBit(kKeyMenuHomePage) | KeyBit(kKeyAttempted);
  EXPECT_EQ(Write({r}, kSlotAllUsers),
            L"\r\n[1.2.3]\r\n"  // the writer puts a blank line before every section
            L"Name = Tessaro\r\n"
            L"Attempted = 2014-01-02T03:04:05Z\r\n"
            L"LastCheckError = 0x8007000d\r\n"
            L"Count = 7\r\n"
            L"ApplicationName = \"en\", \"Tools\"\r\n"
            L"ApplicationName = \"it\", \"Strumenti\"\r\n"
            L"ApplicationMenuHomePage = 0\r\n"
            L"ApplicationMenuFeedback = 1\r\n");
}

TEST(ListFile, RoundTripKeepsEveryField) {
  const std::wstring text =
      L"\r\n[1.2.3]\r\nName = \"  padded  \"\r\nDataSource = \\\\server\\share\\t.wx-cnf\r\nEnabled = 0\r\n"
      L"LastCheckError = 0xffffffff\r\nCount = 4294967295\r\nApplicationName = \"en\", \"A, B\"\r\n"
      L"Version = 1.0.0.1\r\nUserRegistered = 0\r\n\r\n[4.5]\r\nControlPanel = 1\r\n";
  const auto records = Read(text);
  EXPECT_EQ(Write(records), text);
  EXPECT_EQ(Read(Write(records)).size(), 2u);
  EXPECT_EQ(Write({}), L"");
}

// The merge of sources: which source may replace a field.
class ListMerge : public testing::Test {
 protected:
  PublisherRecord From(const std::wstring& keys, CountSlot slot = kSlotCurrentUser) {
    auto records = Read(L"[p.q]\r\n" + keys, slot);
    EXPECT_EQ(records.size(), 1u);
    return records.empty() ? PublisherRecord{} : records[0];
  }
  PublisherRecord m_store;
};

TEST_F(ListMerge, UnsetFieldsComeFromAnySource) {
  MergeListRecord(From(L"Name = Old\r\nEnabled = 1\r\n"), kSourceOlderRegistry2, kSlotOlderCurrentUser, m_store);
  EXPECT_EQ(m_store.name, L"Old");
  EXPECT_EQ(m_store.flags, kPublisherEnabled);
  // An older source cannot replace a set field, the current list can.
  MergeListRecord(From(L"Name = Older\r\n"), kSourceOlderList, kSlotOlderCurrentUser, m_store);
  EXPECT_EQ(m_store.name, L"Old");
  MergeListRecord(From(L"Name = New\r\nEnabled = 0\r\n"), kSourceCurrentList, kSlotCurrentUser, m_store);
  EXPECT_EQ(m_store.name, L"New");
  EXPECT_EQ(m_store.flags, 0u);
}

TEST_F(ListMerge, NewerRecordVersionKeepsItsFields) {
  MergeListRecord(From(L"Name = Newer\r\nVersion = 2.10\r\n"), kSourceCurrentList, kSlotCurrentUser, m_store);
  MergeListRecord(From(L"Name = Older\r\nVersion = 2.9\r\nHomePage = h\r\n"), kSourceCurrentList, kSlotAllUsers,
                  m_store);
  EXPECT_EQ(m_store.name, L"Newer");
  EXPECT_EQ(m_store.version, L"2.10");
  EXPECT_EQ(m_store.homePage, L"h");  // unset fields are still taken
  MergeListRecord(From(L"Name = Same\r\nVersion = 2.10.0\r\n"), kSourceCurrentList, kSlotAllUsers, m_store);
  EXPECT_EQ(m_store.name, L"Same");
}

TEST_F(ListMerge, MenuDialogAndUserBitsOnlyFromCurrentList) {
  const std::wstring all = L"ApplicationMenuHomePage = 1\r\nApplicationDialogWallet = 1\r\nUserRegistered = 1\r\n";
  MergeListRecord(From(all), kSourceOlderList, kSlotOlderCurrentUser, m_store);
  EXPECT_EQ(m_store.flags, 0u);
  EXPECT_EQ(m_store.present, 0u);
  MergeListRecord(From(all), kSourceCurrentList, kSlotCurrentUser, m_store);
  // The user's own registration makes the publisher registered for the user.
  EXPECT_EQ(m_store.flags, kPublisherMenuHomePage | kPublisherDialogWallet | kPublisherUserRegistered |
                               kPublisherCountedCurrentUser);
  // A later current list clears them again, whatever the versions say.
  m_store.version = L"9";
  m_store.present |= KeyBit(kKeyVersion);
  MergeListRecord(From(L"Version = 1\r\nApplicationMenuHomePage = 0\r\nUserRegistered = 0\r\n"), kSourceCurrentList,
                  kSlotAllUsers, m_store);
  EXPECT_EQ(m_store.flags, kPublisherDialogWallet | kPublisherCountedCurrentUser);
}

TEST_F(ListMerge, CountsPerSlotSetCountedBits) {
  MergeListRecord(From(L"Count = 2\r\n", kSlotCurrentUser), kSourceCurrentList, kSlotCurrentUser, m_store);
  MergeListRecord(From(L"Count = 0\r\n", kSlotAllUsers), kSourceCurrentList, kSlotAllUsers, m_store);
  MergeListRecord(From(L"Count = 5\r\n", kSlotOlderAllUsers), kSourceOlderRegistry2, kSlotOlderAllUsers, m_store);
  MergeListRecord(From(L"Count = 1\r\n", kSlotOlderAllUsers), kSourceOlderList, kSlotOlderAllUsers, m_store);
  EXPECT_EQ(m_store.counts[kSlotCurrentUser], 2u);
  EXPECT_EQ(m_store.counts[kSlotAllUsers], 0u);
  EXPECT_EQ(m_store.counts[kSlotOlderAllUsers], 5u);  // the older product's sources keep the highest
  EXPECT_EQ(m_store.flags, kPublisherCountedCurrentUser | kPublisherCountedOlderAllUsers);
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

}  // namespace
}  // namespace wendrix
