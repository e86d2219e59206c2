// Pictures of the main window's views, for people to look at: run by
// scripts/ui-screenshots under a virtual X display with Wine's X11 driver,
// which writes them into the folder WENDRIX_SCREENSHOTS names (skipped
// without it: the null driver of the other tests draws nothing).
#include "../update/check_fixture.h"  // winsock2.h before windows.h

#include <thread>

#include "eventlog/event_log.h"
#include "png_file.h"
#include "update/display_request.h"
#include "wendrix.h"

namespace wendrix::test {
namespace {

bool Capture(HWND window, const std::wstring& path) {
  RECT r{};
  GetWindowRect(window, &r);
  const int width = r.right - r.left, height = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
  SelectObject(memory, old);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  const int stride = (width * 3 + 3) & ~3;
  std::vector<std::uint8_t> bgr(static_cast<std::size_t>(stride) * height);
  const int lines = GetDIBits(memory, bitmap, 0, height, bgr.data(), &info, DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  if (lines != height) return false;
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < 3; ++c)
        rgb[(static_cast<std::size_t>(y) * width + x) * 3 + c] = bgr[static_cast<std::size_t>(y) * stride + x * 3 + 2 - c];
  return WritePng(path, width, height, rgb);
}

class ScreenshotTest : public CheckFixture {};

TEST_F(ScreenshotTest, MainViews) {
  wchar_t folder[MAX_PATH] = {};
  if (!GetEnvironmentVariableW(L"WENDRIX_SCREENSHOTS", folder, MAX_PATH))
    GTEST_SKIP() << "WENDRIX_SCREENSHOTS names no folder (scripts/ui-screenshots sets it)";

  for (const wchar_t* id : {L"7.7", L"8.8"}) {
    ASSERT_NO_FATAL_FAILURE(Register(id));
    const std::string data = DataFile(id, id[0] == L'7' ? "2.1" : "5.0");
    Serve(id, MakeReply(200, "OK", data.substr(0, data.find("URL = ")) + "URL = " + Utf8(m_server.Url("/e.exe")) + "\r\n"));
  }
  m_server.On("/e.exe", MakeReply(200, "OK", std::string(250000, 'e')));
  // One that fails, for the summary's error line and its link.
  ASSERT_NO_FATAL_FAILURE(Register(L"9.9"));
  Serve(L"9.9", MakeReply(404, "Not Found", "gone"));
  ASSERT_TRUE(SUCCEEDED(Check(2)));
  ASSERT_EQ(AppendEvent(kOriginManual, kEventCheck, nullptr, nullptr, nullptr, nullptr, kResultSuccess, nullptr), S_OK);
  ASSERT_EQ(WendrixDownload(L"7.7", L"editor", WENDRIX_REQUEST_GENERIC, nullptr, nullptr), S_OK);

  std::thread ui([] { WendrixDisplayEx(nullptr, nullptr, nullptr, nullptr, 0x400, nullptr, nullptr); });
  HWND window = nullptr;
  for (int i = 0; i < 200 && !window; ++i) {
    DWORD_PTR answer = 0;
    HWND found = FindWindowW(L"WendrixDialog", nullptr);
    if (found && SendMessageTimeoutW(found, WM_APP, 0, 0, SMTO_ABORTIFHUNG, 1000, &answer) && answer) window = found;
    else Sleep(100);
  }
  ASSERT_NE(window, nullptr);
  SetWindowPos(window, HWND_TOP, 20, 20, 860, 560, SWP_SHOWWINDOW);
  const std::pair<std::uint32_t, const wchar_t*> kViews[] = {
      {0x40, L"all_items.png"}, {0x80, L"wallet.png"}, {0x800, L"history.png"}};
  for (const auto& [flag, name] : kViews) {
    DisplayRequest request;
    request.flags = flag;
    const std::vector<std::uint8_t> bytes = EncodeDisplayRequest(request);
    COPYDATASTRUCT data{WM_APP + 6, static_cast<DWORD>(bytes.size()), const_cast<std::uint8_t*>(bytes.data())};
    SendMessageW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    Sleep(700);  // the X server shows what the window drew
    EXPECT_TRUE(Capture(window, std::wstring(folder) + L"\\" + name)) << name;
  }
  SendMessageW(window, WM_APP + 1, 0, 0);
  ui.join();
}

}  // namespace
}  // namespace wendrix::test
