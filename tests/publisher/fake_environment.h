#pragma once
// Fixed system facts and a fixed publisher list for publisher tests.
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/result.h"
#include "publisher/environment.h"
#include "publisher/model.h"

namespace wendrix::test {

class FakeEnvironment : public PublisherEnvironment {
 public:
  std::wstring moduleVersion = L"3.8.10.0";
  std::uint16_t uiLanguage = 0x409;
  bool is64Bit = true;
  std::uint32_t tickCount = 0;
  // Installed versions by definition identifier; folders by path identifier.
  std::map<std::uint16_t, LanguageNames> languages = {
      {0x409, {L"en", L"ENU", 0x409}}, {0x809, {L"en", L"ENG", 0x809}}, {0x410, {L"it", L"ITA", 0x410}},
      {0x40c, {L"fr", L"FRA", 0x40c}}, {0x407, {L"de", L"DEU", 0x407}}, {0x40A, {L"es", L"ESP", 0x40A}},
      {0xC0A, {L"es", L"ESN", 0xC0A}},
      // Languages the system knows without a two-letter name.
      {0x414, {L"", L"NOR", 0x414}},   {0x814, {L"", L"NON", 0x814}},   {0x804, {L"", L"CHS", 0x804}},
  };
  // Installed versions by definition identifier; folders by path identifier.
  std::map<std::wstring, std::wstring> installed;
  std::map<std::wstring, std::wstring> folders;
  mutable int determinations = 0;
  mutable const PublisherList* publishersSeen = nullptr;

  std::wstring ModuleVersion() const override { return moduleVersion; }
  std::uint16_t UserUiLanguage() const override { return uiLanguage; }
  std::optional<LanguageNames> Language(std::uint16_t id) const override {
    const auto it = languages.find(id);
    return it == languages.end() ? std::nullopt : std::optional<LanguageNames>(it->second);
  }
  bool Is64BitSystem() const override { return is64Bit; }
  std::uint32_t TickCount() const override { return tickCount; }
  std::optional<std::wstring> DetermineInstalledVersion(const InstalledVersionDefinition& definition,
                                                        const PublisherList* publishers) const override {
    ++determinations;
    publishersSeen = publishers;
    auto it = installed.find(definition.id);
    if (it != installed.end()) return it->second;
    if (!definition.publisher.empty() && publishers) return publishers->PublisherVersion(definition.publisher);
    return std::nullopt;
  }
  std::optional<std::wstring> ResolvePath(const PathDefinition& definition) const override {
    auto it = folders.find(definition.id);
    return it == folders.end() ? std::nullopt : std::optional<std::wstring>(it->second);
  }
};

class FakePublisherList : public PublisherList {
 public:
  std::map<std::wstring, std::wstring> versions;  // registered publishers and their Version
  std::vector<std::wstring> requiredVersions;

  bool Contains(std::wstring_view id) const override { return versions.count(std::wstring(id)) != 0; }
  std::optional<std::wstring> PublisherVersion(std::wstring_view id) const override {
    auto it = versions.find(std::wstring(id));
    if (it == versions.end()) return std::nullopt;
    return it->second.empty() ? std::wstring(L"0.0") : it->second;
  }
  void RecordRequiredVersion(std::wstring_view version) override { requiredVersions.emplace_back(version); }
};

// A result code as "0x8007000D", for failure messages.
inline std::string Hex(HRESULT hr) {
  char buffer[16];
  std::snprintf(buffer, sizeof(buffer), "0x%08X", static_cast<unsigned>(hr));
  return buffer;
}

// The registration the loader compares a file's Publisher section with.
inline void RegisterAcme(PublisherData& data, std::wstring_view id) {
  data.publisher.id = id;
  data.publisher.name = L"Acme Tools";
  data.publisher.homePage = L"http://www.acme.example/";
  data.publisher.dataSource = L"http://www.acme.example/acme.wx-cnf";
}

inline constexpr HRESULT kInvalidArg = static_cast<HRESULT>(0x80070057);
inline constexpr HRESULT kInvalidData = static_cast<HRESULT>(0x8007000D);
inline constexpr HRESULT kMissingId = static_cast<HRESULT>(0x800400E8);

}  // namespace wendrix::test
