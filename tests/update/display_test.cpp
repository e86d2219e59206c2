// Display requests: the flags and bytes of a request, and the display
// exports against a stand-in main program (fake_main_program.cpp) that runs
// already or is started from a temporary product folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "../support/built_program.h"
#include "../support/registry_sandbox.h"
#include "../support/temp_folder.h"
#include "platform/unique_handle.h"
#include "update/display.h"
#include "update/display_request.h"
#include "wendrix.h"

namespace wendrix::test {
namespace {

// ---- The request itself ------------------------------------------------

TEST(DisplayRequest, OnlyTheFirstViewFlagCounts) {
  struct Case {
    std::uint32_t flags, expected;
  };
  const Case cases[] = {
      {0x80 | 0x800, 0x80},                           // Wallet before History
      {0x800 | 0x40 | 0x200 | 0x100, 0x100},          // Options before everything
      {0x800 | 0x40 | 0x200, 0x200},                  // then About
      {0x800 | 0x80 | 0x40, 0x40},                    // then All Items
      {0x800 | 0x10000000 | 0x400, 0x800 | 0x10000000 | 0x400},
      {0x80 | 0x800 | 0x10000000 | 0x400 | 0x8, 0x80 | 0x10000000 | 0x400 | 0x8},  // other flags stay
      {0, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(NormaliseDisplayFlags(c.flags), c.expected) << std::hex << c.flags;
  EXPECT_EQ(MakeDisplayRequest(0x80 | 0x800, nullptr, nullptr, nullptr, nullptr, nullptr).flags, 0x80u);
}

// The little-endian bytes of an ASCII text in UTF-16 with its zero unit.
std::string Utf16z(const std::string& text) {
  std::string out;
  for (char c : text) out += {c, '\0'};
  return out + std::string(2, '\0');
}

std::string Bytes(const std::vector<std::uint8_t>& v) { return std::string(v.begin(), v.end()); }

// The flags, then five texts; units beyond ASCII go over unchanged,
// surrogates included. Damaged bytes are refused and change nothing.
TEST(DisplayRequest, EncodingAndDecoding) {
  const DisplayRequest wide = MakeDisplayRequest(0x10000800, L"\u00E9\u4E2D\xD83D\xDE00", nullptr, L"ed", L"a", L"d");
  const std::vector<std::uint8_t> good = EncodeDisplayRequest(wide);
  EXPECT_EQ(Bytes(good), std::string("\x00\x08\x00\x10\xE9\x00\x2D\x4E\x3D\xD8\x00\xDE\x00\x00", 14) + Utf16z("") +
                             Utf16z("ed") + Utf16z("a") + Utf16z("d"));
  DisplayRequest out;
  out.publisher = L"untouched";
  std::vector<std::uint8_t> longer = good;
  longer.insert(longer.end(), {'x', 0});  // a sixth text
  for (std::size_t size : {std::size_t{0}, std::size_t{3}, good.size() - 1, good.size() - 2, longer.size()})
    EXPECT_EQ(DecodeDisplayRequest(longer.data(), size, out), E_INVALIDARG) << size;
  EXPECT_EQ(out.publisher, L"untouched");
  ASSERT_EQ(DecodeDisplayRequest(good.data(), good.size(), out), S_OK);
  EXPECT_EQ(out.flags, 0x10000800u);
  EXPECT_EQ(out.publisher, wide.publisher);
  EXPECT_EQ(out.currentDirectory, L"d");
}

// Texts that would end their quoted run early, or pass for switches of their
// own, come back whole: six parameters, each text as it was.
TEST(DisplayRequest, EveryTextComesBackWholeFromTheCommandLine) {
  const wchar_t* const kTexts[] = {
      L"",           L"plain",           L"x\" \"/x:calc.exe",  L"\"",          L"\"\"",          L"a \"b\" c",
      L"ends\\",    L"C:\\dir\\",    L"tab\there",           L"\" /f:0x1 \"", L"\u00E9\u4E2D",  L"two  blanks",
  };
  for (const wchar_t* text : kTexts) {
    // The flags as hexadecimal with the first view flag only (no History) and 0x400 added.
    const DisplayRequest request = MakeDisplayRequest(0xAB | 0x800, text, text, text, text, text);
    const std::vector<std::wstring> parameters = ReadQuotedParameters(MainProgramParameters(request));
    const std::wstring t = text;
    EXPECT_EQ(parameters, (std::vector<std::wstring>{L"/p:" + t, L"/g:" + t, L"/i:" + t, L"/f:0x4AB", L"/x:" + t,
                                                     L"/u:" + t}))
        << testing::PrintToString(t);
  }
  // The reader alone: blanks separate, quotes join, "" inside quotes is one.
  EXPECT_EQ(ReadQuotedParameters(L"  a\t\"b c\"d \"e\"\"f\" \"\"  "),
            (std::vector<std::wstring>{L"a", L"b cd", L"e\"f", L""}));
}

// ---- The exports against a stand-in main program -----------------------

constexpr wchar_t kDialogClass[] = L"WendrixDialog";
constexpr wchar_t kProductKey[] = L"SOFTWARE\\Kestmoor\\Wendrix";

std::wstring ReadUtf16(const std::wstring& path) {
  const std::string bytes = ReadFileBytes(path);
  return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
}

HWND WaitForDialog() {
  for (int i = 0; i < 200; ++i, Sleep(50))
    if (HWND window = FindWindowW(kDialogClass, nullptr)) return window;
  return nullptr;
}

// Each test gets a product folder registered in the machine's 32-bit view
// (the view the library reads), with the stand-in copied in as wendrix.exe
// unless the test says otherwise, and no main window running.
class DisplayTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(FindWindowW(kDialogClass, nullptr), nullptr) << "a main window runs already";
    SetStringValue(HKEY_LOCAL_MACHINE, std::wstring(kProductKey) + L"\\3.8", L"Path", m_product.Path(),
                   KEY_WOW64_32KEY);
    ClearEnvironment();
  }
  static void ClearEnvironment() {
    for (const wchar_t* name : {L"WENDRIX_FAKE_ANSWER", L"WENDRIX_FAKE_READY_AFTER", L"WENDRIX_FAKE_EXIT"})
      SetEnvironmentVariableW(name, nullptr);
  }
  void TearDown() override {
    EndRunning();
    DeleteKeyTree(HKEY_LOCAL_MACHINE, kProductKey, KEY_WOW64_32KEY);
    ClearEnvironment();
  }

  void InstallFake() {
    const std::wstring fake = BinFolder() + L"\\update_data\\fake_main_program.exe";
    ASSERT_TRUE(CopyFileW(fake.c_str(), Program().c_str(), FALSE)) << GetLastError();
  }
  std::wstring Program() const { return m_product.File(L"wendrix.exe"); }

  // Starts the stand-in directly, as a main program that was running before.
  HWND StartRunning() {
    InstallFake();
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    std::wstring command = L"\"" + Program() + L"\"";
    EXPECT_TRUE(CreateProcessW(Program().c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &m_running));
    return WaitForDialog();
  }

  // Ends the stand-in behind the dialog window, however it was started, and
  // forgets the one StartRunning started.
  void EndRunning() {
    if (HWND window = FindWindowW(kDialogClass, nullptr)) {
      DWORD processId = 0;
      GetWindowThreadProcessId(window, &processId);
      UniqueKernelObject process(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, processId));
      PostMessageW(window, WM_CLOSE, 0, 0);
      if (process && WaitForSingleObject(process.Get(), 10000) != WAIT_OBJECT_0) TerminateProcess(process.Get(), 1);
    }
    if (!m_running.hProcess) return;
    WaitForSingleObject(m_running.hProcess, 5000);
    CloseHandle(m_running.hProcess);
    CloseHandle(m_running.hThread);
    m_running = {};
  }

