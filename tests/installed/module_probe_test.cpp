// The module probe of System lines: only the plain file name of a module in
// the system folders counts, and the module's file is read, never loaded to
// run. The stand-in modules leave "<their path>.ran" beside themselves
// whenever they run; one is copied into the system folder under a name of
// its own for the time of a test.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "publisher/loader.h"
#include "publisher/version_probe_windows.h"
#include "publisher/windows_environment.h"
#include "../support/temp_folder.h"
#include "installed_data.h"

namespace wendrix {
namespace {

using test::CurrentDirectory;
using test::DataFile;
using test::FileExists;
using test::TempFolder;

std::wstring Folder(UINT(WINAPI* folderOf)(LPWSTR, UINT)) {
  wchar_t folder[MAX_PATH];
  return std::wstring(folder, folderOf(folder, MAX_PATH));
}

bool SamePath(const std::optional<std::wstring>& a, const std::optional<std::wstring>& b) {
  if (!a || !b) return a == b;
  return CompareStringOrdinal(a->c_str(), -1, b->c_str(), -1, TRUE) == CSTR_EQUAL;
}

// Copies of the stand-in (4.3.2.1) in a temporary folder and a subfolder of
// it, with the temporary folder as the current directory; none may run.
class ModuleProbeTest : public testing::Test {
 protected:
  void SetUp() override {
    CreateDirectoryW(m_files.File(L"sub").c_str(), nullptr);
    for (const wchar_t* copy : {L"tool.dll", L"sub\\tool.dll"})
      ASSERT_TRUE(CopyFileW(DataFile(L"probe_v4.dll").c_str(), m_files.File(copy).c_str(), FALSE));
    m_previous = CurrentDirectory();
    ASSERT_TRUE(SetCurrentDirectoryW(m_files.Path().c_str()));
  }
  void TearDown() override {
    SetCurrentDirectoryW(m_previous.c_str());
    for (const wchar_t* copy : {L"tool.dll.ran", L"sub\\tool.dll.ran"})
      EXPECT_FALSE(FileExists(m_files.File(copy))) << "a module named by a path ran";
  }

