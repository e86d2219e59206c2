#include "frame/messages.h"

#include <algorithm>
#include <vector>

#include "core/count_selector.h"
#include "core/insert_template.h"
#include "core/placeholders.h"
#include "frame/module_state.h"
#include "platform/system_library.h"
#include "resources/string_ids.h"

namespace wendrix {
namespace {

constexpr int kMessageCapacity = 4000;
constexpr DWORD kFirstWinInetError = 12000;
constexpr DWORD kLastWinInetError = 12999;

wchar_t* FormatFromString(const std::wstring& text, std::span<const DWORD_PTR> inserts) {
  // FormatMessageW reads as many inserts as the text asks for (a "*" width
  // reads one more); the checked text asks for none beyond those given.
  const std::wstring checked = CheckedInsertTemplate(text, inserts.size());
  std::vector<DWORD_PTR> args(inserts.begin(), inserts.end());
  args.push_back(0);
  wchar_t* out = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ARGUMENT_ARRAY, checked.c_str(), 0,
      0, reinterpret_cast<LPWSTR>(&out), 0, reinterpret_cast<va_list*>(args.data()));
  if (length == 0 && out) {
    LocalFree(out);
    out = nullptr;
  }
  return out;
}

std::wstring TrimLineEnds(std::wstring text) {
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n')) text.pop_back();
  return text;
}


}  // namespace

std::wstring SystemMessageText(DWORD code, HMODULE module) {
  wchar_t* out = nullptr;
  const DWORD source = module ? FORMAT_MESSAGE_FROM_HMODULE : FORMAT_MESSAGE_FROM_SYSTEM;
  const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | source, module,
                                      code, 0, reinterpret_cast<LPWSTR>(&out), 0, nullptr);
  const LocalText owned(out);
  return length && out ? std::wstring(out, length) : std::wstring();
}

int LoadMessageString(HMODULE module, UINT id, wchar_t* buffer, int capacity) {
  if (!buffer || capacity <= 0) return 0;
  buffer[0] = L'\0';
  if (!module) module = Module().module;
  const wchar_t* resource = nullptr;
  // With a zero buffer size LoadStringW hands out a pointer into the resource.
  const int length = LoadStringW(module, id, reinterpret_cast<LPWSTR>(&resource), 0);
  if (length <= 0 || !resource) return 0;
  try {
    return static_cast<int>(ExpandPlaceholders(std::wstring_view(resource, static_cast<std::size_t>(length)),
                                               ProductPlaceholders(), buffer, static_cast<std::size_t>(capacity)));
  } catch (...) {
    return 0;
  }
}

std::wstring MessageString(UINT id, HMODULE module) {
  std::wstring text(kMessageCapacity, L'\0');
  const int length = LoadMessageString(module, id, text.data(), kMessageCapacity);
  text.resize(static_cast<std::size_t>(length));
  return text;
}

wchar_t* FormatMessageText(UINT id, HMODULE module, std::span<const DWORD_PTR> inserts) {
  try {
    const std::wstring text = MessageString(id, module);
    return text.empty() ? nullptr : FormatFromString(text, inserts);
  } catch (...) {
    return nullptr;
  }
}

wchar_t* FormatCountedMessageText(UINT id, HMODULE module, std::span<const DWORD_PTR> inserts) {
  try {
    const std::wstring text = MessageString(id, module);
    if (text.empty()) return nullptr;
    std::vector<std::int32_t> values;
    const std::size_t used = std::min<std::size_t>({HighestInsertNumber(text), inserts.size(), 99});
    for (std::size_t i = 0; i < used; ++i) values.push_back(static_cast<std::int32_t>(inserts[i]));
    return FormatFromString(ApplyCountSelectors(text, values), inserts);
  } catch (...) {
    return nullptr;
  }
}

std::wstring ErrorText(HRESULT code) {
  if (SUCCEEDED(code)) return {};
  try {
    std::wstring text;
    const DWORD low = HRESULT_CODE(code);
    if (HRESULT_FACILITY(code) == FACILITY_ITF) {
      text = MessageString(low);
    } else if (HRESULT_FACILITY(code) == FACILITY_WIN32 && low >= kFirstWinInetError && low <= kLastWinInetError) {
      // WinINet keeps its texts in its own module, not in the system table.
      HMODULE wininet = GetModuleHandleW(L"wininet.dll");
      const bool loaded = !wininet;
      if (loaded) wininet = LoadSystemLibrary(L"wininet.dll", LOAD_LIBRARY_AS_DATAFILE).Release();
      if (wininet) text = SystemMessageText(low, wininet);
      if (loaded && wininet) FreeLibrary(wininet);
    }
    if (text.empty()) text = SystemMessageText(static_cast<DWORD>(code));
    if (text.empty()) {
      const DWORD_PTR insert = static_cast<DWORD>(code);
      const LocalText formatted(FormatMessageText(kStrErrorCodeFallback, nullptr, {&insert, 1}));
      if (formatted) text = formatted.get();
    }
    return TrimLineEnds(std::move(text));
  } catch (...) {
    return {};
  }
}

}  // namespace wendrix
