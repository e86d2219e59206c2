#include "frame/global_string.h"

#include <cstring>

namespace wendrix {

HRESULT CGlobalString::Assign(std::wstring_view text) noexcept {
  auto* block = static_cast<wchar_t*>(GlobalAlloc(GMEM_FIXED, (text.size() + 1) * sizeof(wchar_t)));
  if (!block) return E_OUTOFMEMORY;
  std::memcpy(block, text.data(), text.size() * sizeof(wchar_t));
  block[text.size()] = L'\0';
  Free();
  m_text = block;
  return S_OK;
}

wchar_t* CGlobalString::Detach() noexcept {
  wchar_t* text = m_text;
  m_text = nullptr;
  return text;
}

HRESULT CGlobalString::DetachAnsi(char** out) noexcept {
  *out = nullptr;
  const wchar_t* text = m_text ? m_text : L"";
  const int bytes = WideCharToMultiByte(m_codePage, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return E_FAIL;
  auto* block = static_cast<char*>(GlobalAlloc(GMEM_FIXED, static_cast<SIZE_T>(bytes)));
  if (!block) return E_OUTOFMEMORY;
  if (WideCharToMultiByte(m_codePage, 0, text, -1, block, bytes, nullptr, nullptr) <= 0) {
    GlobalFree(block);
    return E_FAIL;
  }
  Free();
  *out = block;
  return S_OK;
}

void CGlobalString::Free() noexcept {
  if (m_text) GlobalFree(m_text);
  m_text = nullptr;
}

}  // namespace wendrix
