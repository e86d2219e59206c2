// Publisher IDs become file names: which ones are plain enough.
#include <gtest/gtest.h>

#include <string>

#include "publisher/builtin_publishers.h"
#include "publisher/publisher_id.h"

namespace wendrix {
namespace {

TEST(PublisherIdTest, PlainDottedNamesOnly) {
  const struct {
    std::wstring id;
    bool safe;
  } kCases[] = {
      {L"1.3.6.1.4.1.61717.1", true}, {L"Acme_Tools-2.x", true}, {L"a", true}, {L"-", true},
      {std::wstring(64, L'9'), true}, {std::wstring(65, L'9'), false}, {L"", false}, {L".hidden", false},
      {L"trailing.", false}, {L"a..b", false}, {L"..", false}, {L"a b", false}, {L"a\\b", false}, {L"a/b", false},
      {L"a:b", false}, {L"a*b", false}, {L"caf\u00E9", false}, {std::wstring(L"a\0b", 3), false},
      // Device names, as any dot-separated part, in any case.
      {L"CON", false}, {L"con", false}, {L"1.2.Nul", false}, {L"aux.1", false}, {L"prn", false}, {L"COM1", false},
      {L"lpt9.0", false}, {L"COM0", false}, {L"CON-1", true}, {L"CONSOLE", true}, {L"COM10", true}, {L"LPT", true},
      {L"1.NULL.2", true},
  };
  for (const auto& c : kCases) EXPECT_EQ(IsSafePublisherId(c.id), c.safe) << testing::PrintToString(c.id);
}

TEST(PublisherIdTest, TheProductsOwnPublishersAreSafe) {
  for (const BuiltinPublisher& row : BuiltinPublishers()) {
    EXPECT_TRUE(IsSafePublisherId(row.id)) << testing::PrintToString(std::wstring(row.id));
    EXPECT_TRUE(IsSafePublisherId(row.alias)) << testing::PrintToString(std::wstring(row.alias));
  }
}

}  // namespace
}  // namespace wendrix
