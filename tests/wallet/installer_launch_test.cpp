// An entry's installer through a copy of this build's launcher: the copy's
// folder and its length limit, and a run stopped through the entry's stop
// event and later waited for by the installer's mutex. (A run to its end is
// the trusted installer's case of the installer run tests.)
#include <windows.h>

#include <gtest/gtest.h>

#include <future>
#include <string>

#include "../support/child_process.h"
#include "platform/unique_handle.h"
#include "wallet/installer_launch.h"
#include "wallet_fixture.h"

namespace wendrix {
namespace {

// Records that it ran in its first argument; with a second, then waits for
// the event of that name.
WENDRIX_CHILD_ROLE(entry_installer) {
  UniqueFile(CreateFileW(args.at(0).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  if (args.size() > 1) {
    UniqueKernelObject go(CreateEventW(nullptr, TRUE, FALSE, args[1].c_str()));
    WaitForSingleObject(go.Get(), 60000);
  }
  return 0;
}

class InstallerLaunchTest : public testing::Test {
 protected:
  // The installer is this program in the child role; `ran` records that it ran.
  HRESULT Run(const wchar_t* entryId, const std::wstring& ran, const wchar_t* event = L"") {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    return RunThroughLauncher(entryId, self, L"--child-role entry_installer \"" + ran + L"\"" + (*event ? L" " + std::wstring(event) : L""),
                              nullptr);
  }
  std::wstring Folder(const wchar_t* entryId) {
    std::wstring folder;
    EXPECT_EQ(EntryLauncherFolder(entryId, folder), S_OK);
    return folder;
  }

  const test::ProductFolder m_product;  // the build's bin folder, where wendrixl.exe is
  test::TempFolder m_temp;
};

TEST_F(InstallerLaunchTest, TheCopysPathStaysBelow245Characters) {
  const std::wstring folder = Folder(L"E");
  ASSERT_EQ(folder.substr(folder.size() - 19), L"Wendrix Launcher\\E\\");
  const std::size_t room = 245 - (folder.size() - 1 + std::wcslen(L"wendrixl.exe"));  // for the ID
  std::wstring longer;
  EXPECT_EQ(EntryLauncherFolder(std::wstring(room, L'x'), longer), HResultFromWin32(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(EntryLauncherFolder(std::wstring(room - 1, L'x'), longer), S_OK);
}

TEST_F(InstallerLaunchTest, AStoppedRunKeepsTheCopyForALaterWait) {
  const std::wstring ran = m_temp.File(L"running.txt");
  UniqueKernelObject go(CreateEventW(nullptr, TRUE, FALSE, L"InstallerLaunchTest_Go"));
  auto run = std::async(std::launch::async, [&] { return Run(L"Launch_Stopped", ran, L"InstallerLaunchTest_Go"); });
  for (int attempt = 0; attempt < 600 && !test::FileExists(ran); ++attempt) Sleep(50);
  {
    UniqueKernelObject stop(CreateEventW(nullptr, TRUE, FALSE, L"Stop_Installer_Launch_Stopped"));
    SetEvent(stop.Get());
    EXPECT_EQ(run.get(), kInstallerWaitStopped);
  }
  const std::wstring folder = Folder(L"Launch_Stopped");
  EXPECT_TRUE(test::FileExists(folder + L"wendrixl.exe"));

  // The installer still runs: the wait ends once it has, by the mutex.
  auto wait = std::async(std::launch::async, [] { return WaitForEntryLauncher(L"Launch_Stopped"); });
  EXPECT_EQ(wait.wait_for(std::chrono::milliseconds(500)), std::future_status::timeout);
  SetEvent(go.Get());
  EXPECT_EQ(wait.get(), S_OK);
  EXPECT_FALSE(test::FileExists(folder));
}

}  // namespace
}  // namespace wendrix
