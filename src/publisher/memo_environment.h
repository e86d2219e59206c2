#pragma once
// The system facts of one load, each asked of the system once. A file can
// name the same installed-version definition, path or language from every
// one of its items and conditions; asking the registry, the disk and the
// locale tables again each time would make a load's time grow with the
// product of two counts the file chooses.
#include <cstdint>
#include <map>
#include <memory_resource>
#include <optional>
#include <string>
#include <unordered_map>

#include "publisher/environment.h"

namespace wendrix {

// Answers as `inner` answers and keeps each answer. Definitions are told
// apart by their address: they must stay where they are, and unchanged, for
// as long as this object is used. Publisher probes are kept per definition
// whatever list is passed: one load uses one list.
class MemoEnvironment final : public PublisherEnvironment {
 public:
  explicit MemoEnvironment(const PublisherEnvironment& inner) : m_inner(inner) {}

  std::wstring ModuleVersion() const override {
    if (!m_moduleVersion) m_moduleVersion = m_inner.ModuleVersion();
    return *m_moduleVersion;
  }
  std::uint16_t UserUiLanguage() const override {
    if (!m_uiLanguage) m_uiLanguage = m_inner.UserUiLanguage();
    return *m_uiLanguage;
  }
  std::optional<LanguageNames> Language(std::uint16_t languageId) const override {
    const auto known = m_languages.find(languageId);
    if (known != m_languages.end()) return known->second;
    return m_languages.emplace(languageId, m_inner.Language(languageId)).first->second;
  }
  bool Is64BitSystem() const override {
    if (!m_is64Bit) m_is64Bit = m_inner.Is64BitSystem();
    return *m_is64Bit;
  }
  // The tick count moves on: never kept.
  std::uint32_t TickCount() const override { return m_inner.TickCount(); }
  std::optional<std::wstring> DetermineInstalledVersion(const InstalledVersionDefinition& definition,
                                                        const PublisherList* publishers) const override {
    const auto known = m_installed.find(&definition);
    if (known != m_installed.end()) return known->second;
    return m_installed.emplace(&definition, m_inner.DetermineInstalledVersion(definition, publishers)).first->second;
  }
  std::optional<std::wstring> ResolvePath(const PathDefinition& definition) const override {
    const auto known = m_paths.find(&definition);
    if (known != m_paths.end()) return known->second;
    return m_paths.emplace(&definition, m_inner.ResolvePath(definition)).first->second;
  }

 private:
  const PublisherEnvironment& m_inner;
  mutable std::optional<std::wstring> m_moduleVersion;
  mutable std::optional<std::uint16_t> m_uiLanguage;
  mutable std::optional<bool> m_is64Bit;
  // The tables' nodes, one per definition of the file, live as long as the
  // load and go with it at once: taken from one arena, not one by one.
  mutable std::pmr::monotonic_buffer_resource m_arena;
  mutable std::pmr::map<std::uint16_t, std::optional<LanguageNames>> m_languages{&m_arena};
  mutable std::pmr::unordered_map<const InstalledVersionDefinition*, std::optional<std::wstring>> m_installed{
      &m_arena};
  mutable std::pmr::unordered_map<const PathDefinition*, std::optional<std::wstring>> m_paths{&m_arena};
};

}  // namespace wendrix
