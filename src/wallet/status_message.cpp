#include "wallet/status_message.h"

#include <cstring>

namespace wendrix {

std::vector<std::uint8_t> StatusPayload(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d,
                                        std::wstring_view id) {
  const std::uint32_t numbers[] = {a, b, c, d};
  std::vector<std::uint8_t> block(sizeof(numbers) + (id.size() + 1) * sizeof(wchar_t), 0);
  std::memcpy(block.data(), numbers, sizeof(numbers));
  std::memcpy(block.data() + sizeof(numbers), id.data(), id.size() * sizeof(wchar_t));
  return block;
}

LRESULT SendStatus(HWND window, StatusCode code, std::uint64_t first, std::uint64_t second, std::wstring_view id) {
  if (!window) return kReplyGoOn;
  std::vector<std::uint8_t> block =
      StatusPayload(static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(first >> 32),
                    static_cast<std::uint32_t>(second), static_cast<std::uint32_t>(second >> 32), id);
  COPYDATASTRUCT data{};
  data.dwData = code;
  data.cbData = static_cast<DWORD>(block.size());
  data.lpData = block.data();
  for (;;) {
    if (!IsWindow(window)) return kReplyGoOn;
    const LRESULT reply = SendMessageW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
    // A paused receiver holds the sender here until it answers otherwise.
    if (reply != kReplyBusy) return reply == 0 ? kReplyGoOn : reply;
    Sleep(kBusyRetryMs);
  }
}

HWND DialogWindow() noexcept { return FindWindowW(kDialogWindowClass, nullptr); }

}  // namespace wendrix
