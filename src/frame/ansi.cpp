#include "frame/ansi.h"

namespace wendrix {

AnsiArg::AnsiArg(const char* text) : m_null(text == nullptr) {
  if (!text || !*text) return;
  const int chars = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (chars <= 0) {
    m_failed = true;
    return;
  }
  m_text.resize(static_cast<std::size_t>(chars));
  MultiByteToWideChar(CP_ACP, 0, text, -1, m_text.data(), chars);
  m_text.resize(static_cast<std::size_t>(chars - 1));
}

bool WideToAnsi(const wchar_t* text, char* buffer, int bytes) noexcept {
  return WideCharToMultiByte(CP_ACP, 0, text, -1, buffer, bytes, nullptr, nullptr) > 0;
}

int AnsiSize(const wchar_t* text) noexcept {
  return WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
}

bool PathToAnsi(const wchar_t* path, char* buffer, int bytes) noexcept {
  // UTF-8 as the ANSI code page takes neither flag nor default character; it
  // has a form for every character but an unpaired surrogate.
  if (GetACP() == CP_UTF8)
    return WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, path, -1, buffer, bytes, nullptr, nullptr) > 0;
  BOOL substituted = FALSE;
  const int written =
      WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path, -1, buffer, bytes, nullptr, &substituted);
  return written > 0 && !substituted;
}

}  // namespace wendrix
