#pragma once
// CClient: what every long operation reports its progress to and asks
// whether to stop. The base does nothing and never cancels.
#include <windows.h>

#include <cstdint>

namespace wendrix {

class CClient {
 public:
  virtual ~CClient() = default;
  virtual void Begin(std::uint32_t runFlags) {}
  virtual void End(std::uint32_t runFlags) {}
  virtual bool IsCancelled() { return false; }
  virtual void SetCancellable(bool cancellable) {}
  // The scale of the progress: for a transfer 0 and its byte count.
  virtual bool SetRange(std::uint64_t minimum, std::uint64_t maximum) { return true; }
  virtual void SetPosition(std::uint64_t position) {}
  virtual void Step() {}
  virtual bool SetText(const wchar_t* text) { return true; }
  // The window that owns message boxes, or none.
  virtual HWND GetWindow() { return nullptr; }
};

}  // namespace wendrix
