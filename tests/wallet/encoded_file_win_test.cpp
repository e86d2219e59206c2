// Encoded files on disk: toggled in place across the reader's blocks, and
// left as they were when the file cannot be read.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "../support/temp_folder.h"
#include "platform/unique_handle.h"
#include "wallet/encoded_file.h"

namespace wendrix {
namespace {

TEST(EncodedFileWinTest, AFileIsToggledWholeInPlace) {
  test::TempFolder folder;
  std::string original(2 * 65536 + 3, '\0');
  for (std::size_t i = 0; i < original.size(); ++i) original[i] = static_cast<char>(i * 7);
  const std::wstring path = folder.Write(L"setup.exe", original);
  std::string expected = original;
  ToggleEncoding(std::span(reinterpret_cast<std::uint8_t*>(expected.data()), expected.size()), 0);
  ASSERT_EQ(ToggleFileEncoding(path.c_str()), S_OK);
  EXPECT_EQ(test::ReadFileBytes(path), expected);
  ASSERT_EQ(ToggleFileEncoding(path.c_str()), S_OK);
  EXPECT_EQ(test::ReadFileBytes(path), original);

  // Held without read sharing: refused, and nothing is left beside it.
  UniqueFile held(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_EQ(ToggleFileEncoding(path.c_str()), HResultFromWin32(ERROR_SHARING_VIOLATION));
  held.Reset();
  EXPECT_EQ(test::ReadFileBytes(path), original);
  WIN32_FIND_DATAW found;
  EXPECT_FALSE(UniqueFind(FindFirstFileW(folder.File(L"~wx*").c_str(), &found)));
  EXPECT_EQ(ToggleFileEncoding(folder.File(L"missing.exe").c_str()), HResultFromWin32(ERROR_FILE_NOT_FOUND));
}

}  // namespace
}  // namespace wendrix
