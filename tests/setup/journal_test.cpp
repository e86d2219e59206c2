// Rollback journals against the real registry and files: note, change, roll
// back, and find the machine as it was.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "../support/registry_sandbox.h"
#include "../support/temp_folder.h"
#include "setup/journal.h"
#include "setup/shell_copy.h"
#include "wendrix.h"

namespace wendrix::test {
namespace {

std::vector<JournalRecord> RecordsOf(const CJournal& journal) {
  const std::string bytes = ReadFileBytes(journal.Folder() + L"\\rollback.dat");
  std::vector<JournalRecord> records;
  ReadJournalBackwards(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
                       [&](const JournalRecord& r) {
                         records.insert(records.begin(), r);
                         return S_OK;
                       });
  return records;
}

std::vector<std::uint32_t> TypesOf(const CJournal& journal) {
  std::vector<std::uint32_t> types;
  for (const JournalRecord& r : RecordsOf(journal)) types.push_back(r.type);
  return types;
}

// A key tree as text (values with their types and bytes, subkeys sorted),
// so that two states compare byte for byte.
std::string DumpTree(HKEY root, const std::wstring& path, REGSAM view) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return "<missing>";
  std::map<std::wstring, std::string> values;
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    BYTE data[4096];
    DWORD nameLength = 256, size = sizeof(data), type = 0;
    if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
    values[std::wstring(name, nameLength)] = std::to_string(type) + ":" + std::string(reinterpret_cast<char*>(data), size);
  }
  std::vector<std::wstring> subkeys;
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD length = 256;
    if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    subkeys.emplace_back(name, length);
  }
  RegCloseKey(key);
  std::string out = "{";
  for (const auto& [name, value] : values) out += testing::PrintToString(name) + "=" + value + ";";
  std::sort(subkeys.begin(), subkeys.end());
  for (const auto& sub : subkeys) out += testing::PrintToString(sub) + DumpTree(root, path + L"\\" + sub, view);
  return out + "}";
}

void SetValue(HKEY root, const std::wstring& path, const wchar_t* name, DWORD type, const void* data, DWORD size,
              REGSAM view = 0) {
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE | view, nullptr, &key, nullptr));
  RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
  RegCloseKey(key);
}

class JournalTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(S_OK, m_journal.Create());
    HKEY key = nullptr;  // the scratch key itself exists; what the tests note lies below it
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, m_key.Path().c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                             &key, nullptr));
    RegCloseKey(key);
  }
  void TearDown() override { m_journal.Commit(); }
  std::wstring Key(const wchar_t* sub) const { return m_key.Path() + L"\\" + sub; }

  CJournal m_journal;
  ScratchKey m_key;
  TempFolder m_files;
};

TEST_F(JournalTest, CreatedFolderHoldsAnEmptyJournalInTheTemporaryFolder) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring folder = m_journal.Folder();
  EXPECT_EQ(0u, folder.rfind(std::wstring(temp) + L"RBF", 0)) << testing::PrintToString(folder);
  EXPECT_TRUE(FileExists(folder + L"\\rollback.dat"));
  EXPECT_EQ("", ReadFileBytes(folder + L"\\rollback.dat"));
  CJournal second;
  ASSERT_EQ(S_OK, second.Create());
  EXPECT_NE(folder, second.Folder());
  second.Commit();
}

TEST_F(JournalTest, ValueUnderTwoMissingKeysComesOutWithBothKeys) {
  const std::wstring upper = Key(L"Upper"), lower = upper + L"\\Lower";
  ASSERT_EQ(S_OK, m_journal.NoteValueToSet(HKEY_CURRENT_USER, lower, L"Value", 0));
  EXPECT_EQ((std::vector<std::uint32_t>{2, 2, 1}), TypesOf(m_journal));
  const auto records = RecordsOf(m_journal);
  EXPECT_EQ(upper, records[0].keyPath);
  EXPECT_EQ(lower, records[1].keyPath);
  EXPECT_EQ(0xFFFFFFFF80000001ull, records[0].root);
  const DWORD one = 1;
  SetValue(HKEY_CURRENT_USER, lower, L"Value", REG_DWORD, &one, sizeof(one));
  const std::wstring folder = m_journal.Folder();
  ASSERT_EQ(S_OK, m_journal.Rollback());
  EXPECT_EQ("<missing>", DumpTree(HKEY_CURRENT_USER, upper, 0));
  EXPECT_FALSE(FileExists(folder)) << "a rolled-back journal is thrown away";
}

