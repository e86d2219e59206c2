// CBufferFile: a byte buffer tied to one file that it holds exclusively.
#include "platform/buffer_file.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <string_view>

#include "../support/temp_folder.h"

namespace wendrix {
namespace {

using test::FileExists;
using test::ReadFileBytes;
using test::TempFolder;

// Whether another program could open the file now; the Win32 error when not.
DWORD TryOpenElsewhere(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return GetLastError();
  CloseHandle(h);
  return ERROR_SUCCESS;
}

std::string Contents(const CBufferFile& file) { return std::string(file.Data(), file.Count()); }

void Fill(CBufferFile& file, std::string_view bytes) {
  file.Reset();
  file.Append(std::span<const char>(bytes.data(), bytes.size()));
}

TEST(CBufferFileTest, OpenFailuresAreWrappedAndLeaveItClosed) {
  TempFolder folder;
  CBufferFile file;
  EXPECT_EQ(HResultFromWin32(ERROR_INVALID_PARAMETER), file.Open(nullptr, CREATE_ALWAYS));
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(HResultFromWin32(ERROR_FILE_NOT_FOUND), file.Open(folder.File(L"missing").c_str(), OPEN_EXISTING));
  EXPECT_FALSE(file.IsOpen());
  EXPECT_TRUE(file.Path().empty());
  EXPECT_FALSE(FileExists(folder.File(L"missing"))) << "OPEN_EXISTING must not create";
  EXPECT_EQ(HResultFromWin32(ERROR_PATH_NOT_FOUND), file.Open(folder.File(L"no\\such").c_str(), CREATE_ALWAYS));
  const std::wstring existing = folder.Write(L"here", "x");
  EXPECT_EQ(HResultFromWin32(ERROR_FILE_EXISTS), file.Open(existing.c_str(), CREATE_NEW));
  EXPECT_EQ("x", ReadFileBytes(existing));

  // Reading or writing without an open file fails cleanly.
  EXPECT_EQ(HResultFromWin32(ERROR_INVALID_HANDLE), file.ReadAll());
  EXPECT_EQ(HResultFromWin32(ERROR_INVALID_HANDLE), file.WriteAll());
}

TEST(CBufferFileTest, HoldsTheFileExclusivelyWhileOpen) {
  TempFolder folder;
  const std::wstring path = folder.Write(L"data.bin", "abc");
  CBufferFile file;
  ASSERT_EQ(S_OK, file.Open(path.c_str(), OPEN_EXISTING));
  EXPECT_TRUE(file.IsOpen());
  EXPECT_EQ(path, file.Path());
  EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), TryOpenElsewhere(path));
  EXPECT_FALSE(DeleteFileW(path.c_str())) << "no delete sharing either";

  // Opening another file closes the first one.
  const std::wstring second = folder.File(L"second.bin");
  ASSERT_EQ(S_OK, file.Open(second.c_str(), CREATE_ALWAYS));
  EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), TryOpenElsewhere(path));
  EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), TryOpenElsewhere(second));

  // Another program's lock makes the open fail with its sharing violation.
  HANDLE other = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, other);
  EXPECT_EQ(HResultFromWin32(ERROR_SHARING_VIOLATION), file.Open(path.c_str(), OPEN_EXISTING));
  CloseHandle(other);
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), TryOpenElsewhere(second)) << "the failed open closed the old file";

  // After the failed open there is nothing to delete: neither file may go.
  file.CloseAndDelete();
  EXPECT_TRUE(FileExists(path));
  EXPECT_TRUE(FileExists(second));
}

TEST(CBufferFileTest, WriteAllAndReadAllRoundTrip) {
  TempFolder folder;
  const std::wstring path = folder.File(L"data.bin");
  const std::string bytes("\0\x01\xFF\r\nbinary\0tail", 15);
  {
    CBufferFile file;
    ASSERT_EQ(S_OK, file.Open(path.c_str(), CREATE_ALWAYS));
    Fill(file, bytes);
    ASSERT_EQ(S_OK, file.WriteAll());
    ASSERT_EQ(S_OK, file.WriteAll()) << "writing twice replaces, not appends";
    file.Close();
    EXPECT_FALSE(file.IsOpen());
  }
  EXPECT_EQ(bytes, ReadFileBytes(path)) << "Close keeps the file";

  CBufferFile file;
  ASSERT_EQ(S_OK, file.Open(path.c_str(), OPEN_EXISTING));
  Fill(file, "previous content that is longer than the file");
  ASSERT_EQ(S_OK, file.ReadAll());
  EXPECT_EQ(bytes, Contents(file));

  // A shorter buffer truncates the file; an empty one empties it.
  Fill(file, "xy");
  ASSERT_EQ(S_OK, file.WriteAll());
  ASSERT_EQ(S_OK, file.ReadAll());
  EXPECT_EQ("xy", Contents(file));
  file.Reset();
  ASSERT_EQ(S_OK, file.WriteAll());
  Fill(file, "stale");
  ASSERT_EQ(S_OK, file.ReadAll());
  EXPECT_EQ(0u, file.Count());
  file.Close();
  EXPECT_EQ("", ReadFileBytes(path));
  EXPECT_TRUE(FileExists(path));

  // CloseAndDelete removes it; with nothing open it is harmless.
  ASSERT_EQ(S_OK, file.Open(path.c_str(), OPEN_EXISTING));
  file.CloseAndDelete();
  EXPECT_FALSE(file.IsOpen());
  EXPECT_TRUE(file.Path().empty());
  EXPECT_FALSE(FileExists(path));
  file.CloseAndDelete();
}

}  // namespace
}  // namespace wendrix
