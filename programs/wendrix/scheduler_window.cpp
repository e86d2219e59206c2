#include "scheduler_window.h"

#include <memory>

#include "platform/unique_handle.h"
#include "update/check_schedule.h"
#include "update/scheduler.h"
#include "update/settings.h"
#include "wendrix.h"

namespace wendrix::program {
namespace {

constexpr UINT_PTR kLookTimer = 1;
constexpr UINT kCheckFinished = WM_APP + 0x20;  // posted by the check thread; lParam: its result
constexpr UINT kStopRequest = WM_APP;           // how the library stops the product's programs
constexpr UINT32 kAutomaticCheck = 0x80000000u;
constexpr LRESULT kStateIdle = 1;
constexpr LRESULT kStateChecking = 2;
// One scheduler per session, also when two start at the same moment and
// neither sees the other's window yet.
constexpr wchar_t kInstanceMutex[] = L"Local\\WendrixSchedulerInstance";

class Scheduler {
 public:
  Scheduler() : m_schedule(FileTimeNow()) {}

  bool Create(HINSTANCE instance) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &Scheduler::WindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = kSchedulerClass;
    if (!RegisterClassW(&wc)) return false;
    // Hidden, but a top-level window: FindWindow does not see message-only ones.
    m_window = CreateWindowExW(0, kSchedulerClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, this);
    return m_window != nullptr;
  }

  // Reads the settings, starts a check when one is due and sets the next
  // look; false when the settings cannot be read (the look still comes).
  bool Reschedule() {
    if (m_checking) return true;  // the end of the running check sets the schedule
    std::unique_ptr<InternetSettings> settings;
    if (FAILED(LoadSettings(settings))) {
      SetTimer(m_window, kLookTimer, kScheduleLookInterval, nullptr);
      return false;
    }
    const std::uint64_t now = FileTimeNow();
    const ScheduleDecision decision =
        m_schedule.Decide(settings->checkPeriod, settings->lastCheck, settings->lastSkip, now);
    if (decision.checkNow) StartCheck(now);
    SetTimer(m_window, kLookTimer, decision.lookAgainMs, nullptr);
    return true;
  }

 private:
  // The check runs on a thread of its own so that the window keeps answering:
  // the check itself asks it (WM_APP+1) to set the schedule when it ends,
  // and applications ask the same after their own checks.
  void StartCheck(std::uint64_t now) {
    m_schedule.Ran(now);
    m_thread.Reset(CreateThread(nullptr, 0, &Scheduler::CheckThread, m_window, 0, nullptr));
    m_checking = static_cast<bool>(m_thread);
  }

  static DWORD WINAPI CheckThread(void* window) {
    // The check records its outcome (LastCheck or LastSkip) itself.
    const HRESULT hr = WendrixCheckEx(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, kAutomaticCheck);
    PostMessageW(static_cast<HWND>(window), kCheckFinished, 0, static_cast<LPARAM>(hr));
    return 0;
  }

  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
      case kSchedulerCheckEnded: return Reschedule() ? 1 : 0;
      case kSchedulerQueryState: return m_checking ? kStateChecking : kStateIdle;
      case WM_TIMER:
        if (wParam == kLookTimer) Reschedule();
        return 0;
      case kCheckFinished:
        m_thread.Reset();
        m_checking = false;
        Reschedule();
        return 0;
      case kStopRequest:
        DestroyWindow(m_window);
        return 1;
      case WM_CLOSE: DestroyWindow(m_window); return 0;
      case WM_DESTROY:
        // A check still running is not waited for: whoever stops the
        // scheduler wants the process gone, and the store and settings are
        // written whole under their mutexes.
        KillTimer(m_window, kLookTimer);
        PostQuitMessage(0);
        return 0;
      default: return DefWindowProcW(m_window, message, wParam, lParam);
    }
  }

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      auto* self = static_cast<Scheduler*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
      self->m_window = window;
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Scheduler*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return self ? self->Handle(message, wParam, lParam) : DefWindowProcW(window, message, wParam, lParam);
  }

  HWND m_window = nullptr;
  CheckSchedule m_schedule;
  UniqueKernelObject m_thread;
  bool m_checking = false;
};

}  // namespace

int RunScheduler(HINSTANCE instance) {
  if (FindWindowW(kSchedulerClass, nullptr)) return 0;
  UniqueKernelObject instanceMutex(CreateMutexW(nullptr, FALSE, kInstanceMutex));
  if (instanceMutex && GetLastError() == ERROR_ALREADY_EXISTS) return 0;

  Scheduler scheduler;
  if (!scheduler.Create(instance)) return 1;
  // A check that fell due while no scheduler ran (before logon, say) starts now.
  scheduler.Reschedule();
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}

}  // namespace wendrix::program