TEST_F(JournalTest, ChangedAndDeletedValuesComeBackWithTheirTypeAndBytes) {
  const std::wstring key = Key(L"Values");
  const BYTE binary[] = {0, 1, 2, 0xFE};
  const wchar_t multi[] = L"a\0b\0";
  const DWORD number = 0xDEADBEEF;
  SetValue(HKEY_CURRENT_USER, key, L"Binary", REG_BINARY, binary, sizeof(binary));
  SetValue(HKEY_CURRENT_USER, key, L"Multi", REG_MULTI_SZ, multi, sizeof(multi));
  SetValue(HKEY_CURRENT_USER, key, L"", REG_DWORD, &number, sizeof(number));
  const std::string before = DumpTree(HKEY_CURRENT_USER, key, 0);

  for (const wchar_t* name : {L"Binary", L"Multi", L""}) ASSERT_EQ(S_OK, m_journal.NoteValueToSet(HKEY_CURRENT_USER, key, name, 0));
  ASSERT_EQ(S_OK, m_journal.NoteValueToSet(HKEY_CURRENT_USER, key, L"New", 0));
  EXPECT_EQ((std::vector<std::uint32_t>{0, 0, 0, 1}), TypesOf(m_journal));
  const DWORD other = 7;
  SetValue(HKEY_CURRENT_USER, key, L"Binary", REG_DWORD, &other, sizeof(other));
  SetValue(HKEY_CURRENT_USER, key, L"New", REG_DWORD, &other, sizeof(other));
  HKEY handle = nullptr;
  RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_SET_VALUE, &handle);
  RegDeleteValueW(handle, L"Multi");
  RegDeleteValueW(handle, L"");
  RegCloseKey(handle);

  ASSERT_EQ(S_OK, m_journal.Rollback());
  EXPECT_EQ(before, DumpTree(HKEY_CURRENT_USER, key, 0));
}

TEST_F(JournalTest, NotesWhosePreconditionFailsWriteNothing) {
  const std::wstring key = Key(L"Exists");
  const DWORD one = 1;
  SetValue(HKEY_CURRENT_USER, key, L"Value", REG_DWORD, &one, sizeof(one));
  EXPECT_EQ(S_OK, m_journal.NoteValueToChange(HKEY_CURRENT_USER, key, L"Missing", 0));
  EXPECT_EQ(S_OK, m_journal.NoteValueToChange(HKEY_CURRENT_USER, Key(L"Nope"), L"Value", 0));
  EXPECT_EQ(S_OK, m_journal.NoteKeyToCreate(HKEY_CURRENT_USER, key, 0));
  EXPECT_EQ(S_OK, m_journal.NoteKey(HKEY_CURRENT_USER, Key(L"Nope"), 0));
  EXPECT_EQ(S_OK, m_journal.NoteKeyTreeToDelete(HKEY_CURRENT_USER, Key(L"Nope"), 0));
  EXPECT_EQ(S_OK, m_journal.NoteKeyTreeToRemove(HKEY_CURRENT_USER, Key(L"Nope"), 0));
  EXPECT_EQ(S_OK, m_journal.NoteFileToDelete(m_files.File(L"missing.txt")));
  EXPECT_EQ(S_OK, m_journal.NoteFolderToCreate(m_files.Path()));
  EXPECT_EQ(S_OK, m_journal.NoteFolderToRemove(m_files.File(L"nope")));
  EXPECT_EQ(S_OK, m_journal.NotePathToCreate(m_files.Path()));
  EXPECT_EQ(S_OK, m_journal.NoteFolderTreeToDelete(m_files.File(L"nope"), false));
  EXPECT_TRUE(TypesOf(m_journal).empty());
}

