// The Windows system facts behind conditions: locale names and the language
// match with the system's own locale data, the processor architecture, and
// the probes that need no registry or file contents.
#include "publisher/windows_environment.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "publisher/conditions.h"
#include "publisher/model.h"
#include "../support/temp_folder.h"

namespace wendrix {
namespace {

class OnePublisher final : public PublisherList {
 public:
  bool Contains(std::wstring_view id) const override { return id == L"Acme"; }
  std::optional<std::wstring> PublisherVersion(std::wstring_view id) const override {
    if (id != L"Acme") return std::nullopt;
    return L"2.5";
  }
  void RecordRequiredVersion(std::wstring_view) override {}
};

class WindowsEnvironmentTest : public testing::Test {
 protected:
  WindowsPublisherEnvironment m_env{L"3.8.10.0"};
};

// The matching rules are tested with fixed facts; here the system's own
// locale data feeds them.
TEST_F(WindowsEnvironmentTest, LocaleNamesFromTheSystem) {
  const std::optional<LanguageNames> english = m_env.Language(0x409);
  ASSERT_TRUE(english.has_value());
  EXPECT_EQ(english->iso639, L"en");
  EXPECT_EQ(english->abbreviation, L"ENU");
  EXPECT_EQ(english->languageId, 0x409);
  EXPECT_EQ(m_env.Language(0x410).value_or(LanguageNames{}).iso639, L"it");
  EXPECT_FALSE(m_env.Language(0x3FF).has_value());  // no such language
  const std::uint16_t language = m_env.UserUiLanguage();
  ASSERT_TRUE(m_env.Language(language).has_value()) << std::hex << language;
  EXPECT_TRUE(LanguageMatches(m_env.Language(language)->abbreviation, kUserUiLanguage, m_env));
  const struct {
    const wchar_t* tag;
    std::uint16_t language;
    bool expected;
  } cases[] = {{L"en", 0x809, true}, {L"ENU", 0x809, false}, {L"it-ch", 0x810, true}, {L"de", 0x407, true}};
  for (const auto& c : cases) EXPECT_EQ(LanguageMatches(c.tag, c.language, m_env), c.expected) << c.tag;
}

TEST_F(WindowsEnvironmentTest, Is64BitSystemFollowsTheNativeProcessor) {
#ifdef _WIN64
  EXPECT_TRUE(m_env.Is64BitSystem());
#else
  BOOL wow64 = FALSE;
  ASSERT_TRUE(IsWow64Process(GetCurrentProcess(), &wow64));
  EXPECT_EQ(m_env.Is64BitSystem(), wow64 != FALSE);  // an x86 process on x64 still sees x64
#endif
}

TEST_F(WindowsEnvironmentTest, PublisherProbeGivesTheRegisteredPublishersVersion) {
  OnePublisher publishers;
  InstalledVersionDefinition definition;
  definition.id = L"Suite";
  definition.publisher = L"Acme";
  EXPECT_EQ(m_env.DetermineInstalledVersion(definition, &publishers), L"2.5");
  EXPECT_EQ(m_env.DetermineInstalledVersion(definition, nullptr), std::nullopt);
  definition.publisher = L"acme";  // publisher identifiers compare exactly
  EXPECT_EQ(m_env.DetermineInstalledVersion(definition, &publishers), std::nullopt);
  definition.publisher.clear();
  EXPECT_EQ(m_env.DetermineInstalledVersion(definition, &publishers), std::nullopt);
}

TEST_F(WindowsEnvironmentTest, PathWithoutLocationResolvesToAnExistingFolder) {
  test::TempFolder temp;
  const std::wstring file = temp.Write(L"file.txt", "x");
  const std::wstring missing = temp.File(L"missing");
  PathDefinition definition;
  definition.id = L"Data";
  definition.alternatives = {{L"", missing}, {L"", file}, {L"", L""}, {L"", temp.Path()}};
  EXPECT_EQ(m_env.ResolvePath(definition), temp.Path());

  definition.alternatives = {{L"", missing}, {L"", file}};
  EXPECT_EQ(m_env.ResolvePath(definition), std::nullopt);
}

}  // namespace
}  // namespace wendrix