  std::string Request() const { return ReadFileBytes(m_product.File(L"request.bin")); }

  TempFolder m_product;
  PROCESS_INFORMATION m_running{};
};

// A running window takes the request and is shown; its answer is the
// result, and only a negative answer is a failure.
TEST_F(DisplayTest, RunningWindowTakesTheRequestAndItsAnswerIsTheResult) {
  SetEnvironmentVariableW(L"WENDRIX_FAKE_ANSWER", L"7");
  HWND window = StartRunning();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(IsIconic(window));
  ASSERT_EQ(WendrixDisplayEx(nullptr, L"1.2", L"tools", L"ed", 0x80 | 0x800, L"/x \"y\"", L"C:\\w"), S_OK);
  EXPECT_EQ(Request(), std::string("\x80\0\0\0", 4) + Utf16z("1.2") + Utf16z("tools") + Utf16z("ed") +
                           Utf16z("/x \"y\"") + Utf16z("C:\\w"))
      << "Wallet only, texts as given";
  EXPECT_TRUE(IsWindowVisible(window)) << "the main window is shown";
  EXPECT_FALSE(IsIconic(window)) << "and restored";

  // The ANSI twin: no group, command line or current directory.
  ASSERT_EQ(WendrixDisplay(nullptr, "1.2", "ed", 0x200 | 0x40), S_OK);
  EXPECT_EQ(Request(), std::string("\x00\x02\0\0", 4) + Utf16z("1.2") + Utf16z("") + Utf16z("ed") + Utf16z("") +
                           Utf16z(""));

  EndRunning();
  const HRESULT refusal = static_cast<HRESULT>(0x80040123);
  SetEnvironmentVariableW(L"WENDRIX_FAKE_ANSWER", std::to_wstring(static_cast<long>(refusal)).c_str());
  ASSERT_NE(StartRunning(), nullptr);
  EXPECT_EQ(WendrixDisplayEx(nullptr, nullptr, nullptr, nullptr, 0x100, nullptr, nullptr), refusal);
}

// A request to run the user interface here, given to a running window,
// returns only when that user interface has closed: its window closes, its
// process dies, or it lives on without its window and never signals.
TEST_F(DisplayTest, InProcessRequestWaitsForTheRunningWindowToGo) {
  for (const char* end : {"close", "crash", "linger"}) {
    SCOPED_TRACE(end);
    const std::string how = end;
    SetEnvironmentVariableW(L"WENDRIX_FAKE_LINGER", how == "linger" ? L"60000" : nullptr);
    HWND window = StartRunning();
    SetEnvironmentVariableW(L"WENDRIX_FAKE_LINGER", nullptr);
    ASSERT_NE(window, nullptr);
    std::atomic<HRESULT> result{E_PENDING};
    std::thread caller([&] { result = WendrixDisplayEx(nullptr, L"1.2", nullptr, nullptr, 0x400, nullptr, nullptr); });
    for (int i = 0; i < 200 && Request().empty(); ++i) Sleep(50);
    ASSERT_FALSE(Request().empty()) << "the request arrived";
    EXPECT_EQ(Request().substr(0, 4), std::string("\x00\x04\0\0", 4));
    Sleep(300);
    EXPECT_EQ(result.load(), E_PENDING) << "returned before the window closed";
    if (how == "crash") TerminateProcess(m_running.hProcess, 3);
    else PostMessageW(window, WM_CLOSE, 0, 0);
    caller.join();
    EXPECT_EQ(result.load(), S_OK);
    if (how == "linger") {
      EXPECT_EQ(WaitForSingleObject(m_running.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT))
          << "returned when the window went, not when the process ended";
      TerminateProcess(m_running.hProcess, 0);
    }
    EndRunning();
    DeleteFileW(m_product.File(L"request.bin").c_str());
  }
}

TEST_F(DisplayTest, StartsTheMainProgramWithTheRequest) {
  InstallFake();
  // The export runs the user interface here itself (tests/ui); without it
  // a request to run here needs a running window.
  EXPECT_EQ(ShowUserInterface(nullptr, MakeDisplayRequest(0x400 | 0x80, nullptr, nullptr, nullptr, nullptr, nullptr)),
            E_NOTIMPL);
  EXPECT_FALSE(FileExists(m_product.File(L"started.txt"))) << "nothing was started";

  // The window answers 0 to the first two queries: the library asks again.
  SetEnvironmentVariableW(L"WENDRIX_FAKE_READY_AFTER", L"2");
  ASSERT_EQ(WendrixDisplayEx(nullptr, L"1.2", nullptr, L"it\"em", 0x80 | 0x800 | 0x10000000, L"say \"hi\"",
                             L"C:\\a \"b\""),
            S_OK);
  const std::wstring started = ReadUtf16(m_product.File(L"started.txt"));
  const std::size_t lineEnd = started.find(L'\n');
  ASSERT_NE(lineEnd, std::wstring::npos) << "the main program was started";
  const std::wstring commandLine = started.substr(0, lineEnd);
  const std::wstring expected = L"wendrix.exe\" " + MainProgramParameters(MakeDisplayRequest(
                                           0x80 | 0x800 | 0x10000000, L"1.2", nullptr, L"it\"em", L"say \"hi\"",
                                           L"C:\\a \"b\""));
  ASSERT_GE(commandLine.size(), expected.size());
  EXPECT_EQ(commandLine.substr(commandLine.size() - expected.size()), expected) << commandLine;
  EXPECT_EQ(CompareStringOrdinal(started.c_str() + lineEnd + 1, -1, m_product.Path().c_str(), -1, TRUE), CSTR_EQUAL)
      << "working directory: " << started.substr(lineEnd + 1);
  EXPECT_EQ(ReadUtf16(m_product.File(L"queries.txt")), L"3") << "asked until the window was ready, then no more";
}

TEST_F(DisplayTest, OnlyAStartThatFailsIsAFailure) {
  // The product folder has no main program.
  EXPECT_EQ(WendrixDisplayEx(nullptr, nullptr, nullptr, nullptr, 0x100, nullptr, nullptr), E_FAIL);

  // Started, then gone before its window appeared.
  InstallFake();
  SetEnvironmentVariableW(L"WENDRIX_FAKE_EXIT", L"1");
  EXPECT_EQ(WendrixDisplayEx(nullptr, nullptr, nullptr, nullptr, 0x100, nullptr, nullptr), S_OK);
  EXPECT_NE(ReadUtf16(m_product.File(L"started.txt")), L"");

  // A window that never gets ready is asked 20 times, then left alone.
  SetEnvironmentVariableW(L"WENDRIX_FAKE_EXIT", nullptr);
  SetEnvironmentVariableW(L"WENDRIX_FAKE_READY_AFTER", L"1000");
  EXPECT_EQ(WendrixDisplayEx(nullptr, nullptr, nullptr, nullptr, 0x100, nullptr, nullptr), S_OK);
  EXPECT_EQ(ReadUtf16(m_product.File(L"queries.txt")), L"20");
}

}  // namespace
}  // namespace wendrix::test
