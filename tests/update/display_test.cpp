// Display requests: the flags and bytes of a request, and the display
// exports against a stand-in main program (fake_main_program.cpp) that runs
// already or is started from a temporary product folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "../support/registry_sandbox.h"
#include "../support/temp_folder.h"
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
  for (char c : text) {
    out += c;
    out += '\0';
  }
  return out + std::string(2, '\0');
}

std::string Bytes(const std::vector<std::uint8_t>& v) { return std::string(v.begin(), v.end()); }

TEST(DisplayRequest, TravelsAsFlagsThenFiveTexts) {
  const DisplayRequest request = MakeDisplayRequest(0x10000800, L"1.2", nullptr, L"ed", L"a \"b\"", nullptr);
  const std::string expected =
      std::string("\x00\x08\x00\x10", 4) + Utf16z("1.2") + Utf16z("") + Utf16z("ed") + Utf16z("a \"b\"") + Utf16z("");
  EXPECT_EQ(Bytes(EncodeDisplayRequest(request)), expected);

  // Units beyond ASCII go over unchanged, surrogates included.
  const DisplayRequest wide = MakeDisplayRequest(0, L"\u00E9\u4E2D\xD83D\xDE00", L"", L"", L"", L"");
  EXPECT_EQ(Bytes(EncodeDisplayRequest(wide)).substr(4, 10), std::string("\xE9\x00\x2D\x4E\x3D\xD8\x00\xDE\x00\x00", 10));

  DisplayRequest back;
  const std::vector<std::uint8_t> bytes = EncodeDisplayRequest(wide);
  ASSERT_EQ(DecodeDisplayRequest(bytes.data(), bytes.size(), back), S_OK);
  EXPECT_EQ(back.publisher, wide.publisher);
}

TEST(DisplayRequest, DecodingRefusesDamagedBytes) {
  const std::vector<std::uint8_t> good =
      EncodeDisplayRequest(MakeDisplayRequest(0x40, L"p", L"g", L"i", L"c", L"d"));
  DisplayRequest out;
  out.publisher = L"untouched";
  const std::size_t sizes[] = {0, 3, good.size() - 1, good.size() - 2};  // no flags, odd, last zero missing
  for (std::size_t size : sizes) EXPECT_EQ(DecodeDisplayRequest(good.data(), size, out), E_INVALIDARG) << size;
  std::vector<std::uint8_t> longer = good;
  longer.insert(longer.end(), {'x', 0});
  EXPECT_EQ(DecodeDisplayRequest(longer.data(), longer.size(), out), E_INVALIDARG) << "a sixth text";
  EXPECT_EQ(out.publisher, L"untouched");
  ASSERT_EQ(DecodeDisplayRequest(good.data(), good.size(), out), S_OK);
  EXPECT_EQ(out.flags, 0x40u);
  EXPECT_EQ(out.currentDirectory, L"d");
}

TEST(DisplayRequest, MainProgramParameters) {
  const DisplayRequest request =
      MakeDisplayRequest(0x80 | 0x800 | 0x10000000, L"1.2", nullptr, L"it\"em", L"say \"hi\"", L"C:\\a \"b\"");
  // Every text doubles its quotes.
  EXPECT_EQ(MainProgramParameters(request),
            L"\"/p:1.2\" \"/g:\" \"/i:it\"\"em\" /f:0x10000480 \"/x:say \"\"hi\"\"\" \"/u:C:\\a \"\"b\"\"\"");
  EXPECT_EQ(MainProgramParameters(MakeDisplayRequest(0xAB, nullptr, nullptr, nullptr, nullptr, nullptr)),
            L"\"/p:\" \"/g:\" \"/i:\" /f:0x4AB \"/x:\" \"/u:\"");
}

