// Event records: the exact text an append writes, the reader with its date
// and keyword rules, and the names and version labels of items.
#include "eventlog/event_record.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "../publisher/fake_environment.h"
#include "core/date.h"
#include "core/ini_data_buffer.h"
#include "eventlog/event_names.h"
#include "publisher/loader.h"

namespace wendrix {
namespace {

CEventRecord Record(std::uint64_t date, std::uint32_t origin = kOriginNone, std::uint32_t type = kEventNone,
                    std::uint32_t result = kResultNone, std::wstring publisher = L"", std::wstring group = L"",
                    std::wstring item = L"", std::wstring resultInfo = L"") {
  return {date, origin, type, result, std::move(publisher), std::move(group), std::move(item), std::move(resultInfo)};
}

// A record in a form that compares and prints whole.
auto Fields(const CEventRecord& r) {
  return std::tuple(r.date, r.origin, r.type, r.result, r.publisher, r.group, r.item, r.resultInfo);
}
std::vector<decltype(Fields(CEventRecord{}))> AllFields(const std::vector<CEventRecord>& records) {
  std::vector<decltype(Fields(CEventRecord{}))> all;
  for (const CEventRecord& r : records) all.push_back(Fields(r));
  return all;
}

CEventList Parse(const std::wstring& text) {
  CIniDataBuffer data;
  data.SetText(text);
  EXPECT_EQ(data.Load(EventLogSchema()), S_OK);
  CEventList list;
  EXPECT_EQ(ParseEvents(list, data), S_OK);
  return list;
}

// Every key in order; none values and absent texts leave their keys out, and
// the year is not padded.
TEST(EventRecord, TextHasEveryKeyInOrderAndLeavesNoneOut) {
  EventFields f;
  f.date = FileTimeFromParts(2026, 1, 2, 3, 4, 5);
  f.origin = kOriginApplication;
  f.type = kEventDownload;
  f.result = kResultAborted;
  f.publisherName = L"Acme \"Tools\"";
  f.publisherId = L"1.2.3";
  f.group = L"Group";
  f.item = L"Editor 2.1 x64";
  f.resultInfo = L"From: http://x\nError: 5";
  EventFields none;
  none.date = FileTimeFromParts(1999, 12, 31, 23, 59, 59);
  none.origin = 4;
  none.type = 99;
  none.result = 5;
  EventFields first;
  first.date = FileTimeFromParts(1601, 1, 1, 0, 0, 0);
  const std::pair<EventFields, std::wstring> cases[] = {
      {f, L"\r\n[Event]\r\nDate = 2026-01-02T03:04:05Z\r\nOrigin = Application\r\nType = Download\r\n"
          L"Publisher = \"Acme \\\"Tools\\\"\"\r\nPublisherID = 1.2.3\r\nGroup = \"Group\"\r\n"
          L"Item = \"Editor 2.1 x64\"\r\nResult = Aborted\r\nResultInfo = \"From: http://x\\x000aError: 5\"\r\n"},
      {none, L"\r\n[Event]\r\nDate = 1999-12-31T23:59:59Z\r\n"},
      {first, L"\r\n[Event]\r\nDate = 1601-01-01T00:00:00Z\r\n"},
  };
  for (const auto& [fields, expected] : cases) {
    std::wstring text;
    ASSERT_EQ(BuildEventText(fields, text), S_OK);
    EXPECT_EQ(text, expected);
  }
}

TEST(EventRecord, WrittenRecordsReadBack) {
  std::wstring log;
  std::vector<CEventRecord> written;
  for (std::uint32_t type = 0; type <= kEventNone; ++type) {
    const CEventRecord& r = written.emplace_back(Record(FileTimeFromParts(2020, 2, 29, 12, 0, type), type % 5, type,
                                                                   type % 6, L"", L"", L"item " + std::to_wstring(type)));
    EventFields f;
    f.date = r.date;
    f.origin = r.origin;
    f.type = r.type;
    f.result = r.result;
    f.item = r.item;
    std::wstring text;
    ASSERT_EQ(BuildEventText(f, text), S_OK);
    log += text;
  }
  EXPECT_EQ(AllFields(Parse(log).Records()), AllFields(written));
}

TEST(EventRecord, ReaderRules) {
  const CEventList list = Parse(
      L"Date = 2013-05-07\r\nType = Check\r\n"  // before any section: ignored
      L"[Event]\r\nDate = 2013-05-07\r\nOrigin = startup\r\nType = DOWNLOADCOMPLETE\r\nResult = success\r\n"
      L"PublisherID = 1.2\r\nPublisher = P\r\nFuture = 1\r\n"
      L"[Event]\r\nDate = 2013-05-07T10:20:30\r\nOrigin = Later\r\nType = \r\nResult = Fine\r\n"
      L"[Other]\r\nItem = not an event\r\n"
      L"[event]\r\nDate = 2013-13-07T10:20:30Z\r\nItem = I\r\nGroup = G\r\nResultInfo = R\r\n"
      L"[Event]\r\nDate = 2013-05-07T24:00:00Z\r\n"
      L"[Event]\r\nDate = 2013-05-07T23:59:59Z\r\n");
  // A date without time is midnight; no closing Z, month 13 and hour 24 are
  // no date; unknown words are none; keys of other sections are ignored.
  const std::vector<CEventRecord> expected = {
      Record(FileTimeFromParts(2013, 5, 7, 0, 0, 0), kOriginStartup, kEventDownloadComplete, kResultSuccess, L"P"),
      Record(0),
      Record(0, kOriginNone, kEventNone, kResultNone, L"", L"G", L"I", L"R"),
      Record(0),
      Record(FileTimeFromParts(2013, 5, 7, 23, 59, 59)),
  };
  EXPECT_EQ(AllFields(list.Records()), AllFields(expected));
}

TEST(EventRecord, EachWordListIsSearchedAlone) {
  EXPECT_EQ(EventWordValue(EventWordList::kType, L"Success"), kEventNone) << "each list is searched alone";
  EXPECT_EQ(EventWordValue(EventWordList::kResult, L"Check"), kResultNone);
  EXPECT_STREQ(EventKeyword(EventWordList::kResult, kResultUnknown), L"Unknown");
  EXPECT_EQ(EventKeyword(EventWordList::kOrigin, 4), nullptr);
  EXPECT_EQ(EventDisplayId(EventWordList::kResult, 5), 0u);
}

TEST(EventNames, ItemNamesCarryTheDownloadVersionLabel) {
  test::FakeEnvironment env;
  test::FakePublisherList publishers;
  PublisherData data;
  const std::wstring file =
      L"[Publisher]\r\nID = 1.2.3\r\nName = Acme Tools\r\nHomePage = http://www.acme.example/\r\n"
      L"Application = \"Kestmoor(R) Wendrix(TM)\"\r\n"
      L"[Text]\r\nID = t\r\nText = en, Editor\r\n[Text]\r\nID = g\r\nText = en, Tools\r\n"
      L"[DisplayVersionStyle]\r\nID = short\r\nSize = 2\r\n"
      L"[Item]\r\nID = editor\r\nTitle = t\r\nType = Software\r\nAction = x64, x86, both, open, buy, odd, long\r\n"
      L"DisplayVersionStyle = short\r\n"
      L"[Action]\r\nID = x64\r\nType = Download\r\nSubtype = Generic\r\nVersion = 2.1.0.0\r\nArchitecture = x64\r\nURL = http://a/1\r\n"
      L"[Action]\r\nID = x86\r\nType = Download\r\nSubtype = Generic\r\nVersion = 2.1\r\nArchitecture = x86\r\nURL = http://a/2\r\n"
      L"[Action]\r\nID = both\r\nType = Download\r\nSubtype = Generic\r\nVersion = 2.2\r\nArchitecture = x86, x64\r\nURL = http://a/3\r\n"
      L"[Action]\r\nID = open\r\nType = Open\r\nSubtype = Generic\r\nVersion = 2.3\r\nURL = http://a/4\r\n"
      L"[Action]\r\nID = buy\r\nType = Buy\r\nSubtype = Generic\r\nURL = http://a/5\r\n"
      L"[Action]\r\nID = odd\r\nType = Download\r\nSubtype = Generic\r\nVersion = 2.x beta\r\nURL = http://a/6\r\n"
      L"[Action]\r\nID = long\r\nType = Download\r\nSubtype = Generic\r\nVersion = " + std::wstring(90, L'v') + L"\r\nURL = http://a/7\r\n"
      L"[Group]\r\nID = tools\r\nTitle = g\r\nItem = editor\r\n";
  test::RegisterAcme(data, L"1.2.3");
  std::uint32_t line = 0;
  ASSERT_EQ(LoadPublisherData(file.c_str(), &data, &publishers, nullptr, &line, kLoadNoConditions, env), S_OK)
      << "line " << line;
  const struct {
    const wchar_t* action;
    std::wstring name;
  } cases[] = {
      {L"x64", L"Editor 2.1 x64"},       // display style: two components
      {L"X86", L"Editor 2.1 x86"},       // action IDs ignore case
      {L"both", L"Editor 2.2"}, {L"open", L"Editor"}, {L"buy", L"Editor"}, {L"odd", L"Editor 2.x beta"},  // not a version: as written
      {L"long", L"Editor " + std::wstring(80, L'v')}, {L"missing", L"Editor"}, {nullptr, L"Editor"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(EventItemName(data, L"EDITOR", c.action), c.name) << (c.action ? testing::PrintToString(c.action) : "");
  EXPECT_EQ(EventItemName(data, L"gone", L"x64"), L"gone");
  EXPECT_EQ(EventGroupName(data, L"tools"), L"Tools");
  EXPECT_EQ(EventGroupName(data, L"other"), L"other");
}

}  // namespace
}  // namespace wendrix
