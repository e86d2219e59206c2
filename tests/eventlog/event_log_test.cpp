// The event log file under Wine: appends byte for byte, older encodings,
// several processes at once, a reader that holds the file, load and clear,
// and the history's selection, sorting and export.
#include "eventlog/event_log.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "../support/child_process.h"
#include "../support/shell_folder_redirect.h"
#include "core/date.h"
#include "platform/ini_file.h"
#include "eventlog/history.h"
#include "frame/module_state.h"
#include "registration/publisher_store.h"
#include "registration/store_folders.h"
#include "wendrix.h"

namespace wendrix::test {
namespace {

constexpr HRESULT kSharingViolation = static_cast<HRESULT>(0x80070020);

constexpr wchar_t kPublisherFile[] =
    L"[Publisher]\r\nID = 1.2.3\r\nName = Acme\r\nHomePage = http://acme.example/\r\n"
    L"DataSource = http://acme.example/a.wx-cnf\r\nApplication = \"Kestmoor(R) Wendrix(TM)\"\r\n"
    L"[Text]\r\nID = t\r\nText = en, Editor\r\n[Text]\r\nID = g\r\nText = en, Tools\r\n"
    L"[Item]\r\nID = editor\r\nTitle = t\r\nType = Software\r\nAction = get\r\n"
    L"[Action]\r\nID = get\r\nType = Download\r\nSubtype = Generic\r\nVersion = 2.1\r\nArchitecture = x64\r\n"
    L"URL = http://acme.example/e.exe\r\n"
    L"[Group]\r\nID = tools\r\nTitle = g\r\nItem = editor\r\n";

class EventLogTest : public ShellFolderTest {
 protected:
  void SetUp() override {
    ShellFolderTest::SetUp();
    // The display texts are the library's resources.
    SetThreadUILanguage(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    m_library = LoadLibraryW(sizeof(void*) == 8 ? L"wendrix64.dll" : L"wendrix.dll");
    ASSERT_NE(m_library, nullptr);
    ASSERT_TRUE(InitializeModuleState(m_library));
  }
  void TearDown() override {
    if (m_library) FreeLibrary(m_library);
    ShellFolderTest::TearDown();
  }
  HMODULE m_library = nullptr;

  std::wstring LogPath() const { return m_user + L"\\Kestmoor\\Wendrix\\Wendrix.log"; }
  std::wstring LogText() const {
    std::wstring text;
    return SUCCEEDED(ReadTextFile(LogPath().c_str(), text)) ? text : L"<unreadable>";
  }
  // The log's text with each record's date line taken out.
  std::wstring LogWithoutDates() const {
    std::wstring text = LogText();
    for (std::size_t at; (at = text.find(L"Date = ")) != std::wstring::npos;)
      text.erase(at, text.find(L"\r\n", at) + 2 - at);
    return text;
  }
  void RegisterAcme() {
    WriteFile(UserFolder(), kCurrentUserListFile,
              L"[1.2.3]\r\nName = Acme\r\nHomePage = http://acme.example/\r\n"
              L"DataSource = http://acme.example/a.wx-cnf\r\nCount = 1\r\n");
    WriteFile(UserFolder(), L"1.2.3.ini", kPublisherFile);
  }
};

std::string BigEndian(std::wstring_view text) {
  std::string bytes;
  for (wchar_t c : text) {
    bytes.push_back(static_cast<char>(c >> 8));
    bytes.push_back(static_cast<char>(c & 0xFF));
  }
  return bytes;
}

std::uint64_t Now() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

// The first append makes the file with its mark; the exports append the
// same way; load and clear.
TEST_F(EventLogTest, AppendLoadAndClear) {
  CEventList list;
  list.Records().emplace_back();
  ASSERT_EQ(LoadEvents(list), S_OK);
  EXPECT_TRUE(list.Empty()) << "a missing log is an empty list";
  const std::uint64_t before = Now() / 10000000 * 10000000;
  ASSERT_EQ(AppendEvent(kOriginManual, kEventCheck, nullptr, nullptr, nullptr, nullptr, kResultSuccess, nullptr), S_OK);
  EXPECT_EQ(ReadFileBytes(LogPath()).substr(0, 2), "\xFF\xFE");
  const auto logEvent = reinterpret_cast<decltype(&WendrixLogEvent)>(
      reinterpret_cast<void*>(GetProcAddress(m_library, "WendrixLogEvent")));
  const auto logEvent2 = reinterpret_cast<decltype(&WendrixLogEvent2)>(
      reinterpret_cast<void*>(GetProcAddress(m_library, "WendrixLogEvent2")));
  ASSERT_TRUE(logEvent && logEvent2);
  EXPECT_EQ(logEvent(kOriginStartup, kEventInstall, nullptr, nullptr, L"x", L"y", kResultUnknown), S_OK);
  EXPECT_EQ(logEvent2(kOriginNone, kEventBuy, nullptr, nullptr, nullptr, nullptr, kResultPartialSuccess, L"info"), S_OK);
  EXPECT_EQ(LogWithoutDates(), L"\r\n[Event]\r\nOrigin = Manual\r\nType = Check\r\nResult = Success\r\n"
                               L"\r\n[Event]\r\nOrigin = Startup\r\nType = Install\r\nItem = \"x\"\r\nResult = Unknown\r\n"
                               L"\r\n[Event]\r\nType = Buy\r\nResult = PartialSuccess\r\nResultInfo = \"info\"\r\n");
  ASSERT_EQ(LoadEvents(list), S_OK);
  ASSERT_EQ(list.Size(), 3u);
  EXPECT_GE(list.Records()[0].date, before);
  EXPECT_LE(list.Records()[0].date, Now());
  ASSERT_EQ(ClearLog(list), S_OK);
  EXPECT_TRUE(list.Empty());
  EXPECT_FALSE(FileExists(LogPath()));
  EXPECT_EQ(ClearLog(list), S_OK);
}

// Names come from the store and the stored data; a damaged store still
// records the event, by ID.
TEST_F(EventLogTest, NamesComeFromTheStoreAndTheStoredData) {
  RegisterAcme();
  ASSERT_EQ(AppendEvent(kOriginApplication, kEventDownload, L"1.2.3", L"tools", L"editor", L"GET", kResultAborted,
                        L"why"), S_OK);
  ASSERT_EQ(AppendEvent(kOriginScheduled, kEventOpen, L"9.9", L"g1", L"i1", L"get", 7, nullptr), S_OK);
  ASSERT_EQ(AppendEvent(9, 9, L"1.2.3", nullptr, L"gone", nullptr, kResultError, L""), S_OK);
  WriteFile(UserFolder(), kCurrentUserListFile, L"[1.2.3]\r\nName = Acme\r\n[broken\r\n");
  ASSERT_EQ(AppendEvent(kOriginManual, kEventOpen, L"1.2.3", nullptr, L"editor", nullptr, kResultSuccess, nullptr),
            S_OK);
  EXPECT_EQ(LogWithoutDates(),
            L"\r\n[Event]\r\nOrigin = Application\r\nType = Download\r\nPublisher = \"Acme\"\r\nPublisherID = 1.2.3\r\n"
            L"Group = \"Tools\"\r\nItem = \"Editor 2.1.0.0 x64\"\r\nResult = Aborted\r\nResultInfo = \"why\"\r\n"
            L"\r\n[Event]\r\nOrigin = Scheduled\r\nType = Open\r\nPublisherID = 9.9\r\nGroup = \"g1\"\r\n"
            L"Item = \"i1\"\r\n"
            L"\r\n[Event]\r\nPublisher = \"Acme\"\r\nPublisherID = 1.2.3\r\nItem = \"gone\"\r\nResult = Error\r\n"
            L"ResultInfo = \"\"\r\n"
            L"\r\n[Event]\r\nOrigin = Manual\r\nType = Open\r\nPublisherID = 1.2.3\r\nItem = \"editor\"\r\n"
            L"Result = Success\r\n");
}

TEST_F(EventLogTest, OlderEncodingsAreRewrittenWhole) {
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"ANSI", "\r\n[Event]\r\nDate = 2013-05-07\r\nItem = caf\xE9\r\n"},
      {"UTF-8", "\xEF\xBB\xBF\r\n[Event]\r\nDate = 2013-05-07\r\nItem = caf\xC3\xA9\r\n"},
      {"UTF-16 BE", BigEndian(L"\uFEFF\r\n[Event]\r\nItem = caf\u00E9\r\n")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DeleteFileW(LogPath().c_str());
    SHCreateDirectoryExW(nullptr, (m_user + L"\\Kestmoor\\Wendrix").c_str(), nullptr);
    m_temp.Write(L"old.log", c.bytes);
    ASSERT_TRUE(MoveFileW(m_temp.File(L"old.log").c_str(), LogPath().c_str()));
    ASSERT_EQ(AppendEvent(kOriginManual, kEventSystem, nullptr, nullptr, nullptr, nullptr, kResultSuccess, nullptr),
              S_OK);
    EXPECT_EQ(ReadFileBytes(LogPath()).substr(0, 4), std::string("\xFF\xFE\r\0", 4)) << "one mark, then the old text";
    CEventList list;
    ASSERT_EQ(LoadEvents(list), S_OK);
    ASSERT_EQ(list.Size(), 2u);
    EXPECT_EQ(list.Records()[0].item, L"caf\u00E9");
    EXPECT_EQ(list.Records()[1].type, kEventSystem);
  }
}

TEST_F(EventLogTest, PathOf260CharactersIsRefused) {
  std::wstring deep = m_temp.Path();
  while (deep.size() < 240) {
    deep += L"\\" + std::wstring(std::min<std::size_t>(60, 245 - deep.size()), L'd');
    ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr));
  }
  PointAt(deep, m_common);
  std::wstring path;
  EXPECT_EQ(GetLogPath(path), static_cast<HRESULT>(0x8007006F));
  EXPECT_EQ(AppendEvent(0, 0, nullptr, nullptr, nullptr, nullptr, 0, nullptr), static_cast<HRESULT>(0x8007006F));
  EXPECT_FALSE(FileExists(deep + L"\\Kestmoor"));
}

