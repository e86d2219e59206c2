// The main window run by WendrixDisplayEx with display flag 0x400 on a
// thread of this process, driven by the messages other processes send it:
// the main-window query, display requests, reloads, a check started from
// its button against the local HTTP server, a download into the wallet by
// the built main program, and the close message with its event.
#include "../update/check_fixture.h"  // winsock2.h before windows.h

#include <commctrl.h>

#include <cwchar>
#include <thread>

#include "../support/built_program.h"
#include "../support/registry_sandbox.h"
#include "eventlog/event_log.h"
#include "registration/side_files.h"
#include "resources/ui_ids.h"
#include "ui_driver.h"
#include "ui/hidden_items.h"
#include "update/display_request.h"
#include "wallet/request_record.h"
#include "wallet/wallet_store.h"
#include "wendrix.h"

namespace wendrix::test {
namespace {

constexpr UINT kStopMessage = WM_APP + 1;

std::wstring CellText(HWND list, int row, int column) {
  wchar_t text[256] = {};
  ListView_GetItemText(list, row, column, text, 256);
  return text;
}

class MainWindowTest : public CheckFixture {
 protected:
  void TearDown() override {
    if (m_ui.joinable()) {
      if (HWND window = FindWindowW(L"WendrixDialog", nullptr)) SendMessageW(window, kStopMessage, 0, 0);
      m_ui.join();
    }
    CheckFixture::TearDown();
  }

