#include "platform/system_facts.h"

namespace wendrix {

LANGID UserUiLanguageId() noexcept {
  using GetUserDefaultUILanguageFn = LANGID(WINAPI*)();
  if (const auto fn = Kernel32Function<GetUserDefaultUILanguageFn>("GetUserDefaultUILanguage")) return fn();
  return GetUserDefaultLangID();
}

std::wstring LocaleText(LANGID language, LCTYPE type) {
  wchar_t buffer[16];  // ISO 639 names, abbreviations and hexadecimal identifiers are short
  const int length = GetLocaleInfoW(MAKELCID(language, SORT_DEFAULT), type, buffer, ARRAYSIZE(buffer));
  return length > 1 ? std::wstring(buffer, static_cast<std::size_t>(length - 1)) : std::wstring();
}

std::optional<WORD> NativeProcessorArchitecture() noexcept {
  using GetNativeSystemInfoFn = void(WINAPI*)(LPSYSTEM_INFO);
  const auto fn = Kernel32Function<GetNativeSystemInfoFn>("GetNativeSystemInfo");
  if (!fn) return std::nullopt;
  SYSTEM_INFO info{};
  fn(&info);
  return info.wProcessorArchitecture;
}

}  // namespace wendrix
