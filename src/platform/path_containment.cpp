#include "platform/path_containment.h"

namespace wendrix {
namespace {

bool IsSeparator(wchar_t c) noexcept { return c == L'\\' || c == L'/'; }

wchar_t UpperAscii(wchar_t c) noexcept { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

bool EqualsUpper(std::wstring_view text, std::wstring_view upper) noexcept {
  if (text.size() != upper.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (UpperAscii(text[i]) != upper[i]) return false;
  return true;
}

// Characters no file name may hold; ":" is treated apart (drive, stream).
bool IsForbiddenCharacter(wchar_t c) noexcept {
  return c < 32 || c == L'*' || c == L'?' || c == L'"' || c == L'<' || c == L'>' || c == L'|' || c == L':';
}

// One component of a path between separators. Empty components (a doubled
// or trailing separator) mean nothing to the system and are let through.
bool IsPlainComponent(std::wstring_view component) noexcept {
  if (component.empty()) return true;
  // The system drops trailing dots and blanks from a name, so ". ", "..."
  // and ".. " may mean "." or "..": any name of only dots and blanks goes.
  if (component.find_first_not_of(L". ") == std::wstring_view::npos) return false;
  for (wchar_t c : component)
    if (IsForbiddenCharacter(c)) return false;
  return !IsDosDeviceName(component);
}

bool AreComponentsPlain(std::wstring_view path) noexcept {
  std::size_t start = 0;
  for (std::size_t i = 0; i <= path.size(); ++i) {
    if (i < path.size() && !IsSeparator(path[i])) continue;
    if (!IsPlainComponent(path.substr(start, i - start))) return false;
    start = i + 1;
  }
  return true;
}

}  // namespace

bool IsDosDeviceName(std::wstring_view name) noexcept {
  // The system looks at the name up to its first dot, without trailing
  // blanks: "nul.txt" and "COM1 .log" are devices as much as "NUL".
  std::wstring_view base = name.substr(0, name.find(L'.'));
  while (!base.empty() && base.back() == L' ') base.remove_suffix(1);
  // View literals: their lengths are known when compiled, not counted per call.
  using namespace std::literals;
  for (std::wstring_view device :
       {L"CON"sv, L"PRN"sv, L"AUX"sv, L"NUL"sv, L"CONIN$"sv, L"CONOUT$"sv, L"CONERR$"sv, L"CLOCK$"sv})
    if (EqualsUpper(base, device)) return true;
  if (base.size() != 4) return false;
  if (!EqualsUpper(base.substr(0, 3), L"COM"sv) && !EqualsUpper(base.substr(0, 3), L"LPT"sv)) return false;
  const wchar_t digit = base[3];
  return (digit >= L'0' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' || digit == L'\u00B3';
}

bool IsPlainRelativePath(std::wstring_view path) noexcept {
  return !path.empty() && !IsSeparator(path.front()) && AreComponentsPlain(path);
}

bool IsLocalDrivePath(std::wstring_view path) noexcept {
  if (path.size() < 3) return false;
  const wchar_t drive = UpperAscii(path[0]);
  if (drive < L'A' || drive > L'Z' || path[1] != L':' || !IsSeparator(path[2])) return false;
  const std::wstring_view rest = path.substr(3);
  // "C:\\server" would be a drive path with an empty first component; a
  // second separator right after the root is as odd as a UNC name.
  if (!rest.empty() && IsSeparator(rest.front())) return false;
  return AreComponentsPlain(rest);
}

bool IsPlainFileName(std::wstring_view name) noexcept {
  if (!IsPlainRelativePath(name) || name.find_first_of(L"\\/") != std::wstring_view::npos) return false;
  return name.back() != L'.' && name.back() != L' ';
}

}  // namespace wendrix
