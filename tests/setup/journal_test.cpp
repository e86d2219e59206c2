// Rollback journals against the real registry and files: note, change, roll
// back, and find the machine as it was.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <string>
#include <vector>

#include "../support/child_process.h"
#include "../support/registry_sandbox.h"
#include "../support/registry_values.h"
#include "../support/temp_folder.h"
#include "setup/journal.h"
#include "wendrix.h"

namespace wendrix::test {
namespace {

constexpr HRESULT kInvalidData = static_cast<HRESULT>(0x8007000D);

std::vector<JournalRecord> RecordsOf(const std::wstring& folder) {
  const std::string bytes = ReadFileBytes(folder + L"\\rollback.dat");
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
  for (const JournalRecord& r : RecordsOf(journal.Folder())) types.push_back(r.type);
  return types;
}

// A key tree, every value with its type and data, sorted; empty when the key
// is missing.
std::vector<std::wstring> Tree(HKEY root, const std::wstring& path, REGSAM view = 0) {
  std::vector<std::wstring> lines;
  DumpTree(root, path, view, lines);
  std::sort(lines.begin(), lines.end());
  return lines;
}
const std::vector<std::wstring> kMissing;

void SetValue(HKEY root, const std::wstring& path, const wchar_t* name, DWORD type, const void* data, DWORD size) {
  ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(root, path.c_str(), name, type, data, size));
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

TEST_F(JournalTest, ValueUnderTwoMissingKeysComesOutWithBothKeys) {
  const std::wstring upper = Key(L"Upper"), lower = upper + L"\\Lower";
  ASSERT_EQ(S_OK, m_journal.NoteValueToSet(HKEY_CURRENT_USER, lower, L"Value", 0));
  ASSERT_EQ((std::vector<std::uint32_t>{2, 2, 1}), TypesOf(m_journal));
  SetDword(HKEY_CURRENT_USER, lower, L"Value", 1, 0);
  const std::wstring folder = m_journal.Folder();
  ASSERT_EQ(S_OK, m_journal.Rollback());
  EXPECT_EQ(kMissing, Tree(HKEY_CURRENT_USER, upper));
  EXPECT_FALSE(FileExists(folder)) << "a rolled-back journal is thrown away";
}

TEST_F(JournalTest, ChangedAndDeletedValuesComeBackWithTheirTypeAndBytes) {
  const std::wstring key = Key(L"Values");
  const BYTE binary[] = {0, 1, 2, 0xFE};
  const wchar_t multi[] = L"a\0b\0";
  SetValue(HKEY_CURRENT_USER, key, L"Binary", REG_BINARY, binary, sizeof(binary));
  SetValue(HKEY_CURRENT_USER, key, L"Multi", REG_MULTI_SZ, multi, sizeof(multi));
  SetDword(HKEY_CURRENT_USER, key, L"", 0xDEADBEEF, 0);
  const auto before = Tree(HKEY_CURRENT_USER, key);

  for (const wchar_t* name : {L"Binary", L"Multi", L"", L"New"})
    ASSERT_EQ(S_OK, m_journal.NoteValueToSet(HKEY_CURRENT_USER, key, name, 0));
  EXPECT_EQ((std::vector<std::uint32_t>{0, 0, 0, 1}), TypesOf(m_journal));
  SetDword(HKEY_CURRENT_USER, key, L"Binary", 7, 0);
  SetDword(HKEY_CURRENT_USER, key, L"New", 7, 0);
  HKEY handle = nullptr;
  RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_SET_VALUE, &handle);
  RegDeleteValueW(handle, L"Multi");
  RegDeleteValueW(handle, L"");
  RegCloseKey(handle);

