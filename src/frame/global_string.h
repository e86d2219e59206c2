#pragma once
// CGlobalString: wide text in fixed global memory, the form in which strings
// are handed to callers, who free them with GlobalFree.
#include <windows.h>

#include <string_view>

#include "core/result.h"

namespace wendrix {

class CGlobalString {
 public:
  explicit CGlobalString(UINT codePage = CP_ACP) noexcept : m_codePage(codePage) {}
  CGlobalString(const CGlobalString&) = delete;
  CGlobalString& operator=(const CGlobalString&) = delete;
  ~CGlobalString() { Free(); }

  // Replaces the text; E_OUTOFMEMORY when the allocation fails (the old text
  // is then kept).
  HRESULT Assign(std::wstring_view text) noexcept;
  const wchar_t* Get() const noexcept { return m_text; }
  // Hands the block over to the caller; the holder is empty afterwards.
  wchar_t* Detach() noexcept;
  // The text converted to an ANSI string in its own global block (the
  // caller's); null with E_FAIL when the conversion fails, E_OUTOFMEMORY when
  // the allocation does.
  HRESULT DetachAnsi(char** out) noexcept;
  UINT CodePage() const noexcept { return m_codePage; }

 private:
  void Free() noexcept;

  wchar_t* m_text = nullptr;
  UINT m_codePage;
};

}  // namespace wendrix