// Texts that would end their quoted run early, or pass for switches of their
// own, come back whole: six parameters, each text as it was.
TEST(DisplayRequest, EveryTextComesBackWholeFromTheCommandLine) {
  const wchar_t* const kTexts[] = {
      L"",           L"plain",           L"x\" \"/x:calc.exe",  L"\"",          L"\"\"",          L"a \"b\" c",
      L"ends\\",    L"C:\\dir\\",    L"tab\there",           L"\" /f:0x1 \"", L"\u00E9\u4E2D",  L"two  blanks",
  };
  for (const wchar_t* text : kTexts) {
    const DisplayRequest request = MakeDisplayRequest(0x40, text, text, text, text, text);
    const std::vector<std::wstring> parameters = ReadQuotedParameters(MainProgramParameters(request));
    const std::string shown = testing::PrintToString(std::wstring(text));
    ASSERT_EQ(parameters.size(), 6u) << shown;
    EXPECT_EQ(parameters[0], std::wstring(L"/p:") + text) << shown;
    EXPECT_EQ(parameters[1], std::wstring(L"/g:") + text) << shown;
    EXPECT_EQ(parameters[2], std::wstring(L"/i:") + text) << shown;
    EXPECT_EQ(parameters[3], L"/f:0x440") << shown;
    EXPECT_EQ(parameters[4], std::wstring(L"/x:") + text) << shown;
    EXPECT_EQ(parameters[5], std::wstring(L"/u:") + text) << shown;
  }
  // The reader alone: blanks separate, quotes join, "" inside quotes is one.
  EXPECT_EQ(ReadQuotedParameters(L"  a\t\"b c\"d \"e\"\"f\" \"\"  "),
            (std::vector<std::wstring>{L"a", L"b cd", L"e\"f", L""}));
}

// ---- The exports against a stand-in main program -----------------------

constexpr wchar_t kDialogClass[] = L"WendrixDialog";
constexpr wchar_t kProductKey[] = L"SOFTWARE\\Kestmoor\\Wendrix";

std::wstring FakeProgram() {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path = self;
  path.resize(path.rfind(L'\\'));
  return path + L"\\update_data\\fake_main_program.exe";
}

std::wstring ReadUtf16(const std::wstring& path) {
  const std::string bytes = ReadFileBytes(path);
  return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
}

HWND WaitForDialog(DWORD milliseconds = 10000) {
  for (DWORD waited = 0;; waited += 50) {
    if (HWND window = FindWindowW(kDialogClass, nullptr)) return window;
    if (waited >= milliseconds) return nullptr;
    Sleep(50);
  }
}

// Ends the stand-in behind the dialog window, however it was started.
void EndDialogProcess() {
  HWND window = FindWindowW(kDialogClass, nullptr);
  if (!window) return;
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, processId);
  PostMessageW(window, WM_CLOSE, 0, 0);
  if (process) {
    if (WaitForSingleObject(process, 10000) != WAIT_OBJECT_0) TerminateProcess(process, 1);
    CloseHandle(process);
  }
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
    SetEnvironmentVariableW(L"WENDRIX_FAKE_ANSWER", nullptr);
    SetEnvironmentVariableW(L"WENDRIX_FAKE_READY_AFTER", nullptr);
    SetEnvironmentVariableW(L"WENDRIX_FAKE_EXIT", nullptr);
  }
  void TearDown() override {
    EndDialogProcess();
    if (m_running.hProcess) {
      WaitForSingleObject(m_running.hProcess, 5000);
      CloseHandle(m_running.hProcess);
      CloseHandle(m_running.hThread);
    }
    DeleteKeyTree(HKEY_LOCAL_MACHINE, kProductKey, KEY_WOW64_32KEY);
    SetEnvironmentVariableW(L"WENDRIX_FAKE_ANSWER", nullptr);
    SetEnvironmentVariableW(L"WENDRIX_FAKE_READY_AFTER", nullptr);
    SetEnvironmentVariableW(L"WENDRIX_FAKE_EXIT", nullptr);
  }

  void InstallFake() { ASSERT_TRUE(CopyFileW(FakeProgram().c_str(), Program().c_str(), FALSE)) << GetLastError(); }
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

  std::string Request() const { return ReadFileBytes(m_product.File(L"request.bin")); }

  TempFolder m_product;
  PROCESS_INFORMATION m_running{};
};

TEST_F(DisplayTest, RunningWindowTakesTheRequest) {
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
}

TEST_F(DisplayTest, NegativeAnswerIsTheResult) {
  const HRESULT refusal = static_cast<HRESULT>(0x80040123);
  SetEnvironmentVariableW(L"WENDRIX_FAKE_ANSWER", std::to_wstring(static_cast<long>(refusal)).c_str());
  ASSERT_NE(StartRunning(), nullptr);
  EXPECT_EQ(WendrixDisplayEx(nullptr, nullptr, nullptr, nullptr, 0x100, nullptr, nullptr), refusal);
  EndDialogProcess();

  SetEnvironmentVariableW(L"WENDRIX_FAKE_ANSWER", L"7");
  ASSERT_NE(StartRunning(), nullptr);
  EXPECT_EQ(WendrixDisplayEx(nullptr, nullptr, nullptr, nullptr, 0x100, nullptr, nullptr), S_OK)
      << "a positive answer is no failure";
}

