// The error file's content: only what applies is written, and it reads back.
#include "registration/error_file.h"

#include <gtest/gtest.h>

#include <string>

#include "core/ini_data_buffer.h"

namespace wendrix {
namespace {

TEST(ErrorFile, WritesOnlyWhatAppliesAndReadsBack) {
  const struct {
    ErrorReport report;
    const wchar_t* text;
  } cases[] = {
      {{static_cast<HRESULT>(0x8007000D), L"C:\\Data\\a b.wx-cnf", 12, 0},
       L"\r\n[Error]\r\nError = 0x8007000d\r\nFile = \"C:\\Data\\a b.wx-cnf\"\r\nLine = 12\r\n"},
      {{static_cast<HRESULT>(0x80072EE7), L"", 0, 1}, L"\r\n[Error]\r\nError = 0x80072ee7\r\nReported = 1\r\n"},
      {{static_cast<HRESULT>(0x80004005), L"", 0, 0}, L"\r\n[Error]\r\nError = 0x80004005\r\n"},
  };
  for (const auto& c : cases) {
    CIniDataBuffer data;
    ASSERT_EQ(BuildErrorFile(c.report, data), S_OK);
    ASSERT_EQ(data.Save(kIniSaveUnicode), S_OK);
    EXPECT_EQ(data.Text(), c.text);
    CIniDataBuffer in;
    in.SetText(std::wstring(data.Text()));
    ASSERT_EQ(in.Load(ErrorFileSchema()), S_OK);
    ErrorReport back;
    std::wstring file;
    ASSERT_TRUE(ReadErrorFile(in, back, file));
    EXPECT_EQ(back.result, c.report.result);
    EXPECT_EQ(file, std::wstring(c.report.file));
    EXPECT_EQ(back.line, c.report.line);
    EXPECT_EQ(back.reported, c.report.reported);
  }
  CIniDataBuffer other;
  other.SetText(L"[Other]\r\nError = 0x1\r\n");
  ASSERT_EQ(other.Load(ErrorFileSchema()), S_OK);
  ErrorReport report;
  std::wstring file;
  EXPECT_FALSE(ReadErrorFile(other, report, file)) << "no [Error] section";
}

}  // namespace
}  // namespace wendrix
