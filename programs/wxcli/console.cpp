#include "console.h"

#include <windows.h>

#include <cstdio>

#include "frame/messages.h"

namespace wxcli {
namespace {

void Write(DWORD which, std::wstring_view text) {
  HANDLE h = GetStdHandle(which);
  DWORD mode = 0;
  if (GetConsoleMode(h, &mode)) {
    DWORD written = 0;
    WriteConsoleW(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    return;
  }
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return;
  std::string utf8(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), bytes, nullptr, nullptr);
  DWORD written = 0;
  WriteFile(h, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

}  // namespace

void Out(std::wstring_view text) { Write(STD_OUTPUT_HANDLE, text); }
void Err(std::wstring_view text) { Write(STD_ERROR_HANDLE, text); }

std::wstring Hex(unsigned long value) {
  wchar_t buffer[16];
  swprintf(buffer, 16, L"0x%08lX", value);
  return buffer;
}

bool TakeFlag(Args& args, std::wstring_view name) {
  for (auto it = args.begin(); it != args.end(); ++it) {
    if (*it == name) {
      args.erase(it);
      return true;
    }
  }
  return false;
}

bool TakeOption(Args& args, std::wstring_view name, std::wstring& value) {
  for (auto it = args.begin(); it != args.end(); ++it) {
    if (*it == name && it + 1 != args.end()) {
      value = *(it + 1);
      args.erase(it, it + 2);
      return true;
    }
  }
  return false;
}

int Failed(const wchar_t* what, long result, unsigned step) {
  std::wstring text = std::wstring(what) + L": error " + Hex(static_cast<unsigned long>(result));
  if (step) text += L" at step " + std::to_wstring(step);
  Err(text + L" " + wendrix::ErrorText(result) + L"\n");
  return 1;
}

}  // namespace wxcli
