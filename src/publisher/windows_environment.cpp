#include "publisher/windows_environment.h"

#include <windows.h>

#include "core/string_util.h"
#include "publisher/installed_version.h"
#include "publisher/model.h"
#include "publisher/version_probe_windows.h"
#include "sysinfo/system_query.h"

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
  const WindowsVersionProbes probes(Is64BitSystem(), &EvaluateSystemQuery);
  return wendrix::DetermineInstalledVersion(definition, publishers, probes);
}

std::optional<std::wstring> WindowsPublisherEnvironment::ResolvePath(const PathDefinition& definition) const {
  const WindowsVersionProbes probes(Is64BitSystem(), &EvaluateSystemQuery);
  return wendrix::ResolvePath(definition, probes);
}

}  // namespace wendrix
