// Stopping and restarting the product's running programs, with real
// processes: stand-ins that own a window of each class and note the stop
// message they get, and this build's wendrix.exe as the product's main
// program.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "../support/child_process.h"
#include "../support/registry_sandbox.h"
#include "../support/shell_folder_redirect.h"
#include "../support/temp_folder.h"
#include "platform/unique_handle.h"
#include "wendrix.h"

namespace wendrix::test {
namespace {

constexpr HRESULT kBusy = static_cast<HRESULT>(0x800700AA);
constexpr wchar_t kDialog[] = L"WendrixDialog";
constexpr wchar_t kDownload[] = L"WendrixWalletDownload";
constexpr wchar_t kScheduler[] = L"WendrixScheduler";
constexpr wchar_t kProductKey[] = L"SOFTWARE\\Kestmoor\\Wendrix\\3.8";

// ---- The stand-ins ----------------------------------------------------------

struct StandIn {
  std::wstring windowClass;
  bool obeys = true;
  std::wstring log;
};
StandIn g_standIn;

void AppendToLog(const std::string& line) {
  const UniqueFile file(CreateFileW(g_standIn.log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_ALWAYS, 0, nullptr));
  DWORD written = 0;
  WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

LRESULT CALLBACK StandInProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const UINT stop = g_standIn.windowClass == kDialog ? WM_APP + 1 : WM_APP;
  if (message == stop) {
    // Which window, what it was told, and whether its process was raised.
    const bool raised = GetPriorityClass(GetCurrentProcess()) == HIGH_PRIORITY_CLASS;
    std::string line(g_standIn.windowClass.begin(), g_standIn.windowClass.end());
    AppendToLog(line + " " + std::to_string(wParam) + (raised ? " high\n" : " normal\n"));
    if (!g_standIn.obeys) return 0;
    DestroyWindow(window);
    return 1;
  }
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// A program of the product: a hidden top-level window of class args[0] that
// closes on its stop message ("obey") or notes it and stays ("ignore"),
// noting each stop message in the file args[2]; args[3] is the event set
// once the window exists.
WENDRIX_CHILD_ROLE(program_window) {
  if (args.size() != 4) return 90;
  g_standIn = {args[0], args[1] == L"obey", args[2]};
  WNDCLASSW windowClass{};
  windowClass.lpszClassName = g_standIn.windowClass.c_str();
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpfnWndProc = StandInProc;
  if (!RegisterClassW(&windowClass)) return 91;
  if (!CreateWindowExW(0, windowClass.lpszClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                       windowClass.hInstance, nullptr))
    return 92;
  const UniqueKernelObject ready(OpenEventW(EVENT_MODIFY_STATE, FALSE, args[3].c_str()));
  SetEvent(ready.Get());
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  return 0;
}

DWORD WindowProcess(HWND window) {
  DWORD id = 0;
  if (window) GetWindowThreadProcessId(window, &id);
  return id;
}

std::wstring ProcessImage(DWORD id) {
  const UniqueKernelObject process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
  wchar_t path[MAX_PATH];
  DWORD size = MAX_PATH;
  if (!process || !QueryFullProcessImageNameW(process.Get(), 0, path, &size)) return {};
  return std::wstring(path, size);
}

bool EndsWith(const std::wstring& text, const std::wstring& tail) {
  return text.size() >= tail.size() && _wcsicmp(text.c_str() + text.size() - tail.size(), tail.c_str()) == 0;
}

// The user's folders are the test's own: a restart looks there for request
// records.
class ProductProgramsTest : public ShellFolderTest {
 protected:
  void SetUp() override {
    ShellFolderTest::SetUp();
    for (const wchar_t* windowClass : {kDialog, kDownload, kScheduler})
      ASSERT_EQ(FindWindowW(windowClass, nullptr), nullptr) << "a product program runs already";
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring bin = std::wstring(self).substr(0, std::wstring(self).rfind(L'\\'));
    // The product folder is the build's bin folder: its wendrix.exe is the
    // main program that a restart starts, and its library is this one.
    SetStringValue(HKEY_LOCAL_MACHINE, kProductKey, L"Path", bin, KEY_WOW64_32KEY);
    m_log = m_temp.File(L"stops.txt");
  }

  void TearDown() override {
    for (auto& child : m_children) child->Terminate();
    EndMainPrograms();
    DeleteKeyTree(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Kestmoor\\Wendrix", KEY_WOW64_32KEY);
    ShellFolderTest::TearDown();
  }

  // Starts a stand-in and waits until its window exists.
  ChildProcess& Start(const wchar_t* windowClass, bool obeys = true) {
    const std::wstring event = L"WendrixTestProgramReady" + std::to_wstring(m_children.size());
    const UniqueKernelObject ready(CreateEventW(nullptr, TRUE, FALSE, event.c_str()));
    m_children.push_back(std::make_unique<ChildProcess>());
    EXPECT_TRUE(m_children.back()->Start(L"program_window", {windowClass, obeys ? L"obey" : L"ignore", m_log, event}));
    EXPECT_EQ(WaitForSingleObject(ready.Get(), 30000), WAIT_OBJECT_0) << "no window of the stand-in";
    return *m_children.back();
  }

  // Ends what a restart started: the main program's scheduler.
  static void EndMainPrograms() {
    while (HWND window = FindWindowW(kScheduler, nullptr)) {
      if (WindowProcess(window) == GetCurrentProcessId()) {
        DestroyWindow(window);
        continue;
      }
      const UniqueKernelObject process(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, WindowProcess(window)));
      PostMessageW(window, WM_CLOSE, 0, 0);
      if (process && WaitForSingleObject(process.Get(), 10000) != WAIT_OBJECT_0) TerminateProcess(process.Get(), 99);
      if (process) WaitForSingleObject(process.Get(), 5000);
      if (!process) break;
    }
  }

  std::wstring m_log;
  std::vector<std::unique_ptr<ChildProcess>> m_children;
};

// ---- Stop ---------------------------------------------------------------------

// Every window of the three classes is asked, dialog first, scheduler last,
// whatever order they were started in; the dialog alone hears the restart
// flag (bit 0 only); each process is raised to high priority and ends. A
// download window that stays is asked once and makes the stop busy after the
// wait for its process, whose priority is put back; the schedulers after it
// are stopped all the same.
TEST_F(ProductProgramsTest, StopAsksEveryWindowInClassOrder) {
  const struct {
    const char* name;
    HRESULT (*stop)();
    const char* dialogHears;
    bool downloadStays;  // last: its process lives until the test ends
  } cases[] = {
      {"WendrixStop", [] { return WendrixStop(); }, "0", false},
      {"flag 1", [] { return WendrixStopEx(nullptr, 1); }, "1", false},
      {"flag 2", [] { return WendrixStopEx(nullptr, 2); }, "0", false},
      {"a download window that stays", [] { return WendrixStopEx(nullptr, 0); }, "0", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DeleteFileW(m_log.c_str());
    m_children.clear();
    std::vector<ChildProcess*> started;
    for (const wchar_t* windowClass : {kScheduler, kScheduler, kDownload, kDialog})
      started.push_back(&Start(windowClass, !c.downloadStays || windowClass != kDownload));
    EXPECT_EQ(c.stop(), c.downloadStays ? kBusy : S_OK);
    EXPECT_EQ(ReadFileBytes(m_log), std::string("WendrixDialog ") + c.dialogHears +
                                        " high\nWendrixWalletDownload 0 high\nWendrixScheduler 0 high\n"
                                        "WendrixScheduler 0 high\n");
    for (ChildProcess* child : started) {
      if (child != started[2] || !c.downloadStays) {
        EXPECT_EQ(child->Wait(0), 0) << "ended before the stop returned";
      }
    }
    for (const wchar_t* windowClass : {kDialog, kDownload, kScheduler})
      EXPECT_EQ(FindWindowW(windowClass, nullptr) != nullptr, c.downloadStays && windowClass == kDownload);
  }
  const UniqueKernelObject process(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, m_children[2]->Id()));
  ASSERT_TRUE(process);
  EXPECT_EQ(GetPriorityClass(process.Get()), static_cast<DWORD>(NORMAL_PRIORITY_CLASS));
}

// ---- Restart and rollback ---------------------------------------------------

// Creates a journal and rolls it back: S_OK once it is committed (gone).
HRESULT RollBackAnEmptyJournal() {
  WCHAR journal[MAX_PATH];
  HRESULT hr = WendrixCreateRollbackEx(journal, 0);
  if (SUCCEEDED(hr)) hr = WendrixRollbackEx(journal);
  return hr == S_OK && GetFileAttributesW(journal) != INVALID_FILE_ATTRIBUTES ? E_FAIL : hr;
}

// With nothing of another process running, a restart or a rollback starts
// nothing; the restart check turns down the caller's own window: stopping it
// would stop the caller.
bool g_ownWindowAsked = false;
LRESULT CALLBACK OwnSchedulerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_APP) g_ownWindowAsked = true;
  return DefWindowProcW(window, message, wParam, lParam);
}

TEST_F(ProductProgramsTest, RestartOrRollbackWithNothingOfAnotherProcessStartsNothing) {
  EXPECT_EQ(WendrixRestart(), S_OK);
  EXPECT_EQ(RollBackAnEmptyJournal(), S_OK);
  EXPECT_EQ(FindWindowW(kScheduler, nullptr), nullptr) << "nothing ran, nothing is started";
  EXPECT_EQ(FindWindowW(kDialog, nullptr), nullptr);

  WNDCLASSW windowClass{};
  windowClass.lpszClassName = kScheduler;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpfnWndProc = OwnSchedulerProc;
  ASSERT_TRUE(RegisterClassW(&windowClass));
  HWND own = CreateWindowExW(0, kScheduler, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, windowClass.hInstance, nullptr);
  ASSERT_NE(own, nullptr);
  EXPECT_EQ(WendrixRestart(), S_OK);
  EXPECT_FALSE(g_ownWindowAsked);
  EXPECT_EQ(FindWindowW(kScheduler, nullptr), own) << "no second scheduler";
  DestroyWindow(own);
  UnregisterClassW(kScheduler, windowClass.hInstance);
}

// A restart, and a rollback around putting files back, stop the scheduler of
// another process and start the main program again with "/s" in its place.
// With the dialog open too, a restart stops it first for a restart (flag 1);
// a pending request record is left to the main program that takes it up, so
// no dialog is started and the record stays.
TEST_F(ProductProgramsTest, RestartAndRollbackReplaceTheProgramsOfAnotherProcess) {
  const std::wstring record = m_user + L"\\Kestmoor\\Wendrix\\Resume001.ini";
  WriteFile(m_user + L"\\Kestmoor\\Wendrix\\", L"Resume001.ini", L"[Display]\r\n");
  const struct {
    const char* name;
    HRESULT (*act)();
    bool dialogRuns;
  } cases[] = {
      {"restart", [] { return WendrixRestart(); }, false},
      {"restart with the dialog", [] { return WendrixRestart(); }, true},
      {"rollback", RollBackAnEmptyJournal, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EndMainPrograms();
    DeleteFileW(m_log.c_str());
    std::vector<ChildProcess*> old;
    if (c.dialogRuns) old.push_back(&Start(kDialog));
    old.push_back(&Start(kScheduler));
    EXPECT_EQ(c.act(), S_OK);
    EXPECT_EQ(ReadFileBytes(m_log),
              std::string(c.dialogRuns ? "WendrixDialog 1 high\n" : "") + "WendrixScheduler 0 high\n");
    for (ChildProcess* child : old) EXPECT_EQ(child->Wait(0), 0) << "ended before the call returned";
    HWND window = FindWindowW(kScheduler, nullptr);
    ASSERT_NE(window, nullptr) << "the scheduler was not started again";
    EXPECT_TRUE(EndsWith(ProcessImage(WindowProcess(window)), L"\\wendrix.exe")) << ProcessImage(WindowProcess(window));
    EXPECT_EQ(FindWindowW(kDialog, nullptr), nullptr);
    EXPECT_TRUE(FileExists(record)) << "a main program was started for the dialog and took the record";
  }
}

}  // namespace
}  // namespace wendrix::test
