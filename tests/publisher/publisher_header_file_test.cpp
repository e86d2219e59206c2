// Reading a publisher data file's identity from disk.
#include <windows.h>

#include <gtest/gtest.h>

#include "../support/temp_folder.h"
#include "core/text_encoding.h"
#include "publisher/publisher_header_file.h"

namespace wendrix::test {
namespace {

TEST(PublisherHeaderFileTest, ReadsTheIdentityFromAnyEncoding) {
  TempFolder folder;
  const std::wstring text =
      L"[Publisher]\r\nID = 1.2.3\r\nName = \"Caf\u00E9 Tools\"\r\nHomePage = http://www.cafe.example/\r\n"
      L"DataSource = http://www.cafe.example/a.wx-cnf\r\n[Item]\r\nName = not this\r\n";
  const std::wstring path = folder.Write(L"cafe.wx-cnf", EncodeUtf16LeFile(text));
  std::wstring id, name, homePage, dataSource;
  ASSERT_EQ(S_OK, ReadPublisherHeader(path.c_str(), &id, &name, &homePage, &dataSource));
  EXPECT_EQ(L"1.2.3", id);
  EXPECT_EQ(L"Caf\u00E9 Tools", name);
  EXPECT_EQ(L"http://www.cafe.example/", homePage);
  EXPECT_EQ(L"http://www.cafe.example/a.wx-cnf", dataSource);

  // Outputs may be left out; fields the file lacks keep their value.
  const std::wstring partial = folder.Write(L"partial.ini", "[Publisher]\nName = Only\n");
  std::wstring keep = L"kept";
  ASSERT_EQ(S_OK, ReadPublisherHeader(partial.c_str(), &keep, nullptr, nullptr, nullptr));
  EXPECT_EQ(L"kept", keep);
}

TEST(PublisherHeaderFileTest, FailuresComeBackAsCodes) {
  TempFolder folder;
  std::wstring id;
  EXPECT_EQ(static_cast<HRESULT>(0x80070002), ReadPublisherHeader(folder.File(L"missing").c_str(), &id, nullptr, nullptr, nullptr));
  const std::wstring xml = folder.Write(L"later.wx-cnf", "<?xml version=\"1.0\"?><publisher/>");
  EXPECT_EQ(static_cast<HRESULT>(0x8004020B), ReadPublisherHeader(xml.c_str(), &id, nullptr, nullptr, nullptr));
  const std::wstring broken = folder.Write(L"broken.wx-cnf", "[Publisher]\nID\n");
  EXPECT_EQ(static_cast<HRESULT>(0x8007000D), ReadPublisherHeader(broken.c_str(), &id, nullptr, nullptr, nullptr));
  EXPECT_EQ(E_INVALIDARG, ReadPublisherHeader(nullptr, &id, nullptr, nullptr, nullptr));
}

}  // namespace
}  // namespace wendrix::test
