#include "publisher/windows_environment.h"

#include <windows.h>

#include "core/string_util.h"
#include "platform/system_facts.h"
#include "publisher/installed_version.h"
#include "publisher/model.h"
#include "publisher/version_probe_windows.h"
#include "sysinfo/system_query.h"

namespace wendrix {

std::uint16_t WindowsPublisherEnvironment::UserUiLanguage() const {
  return UserUiLanguageId();
}

std::optional<LanguageNames> WindowsPublisherEnvironment::Language(std::uint16_t languageId) const {
  // LOCALE_ILANGUAGE is four hexadecimal digits ("0409"); a system without it
  // does not know the language at all.
  const std::wstring hex = LocaleText(languageId, LOCALE_ILANGUAGE);
  if (hex.empty()) return std::nullopt;
  LanguageNames names;
  for (wchar_t c : hex) {
    const int digit = HexDigitValue(c);
    if (digit < 0) return std::nullopt;
    names.languageId = static_cast<std::uint16_t>(names.languageId * 16 + digit);
  }
  names.iso639 = LocaleText(languageId, LOCALE_SISO639LANGNAME);
  names.abbreviation = LocaleText(languageId, LOCALE_SABBREVLANGNAME);
  return names;
}

bool WindowsPublisherEnvironment::Is64BitSystem() const {
  return NativeProcessorArchitecture() == PROCESSOR_ARCHITECTURE_AMD64;
}

std::uint32_t WindowsPublisherEnvironment::TickCount() const { return GetTickCount(); }

std::optional<std::wstring> WindowsPublisherEnvironment::DetermineInstalledVersion(
    const InstalledVersionDefinition& definition, const PublisherList* publishers) const {
  const WindowsVersionProbes probes(Is64BitSystem(), &EvaluateSystemQuery);
  return wendrix::DetermineInstalledVersion(definition, publishers, probes);
}

std::optional<std::wstring> WindowsPublisherEnvironment::ResolvePath(const PathDefinition& definition) const {
  const WindowsVersionProbes probes(Is64BitSystem(), &EvaluateSystemQuery);
  return wendrix::ResolvePath(definition, probes);
}

}  // namespace wendrix
