// The order of the probes of an installed-version definition and of a path
// definition's alternatives, the lookups by identifier, and the item version
// query, with scripted probes.
#include "publisher/installed_version.h"

#include <gtest/gtest.h>

#include <map>
#include <tuple>

#include "../publisher/fake_environment.h"
#include "publisher/item_version.h"

namespace wendrix {
namespace {

// Answers by the probe's name or text; records what was asked, in order.
class ScriptedProbes final : public VersionProbes {
 public:
  std::map<std::wstring, VersionParts> applications;
  std::map<std::wstring, std::wstring> systems;
  std::map<std::wstring, std::wstring> folders;
  mutable std::vector<std::wstring> asked;

  std::optional<VersionParts> ProbeApplication(const ApplicationProbe& probe) const override {
    return Answer(applications, L"app:", probe.name);
  }
  std::optional<std::wstring> ProbeSystem(std::wstring_view text) const override {
    return Answer(systems, L"system:", std::wstring(text));
  }
  std::optional<std::wstring> ResolveAlternative(const PathAlternative& alternative) const override {
    return Answer(folders, L"path:", alternative.name);
  }

 private:
  template <typename T>
  std::optional<T> Answer(const std::map<std::wstring, T>& answers, const wchar_t* kind, const std::wstring& key) const {
    asked.push_back(kind + key);
    const auto found = answers.find(key);
    if (found == answers.end()) return std::nullopt;
    return found->second;
  }
};

InstalledVersionDefinition Definition() {
  InstalledVersionDefinition definition;
  definition.id = L"Tool";
  definition.applications = {{L"", L"a", L"", L""}, {L"", L"b", L"", L""}};
  definition.systems = {L"s1", L"s2"};
  definition.publisher = L"1.2.3";
  return definition;
}

TEST(DetermineInstalledVersionTest, ApplicationsThenSystemsThenPublisher) {
  test::FakePublisherList publishers;
  publishers.versions[L"1.2.3"] = L"";  // registered, its data has no Version
  const InstalledVersionDefinition definition = Definition();
  ScriptedProbes probes;
  EXPECT_EQ(DetermineInstalledVersion(definition, &publishers, probes), L"0.0");
  EXPECT_EQ(probes.asked, (std::vector<std::wstring>{L"app:a", L"app:b", L"system:s1", L"system:s2"}));

  probes.systems[L"s2"] = L"";  // a system answer counts even when empty
  EXPECT_EQ(DetermineInstalledVersion(definition, &publishers, probes), L"");
  probes.systems[L"s1"] = L"10.0.19045";
  EXPECT_EQ(DetermineInstalledVersion(definition, &publishers, probes), L"10.0.19045");
  probes.applications[L"b"] = VersionParts{4294967295u, 0, 7, 65535};
  EXPECT_EQ(DetermineInstalledVersion(definition, &publishers, probes), L"4294967295.0.7.65535");
  probes.applications[L"a"] = VersionParts{};
  probes.asked.clear();
  EXPECT_EQ(DetermineInstalledVersion(definition, &publishers, probes), L"0.0.0.0");
  EXPECT_EQ(probes.asked, std::vector<std::wstring>{L"app:a"});  // the first success stops
  EXPECT_EQ(definition.result, L"0.0.0.0");
}

TEST(DetermineInstalledVersionTest, PublisherProbeNeedsARegisteredPublisherAndAList) {
  InstalledVersionDefinition definition;
  definition.publisher = L"1.2.3";
  const ScriptedProbes probes;
  test::FakePublisherList publishers;
  EXPECT_EQ(DetermineInstalledVersion(definition, &publishers, probes), std::nullopt);  // not registered
  publishers.versions[L"1.2.3"] = L"5.1";
  EXPECT_EQ(DetermineInstalledVersion(definition, &publishers, probes), L"5.1");
  EXPECT_EQ(DetermineInstalledVersion(definition, nullptr, probes), std::nullopt);
  EXPECT_EQ(definition.result, std::nullopt);  // cleared by the last determination
  definition.publisher.clear();
  EXPECT_EQ(DetermineInstalledVersion(definition, &publishers, probes), std::nullopt);
}

TEST(ResolvePathTest, FirstResolvingAlternativeWins) {
  PathDefinition definition;
  definition.alternatives = {{L"", L"a"}, {L"", L"b"}, {L"", L"c"}};
  ScriptedProbes probes;
  definition.result = L"stale";
  EXPECT_EQ(ResolvePath(definition, probes), std::nullopt);
  EXPECT_EQ(definition.result, std::nullopt);
  probes.folders = {{L"b", L"C:\\B"}, {L"c", L"C:\\C"}};
  probes.asked.clear();
  EXPECT_EQ(ResolvePath(definition, probes), L"C:\\B");
  EXPECT_EQ(probes.asked, (std::vector<std::wstring>{L"path:a", L"path:b"}));
  EXPECT_EQ(definition.result, L"C:\\B");
}

TEST(ByIdTest, LooksUpIgnoringCaseAndStoresTheResult) {
  PublisherData data;
  data.installedVersions.push_back(Definition());
  data.paths.emplace_back();
  data.paths.back().id = L"Target";
  test::FakeEnvironment env;
  env.installed[L"Tool"] = L"2.1.0.0";
  env.folders[L"Target"] = L"C:\\Target";
  EXPECT_EQ(DetermineById(data, L"TOOL", nullptr, env), L"2.1.0.0");
  EXPECT_EQ(data.installedVersions[0].result, L"2.1.0.0");
  EXPECT_EQ(DetermineById(data, L"Other", nullptr, env), std::nullopt);
  EXPECT_EQ(ResolvePathById(data, L"target", env), L"C:\\Target");
  EXPECT_EQ(data.paths[0].result, L"C:\\Target");
  EXPECT_EQ(ResolvePathById(data, L"Other", env), std::nullopt);
  env.installed.clear();
  EXPECT_EQ(DetermineById(data, L"Tool", nullptr, env), std::nullopt);
  EXPECT_EQ(data.installedVersions[0].result, std::nullopt);
}

TEST(ItemVersionTest, InstalledOrLatestPlainOrForDisplay) {
  PublisherData data;
  for (auto [id, style, installed, latest] : {std::tuple{L"Editor", L"Short", L"5.1.0.3", L"5.2.0.1"},
                                             {L"Viewer", L"", L"2004b", L""}, {L"Missing", L"Nowhere", L"1.0", L""}}) {
    Item& item = data.items.emplace_back();
    item.id = id;
    item.displayStyleId = style;
    item.installedVersion = installed;
    item.latestVersion = latest;
  }
  DisplayVersionStyle& style = data.displayStyles.emplace_back();
  style.id = L"short";
  style.size = 2;
  style.replacements.push_back({VersionParts{5, 1, 0, 0}, 2, L"5.1 Gold " + std::wstring(300, L'!')});
  std::optional<std::wstring> out = L"untouched";
  EXPECT_EQ(ItemVersion(&data, L"Editor", 0, nullptr), E_POINTER);
  EXPECT_EQ(ItemVersion(nullptr, L"Editor", 0, &out), E_INVALIDARG);
  EXPECT_EQ(ItemVersion(&data, nullptr, 0, &out), E_INVALIDARG);
  EXPECT_EQ(out, L"untouched");

  const struct {
    const wchar_t* item;
    std::uint32_t flags;
    std::optional<std::wstring> expected;
  } cases[] = {
      {L"editor", 0, L"5.1.0.3"},
      {L"Editor", kItemVersionLatest, L"5.2.0.1"},
      {L"Editor", kItemVersionLatest | kItemVersionForDisplay, L"5.2"},  // the style's size
      {L"Editor", kItemVersionForDisplay, L"5.1 Gold " + std::wstring(246, L'!')},  // cut to 255
      {L"Editor", 0x10000, L"5.1.0.3"},                                  // other bits change nothing
      {L"Viewer", kItemVersionForDisplay, L"2004b"},                     // not a version: copied
      {L"Viewer", kItemVersionLatest, std::nullopt},                     // no latest version
      {L"Missing", kItemVersionForDisplay, L"1.0.0.0"},                  // unknown style: four parts
      {L"Nobody", 0, std::nullopt},
      {L"", 0, std::nullopt},
  };
  for (const auto& c : cases) {
    out = L"stale";
    EXPECT_EQ(ItemVersion(&data, c.item, c.flags, &out), S_OK) << c.item;
    EXPECT_EQ(out, c.expected) << c.item << L" " << c.flags;
  }
  data.items[0].installedVersion.reset();
  out = L"stale";
  EXPECT_EQ(ItemVersion(&data, L"Editor", 0, &out), S_OK);
  EXPECT_EQ(out, std::nullopt);
}

}  // namespace
}  // namespace wendrix
