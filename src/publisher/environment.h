#pragma once
// What the publisher code needs from the system and from the publisher store,
// as small interfaces: the Windows build fills them with the real calls, the
// host tests with fixed values.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace wendrix {

struct InstalledVersionDefinition;
struct PathDefinition;
class PublisherList;

// Locale names of a Windows language identifier.
struct LanguageNames {
  std::wstring iso639;        // two-letter ISO 639 name ("en"); may be empty
  std::wstring abbreviation;  // three-letter abbreviation ("ENU")
  std::uint16_t languageId = 0;  // the language's own identifier
};

class PublisherEnvironment {
 public:
  virtual ~PublisherEnvironment() = default;
  // The library's own version, "3.8.10.0".
  virtual std::wstring ModuleVersion() const = 0;
  // The user's default user-interface language.
  virtual std::uint16_t UserUiLanguage() const = 0;
  virtual std::optional<LanguageNames> Language(std::uint16_t languageId) const = 0;
  virtual bool Is64BitSystem() const = 0;
  // Milliseconds since system start.
  virtual std::uint32_t TickCount() const = 0;
  // The installed version that a definition finds, or nothing.
  virtual std::optional<std::wstring> DetermineInstalledVersion(const InstalledVersionDefinition& definition,
                                                                const PublisherList* publishers) const = 0;
  // The existing folder that a path definition names, or nothing.
  virtual std::optional<std::wstring> ResolvePath(const PathDefinition& definition) const = 0;
};

// The registered publishers, as the loader and the conditions see them.
class PublisherList {
 public:
  virtual ~PublisherList() = default;
  // True when a publisher with exactly this identifier is registered.
  virtual bool Contains(std::wstring_view id) const = 0;
  // The `Version` of a registered publisher's data, "0.0" when it has none;
  // nothing when the publisher is not registered.
  virtual std::optional<std::wstring> PublisherVersion(std::wstring_view id) const = 0;
  // A data file required this library version, which is newer than ours.
  virtual void RecordRequiredVersion(std::wstring_view version) = 0;
};

}  // namespace wendrix
