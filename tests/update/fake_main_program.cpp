// A stand-in for the main program in the display tests: it owns a
// "WendrixDialog" window and writes down, in files beside itself, what the
// library hands it. Tests copy it into a product folder as wendrix.exe.
//
//   started.txt   its command line, a line feed, its current directory (UTF-16)
//   queries.txt   how many WM_APP queries it got so far (decimal, UTF-16)
//   request.bin   the bytes of the last display request (WM_COPYDATA kind WM_APP+6)
//
// Environment (inherited from the test):
//   WENDRIX_FAKE_ANSWER       the answer to a display request (decimal; default 0)
//   WENDRIX_FAKE_READY_AFTER  how many WM_APP queries get 0 before it answers
//                             with its window (default 0)
//   WENDRIX_FAKE_LINGER       milliseconds it lives on after its window has
//                             gone, without signalling the close event
//                             (default 0: it signals and ends)
//   WENDRIX_FAKE_EXIT         non-zero: it ends at once after started.txt,
//                             without a window
// On WM_CLOSE it signals "WendrixDialogCloseEvent" and ends; it ends by
// itself after two minutes so that a failed test leaves nothing behind.
#include <windows.h>

#include <string>

namespace {

constexpr wchar_t kClass[] = L"WendrixDialog";
constexpr UINT_PTR kLifetimeTimer = 1;

std::wstring g_folder;
LRESULT g_answer = 0;
long g_readyAfter = 0;
long g_queries = 0;
long g_linger = 0;

void WriteWhole(const wchar_t* name, const void* data, DWORD size) {
  const std::wstring path = g_folder + L"\\" + name;
  const std::wstring temp = path + L".tmp";
  HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, data, size, &written, nullptr);
  CloseHandle(file);
  MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

void WriteText(const wchar_t* name, const std::wstring& text) {
  WriteWhole(name, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)));
}

long EnvironmentNumber(const wchar_t* name) {
  wchar_t value[32] = {};
  if (!GetEnvironmentVariableW(name, value, 32)) return 0;
  return wcstol(value, nullptr, 10);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_APP:
      ++g_queries;
      WriteText(L"queries.txt", std::to_wstring(g_queries));
      return g_queries > g_readyAfter ? reinterpret_cast<LRESULT>(window) : 0;
    case WM_COPYDATA: {
      const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
      if (data->dwData != WM_APP + 6) return 0;
      WriteWhole(L"request.bin", data->lpData, data->cbData);
      return g_answer;
    }
    case WM_TIMER: PostMessageW(window, WM_CLOSE, 0, 0); return 0;
    case WM_CLOSE: {
      HANDLE closed = g_linger ? nullptr : OpenEventW(EVENT_MODIFY_STATE, FALSE, L"WendrixDialogCloseEvent");
      if (closed) {
        SetEvent(closed);
        CloseHandle(closed);
      }
      DestroyWindow(window);
      return 0;
    }
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  g_folder = self;
  g_folder.resize(g_folder.rfind(L'\\'));
  wchar_t current[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, current);
  WriteText(L"started.txt", std::wstring(GetCommandLineW()) + L"\n" + current);
  g_answer = static_cast<LRESULT>(static_cast<HRESULT>(EnvironmentNumber(L"WENDRIX_FAKE_ANSWER")));
  g_readyAfter = EnvironmentNumber(L"WENDRIX_FAKE_READY_AFTER");
  g_linger = EnvironmentNumber(L"WENDRIX_FAKE_LINGER");
  if (EnvironmentNumber(L"WENDRIX_FAKE_EXIT")) return 3;

  WNDCLASSW wc{};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.lpszClassName = kClass;
  RegisterClassW(&wc);
  // Starts minimised and hidden, so that a test can see the library restore it.
  HWND window = CreateWindowExW(0, kClass, L"Fake main program", WS_OVERLAPPEDWINDOW | WS_MINIMIZE, 0, 0, 300, 200,
                                nullptr, nullptr, instance, nullptr);
  if (!window) return 1;
  SetTimer(window, kLifetimeTimer, 120000, nullptr);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  if (g_linger > 0) Sleep(static_cast<DWORD>(g_linger));
  return 0;
}