// A request to run the user interface here, given to a running window,
// returns only when that user interface has closed.
TEST_F(DisplayTest, InProcessRequestWaitsForTheRunningWindowToClose) {
  HWND window = StartRunning();
  ASSERT_NE(window, nullptr);
  for (bool crash : {false, true}) {
    SCOPED_TRACE(crash ? "the main program dies" : "the main program closes");
    if (crash) {
      window = StartRunning();
      ASSERT_NE(window, nullptr);
    }
    std::atomic<HRESULT> result{E_PENDING};
    std::thread caller([&] { result = WendrixDisplayEx(nullptr, L"1.2", nullptr, nullptr, 0x400, nullptr, nullptr); });
    for (int i = 0; i < 200 && Request().empty(); ++i) Sleep(50);
    ASSERT_FALSE(Request().empty()) << "the request arrived";
    EXPECT_EQ(Request().substr(0, 4), std::string("\x00\x04\0\0", 4));
    Sleep(300);
    EXPECT_EQ(result.load(), E_PENDING) << "returned before the window closed";
    if (crash) TerminateProcess(m_running.hProcess, 3);
    else PostMessageW(window, WM_CLOSE, 0, 0);
    caller.join();
    EXPECT_EQ(result.load(), S_OK);
    WaitForSingleObject(m_running.hProcess, 5000);
    CloseHandle(m_running.hProcess);
    CloseHandle(m_running.hThread);
    m_running = {};
    DeleteFileW(m_product.File(L"request.bin").c_str());
  }
}

// A main program that lives on without its window, and never signals the
// close event, does not keep the caller waiting.
TEST_F(DisplayTest, InProcessRequestEndsWhenTheWindowGoes) {
  SetEnvironmentVariableW(L"WENDRIX_FAKE_LINGER", L"60000");
  HWND window = StartRunning();
  SetEnvironmentVariableW(L"WENDRIX_FAKE_LINGER", nullptr);
  ASSERT_NE(window, nullptr);
  std::atomic<HRESULT> result{E_PENDING};
  std::thread caller([&] { result = WendrixDisplayEx(nullptr, L"1.2", nullptr, nullptr, 0x400, nullptr, nullptr); });
  for (int i = 0; i < 200 && Request().empty(); ++i) Sleep(50);
  ASSERT_FALSE(Request().empty()) << "the request arrived";
  PostMessageW(window, WM_CLOSE, 0, 0);
  caller.join();
  EXPECT_EQ(result.load(), S_OK);
  EXPECT_EQ(WaitForSingleObject(m_running.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT))
      << "returned when the window went, not when the process ended";
  TerminateProcess(m_running.hProcess, 0);
}

TEST_F(DisplayTest, InProcessWithoutRunningWindowIsNotImplemented) {
  InstallFake();
  EXPECT_EQ(WendrixDisplayEx(nullptr, nullptr, nullptr, nullptr, 0x400 | 0x80, nullptr, nullptr), E_NOTIMPL);
  EXPECT_FALSE(FileExists(m_product.File(L"started.txt"))) << "nothing was started";
}

TEST_F(DisplayTest, StartsTheMainProgramWithTheRequest) {
  InstallFake();
  // The window answers 0 to the first two queries: the library asks again.
  SetEnvironmentVariableW(L"WENDRIX_FAKE_READY_AFTER", L"2");
  ASSERT_EQ(WendrixDisplayEx(nullptr, L"1.2", nullptr, L"it\"em", 0x80 | 0x800 | 0x10000000, L"say \"hi\"",
                             L"C:\\a \"b\""),
            S_OK);
  const std::wstring started = ReadUtf16(m_product.File(L"started.txt"));
  const std::size_t lineEnd = started.find(L'\n');
  ASSERT_NE(lineEnd, std::wstring::npos) << "the main program was started";
  const std::wstring commandLine = started.substr(0, lineEnd);
  const std::wstring expected =
      L" \"/p:1.2\" \"/g:\" \"/i:it\"\"em\" /f:0x10000480 \"/x:say \"\"hi\"\"\" \"/u:C:\\a \"\"b\"\"\"";
  ASSERT_GE(commandLine.size(), expected.size());
  EXPECT_EQ(commandLine.substr(commandLine.size() - expected.size()), expected) << commandLine;
  EXPECT_NE(commandLine.find(L"wendrix.exe"), std::wstring::npos) << commandLine;
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
