// Request records as text: the exact layout the main program reads, round
// trips of any text, and hostile records refused whole.
#include <gtest/gtest.h>

#include <string>

#include "core/result.h"
#include "wallet/request_record.h"

namespace wendrix {
namespace {

RequestRecord TwoItems() {
  RequestRecord record{L"1.3.6.1.4.1.99999.7", L"", L"Tool", 0x10000080, L"", L"", RequestedItems{true, {}}};
  RequestedItem first{L"Acme", L"Tool", L"Get", L"Acme_-_Tool_2.5.0.0", L"2.5", kCategoryNonFreeUpgrade, 4, true};
  first.size = 5000000000ull;  // over 4 GB
  first.transferred = 4294967296ull;
  RequestedItem second{L"", L"\u00c9diteur \"pro\"", L"", L"", L"", kCategoryOtherPublisher, 7, false, true};
  record.list->items = {first, second};
  return record;
}

TEST(RequestRecordTest, WritesTheLayoutAndAnyTextReadsBackAsWritten) {
  RequestRecord record = TwoItems();
  std::wstring text;
  ASSERT_EQ(WriteRequestRecordText(record, text), S_OK);
  EXPECT_EQ(text,
            L"\r\n[Display]\r\nPublisher = 1.3.6.1.4.1.99999.7\r\nItem = Tool\r\nFlags = 268435584\r\n"
            L"\r\n[Settings]\r\nDownloadOnly = 1\r\n"
            L"\r\n[InstallItem]\r\nPublisher = Acme\r\nItem = Tool\r\nAction = Get\r\n"
            L"WalletItem = Acme_-_Tool_2.5.0.0\r\nVersion = 2.5\r\nCategory = NonFreeUpgrade\r\n"
            L"Status = WaitingToInstall\r\nInstall = 1\r\nInstallerLaunched = 0\r\nSize = 5000000000\r\n"
            L"Transferred = 4294967296\r\n"
            L"\r\n[InstallItem]\r\nItem = \u00c9diteur \\\"pro\\\"\r\nCategory = OtherPublisher\r\n"
            L"Status = InstallError\r\nInstall = 0\r\nInstallerLaunched = 1\r\nSize = 0\r\nTransferred = 0\r\n");

  // Every field the layout shows reads back: the read record writes the same text.
  record.group = L"G";
  record.currentDirectory = L"C:\\a b";
  record.commandLine = L"\"C:\\a b\\run.exe\" /q\r\n[Display]\r\nFlags=9 ; not a line";
  ASSERT_EQ(WriteRequestRecordText(record, text), S_OK);
  RequestRecord read;
  ASSERT_EQ(ReadRequestRecordText(text, read), S_OK);
  std::wstring again;
  ASSERT_EQ(WriteRequestRecordText(read, again), S_OK);
  EXPECT_EQ(again, text);
  EXPECT_EQ(read.commandLine, record.commandLine);

  RequestRecord display;
  display.flags = 0x40;
  ASSERT_EQ(WriteRequestRecordText(display, text), S_OK);
  EXPECT_EQ(text, L"\r\n[Display]\r\nFlags = 64\r\n");  // no list: no Settings section
  ASSERT_EQ(ReadRequestRecordText(text, read), S_OK);
  EXPECT_FALSE(read.list.has_value());  // the earlier read's list is gone
  EXPECT_EQ(read.publisher, L"");
}

TEST(RequestRecordTest, WhatCannotBeWrittenIsRefused) {
  RequestRecord record = TwoItems();
  std::wstring text = L"kept";
  record.list->items[1].category = 5;
  EXPECT_EQ(WriteRequestRecordText(record, text), E_INVALIDARG);
  record.list->items[1].category = kCategorySelfUpdate;
  record.list->items[1].status = 8;
  EXPECT_EQ(WriteRequestRecordText(record, text), E_INVALIDARG);
  record.list->items.resize(kRequestRecordItems + 1);
  EXPECT_EQ(WriteRequestRecordText(record, text), E_INVALIDARG);
  EXPECT_EQ(text, L"kept");
  record.list->items.resize(kRequestRecordItems);
  for (RequestedItem& item : record.list->items) item.status = 0;
  EXPECT_EQ(WriteRequestRecordText(record, text), S_OK);
}

TEST(RequestRecordTest, HostileRecordsAreRefusedWhole) {
  const std::wstring item = L"[Display]\nFlags=1\n[InstallItem]\nItem=T\n";
  std::wstring many = L"[Display]\n";
  for (std::size_t i = 0; i <= kRequestRecordItems; ++i) many += L"[InstallItem]\n";
  const struct {
    std::wstring text;
    HRESULT expected;
  } cases[] = {
      {item + L"Category=Everything\n", kInvalidData},
      {item + L"Status=Downloaded2\n", kInvalidData},
      {item + L"Status=downloaded\n", S_OK},  // words ignore case
      {item + L"Size=-1\n", kInvalidData},
      {item + L"Size=0x10\n", kInvalidData},
      {item + L"Size=18446744073709551615\n", S_OK},
      {item + L"Size=18446744073709551616\n", kInvalidData},
      {item + L"Size=000000000000000000001\n", kInvalidData},  // no endless run of zeros
      {item + L"Transferred=\n", kInvalidData},
      {item + L"Install=2\n", kInvalidData},
      {item + L"InstallerLaunched=yes\n", kInvalidData},
      {L"[Display]\nFlags=4294967296\n", kInvalidData},
      {L"[Display]\nFlags=4294967295\n[Other]\nSize=x\nAnything=1\n", S_OK},
      {L"[Settings]\nDownloadOnly=01\n", kInvalidData},
      {L"[Display]\n\"unterminated\n", kInvalidData},
      {many, kInvalidData},
      {std::wstring(kRequestRecordLimit / 2 + 1, L';'), kInvalidData},
  };
  for (const auto& c : cases) {
    RequestRecord read;
    read.publisher = L"kept";
    const std::wstring shown = c.text.substr(0, 60);
    EXPECT_EQ(ReadRequestRecordText(c.text, read), c.expected) << std::string(shown.begin(), shown.end());
    EXPECT_EQ(read.publisher, FAILED(c.expected) ? L"kept" : L"");
  }
}

}  // namespace
}  // namespace wendrix