  // Runs the user interface as the main program does, and waits until its
  // window is shown: it answers WM_APP once it is built, which is before the
  // dialog box shows it, and what the tests look at is shown only then.
  void Open(std::uint32_t flags, const wchar_t* publisher = nullptr, const wchar_t* item = nullptr) {
    m_closed.Reset(CreateEventW(nullptr, TRUE, FALSE, L"WendrixDialogCloseEvent"));
    ASSERT_TRUE(m_closed);
    m_ui = std::thread([this, flags, publisher, item] {
      m_result = WendrixDisplayEx(nullptr, publisher, nullptr, item, flags | 0x400, nullptr, nullptr);
    });
    ASSERT_TRUE(WaitForWindow());
    ASSERT_TRUE(WaitFor([this] { return IsWindowVisible(m_window) != FALSE; }));
  }
  // The window, of this process or another, once it answers WM_APP.
  bool WaitForWindow() {
    return WaitFor([this] {
      m_window = FindWindowW(L"WendrixDialog", nullptr);
      DWORD_PTR answer = 0;
      return m_window && SendMessageTimeoutW(m_window, WM_APP, 0, 0, SMTO_ABORTIFHUNG, 1000, &answer) && answer;
    });
  }
  std::wstring Text(int id) { return TextOf(GetDlgItem(m_window, id)); }
  int View() { return TabCtrl_GetCurSel(GetDlgItem(m_window, WX_CONTROL_MAIN_VIEWS)); }
  HWND List(int id) { return GetDlgItem(m_window, id); }
  LRESULT SendRequest(const std::vector<std::uint8_t>& bytes) {
    COPYDATASTRUCT data{WM_APP + 6, static_cast<DWORD>(bytes.size()), const_cast<std::uint8_t*>(bytes.data())};
    return SendMessageW(m_window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
  }
  // A publisher whose one item downloads a file the server serves.
  void RegisterServed(const std::wstring& id) {
    ASSERT_NO_FATAL_FAILURE(Register(id));
    const std::string data = DataFile(id, "2.1");
    std::string served = data.substr(0, data.find("URL = ")) + "URL = " + Utf8(m_server.Url("/e.exe")) + "\r\n";
    Serve(id, MakeReply(200, "OK", served));
    m_server.On("/e.exe", MakeReply(200, "OK", std::string(3000, 'e')));
  }
  // Whether the history holds a manual event of `type` with `result`.
  static bool CheckLogged(std::uint32_t result, std::uint32_t type = kEventCheck) {
    CEventList events;
    if (FAILED(LoadEvents(events))) return false;
    for (const CEventRecord& record : events.Records())
      if (record.type == type && record.origin == kOriginManual && record.result == result) return true;
    return false;
  }

  std::thread m_ui;
  HRESULT m_result = E_PENDING;
  HWND m_window = nullptr;
  UniqueKernelObject m_closed;
};

// Opened with flags of its own, it shows their view; told of a newly
// registered publisher, it reloads; requests of other processes open their
// views; the stop message for a restart closes it, signals its event and
// leaves the view it shows to a request record.
TEST_F(MainWindowTest, OpensViewsReloadsAndClosesOnTheStopMessage) {
  ASSERT_NO_FATAL_FAILURE(Open(0x800 | 0x80));
  EXPECT_EQ(SendMessageW(m_window, WM_APP, 0, 0), reinterpret_cast<LRESULT>(m_window));
  EXPECT_EQ(View(), 1) << "Wallet comes before History";
  const HWND items = List(WX_CONTROL_MAIN_ITEMS);
  EXPECT_EQ(ListView_GetItemCount(items), 0);
  EXPECT_NE(Text(WX_CONTROL_MAIN_SUMMARY).find(L"The list of publishers is empty."), std::wstring::npos);
  ASSERT_NO_FATAL_FAILURE(Register(L"7.7"));
  EXPECT_EQ(ListView_GetItemCount(items), 0) << "not before it is told";
  SendMessageW(m_window, WM_APP + 4, 0, 0);
  ASSERT_EQ(ListView_GetItemCount(items), 1);
  EXPECT_EQ(CellText(items, 0, 0), L"Publisher 7.7");
  EXPECT_NE(Text(WX_CONTROL_MAIN_SUMMARY).find(L"has not been loaded yet"), std::wstring::npos);

  DisplayRequest request;
  const struct {
    std::uint32_t flags;
    int view, list;
  } kRequests[] = {{0x800, 2, WX_CONTROL_MAIN_HISTORY}, {0x40 | 0x800, 0, WX_CONTROL_MAIN_ITEMS},
                   {0x80 | 0x800, 1, WX_CONTROL_MAIN_WALLET}};
  for (const auto& r : kRequests) {
    request.flags = r.flags;
    EXPECT_EQ(SendRequest(EncodeDisplayRequest(request)), S_OK);
    EXPECT_EQ(View(), r.view) << std::hex << r.flags;
    for (const int list : {WX_CONTROL_MAIN_ITEMS, WX_CONTROL_MAIN_WALLET, WX_CONTROL_MAIN_HISTORY})
      EXPECT_EQ(IsWindowVisible(List(list)) != FALSE, list == r.list) << std::hex << r.flags << " " << list;
  }
  // Bytes that are no request change nothing.
  EXPECT_EQ(static_cast<HRESULT>(SendRequest({1, 2, 3})), E_INVALIDARG);
  EXPECT_EQ(View(), 1);

  EXPECT_EQ(WaitForSingleObject(m_closed.Get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_FALSE(RequestRecordPending());
  EXPECT_EQ(SendMessageW(m_window, kStopMessage, 1, 0), 1);
  m_ui.join();
  EXPECT_EQ(m_result, S_OK);
  EXPECT_EQ(WaitForSingleObject(m_closed.Get(), 0), WAIT_OBJECT_0);
  RequestRecord record;
  bool found = false;
  ASSERT_EQ(TakeRequestRecord(record, found), S_OK);
  ASSERT_TRUE(found);
  EXPECT_EQ(record.flags, 0x80u) << "the Wallet view";
  EXPECT_FALSE(record.list.has_value()) << "nothing was queued";
}

// Its button starts a check that fills the rows and is logged, or stops the
// running one, once; a publisher that fails makes a check an error.
TEST_F(MainWindowTest, ItsButtonChecksOrStopsTheCheckAndEachIsLogged) {
  ASSERT_NO_FATAL_FAILURE(Register(L"7.7"));
  HttpReply slow = MakeReply(200, "OK", DataFile(L"7.7", "2.1"));
  slow.delayMs = 1500;
  Serve(L"7.7", slow);
  ASSERT_NO_FATAL_FAILURE(Open(0));
  const HWND button = GetDlgItem(m_window, WX_CONTROL_MAIN_CHECK);
  const auto click = [&] {
    SendMessageW(m_window, WM_COMMAND, MAKEWPARAM(WX_CONTROL_MAIN_CHECK, BN_CLICKED), reinterpret_cast<LPARAM>(button));
  };
  click();
  EXPECT_EQ(Text(WX_CONTROL_MAIN_CHECK), L"&Stop");
  click();
  EXPECT_FALSE(IsWindowEnabled(button)) << "a stop is asked once";
  EXPECT_TRUE(WaitFor([this] { return CheckLogged(kResultAborted); }));
  EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(button) != FALSE; }));
  EXPECT_EQ(Text(WX_CONTROL_MAIN_CHECK), L"&Check for Updates");
  EXPECT_FALSE(CheckLogged(kResultSuccess));