// A child process: appends COUNT events whose result text is TAG-n.
WENDRIX_CHILD_ROLE(append_events) {
  if (args.size() != 2) return 90;
  const int count = _wtoi(args[1].c_str());
  for (int i = 0; i < count; ++i) {
    const std::wstring info = args[0] + L"-" + std::to_wstring(i);
    if (AppendEvent(kOriginApplication, kEventSystem, nullptr, nullptr, nullptr, nullptr, kResultSuccess,
                    info.c_str()) != S_OK)
      return 91;
  }
  return 0;
}

TEST_F(EventLogTest, ProcessesAppendingAtOnceLoseAndTearNothing) {
  constexpr int kChildren = 4, kEach = 25;
  std::vector<ChildProcess> children(kChildren);
  for (int c = 0; c < kChildren; ++c)
    ASSERT_TRUE(children[c].Start(L"append_events", {L"c" + std::to_wstring(c), std::to_wstring(kEach)}));
  for (ChildProcess& child : children) EXPECT_EQ(child.Wait(), 0);

  CEventList list;
  ASSERT_EQ(LoadEvents(list), S_OK);
  std::set<std::wstring> seen;
  for (const CEventRecord& r : list.Records()) {
    EXPECT_TRUE(seen.insert(r.resultInfo).second) << "twice: " << testing::PrintToString(r.resultInfo);
    EXPECT_NE(r.date, 0u);
    EXPECT_EQ(r.type, kEventSystem);
  }
  EXPECT_EQ(seen.size(), static_cast<std::size_t>(kChildren * kEach));
}