  ASSERT_EQ(S_OK, m_journal.Rollback());
  EXPECT_EQ(before, Tree(HKEY_CURRENT_USER, key));
}

TEST_F(JournalTest, NotesWhosePreconditionFailsWriteNothing) {
  const std::wstring key = Key(L"Exists");
  SetDword(HKEY_CURRENT_USER, key, L"Value", 1, 0);
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

// A tree noted before it is deleted comes back whole; one noted as new is
// removed whole (its values first, then its keys, deepest first).
TEST_F(JournalTest, KeyTreesComeBackOrGoWhole) {
  const std::wstring root = Key(L"Tree"), fresh = Key(L"NewTree");
  for (const std::wstring& tree : {root, fresh}) {
    SetDword(HKEY_CURRENT_USER, tree + L"\\Sub", L"B", 5, 0);
    SetValue(HKEY_CURRENT_USER, tree, L"A", REG_SZ, L"alpha", 12);
  }
  SetValue(HKEY_CURRENT_USER, root + L"\\Sub\\Deeper", L"C", REG_SZ, L"x", 4);
  SetValue(HKEY_CURRENT_USER, root + L"\\Empty", L"", REG_SZ, L"", 2);
  const auto before = Tree(HKEY_CURRENT_USER, root);
  ASSERT_EQ(S_OK, m_journal.NoteKeyTreeToDelete(HKEY_CURRENT_USER, root, 0));
  EXPECT_EQ(3u, TypesOf(m_journal)[0]);
  DeleteKeyTree(HKEY_CURRENT_USER, root, 0);
  const std::size_t deleteRecords = TypesOf(m_journal).size();
  ASSERT_EQ(S_OK, m_journal.NoteKeyTreeToRemove(HKEY_CURRENT_USER, fresh, 0));
  const std::vector<std::uint32_t> types = TypesOf(m_journal);
  EXPECT_EQ((std::vector<std::uint32_t>{2, 1, 2, 1}), std::vector<std::uint32_t>(types.begin() + deleteRecords, types.end()));
  ASSERT_EQ(S_OK, m_journal.Rollback());
  EXPECT_EQ(before, Tree(HKEY_CURRENT_USER, root));
  EXPECT_EQ(kMissing, Tree(HKEY_CURRENT_USER, fresh));
}

TEST_F(JournalTest, MachineKeysAreRolledBackInTheirOwnView) {
  const std::wstring key = L"Software\\WendrixTests\\journal-" + std::to_wstring(GetCurrentProcessId());
  for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) DeleteKeyTree(HKEY_LOCAL_MACHINE, key, view);
  SetDword(HKEY_LOCAL_MACHINE, key, L"V", 64, KEY_WOW64_64KEY);
  const auto before64 = Tree(HKEY_LOCAL_MACHINE, key, KEY_WOW64_64KEY);
  ASSERT_EQ(S_OK, m_journal.NoteValueToSet(HKEY_LOCAL_MACHINE, key, L"V", KEY_WOW64_32KEY));
  SetDword(HKEY_LOCAL_MACHINE, key, L"V", 32, KEY_WOW64_32KEY);
  ASSERT_EQ(S_OK, m_journal.Rollback());
  EXPECT_EQ(kMissing, Tree(HKEY_LOCAL_MACHINE, key, KEY_WOW64_32KEY));
  EXPECT_EQ(before64, Tree(HKEY_LOCAL_MACHINE, key, KEY_WOW64_64KEY)) << "the other view is not touched";
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
  SetFileAttributesW(created.c_str(), FILE_ATTRIBUTE_READONLY);  // a new file is removed all the same
  ASSERT_EQ(S_OK, m_journal.Rollback());
  EXPECT_EQ(std::string("original\0bytes", 14), ReadFileBytes(kept));
  EXPECT_EQ("gone soon", ReadFileBytes(removed));
  EXPECT_FALSE(FileExists(created));
}

TEST_F(JournalTest, FoldersComeBackWithTheirAttributesOrGoTopFolderLast) {
  const std::wstring tree = m_files.File(L"tree");
  CreateDirectoryW(tree.c_str(), nullptr);
  CreateDirectoryW((tree + L"\\sub").c_str(), nullptr);
  m_files.Write(L"tree\\a.txt", "a");
  m_files.Write(L"tree\\sub\\b.txt", "bb");
  SetFileAttributesW((tree + L"\\sub").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY);
  const DWORD subAttributes = GetFileAttributesW((tree + L"\\sub").c_str());
  ASSERT_EQ(S_OK, m_journal.NoteFolderTreeToDelete(tree, false));
  DeleteTree(tree);

  const std::wstring top = m_files.File(L"one");
  const std::size_t before = RecordsOf(m_journal.Folder()).size();
  ASSERT_EQ(S_OK, m_journal.NotePathToCreate(top + L"\\two\\file.txt"));
  ASSERT_EQ(before + 2, RecordsOf(m_journal.Folder()).size());
  SHCreateDirectoryExW(nullptr, (top + L"\\two").c_str(), nullptr);

  ASSERT_EQ(S_OK, m_journal.Rollback());
  EXPECT_EQ("a", ReadFileBytes(tree + L"\\a.txt"));
  EXPECT_EQ("bb", ReadFileBytes(tree + L"\\sub\\b.txt"));
  EXPECT_EQ(subAttributes, GetFileAttributesW((tree + L"\\sub").c_str()));
  EXPECT_FALSE(FileExists(top));
  EXPECT_EQ(static_cast<HRESULT>(0x8007006F), CJournal().NotePathToCreate(std::wstring(300, L'a')));
}

// A missing journal is an error; an empty one rolls back. (A damaged one,
// whatever its damage, stops as the hostile journals below do.)
TEST_F(JournalTest, MissingJournalFailsAndAnEmptyOneRollsBack) {
  const std::wstring folder = m_journal.Folder();
  m_journal.Close();
  EXPECT_EQ(static_cast<HRESULT>(0x80070003), CJournal().Rollback(m_files.File(L"nope").c_str()));
  EXPECT_EQ(S_OK, CJournal().Rollback(folder.c_str())) << "an empty journal rolls back";
  EXPECT_FALSE(FileExists(folder));
}

// A journal lies in the user's temporary folder, and an elevated setup may
// roll it back: a backup that is not the journal's own ends the rollback as
// damage before anything is touched.
TEST_F(JournalTest, BackupsFromOutsideTheJournalChangeNothing) {
  const std::wstring target = m_files.Write(L"system.dll", "original");
  const std::wstring payload = m_files.Write(L"payload.bin", "payload");
  const std::wstring created = m_files.Write(L"created.txt", "made by the setup");
  const auto write = [&](const TempFolder& scratch, std::uint32_t type, const std::wstring& path,
                         const std::wstring& backup) {
    JournalRecord made, hostile;
    made.type = kJournalDeleteFile;
    made.path = created;
    hostile.type = type;
    hostile.path = path;
    hostile.backupPath = backup;
    std::vector<std::uint8_t> bytes = EncodeJournalRecord(made);
    const std::vector<std::uint8_t> tail = EncodeJournalRecord(hostile);
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    scratch.Write(L"rollback.dat", std::string(bytes.begin(), bytes.end()));
  };
  const struct {
    const char* name;
    std::uint32_t type;
    std::wstring path, backupInJournal;  // a backup's path after the journal's folder
    bool outside;                       // the backup is the payload instead
  } cases[] = {
      {"backup outside the journal", 4, target, L"", true},
      {"older backup outside the journal", 8, target, L"", true},
      {"backup climbing out", 4, target, L"\\..\\1", false},
      {"backup in a folder named like the journal", 4, target, L"-old\\1", false},
      // A full-width colon passes as a name, but code page 1252 may turn it
      // into a stream separator; what is used is judged again.
      {"older path after its code page", 9, target + L"\uFF1Ax", L"", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder scratch;
    scratch.Write(L"1", "backup");
    const std::wstring backup = c.backupInJournal.empty() ? L"" : scratch.Path() + c.backupInJournal;
    write(scratch, c.type, c.path, c.outside ? payload : backup);
    EXPECT_EQ(CJournal().Rollback(scratch.Path().c_str()), kInvalidData);
    EXPECT_EQ(ReadFileBytes(target), "original");
    EXPECT_TRUE(FileExists(created)) << "records older than the damage wait";
    EXPECT_TRUE(FileExists(scratch.File(L"rollback.dat")));
  }

  // The journal's own backups count however the folder is spelt.
  TempFolder scratch;
  scratch.Write(L"1", "backup");
  std::wstring upper = scratch.Path();
  for (wchar_t& ch : upper) ch = static_cast<wchar_t>(towupper(ch));
  write(scratch, 4, target, upper + L"/1");
  ASSERT_EQ(CJournal().Rollback((scratch.Path() + L"\\").c_str()), S_OK);
  EXPECT_EQ(ReadFileBytes(target), "backup");
}

// journal_append FOLDER FILE KEY: notes a file it then writes and a value
// under KEY it then sets.
WENDRIX_CHILD_ROLE(journal_append) {
  if (args.size() != 3) return 90;
  CJournal journal;
  if (FAILED(journal.Open(args[0])) || FAILED(journal.NoteFileToWrite(args[1]))) return 91;
  const HANDLE file = CreateFileW(args[1].c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 92;
  CloseHandle(file);
  if (FAILED(journal.NoteValueToSet(HKEY_CURRENT_USER, args[2], L"Child", 0))) return 93;
  SetDword(HKEY_CURRENT_USER, args[2], L"Child", 1, 0);
  return 0;
}

TEST_F(JournalTest, JournalWrittenByTwoProcessesRollsBackWhole) {
  const std::wstring childFile = m_files.File(L"child.txt"), parentFile = m_files.File(L"parent.txt");
  const std::wstring key = Key(L"Shared");
  m_journal.Close();
  ChildProcess child;
  ASSERT_TRUE(child.Start(L"journal_append", {m_journal.Folder(), childFile, key}));
  ASSERT_EQ(0, child.Wait());
  ASSERT_TRUE(FileExists(childFile));

  ASSERT_EQ(S_OK, m_journal.Open(m_journal.Folder()));
  ASSERT_EQ(S_OK, m_journal.NoteFileToWrite(parentFile));
  m_files.Write(L"parent.txt", "parent");
  EXPECT_EQ((std::vector<std::uint32_t>{5, 2, 1, 5}), TypesOf(m_journal));
  ASSERT_EQ(S_OK, m_journal.Rollback());
  EXPECT_FALSE(FileExists(childFile));
  EXPECT_FALSE(FileExists(parentFile));
  EXPECT_EQ(kMissing, Tree(HKEY_CURRENT_USER, key));
}

// A journal is an empty file in a folder of its own in the temporary folder.
TEST(JournalExportTest, CreateCommitAndRollBackThroughTheExports) {
  EXPECT_EQ(E_INVALIDARG, WendrixCreateRollbackEx(nullptr, 0));
  wchar_t temp[MAX_PATH], folder[MAX_PATH] = L"", second[MAX_PATH] = L"";
  GetTempPathW(MAX_PATH, temp);
  ASSERT_EQ(S_OK, WendrixCreateRollbackEx(folder, 0));
  ASSERT_EQ(S_OK, WendrixCreateRollbackEx(second, 0));
  EXPECT_EQ(0u, std::wstring(folder).rfind(std::wstring(temp) + L"RBF", 0)) << testing::PrintToString(folder);
  EXPECT_NE(std::wstring(folder), second);
  EXPECT_TRUE(FileExists(std::wstring(folder) + L"\\rollback.dat"));
  EXPECT_EQ("", ReadFileBytes(std::wstring(folder) + L"\\rollback.dat"));
  EXPECT_EQ(S_OK, WendrixDestroyRollbackEx(second));
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