  TempFolder m_files;
  std::wstring m_previous;
  WindowsPublisherEnvironment m_env{L"3.8.10.0"};
  WindowsVersionProbes m_probes{m_env.Is64BitSystem(), nullptr};
};

// A stand-in in the system folder under a unique name, named in a data file
// beside every form of path to the copies outside it (full, relative, drive-
// and root-relative, forward slashes, a share, the device forms): only the
// plain name finds it, read without running, even with a module of the same
// name and another version in the current directory.
TEST_F(ModuleProbeTest, OnlyTheSystemFolderModuleIsFoundAndNoneRuns) {
  const std::wstring base = L"wxprobe-" + std::to_wstring(GetCurrentProcessId()), name = base + L".dll";
  const std::wstring inSystem = Folder(&GetSystemDirectoryW) + L"\\" + name;
  struct Remove {
    std::wstring path;
    ~Remove() {
      DeleteFileW(path.c_str());
      DeleteFileW((path + L".ran").c_str());
    }
  } remove{inSystem};
  ASSERT_TRUE(CopyFileW(DataFile(L"probe_v4.dll").c_str(), inSystem.c_str(), FALSE)) << "cannot write the system folder";
  ASSERT_TRUE(CopyFileW(DataFile(L"probe_v7.dll").c_str(), m_files.File(name).c_str(), FALSE));
  std::wstring upper = name;
  std::transform(upper.begin(), upper.end(), upper.begin(), [](wchar_t c) { return towupper(c); });
  for (const std::wstring& plain : {name, upper, base}) {
    EXPECT_EQ(m_probes.ProbeSystem(plain), L"4.3.2.1") << plain;
    EXPECT_TRUE(SamePath(SystemModuleFile(plain), inSystem)) << plain;
  }

  const std::wstring full = m_files.File(L"tool.dll");
  const std::wstring leaf = m_files.Path().substr(m_files.Path().find_last_of(L'\\') + 1);
  const std::wstring drive = full.substr(0, 1), rooted = full.substr(2);
  std::wstring slashed = full;
  std::replace(slashed.begin(), slashed.end(), L'\\', L'/');
  const std::vector<std::wstring> systems = {
      full, slashed, L"tool.dll" /* in the current directory only */, L"tool", L".\\tool.dll", L"sub\\tool.dll",
      L"sub/tool.dll", L"..\\" + leaf + L"\\tool.dll", full.substr(0, 2) + L"tool.dll", rooted,
      L"\\\\127.0.0.1\\" + drive + L"$" + rooted, L"\\\\?\\UNC\\127.0.0.1\\" + drive + L"$" + rooted,
      L"\\\\?\\" + full, L"\\\\.\\" + full, name};
  std::wstring text =
      L"[Publisher]\r\nID = 1.2.3\r\nName = Acme\r\nHomePage = http://acme.example/\r\n"
      L"DataSource = http://acme.example/a.wx-cnf\r\nApplication = \"Kestmoor(R) Wendrix(TM)\"\r\n"
      L"[Text]\r\nID = t\r\nText = en, Tool\r\n"
      L"[Action]\r\nID = get\r\nType = Download\r\nSubtype = Generic\r\nVersion = 5.0\r\n"
      L"URL = http://acme.example/tool.exe\r\n";
  for (std::size_t i = 0; i < systems.size(); ++i) {
    const std::wstring id = std::to_wstring(i);
    text += L"[InstalledVersion]\r\nID = v" + id + L"\r\nSystem = " + systems[i] + L"\r\n[Item]\r\nID = i" + id +
            L"\r\nTitle = t\r\nType = Software\r\nInstalledVersion = v" + id + L"\r\nAction = get\r\n";
  }
  PublisherData data;
  data.publisher.id = L"1.2.3";  // registered under the ID its file gives
  data.publisher.name = L"Acme";
  data.publisher.homePage = L"http://acme.example/";
  data.publisher.dataSource = L"http://acme.example/a.wx-cnf";
  std::uint32_t line = 0;
  ASSERT_EQ(LoadPublisherData(text.c_str(), &data, nullptr, nullptr, &line, 0, m_env), S_OK) << line;
  ASSERT_EQ(data.items.size(), systems.size());
  for (std::size_t i = 0; i < systems.size(); ++i) {
    const bool plain = systems[i] == name;
    EXPECT_EQ(data.items[i].installedVersion, plain ? std::optional<std::wstring>(L"4.3.2.1") : std::nullopt)
        << systems[i];
    if (!plain) {
      EXPECT_EQ(SystemModuleFile(systems[i]), std::nullopt) << systems[i];
    }
  }
  EXPECT_EQ(GetModuleHandleW(name.c_str()), nullptr);
  EXPECT_EQ(GetModuleHandleW(full.c_str()), nullptr);
  EXPECT_FALSE(FileExists(inSystem + L".ran")) << "the system module ran";
  EXPECT_FALSE(FileExists(m_files.File(name) + L".ran")) << "the current directory's module ran";
}

TEST_F(ModuleProbeTest, OnlyPlainNamesOfFilesInTheSystemFolders) {
  const std::wstring system = Folder(&GetSystemDirectoryW), windows = Folder(&GetSystemWindowsDirectoryW);
  const struct {
    std::wstring name;
    std::optional<std::wstring> file;
  } cases[] = {
      {L"kernel32.dll", system + L"\\kernel32.dll"},
      {L"KERNEL32", system + L"\\KERNEL32.dll"},  // as the loader, ".dll" when there is no extension
      // The Windows folder after the system folder (a 32-bit one may hold its own copy).
      {L"regedit.exe", (FileExists(system + L"\\regedit.exe") ? system : windows) + L"\\regedit.exe"},
      {L"wendrix-no-such-module.dll", std::nullopt},
      {L"", std::nullopt}, {L".", std::nullopt}, {L"..", std::nullopt}, {L"...dll", std::nullopt},
      {L"kernel32.dll.", std::nullopt},  // Windows would trim what ends a name
      {L"kernel32.dll ", std::nullopt}, {L"kernel32.", std::nullopt}, {L"kernel3?.dll", std::nullopt},
      {L"kernel32.dll:stream", std::nullopt}, {L"C:kernel32.dll", std::nullopt}, {L"\\kernel32.dll", std::nullopt},
      {L"a<b.dll", std::nullopt}, {L"kernel32.dll\t", std::nullopt},
      {std::wstring(L"kern\0el32.dll", 13), std::nullopt},
      {L"nul", std::nullopt},  // devices (the path rules know them all)
      {L"nul .dll", std::nullopt}, {L"Com1.dll", std::nullopt}, {L"COM\u00B9.dll", std::nullopt},
      {std::wstring(300, L'a') + L".dll", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_TRUE(SamePath(SystemModuleFile(c.name), c.file)) << c.name;
  // The versions are those the loader's module would give.
  EXPECT_EQ(m_probes.ProbeSystem(L"kernel32"), test::LoadedModuleVersion(L"kernel32.dll"));
}

}  // namespace
}  // namespace wendrix