// Stands in for the pause between attempts: counts the pauses and, at the
// chosen one, closes the handle that holds the log, as another process would.
struct HeldLog {
  static inline HANDLE reader = INVALID_HANDLE_VALUE;
  static inline int pauses = 0;
  static inline int releaseAt = 0;  // 0: never released
  static void Pause(std::uint32_t milliseconds) {
    EXPECT_EQ(milliseconds, 500u);
    if (++pauses == releaseAt) {
      CloseHandle(reader);
      reader = INVALID_HANDLE_VALUE;
    }
  }
};

TEST_F(EventLogTest, ReaderHoldingTheLogMakesTheWriterRetry) {
  ASSERT_EQ(AppendEvent(0, 0, nullptr, nullptr, nullptr, nullptr, 0, nullptr), S_OK);
  SetLogRetryPause(HeldLog::Pause);
  struct Restore {
    ~Restore() {
      SetLogRetryPause(nullptr);
      if (HeldLog::reader != INVALID_HANDLE_VALUE) CloseHandle(HeldLog::reader);
    }
  } restore;

  // Released at the third pause: the fourth attempt writes.
  // Never released: ten attempts, nine pauses, and the sharing violation.
  const struct {
    int releaseAt;
    HRESULT result;
    int pauses;
  } cases[] = {{3, S_OK, 3}, {0, kSharingViolation, 9}};
  std::uint32_t type = 1;
  for (const auto& c : cases) {
    HeldLog::reader = CreateFileW(LogPath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(HeldLog::reader, INVALID_HANDLE_VALUE);
    HeldLog::pauses = 0;
    HeldLog::releaseAt = c.releaseAt;
    EXPECT_EQ(AppendEvent(0, type++, nullptr, nullptr, nullptr, nullptr, 0, nullptr), c.result) << c.releaseAt;
    EXPECT_EQ(HeldLog::pauses, c.pauses) << c.releaseAt;
    if (HeldLog::reader != INVALID_HANDLE_VALUE) CloseHandle(HeldLog::reader);
    HeldLog::reader = INVALID_HANDLE_VALUE;
  }

  CEventList list;
  ASSERT_EQ(LoadEvents(list), S_OK);
  ASSERT_EQ(list.Size(), 2u) << "the event of the failed append is lost, nothing else";
  EXPECT_EQ(list.Records()[1].type, kEventDownloadStarted);
}

CEventRecord Event(std::uint64_t date, std::uint32_t type, const wchar_t* publisher, const wchar_t* item) {
  CEventRecord r;
  r.date = date;
  r.type = type;
  r.origin = kOriginManual;
  r.result = kResultSuccess;
  r.publisher = publisher;
  r.item = item;
  return r;
}

std::vector<std::wstring> Items(const std::vector<const CEventRecord*>& rows) {
  std::vector<std::wstring> items;
  for (const CEventRecord* r : rows) items.push_back(r->item);
  return items;
}

TEST_F(EventLogTest, HistorySelectsSortsAndExports) {
  RegisterAcme();
  CPublisherStore store;
  ASSERT_EQ(store.Open(false, nullptr), S_OK);
  CEventList list;
  list.Records() = {Event(30, kEventInstall, L"acme", L"b"), Event(10, kEventCheck, L"", L"a"),
                    Event(20, kEventDownload, L"Other", L"c"), Event(0, kEventOpen, L"Acme", L"")};

  HistoryView all, single(L"1.2.3");
  EXPECT_EQ(Items(all.Select(list, store)), (std::vector<std::wstring>{L"b", L"a", L"c", L""}));
  std::vector<const CEventRecord*> rows = single.Select(list, store);
  EXPECT_EQ(Items(rows), (std::vector<std::wstring>{L"b", L"a", L""})) << "Acme's records and those without a name";
  EXPECT_TRUE(HistoryView(L"4.5.6").Select(list, store).size() == 1u);

  rows = all.Select(list, store);
  const struct {
    HistoryColumn column;
    bool descending;
    std::vector<std::wstring> order;
  } sorts[] = {
      {HistoryColumn::kDate, false, {L"", L"a", L"c", L"b"}}, {HistoryColumn::kDate, true, {L"b", L"c", L"a", L""}},
      {HistoryColumn::kEvent, false, {L"a", L"c", L"b", L""}},
      {HistoryColumn::kPublisher, false, {L"a", L"", L"b", L"c"}},  // empty first; equal names by date
      {HistoryColumn::kPublisher, true, {L"c", L"b", L"", L"a"}},
      {HistoryColumn::kItem, false, {L"", L"a", L"b", L"c"}},
  };
  for (const auto& s : sorts) {
    all.Sort(rows, s.column, s.descending);
    EXPECT_EQ(Items(rows), s.order) << static_cast<int>(s.column) << s.descending;
  }
  std::vector<const CEventRecord*> singleRows = single.Select(list, store);
  single.Sort(singleRows, HistoryColumn::kPublisher, false);
  EXPECT_EQ(Items(singleRows), (std::vector<std::wstring>{L"", L"a", L"b"})) << "no Publisher column: by date";

  EXPECT_EQ(HistoryCellText(list.Records()[1], HistoryColumn::kPublisher), L"All");
  EXPECT_EQ(HistoryCellText(list.Records()[3], HistoryColumn::kEvent), L"Open");
  EXPECT_EQ(HistoryCellText(list.Records()[3], HistoryColumn::kDate), L"");
  CEventRecord none;
  for (HistoryColumn c : all.Columns()) EXPECT_EQ(HistoryCellText(none, c), L"");

  const std::wstring path = m_temp.File(L"history.txt");
  m_temp.Write(L"history.txt", std::string(5000, 'x'));
  CEventList undated;
  undated.Records() = {Event(0, kEventCheck, L"", std::wstring(1200, L'i').c_str()), Event(0, 8, L"P", L"x\ty")};
  undated.Records()[1].result = kResultNone;
  const std::vector<const CEventRecord*> exportRows = all.Select(undated, store);
  ASSERT_EQ(all.Export(path, exportRows), S_OK);
  std::wstring text;
  ASSERT_EQ(ReadTextFile(path.c_str(), text), S_OK);
  EXPECT_EQ(ReadFileBytes(path).substr(0, 2), "\xFF\xFE");
  EXPECT_EQ(text, L"Date\tOrigin\tEvent\tPublisher\tGroup\tItem\tResult\r\n"
                  L"\tManual\tCheck for updates\tAll\t\t" + std::wstring(1000, L'i') + L"\tSuccess\r\n"
                  L"\tManual\t\tP\t\tx\ty\t\r\n");
  ASSERT_EQ(single.Export(path, {}), S_OK);
  ASSERT_EQ(ReadTextFile(path.c_str(), text), S_OK);
  EXPECT_EQ(text, L"Date\tOrigin\tEvent\tGroup\tItem\tResult\r\n") << "saving over a longer file leaves none of it";
  EXPECT_EQ(all.Export(m_temp.File(L"no\\such\\folder.txt"), exportRows), static_cast<HRESULT>(0x80070003));
}

}  // namespace
}  // namespace wendrix::test
