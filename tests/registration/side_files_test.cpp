// The files kept beside a publisher's list entry: its data, previous and
// inactive items, icons and the error file of its last check.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "../support/shell_folder_redirect.h"
#include "../support/temp_folder.h"
#include "platform/file_facts.h"
#include "platform/folder_listing.h"
#include "registration/side_files.h"
#include "setup/journal.h"

namespace wendrix::test {
namespace {

using SideFilesTest = ShellFolderTest;

TEST_F(SideFilesTest, SideFiles) {
  PublisherRecord record;
  record.id = L"1.2.3";
  std::wstring path;
  for (const auto& [kind, name] : {std::pair{SideFile::kData, L"1.2.3.ini"}, std::pair{SideFile::kPreviousItems, L"1.2.3.prv"},
                                   std::pair{SideFile::kInactiveItems, L"1.2.3.ina"}}) {
    ASSERT_EQ(SideFilePath(record, kind, path), S_OK);
    EXPECT_EQ(path, UserFolder() + name);
    std::wstring text = L"untouched";
    const HRESULT missing = FileExists(UserFolder()) ? HResultFromWin32(ERROR_FILE_NOT_FOUND)
                                                     : HResultFromWin32(ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(ReadSideFile(record, kind, text), missing);
    EXPECT_EQ(text, L"untouched");
    ASSERT_EQ(WriteSideFile(record, kind, L"[Publisher]\r\nName = \u00e8\r\n", nullptr), S_OK);
    EXPECT_EQ(ReadFileBytes(path).substr(0, 2), "\xFF\xFE");
    ASSERT_EQ(ReadSideFile(record, kind, text), S_OK);
    EXPECT_EQ(text, L"[Publisher]\r\nName = \u00e8\r\n");
    ASSERT_EQ(WriteSideFile(record, kind, L"", nullptr), S_OK);
    EXPECT_FALSE(FileExists(path));
    EXPECT_EQ(WriteSideFile(record, kind, L"", nullptr), S_OK) << "deleting a missing file is no error";
  }

  record.dataFile = UserFolder() + L"listed.ini";
  record.dataText = L"listed path";
  ASSERT_EQ(SaveDataFile(record, nullptr), S_OK);
  EXPECT_TRUE(FileExists(UserFolder() + L"listed.ini"));
  record.dataText.clear();
  ASSERT_EQ(LoadDataFile(record), S_OK);
  EXPECT_EQ(record.dataText, L"listed path");

  PublisherRecord nameless;
  EXPECT_EQ(SideFilePath(nameless, SideFile::kPreviousItems, path), E_INVALIDARG);
  EXPECT_EQ(LoadDataFile(nameless), E_INVALIDARG);
}

TEST_F(SideFilesTest, IconNamesStayUnder250Characters) {
  std::wstring path;
  // Below 250 characters the names are limited only by the whole path;
  // from 250 on they are refused whatever the folder.
  const std::size_t room = MAX_PATH - 1 - UserFolder().size() - std::wstring_view(L"1--.ico").size();
  EXPECT_EQ(IconFilePath(L"1", std::wstring(room - 100, L'a'), std::wstring(100, L'b'), path), S_OK);
  EXPECT_EQ(path.size(), 259u);
  EXPECT_EQ(IconFilePath(L"1", std::wstring(room - 99, L'a'), std::wstring(100, L'b'), path),
            static_cast<HRESULT>(0x8007006F));
  EXPECT_EQ(IconFilePath(L"1", std::wstring(150, L'a'), std::wstring(100, L'b'), path), static_cast<HRESULT>(0x8007006F));
  EXPECT_EQ(IconFilePath(L"1", std::wstring(250, L'c'), L"", path), static_cast<HRESULT>(0x8007006F));

  // Names come from fetched files: anything that could leave the folder is refused.
  for (const wchar_t* bad : {L"", L"..\\..\\Startup\\x", L"a/b", L"c:d", L"two words"})
    EXPECT_EQ(IconFilePath(L"1.2", bad, L"", path), E_INVALIDARG) << testing::PrintToString(bad);
  EXPECT_EQ(IconFilePath(L"1.2", L"group", L"..\\x", path), E_INVALIDARG);
}

TEST_F(SideFilesTest, FilesAreStoredWholeAndJournaled) {
  const std::string icon("\0\0\1\0binary\xFF", 11);
  ASSERT_EQ(WriteIconFile(L"1.2", L"group", L"", icon, nullptr), S_OK);
  EXPECT_EQ(ReadFileBytes(UserFolder() + L"1.2-group.ico"), icon);
  PublisherRecord record;
  record.id = L"1.2";
  WriteFile(UserFolder(), L"1.2.ina", L"before");

  CJournal journal;
  ASSERT_EQ(journal.Create(), S_OK);
  ASSERT_EQ(WriteSideFile(record, SideFile::kInactiveItems, L"after", &journal), S_OK);
  ASSERT_EQ(WriteSideFile(record, SideFile::kPreviousItems, L"new", &journal), S_OK);
  EXPECT_EQ(ReadText(UserFolder() + L"1.2.ina"), L"after");
  ASSERT_EQ(WriteIconFile(L"1.2", L"group", L"", "new", &journal), S_OK);
  ASSERT_EQ(WriteIconFile(L"1.2", L"group", L"item", "item", &journal), S_OK);
  EXPECT_EQ(WriteIconFile(L"1.2", std::wstring(250, L'x'), L"", "x", &journal), static_cast<HRESULT>(0x8007006F));
  ASSERT_EQ(journal.Rollback(), S_OK);
  EXPECT_EQ(ReadFileBytes(UserFolder() + L"1.2-group.ico"), icon);
  EXPECT_FALSE(FileExists(UserFolder() + L"1.2-group-item.ico"));
  EXPECT_EQ(ReadText(UserFolder() + L"1.2.ina"), L"before");
  EXPECT_FALSE(FileExists(UserFolder() + L"1.2.prv"));
}

// The error file's text is the error file's own unit; here, where it goes.
TEST_F(SideFilesTest, ErrorFileWrittenOnFailureDeletedOnSuccess) {
  ASSERT_EQ(RecordOutcome(L"1.2.3", {static_cast<HRESULT>(0x8007000D), L"f", 7, 0}, nullptr), S_OK);
  const std::wstring path = UserFolder() + L"1.2.3-error.ini";
  EXPECT_EQ(ReadFileBytes(path).substr(0, 2), "\xFF\xFE");
  EXPECT_EQ(ReadText(path), L"\r\n[Error]\r\nError = 0x8007000d\r\nFile = \"f\"\r\nLine = 7\r\n");
  for (const HRESULT success : {S_FALSE, S_OK}) {
    ASSERT_EQ(RecordOutcome(L"1.2.3", {success, L"", 0, 0}, nullptr), S_OK);
    EXPECT_FALSE(FileExists(path));
    ASSERT_EQ(RecordOutcome(L"1.2.3", {E_FAIL, L"", 0, 0}, nullptr), S_OK);
  }
  EXPECT_EQ(RecordOutcome(L"", {E_FAIL, L"", 0, 0}, nullptr), E_INVALIDARG);
}

// Under a listing of the store folder a file is told missing without a
// look of its own, but only while the folder keeps the write time it had
// when listed: a file made there since changes it.
TEST_F(SideFilesTest, ListedFolderTellsMissingFilesOnlyWhileUnchanged) {
  PublisherRecord record;
  record.id = L"1.2";
  const std::wstring folder = UserFolder();
  std::wstring text;
  const auto read = [&](SideFile kind) { return ReadSideFile(record, kind, text); };
  const HRESULT kMissing = HResultFromWin32(ERROR_FILE_NOT_FOUND);
  WriteFile(folder, L"1.2.INA", L"upper");  // answers to 1.2.ina
  {
    // Just written: no stamp, so the listing tells nothing.
    const FolderListingScope listing(folder);
    EXPECT_EQ(read(SideFile::kPreviousItems), kMissing);
    WriteFile(folder, L"1.2.prv", L"made");
    EXPECT_EQ(read(SideFile::kPreviousItems), S_OK);
    ASSERT_EQ(WriteSideFile(record, SideFile::kPreviousItems, L"", nullptr), S_OK);
  }
  const std::uint64_t listed = CurrentFileTime() - 60 * 10'000'000ull;
  SetLastWrite(folder, listed);
  const FolderListingScope listing(folder);
  {
    const FolderListingScope other(m_temp.Path());  // another folder's listing, ended before the questions
  }
  EXPECT_EQ(read(SideFile::kInactiveItems), S_OK) << "a name listed in another case is there";
  EXPECT_EQ(text, L"upper");
  EXPECT_EQ(read(SideFile::kPreviousItems), kMissing);
  // A probe that the listing is what answers: a file made while the folder
  // is set back to the time it was listed with is not seen.
  WriteFile(folder, L"1.2.prv", L"made");
  ASSERT_EQ(RecordOutcome(L"1.2", {E_FAIL, L"", 0, 0}, nullptr), S_OK);
  SetLastWrite(folder, listed);
  EXPECT_EQ(read(SideFile::kPreviousItems), kMissing);
  // Any other write time, and the file system is asked from then on.
  SetLastWrite(folder, listed - 10'000'000);
  EXPECT_EQ(read(SideFile::kPreviousItems), S_OK);
  EXPECT_EQ(text, L"made");
  SetLastWrite(folder, listed);
  ASSERT_EQ(DeleteErrorFile(L"1.2", nullptr), S_OK);
  EXPECT_FALSE(FileExists(folder + L"1.2-error.ini"));
}

}  // namespace
}  // namespace wendrix::test
