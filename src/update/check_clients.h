#pragma once
// The two progress clients: CCheckClient reports to a window through window
// messages (the user interface, or nothing without a window), CProgressClient
// to a caller's callback with a percentage.
#include <windows.h>

#include <cstdint>

#include "update/client.h"

namespace wendrix {

// The messages a window receives from a CCheckClient.
enum ClientMessage : UINT {
  kMsgMainWindow = WM_APP,
  kMsgBegin = WM_APP + 0x64,
  kMsgEnd = WM_APP + 0x65,
  kMsgJobDone = WM_APP + 0x66,
  kMsgIsCancelled = WM_APP + 0x67,
  kMsgSetCancellable = WM_APP + 0x68,
  kMsgSetRange = WM_APP + 0x69,
  kMsgSetPosition = WM_APP + 0x6A,
  kMsgStep = WM_APP + 0x6B,
  kCopyDataSetText = WM_APP + 0x6C,  // WM_COPYDATA kind
};

class CCheckClient : public CClient {
 public:
  explicit CCheckClient(HWND window = nullptr) noexcept : m_window(window) {}
  void SetWindow(HWND window) noexcept { m_window = window; }

  void Begin(std::uint32_t runFlags) override;
  void End(std::uint32_t runFlags) override;
  bool IsCancelled() override;
  void SetCancellable(bool cancellable) override;
  bool SetRange(std::uint64_t minimum, std::uint64_t maximum) override;
  void SetPosition(std::uint64_t position) override;
  void Step() override;
  bool SetText(const wchar_t* text) override;
  HWND GetWindow() override;

 private:
  LRESULT Send(UINT message, WPARAM w = 0, LPARAM l = 0) const noexcept;
  HWND m_window;
};

// The callback of CProgressClient: position relative to the minimum and the
// span as decimal texts, the percentage, the caller's context. Returning 0
// asks to stop.
using ClientProgressCallback = int(CALLBACK*)(const wchar_t* position, const wchar_t* span, int percent, void* context);

class CProgressClient : public CClient {
 public:
  CProgressClient(ClientProgressCallback callback, void* context) noexcept : m_callback(callback), m_context(context) {}

  bool IsCancelled() override { return m_cancellable && m_cancelled; }
  void SetCancellable(bool cancellable) override { m_cancellable = cancellable; }
  bool SetRange(std::uint64_t minimum, std::uint64_t maximum) override;
  void SetPosition(std::uint64_t position) override;
  void Step() override { SetPosition(m_position + 1); }

 private:
  ClientProgressCallback m_callback;
  void* m_context;
  std::uint64_t m_minimum = 0, m_maximum = 0, m_position = 0;
  bool m_cancellable = true;
  bool m_cancelled = false;
};

}  // namespace wendrix
