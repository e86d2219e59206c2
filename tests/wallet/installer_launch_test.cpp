// An entry's installer through a copy of this build's launcher: the copy's
// folder and its length limit, a run to its end, and a run stopped through
// the entry's stop event and later waited for by the installer's mutex.
#include <windows.h>

#include <gtest/gtest.h>

#include <future>
#include <string>

#include "../support/child_process.h"
#include "../support/registry_sandbox.h"
#include "../support/temp_folder.h"
#include "platform/unique_handle.h"
#include "wallet/installer_launch.h"

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

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void AwaitFile(const std::wstring& path) {
  for (int attempt = 0; attempt < 600 && !Exists(path); ++attempt) Sleep(50);
}

class InstallerLaunchTest : public testing::Test {
 protected:
  void SetUp() override {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    m_self = self;
    // The product folder is the build's bin folder, where wendrixl.exe is.
    test::SetStringValue(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Kestmoor\\Wendrix\\3.8", L"Path",
                         m_self.substr(0, m_self.rfind(L'\\')), KEY_WOW64_32KEY);
  }
  void TearDown() override { test::DeleteKeyTree(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Kestmoor\\Wendrix", KEY_WOW64_32KEY); }
  std::wstring Parameters(const std::wstring& record, const wchar_t* event = nullptr) const {
    return L"--child-role entry_installer \"" + record + L"\"" + (event ? std::wstring(L" ") + event : L"");
  }

  std::wstring m_self;
  test::TempFolder m_temp;
};

TEST_F(InstallerLaunchTest, TheCopysPathStaysBelow245Characters) {
  std::wstring folder;
  ASSERT_EQ(EntryLauncherFolder(L"E", folder), S_OK);
  ASSERT_EQ(folder.substr(folder.size() - 19), L"Wendrix Launcher\\E\\");
  const std::size_t room = 245 - (folder.size() - 1 + std::wcslen(L"wendrixl.exe"));  // for the ID
  EXPECT_EQ(EntryLauncherFolder(std::wstring(room, L'x'), folder), HResultFromWin32(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(EntryLauncherFolder(std::wstring(room - 1, L'x'), folder), S_OK);
}

TEST_F(InstallerLaunchTest, ARunEndsWithTheLauncherAndRemovesTheCopy) {
  const std::wstring record = m_temp.File(L"ran.txt");
  ASSERT_EQ(RunThroughLauncher(L"Launch_Done", m_self, Parameters(record), nullptr), S_OK);
  EXPECT_TRUE(Exists(record));
  std::wstring folder;
  ASSERT_EQ(EntryLauncherFolder(L"Launch_Done", folder), S_OK);
  EXPECT_FALSE(Exists(folder));
}

TEST_F(InstallerLaunchTest, AStoppedRunKeepsTheCopyForALaterWait) {
  const std::wstring record = m_temp.File(L"running.txt");
  UniqueKernelObject go(CreateEventW(nullptr, TRUE, FALSE, L"InstallerLaunchTest_Go"));
  auto run = std::async(std::launch::async, [&] {
    return RunThroughLauncher(L"Launch_Stopped", m_self, Parameters(record, L"InstallerLaunchTest_Go"), nullptr);
  });
  AwaitFile(record);
  {
    UniqueKernelObject stop(CreateEventW(nullptr, TRUE, FALSE, L"Stop_Installer_Launch_Stopped"));
    SetEvent(stop.Get());
    EXPECT_EQ(run.get(), kInstallerWaitStopped);
  }
  std::wstring folder;
  ASSERT_EQ(EntryLauncherFolder(L"Launch_Stopped", folder), S_OK);
  EXPECT_TRUE(Exists(folder + L"wendrixl.exe"));

  // The installer still runs: the wait ends once it has, by the mutex.
  auto wait = std::async(std::launch::async, [] { return WaitForEntryLauncher(L"Launch_Stopped"); });
  EXPECT_EQ(wait.wait_for(std::chrono::milliseconds(500)), std::future_status::timeout);
  SetEvent(go.Get());
  EXPECT_EQ(wait.get(), S_OK);
  EXPECT_FALSE(Exists(folder));
}

}  // namespace
}  // namespace wendrix
