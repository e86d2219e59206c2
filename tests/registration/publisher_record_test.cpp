// What the store shows of a record: the application name in the user's language.
#include <gtest/gtest.h>

#include "../publisher/fake_environment.h"
#include "registration/publisher_record.h"

namespace wendrix {
namespace {

TEST(PublisherRecordTest, ApplicationNameFollowsTheUsersLanguage) {
  test::FakeEnvironment env;
  PublisherRecord record;
  EXPECT_EQ(nullptr, ApplicationNameFor(record, env));

  record.applicationNames = {{L"en", L"Editor"}, {L"it", L"Editore"}, {L"de", L"Bearbeiter"}};
  struct Case {
    std::uint16_t language;
    const wchar_t* expected;
  };
  const Case cases[] = {{0x410, L"Editore"}, {0x407, L"Bearbeiter"}, {0x409, L"Editor"}, {0x809, L"Editor"},
                        {0x40c, L"Editor"}};  // French: no entry, the first one
  for (const Case& c : cases) {
    SCOPED_TRACE(c.language);
    env.uiLanguage = c.language;
    const std::wstring* name = ApplicationNameFor(record, env);
    ASSERT_NE(nullptr, name);
    EXPECT_EQ(c.expected, *name);
  }

  record.applicationNames = {{L"it", L"Solo"}};
  env.uiLanguage = 0x409;
  EXPECT_EQ(L"Solo", *ApplicationNameFor(record, env)) << "a single name serves every language";
}

}  // namespace
}  // namespace wendrix
