// Files in use: the applications that hold a module, found through their
// windows, and a replacement scheduled for the next restart.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../support/pending_renames.h"
#include "../support/temp_folder.h"
#include "setup/file_in_use.h"

namespace wendrix {
namespace {

HWND MakeWindow(const wchar_t* title, HWND owner) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"FileInUseTestWindow";
  RegisterClassW(&windowClass);
  HWND window = CreateWindowExW(0, L"FileInUseTestWindow", title, WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, owner, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  ShowWindow(window, SW_SHOWNOACTIVATE);
  return window;
}

TEST(FileInUseTest, ApplicationsAreNamedByTheirVisibleTopLevelWindows) {
  HWND application = MakeWindow(L"File In Use Test Application", nullptr);
  HWND owned = MakeWindow(L"File In Use Owned Window", application);
  HWND hidden = MakeWindow(L"File In Use Hidden Window", nullptr);
  ShowWindow(hidden, SW_HIDE);
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path = CharUpperW(self);
  for (wchar_t& c : path)
    if (c == L'\\') c = L'/';

  const std::wstring titles = ApplicationsUsingFile(path);
  EXPECT_NE(titles.find(L"File In Use Test Application\r\n"), std::wstring::npos) << titles.size();
  EXPECT_EQ(titles.find(L"Owned Window"), std::wstring::npos);
  EXPECT_EQ(titles.find(L"Hidden Window"), std::wstring::npos);
  EXPECT_EQ(ApplicationsUsingFile(path + L".other").find(L"Test Application"), std::wstring::npos);
  for (HWND window : {owned, hidden, application}) DestroyWindow(window);
}

TEST(FileInUseTest, AReplacementWaitsForTheNextStart) {
  const test::PendingRenamesGuard guard;
  test::TempFolder folder;
  const std::wstring source = folder.File(L"new.dll_"), target = folder.File(L"old.dll");
  for (const std::wstring& path : {source, target}) CloseHandle(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
  ASSERT_TRUE(ReplaceAtRestart(source.c_str(), target.c_str()));
  const std::vector<std::wstring> after = test::PendingRenames();
  ASSERT_EQ(after.size(), guard.Before().size() + 2);
  EXPECT_EQ(after[after.size() - 2], L"\\??\\" + source);
  EXPECT_EQ(after.back(), L"!\\??\\" + target);  // "!": the target is replaced
  EXPECT_FALSE(ReplaceAtRestart(nullptr, target.c_str()));
}

}  // namespace
}  // namespace wendrix
