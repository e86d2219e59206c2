// ANSI code pages through the system's converters.
#include <windows.h>

#include <map>
#include <memory>
#include <mutex>

#include "core/text_encoding.h"

namespace wendrix {
namespace {

class SystemCodePageImpl final : public CodePage {
 public:
  explicit SystemCodePageImpl(UINT number) : m_number(number) {}

  std::wstring Decode(std::string_view bytes) const override {
    if (bytes.empty()) return {};
    const int chars = MultiByteToWideChar(m_number, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(chars > 0 ? chars : 0), L'\0');
    if (chars > 0) MultiByteToWideChar(m_number, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), chars);
    return text;
  }

  bool RoundTrips(wchar_t c) const override {
    char bytes[8];
    BOOL defaulted = FALSE;
    const int n = WideCharToMultiByte(m_number, WC_NO_BEST_FIT_CHARS, &c, 1, bytes, sizeof(bytes), nullptr,
                                      IsUtf(m_number) ? nullptr : &defaulted);
    if (n <= 0 || defaulted) return false;
    wchar_t back = 0;
    return MultiByteToWideChar(m_number, 0, bytes, n, &back, 1) == 1 && back == c;
  }

 private:
  static bool IsUtf(UINT number) { return number == CP_UTF8 || number == CP_UTF7; }
  UINT m_number;
};

}  // namespace

const CodePage& SystemCodePage(std::uint32_t codePage) {
  static std::mutex lock;
  static std::map<std::uint32_t, std::unique_ptr<SystemCodePageImpl>> pages;
  std::lock_guard<std::mutex> guard(lock);
  auto& page = pages[codePage];
  if (!page) page = std::make_unique<SystemCodePageImpl>(codePage);
  return *page;
}

}  // namespace wendrix
