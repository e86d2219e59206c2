// Encoded files on disk: toggled in place across the reader's blocks, and
// left as they were when the file cannot be read.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../support/temp_folder.h"
#include "platform/unique_handle.h"
#include "wallet/encoded_file.h"

namespace wendrix {
namespace {

std::vector<std::uint8_t> Bytes(const std::wstring& path) {
  UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  std::vector<std::uint8_t> bytes(file ? GetFileSize(file.Get(), nullptr) : 0);
  DWORD read = 0;
  if (file) ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  return bytes;
}

TEST(EncodedFileWinTest, AFileIsToggledWholeInPlace) {
  test::TempFolder folder;
  const std::wstring path = folder.File(L"setup.exe");
  std::vector<std::uint8_t> original(2 * 65536 + 3);
  for (std::size_t i = 0; i < original.size(); ++i) original[i] = static_cast<std::uint8_t>(i * 7);
  {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    DWORD written = 0;
    WriteFile(file.Get(), original.data(), static_cast<DWORD>(original.size()), &written, nullptr);
  }
  std::vector<std::uint8_t> expected = original;
  ToggleEncoding(expected, 0);
  ASSERT_EQ(ToggleFileEncoding(path.c_str()), S_OK);
  EXPECT_EQ(Bytes(path), expected);
  ASSERT_EQ(ToggleFileEncoding(path.c_str()), S_OK);
  EXPECT_EQ(Bytes(path), original);

  // Held without read sharing: refused, and nothing is left beside it.
  UniqueFile held(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_EQ(ToggleFileEncoding(path.c_str()), HResultFromWin32(ERROR_SHARING_VIOLATION));
  held.Reset();
  EXPECT_EQ(Bytes(path), original);
  WIN32_FIND_DATAW found;
  UniqueFind leftovers(FindFirstFileW(folder.File(L"~wx*").c_str(), &found));
  EXPECT_FALSE(leftovers);
  EXPECT_EQ(ToggleFileEncoding(folder.File(L"missing.exe").c_str()), HResultFromWin32(ERROR_FILE_NOT_FOUND));
}

}  // namespace
}  // namespace wendrix
