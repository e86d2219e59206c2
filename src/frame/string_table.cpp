#include "frame/string_table.h"

#include "frame/module_state.h"

namespace wendrix {
namespace {

// String resources are stored sixteen to a block: block id/16 + 1 holds the
// texts as (length, characters) pairs, not zero-terminated.
std::wstring FindInBlock(HMODULE module, UINT id, LANGID language) {
  HRSRC resource = FindResourceExW(module, RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), language);
  if (!resource) return {};
  HGLOBAL loaded = LoadResource(module, resource);
  const auto* p = static_cast<const WCHAR*>(loaded ? LockResource(loaded) : nullptr);
  if (!p) return {};
  const DWORD size = SizeofResource(module, resource) / sizeof(WCHAR);
  const WCHAR* end = p + size;
  for (UINT i = 0; i < id % 16 && p < end; ++i) p += 1 + *p;
  if (p >= end || p + 1 + *p > end) return {};
  return std::wstring(p + 1, *p);
}

}  // namespace

std::wstring LoadStringText(UINT id, LANGID language) {
  HMODULE module = Module().module;
  if (language != 0) return FindInBlock(module, id, language);
  const WCHAR* text = nullptr;
  // With a zero buffer size LoadStringW hands out a pointer into the resource.
  const int length = LoadStringW(module, id, reinterpret_cast<LPWSTR>(&text), 0);
  return length > 0 && text ? std::wstring(text, static_cast<std::size_t>(length)) : std::wstring();
}

}  // namespace wendrix
