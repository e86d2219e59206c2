#pragma once
// The ANSI side of the exports: each ANSI twin converts its text arguments
// with the ANSI code page and calls its wide twin.
#include <windows.h>

#include <string>

namespace wendrix {

// An ANSI argument as wide text; a null pointer stays null.
class AnsiArg {
 public:
  explicit AnsiArg(const char* text);
  const wchar_t* Get() const noexcept { return m_null ? nullptr : m_text.c_str(); }
  bool Failed() const noexcept { return m_failed; }

 private:
  std::wstring m_text;
  bool m_null;
  bool m_failed = false;
};

// Converts a wide text into an ANSI buffer of `bytes` bytes; false when it
// does not fit or cannot be converted.
bool WideToAnsi(const wchar_t* text, char* buffer, int bytes) noexcept;

// The bytes the ANSI form of a wide text takes with its terminating zero; 0
// when it cannot be converted.
int AnsiSize(const wchar_t* text) noexcept;

// As WideToAnsi, for a path the caller will hand back: false also when a
// character has no form of its own in the ANSI code page, since a
// substituted or best-fit character would name another file.
bool PathToAnsi(const wchar_t* path, char* buffer, int bytes) noexcept;

}  // namespace wendrix
