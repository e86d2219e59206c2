#pragma once
// Facts about the system that several subsystems read: the user's language,
// locale names and the native processor. Functions that older systems lack
// are looked up at run time.
#include <windows.h>

#include <optional>
#include <string>

namespace wendrix {

// A kernel32 function, or null where the system lacks it. kernel32 is always
// loaded, so the lookup loads nothing.
template <typename Fn>
Fn Kernel32Function(const char* name) noexcept {
  const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
  return kernel32 ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(kernel32, name))) : nullptr;
}

// The user's default user-interface language; the user's default language
// on systems without separate interface languages.
LANGID UserUiLanguageId() noexcept;

// One locale text of a language (ISO 639 name, abbreviation, identifier);
// empty when the system does not have it.
std::wstring LocaleText(LANGID language, LCTYPE type);

// The processor architecture of the system itself: a 32-bit process on
// 64-bit Windows sees an x86 processor in the ordinary system information.
// Nothing where the native information is not available.
std::optional<WORD> NativeProcessorArchitecture() noexcept;

}  // namespace wendrix