TEST_F(JournalTest, DeletedTreeComesBackWhole) {
  const std::wstring root = Key(L"Tree");
  const DWORD n = 5;
  SetValue(HKEY_CURRENT_USER, root, L"A", REG_SZ, L"alpha", 12);
  SetValue(HKEY_CURRENT_USER, root + L"\\Sub", L"B", REG_DWORD, &n, sizeof(n));
  SetValue(HKEY_CURRENT_USER, root + L"\\Sub\\Deeper", L"C", REG_SZ, L"x", 4);
  SetValue(HKEY_CURRENT_USER, root + L"\\Empty", L"", REG_SZ, L"", 2);
  const std::string before = DumpTree(HKEY_CURRENT_USER, root, 0);
  ASSERT_EQ(S_OK, m_journal.NoteKeyTreeToDelete(HKEY_CURRENT_USER, root, 0));
  EXPECT_EQ(3u, TypesOf(m_journal)[0]);
  DeleteKeyTree(HKEY_CURRENT_USER, root, 0);
  ASSERT_EQ(S_OK, m_journal.Rollback());
  EXPECT_EQ(before, DumpTree(HKEY_CURRENT_USER, root, 0));
}

TEST_F(JournalTest, NewTreeIsRemovedWhole) {
  const std::wstring root = Key(L"NewTree");
  const DWORD n = 5;
  SetValue(HKEY_CURRENT_USER, root + L"\\Sub", L"B", REG_DWORD, &n, sizeof(n));
  SetValue(HKEY_CURRENT_USER, root, L"A", REG_SZ, L"alpha", 12);
  ASSERT_EQ(S_OK, m_journal.NoteKeyTreeToRemove(HKEY_CURRENT_USER, root, 0));
  EXPECT_EQ((std::vector<std::uint32_t>{2, 1, 2, 1}), TypesOf(m_journal));
  ASSERT_EQ(S_OK, m_journal.Rollback());
  EXPECT_EQ("<missing>", DumpTree(HKEY_CURRENT_USER, root, 0));
}

TEST_F(JournalTest, MachineKeysAreRolledBackInTheirOwnView) {
  const std::wstring key = L"Software\\WendrixTests\\journal-" + std::to_wstring(GetCurrentProcessId());
  for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) DeleteKeyTree(HKEY_LOCAL_MACHINE, key, view);
  const DWORD in64 = 64;
  SetValue(HKEY_LOCAL_MACHINE, key, L"V", REG_DWORD, &in64, sizeof(in64), KEY_WOW64_64KEY);
  const std::string before64 = DumpTree(HKEY_LOCAL_MACHINE, key, KEY_WOW64_64KEY);
  ASSERT_EQ(S_OK, m_journal.NoteValueToSet(HKEY_LOCAL_MACHINE, key, L"V", KEY_WOW64_32KEY));
  const DWORD in32 = 32;
  SetValue(HKEY_LOCAL_MACHINE, key, L"V", REG_DWORD, &in32, sizeof(in32), KEY_WOW64_32KEY);
  ASSERT_EQ(S_OK, m_journal.Rollback());
  EXPECT_EQ("<missing>", DumpTree(HKEY_LOCAL_MACHINE, key, KEY_WOW64_32KEY));
  EXPECT_EQ(before64, DumpTree(HKEY_LOCAL_MACHINE, key, KEY_WOW64_64KEY)) << "the other view is not touched";
  DeleteKeyTree(HKEY_LOCAL_MACHINE, key, KEY_WOW64_64KEY);
}