  Serve(L"7.7", MakeReply(200, "OK", DataFile(L"7.7", "2.1")));
  click();
  ASSERT_TRUE(WaitFor([this] { return ListView_GetItemCount(List(WX_CONTROL_MAIN_ITEMS)) == 2; }));
  EXPECT_TRUE(WaitFor([this] { return CheckLogged(kResultSuccess); }));
  const HWND items = List(WX_CONTROL_MAIN_ITEMS);
  EXPECT_EQ(CellText(items, 0, 1), L"Editor");
  EXPECT_EQ(CellText(items, 0, 3), L"2.1");
  EXPECT_EQ(CellText(items, 0, 4), L"New");
  EXPECT_EQ(CellText(items, 1, 0), L"Publisher 7.7");
  EXPECT_EQ(CellText(items, 1, 4), L"Active");
  EXPECT_EQ(Text(WX_CONTROL_MAIN_SUMMARY), L"New items are available.");
  EXPECT_TRUE(WaitFor([this] { return ListView_GetItemCount(List(WX_CONTROL_MAIN_HISTORY)) == 2; }))
      << "the history shows both checks";

  Serve(L"7.7", MakeReply(500, "Server Error", "no"));
  EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(button) != FALSE && Text(WX_CONTROL_MAIN_CHECK) != L"&Stop"; }));
  click();
  EXPECT_TRUE(WaitFor([this] { return CheckLogged(kResultError); }));
  EXPECT_TRUE(WaitFor([this] { return CellText(List(WX_CONTROL_MAIN_ITEMS), 1, 4) == L"Error"; }));
}

