// INI files on disk: encodings, refusals and Windows errors when loading, and
// the UTF-16 text file writer.
#include "platform/ini_file.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "../support/child_process.h"
#include "../support/temp_folder.h"
#include "platform/unique_handle.h"

namespace wendrix {
namespace {

using test::ChildProcess;
using test::ReadFileBytes;
using test::SnapshotTree;
using test::TempFolder;

constexpr std::uint32_t kLineSentinel = 0xDEADBEEF;
constexpr HRESULT kSharingViolation = HResultFromWin32(ERROR_SHARING_VIOLATION);

const IniSchemaRow kSchema[] = {
    {L"Main", L"Items", 1, kIniList}, {L"Main", L"Count", 2, kIniUnsigned},
};

// One line per entry: "line kind name=value|value", "+" after the kind for
// the alternate form.
std::wstring Dump(const CIniData& data) {
  std::wstring out;
  for (IniEntry e : data.Entries()) {
    out += std::to_wstring(e.Line()) + L" " + std::to_wstring(e.Kind()) + (e.AlternateForm() ? L"+ " : L" ");
    out += e.NameView();
    for (std::uint32_t i = 0; i < e.Count(); ++i) (out += i ? L"|" : L"=") += e.ValueView(i);
    out += L"\n";
  }
  return out;
}

std::string Utf16(std::wstring_view text, bool bigEndian) {
  std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (wchar_t c : text) {
    const char lo = static_cast<char>(c & 0xFF), hi = static_cast<char>((c >> 8) & 0xFF);
    bytes += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
  }
  return bytes;
}

std::string Utf8(std::wstring_view text) {
  std::string bytes(text.size() * 3, '\0');
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                                    static_cast<int>(bytes.size()), nullptr, nullptr);
  bytes.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return "\xEF\xBB\xBF" + bytes;
}

// A handle held by "another program" for the duration of a test.
struct HeldFile {
  HeldFile(const std::wstring& path, DWORD access, DWORD share)
      : handle(CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~HeldFile() { Release(); }
  void Release() {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    handle = INVALID_HANDLE_VALUE;
  }
  HANDLE handle;
};

// The same file in every encoding; every character also exists in cp1252.
const wchar_t kText[] =
    L"; written by hand\r\nTop = caf\x00E9\r\n[Main]\r\nName = \x00FC\x00DF \x20AC\r\n"
    L"Items = a, \"b, c\",\r\nCount = 0x1F\r\n";
const char kAnsiText[] =
    "; written by hand\r\nTop = caf\xE9\r\n[Main]\r\nName = \xFC\xDF \x80\r\nItems = a, \"b, c\",\r\nCount = 0x1F\r\n";
const wchar_t kEntries[] =
    L"2 2 Top=caf\x00E9\n"
    L"3 1 Main\n"
    L"4 2 Name=\x00FC\x00DF \x20AC\n"
    L"5 5 Items=a|b, c\n"
    L"6 4+ Count=31\n";

TEST(LoadIniFileTest, EveryEncodingGivesTheSameEntries) {
  TempFolder folder;
  const struct {
    const char* name;
    std::string bytes;
  } files[] = {
      {"utf-16le", Utf16(kText, false)}, {"utf-16be", Utf16(kText, true)}, {"utf-8", Utf8(kText)},
      {"ansi", kAnsiText},
  };
  for (const auto& f : files) {
    SCOPED_TRACE(f.name);
    if (std::string_view(f.name) == "ansi" && GetACP() != 1252)
      GTEST_SKIP() << "the ANSI case expects code page 1252, this system uses " << GetACP();
    CIniDataBuffer data;
    std::uint32_t line = kLineSentinel;
    ASSERT_EQ(S_OK, LoadIniFile(folder.Write(L"a.ini", f.bytes).c_str(), data, kSchema, &line));
    EXPECT_EQ(0u, line);
    EXPECT_EQ(kEntries, Dump(data));
  }
}

// The text rules are the reader's; from a file only the error line and
// the file's own errors are new.
TEST(LoadIniFileTest, SyntaxErrorReportsItsLineAndKeepsWhatWasRead) {
  TempFolder folder;
  const IniSchemaRow schema[] = {{kIniAny, L"Count", 1, kIniSigned}};
  CIniDataBuffer data;
  std::uint32_t line = kLineSentinel;
  EXPECT_EQ(static_cast<HRESULT>(0x8007000D),
            LoadIniFile(folder.Write(L"s.ini", Utf16(L"A = \"two\r\nlines\"\r\n[S]\r\nCount = 12abc\r\n", true)).c_str(),
                        data, schema, &line));
  EXPECT_EQ(4u, line);
  EXPECT_EQ(2u, data.EntryCount());
  line = kLineSentinel;
  EXPECT_EQ(static_cast<HRESULT>(0x8004020B),
            LoadIniFile(folder.Write(L"x.ini", Utf8(L"<?xml version=\"1.0\"?>\r\n")).c_str(), data, {}, &line));
  EXPECT_EQ(0u, line);
}

TEST(LoadIniFileTest, WindowsErrorsComeBackWrapped) {
  TempFolder folder;
  CIniDataBuffer data;
  std::uint32_t line = kLineSentinel;
  EXPECT_EQ(static_cast<HRESULT>(0x80070002), LoadIniFile(folder.File(L"missing.ini").c_str(), data, {}, &line));
  EXPECT_EQ(0u, line);
  line = kLineSentinel;
  EXPECT_EQ(static_cast<HRESULT>(0x80070003), LoadIniFile(folder.File(L"no\\such.ini").c_str(), data, {}, &line));
  EXPECT_EQ(0u, line);
  EXPECT_EQ(E_INVALIDARG, LoadIniFile(nullptr, data, {}, &line));

  const std::wstring path = folder.Write(L"held.ini", "A = 1\r\n");
  {
    HeldFile other(path, GENERIC_READ | GENERIC_WRITE, 0);
    ASSERT_NE(INVALID_HANDLE_VALUE, other.handle);
    EXPECT_EQ(kSharingViolation, LoadIniFile(path.c_str(), data, {}, &line));
    EXPECT_EQ(0u, line);
  }
  {
    HeldFile writer(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_NE(INVALID_HANDLE_VALUE, writer.handle);
    EXPECT_EQ(kSharingViolation, LoadIniFile(path.c_str(), data, {}, nullptr)) << "reading shares only reading";
  }
  HeldFile reader(path, GENERIC_READ, FILE_SHARE_READ);
  ASSERT_NE(INVALID_HANDLE_VALUE, reader.handle);
  EXPECT_EQ(S_OK, LoadIniFile(path.c_str(), data, {}, nullptr)) << "another reader does not stop a load";
  EXPECT_EQ(1u, data.EntryCount());
}

TEST(WriteUnicodeTextFileTest, WritesMarkAndLittleEndianUnitsAndLoadsBack) {
  TempFolder folder;
  const std::wstring path = folder.Write(L"out.ini", std::string(4096, 'x'));
  ASSERT_EQ(S_OK, WriteUnicodeTextFile(path.c_str(), L"A=\x00E9\x20AC\xD83D\xDE00\r\n"));
  EXPECT_EQ(std::string("\xFF\xFE" "A\0=\0\xE9\0\xAC\x20\x3D\xD8\x00\xDE\r\0\n\0", 18), ReadFileBytes(path))
      << "the longer file is replaced whole, without a terminator";
  ASSERT_EQ(S_OK, WriteUnicodeTextFile(path.c_str(), L""));
  EXPECT_EQ("\xFF\xFE", ReadFileBytes(path));

  ASSERT_EQ(S_OK, WriteUnicodeTextFile(path.c_str(), std::wstring(kText) + L"Wide = \x4E2D\xD83D\xDE00\r\n"));
  CIniDataBuffer data;
  ASSERT_EQ(S_OK, LoadIniFile(path.c_str(), data, kSchema, nullptr));
  EXPECT_EQ(std::wstring(kEntries) + L"7 2 Wide=\x4E2D\xD83D\xDE00\n", Dump(data));
}

// A failed write leaves the folder as it was: the target whole, and no new
// file beside it.
TEST(WriteUnicodeTextFileTest, FailuresLeaveTheFolderAsItWas) {
  TempFolder folder;
  const auto before = [&] { return SnapshotTree(folder.Path()); };

  // A target held open without sharing: the error is reported and the other
  // program's file keeps its content.
  const std::wstring held = folder.Write(L"held.ini", "keep me");
  auto snapshot = before();
  {
    HeldFile other(held, GENERIC_READ, 0);
    ASSERT_NE(INVALID_HANDLE_VALUE, other.handle);
    const HRESULT hr = WriteUnicodeTextFile(held.c_str(), L"A=1");
    EXPECT_TRUE(hr == kSharingViolation || hr == HResultFromWin32(ERROR_ACCESS_DENIED)) << std::hex << hr;
  }
  EXPECT_EQ(snapshot, before());

  // A folder that does not exist: nothing is created.
  const std::wstring missing = folder.File(L"no\\such.ini");
  EXPECT_EQ(HResultFromWin32(ERROR_PATH_NOT_FOUND), WriteUnicodeTextFile(missing.c_str(), L"A=1"));
  EXPECT_EQ(snapshot, before());

  // A folder in the way is not replaced.
  const std::wstring dir = folder.File(L"dir.ini");
  ASSERT_TRUE(CreateDirectoryW(dir.c_str(), nullptr));
  snapshot = before();
  EXPECT_TRUE(FAILED(WriteUnicodeTextFile(dir.c_str(), L"A=1")));
  EXPECT_EQ(snapshot, before());

  // A folder so deep that the new file's name would reach 260 characters,
  // though the target's own does not.
  std::wstring deep = folder.Path() + L"\\";
  deep += std::wstring(250 - deep.size() - 1, L'd');
  ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr));
  const std::wstring target = deep + L"\\x.ini";
  ASSERT_LT(target.size(), static_cast<std::size_t>(MAX_PATH));
  snapshot = before();
  EXPECT_EQ(kBufferTooSmall, WriteUnicodeTextFile(target.c_str(), L"A=1"));
  EXPECT_EQ(snapshot, before());

