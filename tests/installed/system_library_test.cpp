// System DLLs bound at run time come from the system folder only. A copy of
// planted_dll_child.exe runs in a folder of stand-in DLLs named like the
// system DLLs the library binds; each stand-in leaves "<its path>.ran" when
// it runs. Wine prefers its own DLLs to files of the same name, so the test
// tells Wine to prefer the files for that one program, as Windows does.
#include "platform/system_library.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "../support/registry_sandbox.h"
#include "../support/temp_folder.h"
#include "installed_data.h"

namespace wendrix {
namespace {

using test::FileExists;
using test::TempFolder;
using test::DataFile;

// What the library binds, and "wintrust.dll", which the child binds the
// ordinary way as the control.
const std::vector<std::wstring> kPlanted = {L"msi.dll",      L"rasapi32.dll", L"wininet.dll", L"shfolder.dll",
                                            L"comctl32.dll", L"ole32.dll",    L"oleaut32.dll"};
constexpr wchar_t kControl[] = L"wintrust.dll";

// Runs `program` with `folder` as its current directory; its exit code, or -1.
int RunIn(const std::wstring& program, const std::wstring& folder, const std::vector<std::wstring>& args) {
  std::wstring command = L"\"" + program + L"\"";
  for (const std::wstring& arg : args) command += L" " + arg;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                      &process))
    return -1;
  CloseHandle(process.hThread);
  DWORD code = static_cast<DWORD>(-1);
  if (WaitForSingleObject(process.hProcess, 120000) != WAIT_OBJECT_0 || !GetExitCodeProcess(process.hProcess, &code))
    code = static_cast<DWORD>(-1);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
}

TEST(SystemLibraryTest, PlantedDllsNamedLikeSystemOnesNeverRun) {
  TempFolder folder;
  static std::atomic<unsigned> counter{0};
  const std::wstring program = L"wxplanted-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                               std::to_wstring(counter++) + L".exe";
  ASSERT_TRUE(CopyFileW(DataFile(L"planted_dll_child.exe").c_str(), folder.File(program).c_str(), FALSE));
  std::vector<std::wstring> planted = kPlanted;
  planted.push_back(kControl);
  for (const std::wstring& dll : planted)
    ASSERT_TRUE(CopyFileW(DataFile(L"probe_v4.dll").c_str(), folder.File(dll).c_str(), FALSE)) << dll;
  // Wine's load order for this one program ("native,builtin": a DLL file
  // found on the search path wins over Wine's own), removed again at the end.
  const std::wstring wine = L"Software\\Wine\\AppDefaults\\" + program;
  struct Remove {
    const std::wstring& key;
    ~Remove() { test::DeleteKeyTree(HKEY_CURRENT_USER, key, 0); }
  } remove{wine};
  for (const std::wstring& dll : planted)
    test::SetStringValue(HKEY_CURRENT_USER, wine + L"\\DllOverrides", dll.substr(0, dll.find(L'.')).c_str(),
                         L"native,builtin", 0);

  EXPECT_EQ(RunIn(folder.File(program), folder.Path(), kPlanted), 0) << "a system DLL was not bound";
  // Without the control's marker the planted files would prove nothing.
  ASSERT_TRUE(FileExists(folder.File(kControl) + L".ran")) << "the planted control did not run";
  for (const std::wstring& dll : kPlanted) EXPECT_FALSE(FileExists(folder.File(dll) + L".ran")) << dll;
}

TEST(SystemLibraryTest, MissingModulesAndBadNamesFailWithTheLoadersError) {
  const struct {
    std::wstring name;
    DWORD error;
  } cases[] = {
      {L"wendrix-no-such-module.dll", ERROR_MOD_NOT_FOUND},
      {std::wstring(300, L'a') + L".dll", ERROR_FILENAME_EXCED_RANGE},
      {L"", ERROR_INVALID_PARAMETER},
  };
  for (const auto& c : cases) {
    SetLastError(0);
    EXPECT_FALSE(LoadSystemLibraryByPath(c.name.c_str())) << c.name;
    EXPECT_EQ(GetLastError(), c.error) << c.name;
    EXPECT_FALSE(LoadSystemLibrary(c.name.c_str())) << c.name;
    EXPECT_NE(GetLastError(), 0u) << c.name;
  }
  EXPECT_FALSE(LoadSystemLibraryByPath(nullptr));
}

}  // namespace
}  // namespace wendrix
