// Request records as text: the exact layout the main program reads, round
// trips of any text, and hostile records refused whole.
#include <gtest/gtest.h>

#include <string>

#include "core/result.h"
#include "wallet/request_record.h"

namespace wendrix {
namespace {

RequestRecord TwoItems() {
  RequestRecord record;
  record.publisher = L"1.3.6.1.4.1.99999.7";
  record.item = L"Tool";
  record.flags = 0x10000080;
  record.commandLine = L"\"C:\\a b\\run.exe\" /q\r\n[Display]\r\nFlags=9 ; not a line";
  record.list.emplace();
  record.list->downloadOnly = true;
  RequestedItem first;
  first.publisher = L"Acme";
  first.item = L"Tool";
  first.action = L"Get";
  first.walletItem = L"Acme_-_Tool_2.5.0.0";
  first.version = L"2.5";
  first.category = kCategoryNonFreeUpgrade;
  first.status = 4;
  first.install = true;
  first.size = 5000000000ull;  // over 4 GB
  first.transferred = 4294967296ull;
  RequestedItem second;
  second.item = L"\u00c9diteur \"pro\"";
  second.category = kCategoryOtherPublisher;
  second.status = 7;
  second.installerLaunched = true;
  record.list->items = {first, second};
  return record;
}

void ExpectSame(const RequestRecord& a, const RequestRecord& b) {
  EXPECT_EQ(a.publisher, b.publisher);
  EXPECT_EQ(a.group, b.group);
  EXPECT_EQ(a.item, b.item);
  EXPECT_EQ(a.flags, b.flags);
  EXPECT_EQ(a.commandLine, b.commandLine);
  EXPECT_EQ(a.currentDirectory, b.currentDirectory);
  ASSERT_EQ(a.list.has_value(), b.list.has_value());
  if (!a.list) return;
  EXPECT_EQ(a.list->downloadOnly, b.list->downloadOnly);
  ASSERT_EQ(a.list->items.size(), b.list->items.size());
  for (std::size_t i = 0; i < a.list->items.size(); ++i) {
    const RequestedItem &x = a.list->items[i], &y = b.list->items[i];
    EXPECT_EQ(x.publisher + L"|" + x.item + L"|" + x.action + L"|" + x.walletItem + L"|" + x.version,
              y.publisher + L"|" + y.item + L"|" + y.action + L"|" + y.walletItem + L"|" + y.version);
    EXPECT_EQ(x.category, y.category);
    EXPECT_EQ(x.status, y.status);
    EXPECT_EQ(x.install, y.install);
    EXPECT_EQ(x.installerLaunched, y.installerLaunched);
    EXPECT_EQ(x.size, y.size);
    EXPECT_EQ(x.transferred, y.transferred);
  }
}

TEST(RequestRecordTest, LayoutLeavesOutEmptyTextsAndListsEachItemInItsOwnSection) {
  RequestRecord record = TwoItems();
  record.commandLine.clear();
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

  RequestRecord display;
  display.flags = 0x40;
  ASSERT_EQ(WriteRequestRecordText(display, text), S_OK);
  EXPECT_EQ(text, L"\r\n[Display]\r\nFlags = 64\r\n");  // no list: no Settings section
}

TEST(RequestRecordTest, AnyTextReadsBackAsItWasWritten) {
  const RequestRecord record = TwoItems();
  std::wstring text;
  ASSERT_EQ(WriteRequestRecordText(record, text), S_OK);
  RequestRecord read;
  ASSERT_EQ(ReadRequestRecordText(text, read), S_OK);
  ExpectSame(read, record);
  EXPECT_FALSE(read.list->items[0].installerLaunched);

  RequestRecord display;
  ASSERT_EQ(WriteRequestRecordText(display, text), S_OK);
  ASSERT_EQ(ReadRequestRecordText(text, read), S_OK);
  EXPECT_FALSE(read.list.has_value());  // the earlier read's list is gone
}

TEST(RequestRecordTest, WhatCannotBeWrittenIsRefused) {
  RequestRecord record = TwoItems();
  record.list->items[1].category = 5;
  std::wstring text = L"kept";
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
  struct Case {
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
      {item + L"Transferred=\n", kInvalidData},
      {item + L"Install=2\n", kInvalidData},
      {item + L"InstallerLaunched=yes\n", kInvalidData},
      {L"[Display]\nFlags=4294967296\n", kInvalidData},
      {L"[Display]\nFlags=4294967295\n[Other]\nSize=x\nAnything=1\n", S_OK},
      {L"[Settings]\nDownloadOnly=01\n", kInvalidData},
      {L"[Display]\n\"unterminated\n", kInvalidData},
  };
  for (const Case& c : cases) {
    RequestRecord read;
    read.publisher = L"kept";
    EXPECT_EQ(ReadRequestRecordText(c.text, read), c.expected) << std::string(c.text.begin(), c.text.end());
    if (FAILED(c.expected)) {
      EXPECT_EQ(read.publisher, L"kept");
    }
  }

  std::wstring many = L"[Display]\n";
  for (std::size_t i = 0; i <= kRequestRecordItems; ++i) many += L"[InstallItem]\n";
  RequestRecord read;
  EXPECT_EQ(ReadRequestRecordText(many, read), kInvalidData);
  EXPECT_EQ(ReadRequestRecordText(std::wstring(kRequestRecordLimit / 2 + 1, L';'), read), kInvalidData);
}

}  // namespace
}  // namespace wendrix
