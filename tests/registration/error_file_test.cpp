// The error file's content: only what applies is written, the file involved
// only where the syntax can carry it, and it reads back with the error
// whatever that name holds.
#include "registration/error_file.h"

#include <gtest/gtest.h>

#include <string>

#include "core/ini_data_buffer.h"

namespace wendrix {
namespace {

TEST(ErrorFile, WritesOnlyWhatAppliesAndReadsBack) {
  // What a publisher would like to add to the file.
  const std::wstring injected = L"\r\nDataFile = C:\\evil\\data.ini\r\n[9.9]\r\nEnabled = 1";
  constexpr HRESULT kInvalidData = static_cast<HRESULT>(0x8007000D);
  const struct {
    HRESULT result;
    std::wstring file;
    std::uint32_t line, reported;
    std::wstring text;  // empty: not compared
    std::wstring kept;  // the file read back
    std::size_t entries;
  } cases[] = {
      {kInvalidData, L"C:\\Data\\a b.wx-cnf", 12, 0,
       L"\r\n[Error]\r\nError = 0x8007000d\r\nFile = \"C:\\Data\\a b.wx-cnf\"\r\nLine = 12\r\n", L"C:\\Data\\a b.wx-cnf", 4},
      {static_cast<HRESULT>(0x80072EE7), L"", 0, 1, L"\r\n[Error]\r\nError = 0x80072ee7\r\nReported = 1\r\n", L"", 3},
      {static_cast<HRESULT>(0x80004005), L"", 0, 0, L"\r\n[Error]\r\nError = 0x80004005\r\n", L"", 2},
      {kInvalidData, L"http://x/p" + injected, 7, 0, L"", L"http://x/p" + injected, 4},
      {kInvalidData, L"http://x/a\"b", 7, 0, L"", L"http://x/a\"b", 4},
      {kInvalidData, L"http://x/a\"b" + injected, 7, 0, L"", L"", 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.file));
    const ErrorReport report{c.result, c.file, c.line, c.reported};
    CIniDataBuffer data;
    ASSERT_EQ(BuildErrorFile(report, data), S_OK);
    ASSERT_EQ(data.Save(kIniSaveUnicode), S_OK);
    if (!c.text.empty()) {
      EXPECT_EQ(data.Text(), c.text);
    }
    CIniDataBuffer in;
    in.SetText(std::wstring(data.Text()));
    ASSERT_EQ(in.Load(ErrorFileSchema()), S_OK);
    EXPECT_EQ(in.EntryCount(), c.entries) << "[Error] and its keys only";
    ErrorReport back;
    std::wstring file;
    ASSERT_TRUE(ReadErrorFile(in, back, file));
    EXPECT_EQ(back.result, c.result);
    EXPECT_EQ(file, c.kept);
    EXPECT_EQ(back.line, c.line);
    EXPECT_EQ(back.reported, c.reported);
  }
  CIniDataBuffer other;
  other.SetText(L"[Other]\r\nError = 0x1\r\n");
  ASSERT_EQ(other.Load(ErrorFileSchema()), S_OK);
  ErrorReport back;
  std::wstring file;
  EXPECT_FALSE(ReadErrorFile(other, back, file)) << "no [Error] section";
}

}  // namespace
}  // namespace wendrix
