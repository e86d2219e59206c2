#include "publisher/windows_environment.h"

#include <windows.h>

#include "core/string_util.h"
#include "publisher/model.h"

namespace wendrix {
namespace {

// kernel32 functions that older systems lack, looked up on each use (kernel32
// is always loaded, so the lookup costs no library load).
template <typename Fn>
Fn Kernel32Function(const char* name) noexcept {
  const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
  if (kernel32 == nullptr) return nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(kernel32, name)));
}

// One locale text of `languageId`; empty when the system does not have it.
std::wstring LocaleText(std::uint16_t languageId, LCTYPE type) {
  wchar_t buffer[16];  // ISO 639 names, abbreviations and hexadecimal identifiers are short
  const int length = GetLocaleInfoW(MAKELCID(languageId, SORT_DEFAULT), type, buffer, ARRAYSIZE(buffer));
  if (length <= 1) return {};
  return std::wstring(buffer, static_cast<std::size_t>(length - 1));
}

bool IsExistingFolder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

std::uint16_t WindowsPublisherEnvironment::UserUiLanguage() const {
  using GetUserDefaultUILanguageFn = LANGID(WINAPI*)();
  if (const auto fn = Kernel32Function<GetUserDefaultUILanguageFn>("GetUserDefaultUILanguage")) return fn();
  return GetUserDefaultLangID();
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
  // GetSystemInfo would report the emulated x86 processor to a 32-bit process
  // on 64-bit Windows; only the native information tells the truth.
  using GetNativeSystemInfoFn = void(WINAPI*)(LPSYSTEM_INFO);
  const auto fn = Kernel32Function<GetNativeSystemInfoFn>("GetNativeSystemInfo");
  if (fn == nullptr) return false;
  SYSTEM_INFO info{};
  fn(&info);
  return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64;
}

std::uint32_t WindowsPublisherEnvironment::TickCount() const { return GetTickCount(); }

std::optional<std::wstring> WindowsPublisherEnvironment::DetermineInstalledVersion(
    const InstalledVersionDefinition& definition, const PublisherList* publishers) const {
  // The application probes (registry, files, Windows Installer) and the
  // system probes (COM classes, system queries, modules) come first; they
  // are added with the installed-version detection code. Until then only the
  // publisher probe answers.
  if (publishers == nullptr || definition.publisher.empty()) return std::nullopt;
  return publishers->PublisherVersion(definition.publisher);
}

std::optional<std::wstring> WindowsPublisherEnvironment::ResolvePath(const PathDefinition& definition) const {
  for (const PathAlternative& alternative : definition.alternatives) {
    // Alternatives with a Windows Installer or registry location are added
    // with the installed-version detection code; they fail until then.
    if (!alternative.location.empty() || alternative.name.empty()) continue;
    if (IsExistingFolder(alternative.name)) return alternative.name;
  }
  return std::nullopt;
}

}  // namespace wendrix