// For one publisher it shows only it and selects the item asked for; its
// Download button queues the selected item, which the built main program
// downloads into the wallet.
TEST_F(MainWindowTest, ForOnePublisherItSelectsTheItemAndDownloadsIt) {
  SetStringValue(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Kestmoor\\Wendrix\\3.8", L"Path", BinFolder(), KEY_WOW64_32KEY);
  ASSERT_NO_FATAL_FAILURE(RegisterServed(L"7.7"));
  ASSERT_NO_FATAL_FAILURE(RegisterServed(L"8.8"));
  WriteFile(UserFolder(), L"CurrentUserPublishers.ini", ReadText(UserFolder() + L"CurrentUserPublishers.ini") +
                                                            L"[8.8]\r\nApplicationName = en, Acme Editor\r\n");
  ASSERT_EQ(Check(), S_OK) << "the item is known before the window opens";
  ASSERT_NO_FATAL_FAILURE(Open(0, L"Publisher 8.8", L"editor"));  // by name
  const HWND items = List(WX_CONTROL_MAIN_ITEMS);
  ASSERT_EQ(ListView_GetItemCount(items), 2);
  EXPECT_EQ(CellText(items, 0, 0), L"Publisher 8.8");
  EXPECT_EQ(ListView_GetNextItem(items, -1, LVNI_SELECTED), 0) << "the item's row";
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(m_window, WX_CONTROL_MAIN_DOWNLOAD)));
  EXPECT_EQ(TextOf(m_window), L"Acme Editor") << "the publisher's application name";

  // Nothing selected: nothing is queued.
  const auto download = [this] {
    SendMessageW(m_window, WM_COMMAND, MAKEWPARAM(WX_CONTROL_MAIN_DOWNLOAD, BN_CLICKED), 0);
  };
  ListView_SetItemState(items, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  download();
  EXPECT_EQ(Text(WX_CONTROL_MAIN_PROGRESS_TEXT), L"Select an item to download or install.");

  ListView_SetItemState(items, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  download();
  CWallet wallet;
  // What the wallet holds, for a download that does not finish in time.
  const auto walletState = [&] {
    std::wstring state = FAILED(wallet.LoadAll()) ? L"unreadable" : std::to_wstring(wallet.Entries().size()) + L" entries";
    for (const WalletEntry& entry : wallet.Entries()) {
      wchar_t error[16];
      swprintf(error, 16, L"0x%08X", static_cast<unsigned>(entry.wallet.error));
      state += L"; " + entry.Id() + L" status " + std::to_wstring(entry.Status()) + L" error " + error;
    }
    return state;
  };
  ASSERT_TRUE(WaitFor([&] {
    return SUCCEEDED(wallet.LoadAll()) && wallet.Entries().size() == 1 &&
           wallet.Entries().front().Status() == kWalletDownloaded;
  })) << walletState();
  EXPECT_EQ(wallet.Entries().front().wallet.origin, kOriginManual);
  EXPECT_EQ(WalletEntrySizeOnDisk(wallet.Entries().front(), false), 3000u);
  // The download manager's status messages refresh the Wallet view.
  const HWND walletList = List(WX_CONTROL_MAIN_WALLET);
  EXPECT_TRUE(WaitFor([&] { return CellText(walletList, 0, 2) == L"Downloaded"; })) << CellText(walletList, 0, 2);
  EXPECT_EQ(CellText(walletList, 0, 4), L"100%");
}

// A data file of publisher `id` whose item "tool" is found installed (at
// kernel32.dll's version) and offered at a higher version.
std::string ToolFile(const std::wstring& id) {
  return "[Publisher]\r\nID = " + Utf8(id) + "\r\nName = Publisher " + Utf8(id) + "\r\nHomePage = http://p" + Utf8(id) +
         ".example/\r\nApplication = \"Kestmoor(R) Wendrix(TM)\"\r\n[Text]\r\nID = t\r\nText = en, Tool\r\n"
         "[InstalledVersion]\r\nID = iv\r\nSystem = kernel32.dll\r\n[Item]\r\nID = tool\r\nTitle = t\r\n"
         "Type = Software\r\nInstalledVersion = iv\r\nAction = get\r\n"
         "[Action]\r\nID = get\r\nType = Download\r\nSubtype = Update\r\nVersion = 99999.0\r\n"
         "URL = http://x.example/tool.exe\r\n";
}

TEST_F(MainWindowTest, AHiddenItemLeavesAllItemsUntilRestoredAndTheSummaryTellsOfItsUpdate) {
  ASSERT_NO_FATAL_FAILURE(Register(L"7.7"));
  Serve(L"7.7", MakeReply(200, "OK", ToolFile(L"7.7")));
  ASSERT_EQ(Check(), S_OK);
  ASSERT_NO_FATAL_FAILURE(Open(0));
  const HWND items = List(WX_CONTROL_MAIN_ITEMS);
  ASSERT_EQ(ListView_GetItemCount(items), 2);
  ASSERT_EQ(CellText(items, 0, 1), L"Tool");
  ASSERT_EQ(CellText(items, 0, 4), L"New update available") << "the item must be an installed one with an update";
  const std::wstring note = L"Updates for hidden items are available.";
  auto summary = [this] { return Text(WX_CONTROL_MAIN_SUMMARY); };
  EXPECT_EQ(summary().find(note), std::wstring::npos);
  auto send = [this](int command) { SendMessageW(m_window, WM_COMMAND, MAKEWPARAM(command, 0), 0); };
  const std::wstring ina = UserFolder() + L"7.7.ina";

  // Nothing selected, or the publisher's own row: nothing is hidden.
  send(WX_COMMAND_MAIN_HIDE_ITEM);
  EXPECT_EQ(Text(WX_CONTROL_MAIN_PROGRESS_TEXT), L"Select an item to download or install.");
  ListView_SetItemState(items, 1, LVIS_SELECTED, LVIS_SELECTED);
  send(WX_COMMAND_MAIN_HIDE_ITEM);
  EXPECT_EQ(ListView_GetItemCount(items), 2);
  EXPECT_EQ(ReadText(ina), L"<missing>");

  ListView_SetItemState(items, 0, LVIS_SELECTED, LVIS_SELECTED);
  send(WX_COMMAND_MAIN_HIDE_ITEM);
  ASSERT_EQ(ListView_GetItemCount(items), 1);
  EXPECT_EQ(CellText(items, 0, 0), L"Publisher 7.7");
  EXPECT_NE(summary().find(note), std::wstring::npos) << summary();
  EXPECT_EQ(ReadText(ina), L"tool\r\n");

  // A check keeps the item hidden (it still names an item) and offers no
  // update of it; a reload of the publishers shows it hidden still.
  ASSERT_EQ(Check(), S_OK);
  EXPECT_EQ(ReadText(ina), L"tool\r\n");
  SendMessageW(m_window, WM_APP + 4, 0, 0);
  EXPECT_EQ(ListView_GetItemCount(items), 1);
  EXPECT_NE(summary().find(note), std::wstring::npos);

  send(WX_COMMAND_MAIN_RESTORE_ITEMS);
  ASSERT_EQ(ListView_GetItemCount(items), 2);
  EXPECT_EQ(CellText(items, 0, 1), L"Tool");
  EXPECT_EQ(summary().find(note), std::wstring::npos);
  EXPECT_EQ(ReadText(ina), L"<missing>");
}

TEST_F(MainWindowTest, HidingAnItemKeepsTheOtherLinesAndRefusesAnIdThatWouldAddOne) {
  PublisherRecord record;
  record.id = L"7.7";
  const std::wstring ina = UserFolder() + L"7.7.ina";
  ASSERT_EQ(WriteSideFile(record, SideFile::kInactiveItems, L"other", nullptr), S_OK);  // no final line end
  const struct {
    const wchar_t* id;
    HRESULT result;
    const wchar_t* text;
  } kCases[] = {
      {L"tool", S_OK, L"other\r\ntool\r\n"},
      {L"TOOL", S_OK, L"other\r\ntool\r\n"},  // already there, in another case
      {L"", E_INVALIDARG, L"other\r\ntool\r\n"},
      {L"a\r\nb", E_INVALIDARG, L"other\r\ntool\r\n"},
      {L"a\nb", E_INVALIDARG, L"other\r\ntool\r\n"},
      {L"viewer", S_OK, L"other\r\ntool\r\nviewer\r\n"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(HideItem(record, c.id), c.result) << testing::PrintToString(std::wstring(c.id));
    EXPECT_EQ(ReadText(ina), c.text) << testing::PrintToString(std::wstring(c.id));
  }
  EXPECT_EQ(RestoreHiddenItems(record), S_OK);
  EXPECT_EQ(ReadText(ina), L"<missing>");
  EXPECT_EQ(RestoreHiddenItems(record), S_OK) << "nothing hidden is no error";
  record.id = L"..\\x";
  EXPECT_EQ(HideItem(record, L"tool"), E_INVALIDARG) << "an ID that is no file name";
}

// The main program's command lines open their view, and the control panel's
// checks at once; without arguments it takes the request records: their
// view, and their items into the queue. Each closes on the stop message.
TEST_F(MainWindowTest, MainProgramDisplayCommandLinesOpenTheirViewAndCheck) {
  m_closed.Reset(CreateEventW(nullptr, TRUE, FALSE, L"WendrixDialogCloseEvent"));
  ASSERT_NO_FATAL_FAILURE(RegisterServed(L"7.7"));
  RequestRecord record;
  record.flags = 0x800;
  RequestedItem item;
  item.publisher = L"9.9";  // not registered: its start fails and is logged
  item.item = L"gone";
  RequestedItems list;
  list.items.push_back(item);
  record.list = list;
  const struct {
    const wchar_t* arguments;
    int view;
    bool checks;
    int items;  // rows of All Items once shown; 0: not looked at
  } kCases[] = {
      {L"\"/p:\" \"/g:\" \"/i:\" /f:0x880 \"/x:\" \"/u:\"", 1, false, 0},  // Wallet before History
      {L"/f:0x4", 0, true, 0},  // the control panel's task: open and check at once
      // The launcher's start of a new version after a self-update: the flag
      // names no view, so the window opens at All Items and checks nothing.
      {L"/f:0x80000000", 0, false, 2},
      {L"", 2, false, 0},  // the record's view
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(Utf8(c.arguments));
    ResetEvent(m_closed.Get());
    std::wstring path;
    if (!*c.arguments) {
      ASSERT_EQ(SaveRequestRecord(record, path), S_OK);
    }
    BuiltProgram program(L"wendrix.exe", c.arguments);
    ASSERT_TRUE(WaitForWindow());
    EXPECT_EQ(View(), c.view);
    if (c.checks) {
      EXPECT_TRUE(WaitFor([this] { return CheckLogged(kResultSuccess); }));
    } else {
      EXPECT_EQ(Text(WX_CONTROL_MAIN_CHECK), L"&Check for Updates") << "no check runs";
    }
    if (c.items) {
      EXPECT_EQ(ListView_GetItemCount(List(WX_CONTROL_MAIN_ITEMS)), c.items);
    }
    if (!*c.arguments) {
      EXPECT_FALSE(RequestRecordPending()) << "the record was taken";
      EXPECT_TRUE(WaitFor([] { return CheckLogged(kResultError, kEventDownloadStarted); }))
          << "the record's item went through the queue";
    }
    EXPECT_EQ(SendMessageW(m_window, WM_APP + 1, 0, 0), 1);
    EXPECT_EQ(program.Wait(20000), std::optional<DWORD>(0));
    EXPECT_EQ(WaitForSingleObject(m_closed.Get(), 0), WAIT_OBJECT_0);
    EXPECT_FALSE(RequestRecordPending()) << "a stop not for a restart leaves no record";
  }
}

}  // namespace
}  // namespace wendrix::test