  EXPECT_EQ(E_INVALIDARG, WriteUnicodeTextFile(nullptr, L"A=1"));
}

// Two complete versions of a large file, each of one letter.
std::string BigFile(char letter) { return std::string(std::size_t{16} << 20, letter); }

// A child process: writes the two versions to PATH by turns, forever, and
// sets the event NAME as it starts each write after the first.
WENDRIX_CHILD_ROLE(rewrite_forever) {
  if (args.size() != 2) return 90;
  UniqueKernelObject writing(OpenEventW(EVENT_MODIFY_STATE, FALSE, args[1].c_str()));
  if (!writing) return 91;
  const std::string versions[] = {BigFile('a'), BigFile('b')};
  for (unsigned i = 0;; ++i) {
    if (i) SetEvent(writing.Get());
    if (FAILED(WriteWholeFile(args[0].c_str(), versions[i % 2]))) return 92;
  }
}

// A writer that dies while it writes (killed at once when it starts a write)
// leaves the file it was replacing whole, so that later opens still read it.
TEST(WriteWholeFileTest, AWriterKilledMidWayLeavesAWholeFile) {
  TempFolder folder;
  const std::wstring path = folder.File(L"big.ini");
  const std::wstring eventName = L"wxtest-rewrite-" + std::to_wstring(GetCurrentProcessId());
  UniqueKernelObject writing(CreateEventW(nullptr, TRUE, FALSE, eventName.c_str()));
  ASSERT_TRUE(writing);
  for (int kill = 0; kill < 4; ++kill) {
    ResetEvent(writing.Get());
    ChildProcess child;
    ASSERT_TRUE(child.Start(L"rewrite_forever", {path, eventName}));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(writing.Get(), 120000));
    child.Terminate();
    const std::string left = ReadFileBytes(path);
    EXPECT_TRUE(left == BigFile('a') || left == BigFile('b')) << "kill " << kill << ": " << left.size() << " bytes";
  }
}

}  // namespace
}  // namespace wendrix
