// The error file's content.
#include "registration/error_file.h"

#include <gtest/gtest.h>

#include <string>

#include "core/ini_data_buffer.h"

namespace wendrix {
namespace {

std::wstring Build(const ErrorReport& report) {
  CIniDataBuffer data;
  EXPECT_EQ(BuildErrorFile(report, data), S_OK);
  EXPECT_EQ(data.Save(kIniSaveUnicode), S_OK);
  return data.Text();
}

TEST(ErrorFile, WritesOnlyWhatApplies) {
  EXPECT_EQ(Build({static_cast<HRESULT>(0x8007000D), L"C:\\Data\\a b.wx-cnf", 12, 0}),
            L"\r\n[Error]\r\nError = 0x8007000d\r\nFile = \"C:\\Data\\a b.wx-cnf\"\r\nLine = 12\r\n");
  EXPECT_EQ(Build({static_cast<HRESULT>(0x80072EE7), L"", 0, 1}), L"\r\n[Error]\r\nError = 0x80072ee7\r\nReported = 1\r\n");
  EXPECT_EQ(Build({static_cast<HRESULT>(0x80004005), L"", 0, 0}), L"\r\n[Error]\r\nError = 0x80004005\r\n");
}

TEST(ErrorFile, ReadsBack) {
  CIniDataBuffer data;
  data.SetText(Build({static_cast<HRESULT>(0x8007000D), L"C:\\x y\\q.ini", 3, 2}));
  ASSERT_EQ(data.Load(ErrorFileSchema()), S_OK);
  ErrorReport report;
  std::wstring file;
  ASSERT_TRUE(ReadErrorFile(data, report, file));
  EXPECT_EQ(report.result, static_cast<HRESULT>(0x8007000D));
  EXPECT_EQ(file, L"C:\\x y\\q.ini");
  EXPECT_EQ(report.line, 3u);
  EXPECT_EQ(report.reported, 2u);

  data.SetText(L"[Other]\r\nError = 0x1\r\n");
  ASSERT_EQ(data.Load(ErrorFileSchema()), S_OK);
  EXPECT_FALSE(ReadErrorFile(data, report, file));
}

}  // namespace
}  // namespace wendrix
