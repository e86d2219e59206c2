// The module probe of System lines: only the plain file name of a module in
// the system folders counts, and the module's file is read, never loaded to
// run. The stand-in modules leave "<their path>.ran" beside themselves
// whenever they run; one is copied into the system folder under a name of
// its own for the time of a test.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

#include "platform/file_version.h"
#include "publisher/loader.h"
#include "publisher/version_probe_windows.h"
#include "publisher/windows_environment.h"
#include "../support/temp_folder.h"
#include "installed_data.h"

namespace wendrix {
namespace {

using test::FileExists;
using test::TempFolder;
using test::CurrentDirectory;
using test::DataFile;

std::wstring Folder(UINT(WINAPI* folderOf)(LPWSTR, UINT)) {
  wchar_t folder[MAX_PATH];
  return std::wstring(folder, folderOf(folder, MAX_PATH));
}

std::wstring Upper(std::wstring text) {
  std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return towupper(c); });
  return text;
}

// A stand-in module in the system folder under a unique name, deleted again
// with any marker it left.
class SystemFolderModule {
 public:
  explicit SystemFolderModule(const wchar_t* dataFile) {
    static std::atomic<unsigned> counter{0};
    m_base = L"wxprobe-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(counter++);
    m_path = Folder(&GetSystemDirectoryW) + L"\\" + Name();
    m_copied = CopyFileW(DataFile(dataFile).c_str(), m_path.c_str(), FALSE) != FALSE;
  }
  SystemFolderModule(const SystemFolderModule&) = delete;
  SystemFolderModule& operator=(const SystemFolderModule&) = delete;
  ~SystemFolderModule() {
    DeleteFileW(m_path.c_str());
    DeleteFileW(Marker().c_str());
  }
  bool Copied() const noexcept { return m_copied; }
  const std::wstring& Base() const noexcept { return m_base; }
  std::wstring Name() const { return m_base + L".dll"; }
  const std::wstring& Path() const noexcept { return m_path; }
  std::wstring Marker() const { return m_path + L".ran"; }

 private:
  std::wstring m_base, m_path;
  bool m_copied = false;
};

// A copy of the stand-in (4.3.2.1) in a temporary folder and in a subfolder
// of it, with the temporary folder as the current directory.
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
    EXPECT_FALSE(FileExists(m_files.File(L"tool.dll.ran"))) << "a module named by a path ran";
    EXPECT_FALSE(FileExists(m_files.File(L"sub\\tool.dll.ran"))) << "a module named by a path ran";
  }

  // Every form of path to the stand-in: full, relative, drive- and
  // root-relative, with forward slashes, as a share and in the device forms.
  std::vector<std::wstring> PathsToTheTool() const {
    const std::wstring full = m_files.File(L"tool.dll");
    const std::wstring leaf = m_files.Path().substr(m_files.Path().find_last_of(L'\\') + 1);
    const std::wstring drive = full.substr(0, 1), rooted = full.substr(2);
    std::wstring slashed = full;
    std::replace(slashed.begin(), slashed.end(), L'\\', L'/');
    return {full,
            slashed,
            L"tool.dll",  // in the current directory, not in a system folder
            L"tool",
            L".\\tool.dll",
            L"sub\\tool.dll",
            L"sub/tool.dll",
            L"..\\" + leaf + L"\\tool.dll",
            full.substr(0, 2) + L"tool.dll",
            rooted,
            L"\\\\127.0.0.1\\" + drive + L"$" + rooted,
            L"\\\\?\\UNC\\127.0.0.1\\" + drive + L"$" + rooted,
            L"\\\\?\\" + full,
            L"\\\\.\\" + full};
  }

  TempFolder m_files;
  std::wstring m_previous;
  WindowsPublisherEnvironment m_env{L"3.8.10.0"};
  WindowsVersionProbes m_probes{m_env.Is64BitSystem(), nullptr};
};

TEST_F(ModuleProbeTest, PathsNeverReachTheLoader) {
  for (const std::wstring& text : PathsToTheTool()) {
    EXPECT_EQ(m_probes.ProbeSystem(text), std::nullopt) << text;
    EXPECT_EQ(SystemModuleFile(text), std::nullopt) << text;
  }
  EXPECT_EQ(GetModuleHandleW(m_files.File(L"tool.dll").c_str()), nullptr);
}

