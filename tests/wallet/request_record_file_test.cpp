// Request records on disk: numbered names taken whole, lowest first, and
// handed to this build's real main program by the wallet's resume.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "wallet/request_record.h"
#include "wallet_fixture.h"
#include "wendrix.h"

namespace wendrix {
namespace {

class RequestRecordFileTest : public test::WalletTest {
 protected:
  std::wstring Folder() const { return m_user + L"\\Kestmoor\\Wendrix\\"; }
  static RequestRecord Record(const wchar_t* item) {
    RequestRecord record;
    record.item = item;
    record.list.emplace();
    record.list->items.emplace_back().walletItem = item;
    return record;
  }
  // The files of the folder whose names start with `start` and end with `end`.
  int CountFiles(std::wstring_view start, std::wstring_view end) const {
    int count = 0;
    for (const auto& file : std::filesystem::directory_iterator(Folder())) {
      const std::wstring name = file.path().filename().wstring();
      count += name.starts_with(start) && name.ends_with(end);
    }
    return count;
  }
};

TEST_F(RequestRecordFileTest, SavedUnderTheLowestFreeNumberAndTakenLowestFirst) {
  WriteFile(Folder(), L"Resume001.ini", L"[Display]\nFlags=nonsense\n");  // unreadable: dropped when taken
  WriteFile(Folder(), L"Resume1.ini", L"[Display]\n");                     // not a record's name
  std::wstring path;
  ASSERT_EQ(SaveRequestRecord(Record(L"second"), path), S_OK);
  EXPECT_EQ(path, Folder() + L"Resume002.ini");
  ASSERT_EQ(SaveRequestRecord(Record(L"third"), path), S_OK);
  EXPECT_EQ(path, Folder() + L"Resume003.ini");
  EXPECT_EQ(CountFiles(L"~wx", L".tmp"), 0);

  RequestRecord taken;
  bool found = false;
  for (const wchar_t* expected : {L"second", L"third"}) {
    ASSERT_EQ(TakeRequestRecord(taken, found), S_OK);
    ASSERT_TRUE(found);
    EXPECT_EQ(taken.item, expected);
    EXPECT_EQ(taken.list->items.at(0).walletItem, expected);
  }
  EXPECT_EQ(TakeRequestRecord(taken, found), S_OK);
  EXPECT_FALSE(found);
  EXPECT_FALSE(test::FileExists(Folder() + L"Resume001.ini"));
  EXPECT_TRUE(test::FileExists(Folder() + L"Resume1.ini"));
}

TEST_F(RequestRecordFileTest, AFullFolderOrALongPathSavesNothing) {
  for (int number = 1; number <= 999; ++number) {
    wchar_t name[16];
    swprintf(name, 16, L"Resume%03d.ini", number);
    WriteFile(Folder(), name, L"");
  }
  std::wstring path = L"kept";
  EXPECT_EQ(SaveRequestRecord(Record(L"x"), path), E_FAIL);
  EXPECT_EQ(path, L"kept");
  EXPECT_EQ(CountFiles(L"~wx", L".tmp"), 0);

  // A folder whose record names would reach 260 characters while the folder
  // itself stays below.
  std::wstring deep = m_temp.Path();
  while (deep.size() + 18 + 13 < MAX_PATH) {
    deep += L"\\dddddddddd";
    CreateDirectoryW(deep.c_str(), nullptr);
  }
  PointAt(deep, m_common);
  EXPECT_EQ(SaveRequestRecord(Record(L"x"), path), HResultFromWin32(ERROR_BUFFER_OVERFLOW));
}

// The resume hands every pending record to the main program, which takes
// each; here the main program is this build's wendrix.exe.
TEST_F(RequestRecordFileTest, ResumeHandsPendingRecordsToTheMainProgram) {
  const test::ProductFolder product;
  std::wstring path;
  ASSERT_EQ(SaveRequestRecord(Record(L"first"), path), S_OK);
  ASSERT_EQ(SaveRequestRecord(Record(L"second"), path), S_OK);
  const auto resume = Export<decltype(&WendrixWallet)>("WendrixWallet");
  const auto stop = Export<decltype(&WendrixStopEx)>("WendrixStopEx");
  ASSERT_TRUE(resume && stop);
  EXPECT_EQ(resume(WENDRIX_WALLET_RESUME, 0, nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(CountFiles(L"Resume", L".ini"), 0);
  // The main program shows what the records asked for in its window, which
  // stays open for the user: the test closes it as a setup would.
  EXPECT_NE(FindWindowW(L"WendrixDialog", nullptr), nullptr);
  EXPECT_EQ(stop(nullptr, 0), S_OK);
  EXPECT_EQ(FindWindowW(L"WendrixDialog", nullptr), nullptr);
}

}  // namespace
}  // namespace wendrix