TEST_F(JournalTest, WrittenAndDeletedFilesComeBackByteForByte) {
  const std::wstring kept = m_files.Write(L"kept.bin", std::string("original\0bytes", 14));
  const std::wstring removed = m_files.Write(L"removed.txt", "gone soon");
  SetFileAttributesW(kept.c_str(), FILE_ATTRIBUTE_READONLY);
  const std::wstring created = m_files.File(L"created.txt");

  ASSERT_EQ(S_OK, m_journal.NoteFileToWrite(kept));
  ASSERT_EQ(S_OK, m_journal.NoteFileToDelete(removed));
  ASSERT_EQ(S_OK, m_journal.NoteFileToWrite(created));
  EXPECT_EQ((std::vector<std::uint32_t>{4, 4, 5}), TypesOf(m_journal));
  EXPECT_TRUE(FileExists(m_journal.Folder() + L"\\1"));
  EXPECT_TRUE(FileExists(m_journal.Folder() + L"\\2"));
  EXPECT_FALSE(FileExists(m_journal.Folder() + L"\\3")) << "a new file needs no backup";

  SetFileAttributesW(kept.c_str(), FILE_ATTRIBUTE_NORMAL);
  m_files.Write(L"kept.bin", "changed and longer than before");
  SetFileAttributesW(kept.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  DeleteFileW(removed.c_str());
  m_files.Write(L"created.txt", "new");
  ASSERT_EQ(S_OK, m_journal.Rollback());
  EXPECT_EQ(std::string("original\0bytes", 14), ReadFileBytes(kept));
  EXPECT_EQ("gone soon", ReadFileBytes(removed));
  EXPECT_FALSE(FileExists(created));
}

TEST_F(JournalTest, DeletedFolderTreeComesBackWithItsAttributes) {
  const std::wstring tree = m_files.File(L"tree");
  CreateDirectoryW(tree.c_str(), nullptr);
  CreateDirectoryW((tree + L"\\sub").c_str(), nullptr);
  m_files.Write(L"tree\\a.txt", "a");
  m_files.Write(L"tree\\sub\\b.txt", "bb");
  SetFileAttributesW((tree + L"\\sub").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY);
  const DWORD subAttributes = GetFileAttributesW((tree + L"\\sub").c_str());
  ASSERT_EQ(S_OK, m_journal.NoteFolderTreeToDelete(tree, false));
  DeleteTree(tree);
  ASSERT_FALSE(FileExists(tree));
  ASSERT_EQ(S_OK, m_journal.Rollback());
  EXPECT_EQ("a", ReadFileBytes(tree + L"\\a.txt"));
  EXPECT_EQ("bb", ReadFileBytes(tree + L"\\sub\\b.txt"));
  EXPECT_EQ(subAttributes, GetFileAttributesW((tree + L"\\sub").c_str()));
}

TEST_F(JournalTest, CreatedPathsAreRemovedTopFolderLast) {
  const std::wstring top = m_files.File(L"one"), path = top + L"\\two\\file.txt";
  ASSERT_EQ(S_OK, m_journal.NotePathToCreate(path));
  const auto records = RecordsOf(m_journal);
  ASSERT_EQ(2u, records.size());
  EXPECT_EQ(top, records[0].path);
  EXPECT_EQ(top + L"\\two", records[1].path);
  SHCreateDirectoryExW(nullptr, (top + L"\\two").c_str(), nullptr);
  ASSERT_EQ(S_OK, m_journal.Rollback());
  EXPECT_FALSE(FileExists(top));
  EXPECT_EQ(static_cast<HRESULT>(0x8007006F), CJournal().NotePathToCreate(std::wstring(300, L'a')));
}

TEST_F(JournalTest, DamagedJournalStopsAndStaysForAnotherTry) {
  const std::wstring folder = m_journal.Folder();
  m_journal.Close();
  struct Case {
    const char* name;
    std::string bytes;
    HRESULT expected;
  };
  const Case cases[] = {{"three bytes", "abc", E_FAIL},
                        {"type 11", std::string("\x0b\0\0\0\x04\0\0\0", 8), static_cast<HRESULT>(0x8007000D)},
                        {"length past the start", std::string("\0\0\0\0\x40\0\0\0", 8), E_FAIL}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder scratch;
    scratch.Write(L"rollback.dat", c.bytes);
    CJournal journal;
    EXPECT_EQ(c.expected, journal.Rollback(scratch.Path().c_str()));
    EXPECT_TRUE(FileExists(scratch.File(L"rollback.dat")));
  }
  EXPECT_EQ(static_cast<HRESULT>(0x80070003), CJournal().Rollback(m_files.File(L"nope").c_str()));
  EXPECT_EQ(S_OK, CJournal().Rollback(folder.c_str())) << "an empty journal rolls back";
  EXPECT_FALSE(FileExists(folder));
}

TEST_F(JournalTest, JournalOfOtherKindsChangesNothing) {
  // A journal lies in the user's temporary folder, and an elevated setup may
  // roll it back: records the noting operations never write end the
  // rollback as damage before they touch anything.
  const std::wstring target = m_files.Write(L"system.dll", "original");
  const std::wstring payload = m_files.Write(L"payload.bin", "payload");
  const std::wstring created = m_files.Write(L"created.txt", "made by the setup");
  const std::wstring key = Key(L"Kept");
  const DWORD one = 1;
  SetValue(HKEY_CURRENT_USER, key, L"Value", REG_DWORD, &one, sizeof(one));
  const std::string keyBefore = DumpTree(HKEY_CURRENT_USER, key, 0);
  const auto fileRecord = [](std::uint32_t type, const std::wstring& path, const std::wstring& backup = L"") {
    JournalRecord r;
    r.type = type;
    r.path = path;
    r.backupPath = backup;
    return r;
  };
  const auto valueRecord = [&](std::uint64_t root, std::uint32_t view) {
    JournalRecord r;
    r.type = kJournalDeleteValue;
    r.root = root;
    r.view = view;
    r.keyPath = key;
    r.valueName = L"Value";
    return r;
  };
  struct Case {
    const char* name;
    std::function<JournalRecord(const std::wstring& folder)> record;
  };
  const Case cases[] = {
      {"backup outside the journal", [&](const std::wstring&) { return fileRecord(4, target, payload); }},
      {"older backup outside the journal", [&](const std::wstring&) { return fileRecord(8, target, payload); }},
      {"backup climbing out", [&](const std::wstring& f) { return fileRecord(4, target, f + L"\\..\\1"); }},
      {"backup in a folder named like the journal",
       [&](const std::wstring& f) { return fileRecord(4, target, f + L"-old\\1"); }},
      {"long-path form", [&](const std::wstring&) { return fileRecord(5, L"\\\\?\\" + target); }},
      {"network form", [&](const std::wstring&) { return fileRecord(9, L"\\\\localhost\\C$\\x"); }},
      // A full-width colon passes as a name, but code page 1252 may turn it
      // into a stream separator; what is used is judged again.
      {"older path after its code page", [&](const std::wstring&) { return fileRecord(9, target + L"\uFF1Ax"); }},
      {"current configuration root", [&](const std::wstring&) { return valueRecord(0xFFFFFFFF80000005ull, 0); }},
      {"both views", [&](const std::wstring&) { return valueRecord(0xFFFFFFFF80000001ull, 0x300); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder scratch;
    scratch.Write(L"1", "backup");
    JournalRecord made;
    made.type = kJournalDeleteFile;
    made.path = created;
    std::vector<std::uint8_t> bytes = EncodeJournalRecord(made);
    const std::vector<std::uint8_t> hostile = EncodeJournalRecord(c.record(scratch.Path()));
    bytes.insert(bytes.end(), hostile.begin(), hostile.end());
    scratch.Write(L"rollback.dat", std::string(bytes.begin(), bytes.end()));
    EXPECT_EQ(CJournal().Rollback(scratch.Path().c_str()), static_cast<HRESULT>(0x8007000D));
    EXPECT_EQ(ReadFileBytes(target), "original");
    EXPECT_TRUE(FileExists(created)) << "records older than the damage wait";
    EXPECT_EQ(DumpTree(HKEY_CURRENT_USER, key, 0), keyBefore);
    EXPECT_TRUE(FileExists(scratch.File(L"rollback.dat")));
  }

  // The journal's own backups count however the folder is spelt.
  TempFolder scratch;
  scratch.Write(L"1", "backup");
  std::wstring upper = scratch.Path();
  for (wchar_t& ch : upper) ch = static_cast<wchar_t>(towupper(ch));
  const std::vector<std::uint8_t> bytes = EncodeJournalRecord(fileRecord(4, target, upper + L"/1"));
  scratch.Write(L"rollback.dat", std::string(bytes.begin(), bytes.end()));
  ASSERT_EQ(CJournal().Rollback((scratch.Path() + L"\\").c_str()), S_OK);
  EXPECT_EQ(ReadFileBytes(target), "backup");
}

TEST_F(JournalTest, JournalWrittenByTwoProcessesRollsBackWhole) {
  // The child opens the same journal, notes a file it then writes and a value
  // it then sets, and closes it; the parent goes on appending.
  const std::wstring childFile = m_files.File(L"child.txt"), parentFile = m_files.File(L"parent.txt");
  const std::wstring key = Key(L"Shared");
  m_journal.Close();
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring exe = self;
  exe = exe.substr(0, exe.rfind(L'\\')) + L"\\journal_child.exe";
  std::wstring command = L"\"" + exe + L"\" \"" + m_journal.Folder() + L"\" \"" + childFile + L"\" \"" + key + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
  WaitForSingleObject(process.hProcess, 30000);
  DWORD exitCode = 1;
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  ASSERT_EQ(0u, exitCode);
  ASSERT_TRUE(FileExists(childFile));

  ASSERT_EQ(S_OK, m_journal.Open(m_journal.Folder()));
  ASSERT_EQ(S_OK, m_journal.NoteFileToWrite(parentFile));
  m_files.Write(L"parent.txt", "parent");
  EXPECT_EQ((std::vector<std::uint32_t>{5, 2, 1, 5}), TypesOf(m_journal));
  ASSERT_EQ(S_OK, m_journal.Rollback());
  EXPECT_FALSE(FileExists(childFile));
  EXPECT_FALSE(FileExists(parentFile));
  EXPECT_EQ("<missing>", DumpTree(HKEY_CURRENT_USER, key, 0));
}

TEST(JournalExportTest, CreateCommitAndRollBackThroughTheExports) {
  EXPECT_EQ(E_INVALIDARG, WendrixCreateRollbackEx(nullptr, 0));
  wchar_t folder[MAX_PATH] = L"";
  ASSERT_EQ(S_OK, WendrixCreateRollbackEx(folder, 0));
  EXPECT_TRUE(FileExists(std::wstring(folder) + L"\\rollback.dat"));
  EXPECT_EQ(S_OK, WendrixDestroyRollbackEx(folder));
  EXPECT_FALSE(FileExists(folder));
  EXPECT_EQ(S_OK, WendrixDestroyRollbackEx(folder)) << "committing twice is harmless";
  EXPECT_EQ(static_cast<HRESULT>(0x80070003), WendrixRollbackEx(folder));

  char ansi[MAX_PATH] = "";
  ASSERT_EQ(S_OK, WendrixCreateRollback(ansi, 0));
  EXPECT_EQ(S_OK, WendrixRollback(ansi));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(ansi));
  EXPECT_EQ(S_OK, WendrixDestroyRollback(nullptr));
}

TEST(ShellCopyTest, ShellResultsMapToTheNearestCode) {
  const std::pair<int, HRESULT> cases[] = {
      {0, S_OK},
      {0x71, E_FAIL},
      {0x402, E_FAIL},
      {0x10074, E_FAIL},
      {0x75, E_ABORT},
      {0x78, E_ACCESSDENIED},
      {0xB7, static_cast<HRESULT>(0x8007006F)},
      {0x7C, static_cast<HRESULT>(0x8007007B)},
      {0x7E, static_cast<HRESULT>(0x80070050)},
      {0x88, static_cast<HRESULT>(0x80070013)},
      {0x85, static_cast<HRESULT>(0x800700DF)},
      {5, static_cast<HRESULT>(0x80070005)},
  };
  for (const auto& [result, expected] : cases) EXPECT_EQ(expected, ShellCopyResult(result)) << std::hex << result;
}

TEST(GrantFolderAccessTest, ModesAndMissingFolder) {
  TempFolder base;
  EXPECT_EQ(E_INVALIDARG, GrantFolderAccess(base.Path(), 2));
  const std::wstring folder = base.File(L"shared");
  const HRESULT hr = GrantFolderAccess(folder, 1);
  EXPECT_TRUE(FileExists(folder)) << "a missing folder is created";
  if (hr != S_OK) GTEST_SKIP() << "Wine's security descriptors refused the access list: " << std::hex << hr;
  EXPECT_EQ(S_OK, GrantFolderAccess(folder, 0));
}

}  // namespace
}  // namespace wendrix::test
