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

}  // namespace wendrix
