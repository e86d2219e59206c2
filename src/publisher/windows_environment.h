#pragma once
// The system facts of the publisher code, read from Windows.
#include <string>
#include <utility>

#include "publisher/environment.h"

namespace wendrix {

class WindowsPublisherEnvironment final : public PublisherEnvironment {
 public:
  // `moduleVersion` is the library's own version ("3.8.10.0").
  explicit WindowsPublisherEnvironment(std::wstring moduleVersion) : m_moduleVersion(std::move(moduleVersion)) {}

  std::wstring ModuleVersion() const override { return m_moduleVersion; }
  // The user's default user-interface language; the user's default language
  // on systems without separate interface languages.
  std::uint16_t UserUiLanguage() const override;
  // The locale names of `languageId`; nothing when the system does not know
  // the language. Names the system lacks are empty.
  std::optional<LanguageNames> Language(std::uint16_t languageId) const override;
  // True on an x64 processor; false where the native system information is
  // not available (systems that cannot run 64-bit code).
  bool Is64BitSystem() const override;
  std::uint32_t TickCount() const override;
  // The installed version the definition finds on this machine (registry,
  // files, Windows Installer, COM classes, system queries, modules, then the
  // registered publisher's version), stored in the definition; nothing when
  // no probe applies.
  std::optional<std::wstring> DetermineInstalledVersion(const InstalledVersionDefinition& definition,
                                                        const PublisherList* publishers) const override;
  // The first alternative that names an existing folder (from Windows
  // Installer, a registry value or the name alone), stored in the
  // definition; nothing when none does.
  std::optional<std::wstring> ResolvePath(const PathDefinition& definition) const override;

 private:
  std::wstring m_moduleVersion;
};

}  // namespace wendrix