TEST_F(ModuleProbeTest, SystemModulesAreReadWithoutRunning) {
  const SystemFolderModule module(L"probe_v4.dll");
  ASSERT_TRUE(module.Copied()) << "cannot write into the system folder";
  // A module of the same name in the current directory is not the one meant.
  ASSERT_TRUE(CopyFileW(DataFile(L"probe_v7.dll").c_str(), m_files.File(module.Name()).c_str(), FALSE));
  for (const std::wstring& name : {module.Name(), Upper(module.Name()), module.Base()}) {
    EXPECT_EQ(m_probes.ProbeSystem(name), L"4.3.2.1") << name;
    const std::optional<std::wstring> file = SystemModuleFile(name);
    ASSERT_TRUE(file.has_value()) << name;
    EXPECT_EQ(CompareStringOrdinal(file->c_str(), -1, module.Path().c_str(), -1, TRUE), CSTR_EQUAL) << *file;
  }
  EXPECT_EQ(GetModuleHandleW(module.Name().c_str()), nullptr);
  EXPECT_FALSE(FileExists(module.Marker())) << "the system module ran";
  EXPECT_FALSE(FileExists(m_files.File(module.Name()) + L".ran")) << "the current directory's module ran";
  DeleteFileW(m_files.File(module.Name()).c_str());
}

TEST_F(ModuleProbeTest, OnlyPlainNamesOfFilesInTheSystemFolders) {
  const std::wstring system = Folder(&GetSystemDirectoryW), windows = Folder(&GetSystemWindowsDirectoryW);
  const struct {
    std::wstring name;
    std::optional<std::wstring> file;
  } cases[] = {
      {L"kernel32.dll", system + L"\\kernel32.dll"},
      {L"KERNEL32", system + L"\\KERNEL32.dll"},  // as the loader, ".dll" when there is no extension
      {L"regedit.exe", windows + L"\\regedit.exe"},  // the Windows folder after the system folder
      {L"wendrix-no-such-module.dll", std::nullopt},
      {L"", std::nullopt},
      {L".", std::nullopt},
      {L"..", std::nullopt},
      {L"...dll", std::nullopt},
      {L"kernel32.dll.", std::nullopt},  // Windows would trim what ends a name
      {L"kernel32.dll ", std::nullopt},
      {L"kernel32.", std::nullopt},
      {L"kernel3?.dll", std::nullopt},
      {L"kernel32.dll:stream", std::nullopt},
      {L"C:kernel32.dll", std::nullopt},
      {L"\\kernel32.dll", std::nullopt},
      {L"a<b.dll", std::nullopt},
      {L"kernel32.dll\t", std::nullopt},
      {std::wstring(L"kern\0el32.dll", 13), std::nullopt},
      {L"nul", std::nullopt},  // devices (the path rules know them all)
      {L"nul .dll", std::nullopt},
      {L"Com1.dll", std::nullopt},
      {L"COM\u00B9.dll", std::nullopt},
      {std::wstring(300, L'a') + L".dll", std::nullopt},
  };
  for (const auto& c : cases) {
    const std::optional<std::wstring> file = SystemModuleFile(c.name);
    if (!c.file || !file) {
      EXPECT_EQ(file, c.file) << c.name;
      continue;
    }
    EXPECT_EQ(CompareStringOrdinal(file->c_str(), -1, c.file->c_str(), -1, TRUE), CSTR_EQUAL) << *file;
  }
  // The versions are those the loader's module would give.
  EXPECT_EQ(m_probes.ProbeSystem(L"kernel32"), test::LoadedModuleVersion(L"kernel32.dll"));
}

// What a publisher's data file says reaches the probe as it stands: every
// path to the module leaves the item not installed.
TEST_F(ModuleProbeTest, DataFileNamingAModuleByPathFindsNothing) {
  const SystemFolderModule module(L"probe_v4.dll");
  ASSERT_TRUE(module.Copied());
  std::vector<std::wstring> systems = PathsToTheTool();
  systems.push_back(module.Name());
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
    const std::optional<std::wstring> expected =
        systems[i] == module.Name() ? std::optional<std::wstring>(L"4.3.2.1") : std::nullopt;
    EXPECT_EQ(data.items[i].installedVersion, expected) << systems[i];
  }
  EXPECT_FALSE(FileExists(module.Marker()));
}

}  // namespace
}  // namespace wendrix
