#include "update/check_clients.h"

#include <string>

namespace wendrix {

LRESULT CCheckClient::Send(UINT message, WPARAM w, LPARAM l) const noexcept {
  return m_window ? SendMessageW(m_window, message, w, l) : 0;
}

void CCheckClient::Begin(std::uint32_t runFlags) { Send(kMsgBegin, runFlags); }
void CCheckClient::End(std::uint32_t runFlags) { Send(kMsgEnd, runFlags); }
bool CCheckClient::IsCancelled() { return Send(kMsgIsCancelled) != 0; }
void CCheckClient::SetCancellable(bool cancellable) { Send(kMsgSetCancellable, cancellable ? 1 : 0); }

bool CCheckClient::SetRange(std::uint64_t minimum, std::uint64_t maximum) {
  if (!m_window) return true;
  return Send(kMsgSetRange, static_cast<WPARAM>(minimum), static_cast<LPARAM>(maximum)) != 0;
}

void CCheckClient::SetPosition(std::uint64_t position) { Send(kMsgSetPosition, static_cast<WPARAM>(position)); }
void CCheckClient::Step() { Send(kMsgStep); }

bool CCheckClient::SetText(const wchar_t* text) {
  if (!m_window) return true;
  const std::wstring_view view = text ? std::wstring_view(text) : std::wstring_view();
  const std::wstring copy(view);
  COPYDATASTRUCT data{kCopyDataSetText, static_cast<DWORD>((copy.size() + 1) * sizeof(wchar_t)),
                      const_cast<wchar_t*>(copy.c_str())};
  return Send(WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data)) != 0;
}

HWND CCheckClient::GetWindow() { return reinterpret_cast<HWND>(Send(kMsgMainWindow)); }

bool CProgressClient::SetRange(std::uint64_t minimum, std::uint64_t maximum) {
  m_minimum = minimum;
  m_maximum = maximum;
  return true;
}

void CProgressClient::SetPosition(std::uint64_t position) {
  m_position = position;
  if (!m_callback) return;
  const std::uint64_t relative = position - m_minimum;
  const std::uint64_t span = m_maximum - m_minimum;
  // Rounded as MulDiv rounds (half away from zero), -1 for a zero span, in
  // 64 bits: a transfer's scale is its byte count.
  const int percent = span == 0 ? -1 : static_cast<int>((relative * 100 + span / 2) / span);
  if (m_callback(std::to_wstring(relative).c_str(), std::to_wstring(span).c_str(), percent, m_context) == 0)
    m_cancelled = true;
}

}  // namespace wendrix
