// The probes on the real registry and disk: registry values and keys in both
// views, "#.#" keys, folders and files of every kind, COM registrations,
// system queries, modules, path alternatives, and a failing probe moving on
// to the next. Keys live under Software\WendrixTests in HKCU and in both
// views of HKLM and are deleted afterwards.
#include "publisher/version_probe_windows.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>

#include "platform/file_version.h"
#include "publisher/windows_environment.h"
#include "../support/registry_sandbox.h"
#include "../support/temp_folder.h"
#include "installed_data.h"

namespace wendrix {
namespace {

using test::CurrentDirectory;
using test::DataFile;
using test::Formatted;
using test::LoadedModuleVersion;
using test::TempFolder;

constexpr REGSAM k64 = KEY_WOW64_64KEY, k32 = KEY_WOW64_32KEY;
constexpr wchar_t kUnknownGuid[] = L"{00000000-5EAD-0000-0000-000000000000}";

// Creates the key and, when `name` is given, one value in it (a DWORD 5 when
// `type` says so).
void SetValue(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& text, REGSAM view = 0,
              DWORD type = REG_SZ) {
  HKEY opened = nullptr;
  ASSERT_EQ(RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_WRITE | view, nullptr, &opened, nullptr), 0);
  const DWORD number = 5;
  if (type == REG_DWORD) RegSetValueExW(opened, name, 0, type, reinterpret_cast<const BYTE*>(&number), sizeof(number));
  else if (name || !text.empty())
    RegSetValueExW(opened, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(opened);
}
void CreateKey(HKEY root, const std::wstring& key, REGSAM view = 0) { SetValue(root, key, nullptr, L"", view); }

// The test's system query: a few fixed answers, every other text refused.
std::vector<std::wstring> g_queries;
HRESULT FakeQuery(std::wstring_view query, std::optional<std::wstring>& answer) {
  g_queries.emplace_back(query);
  if (query == L"Query.Answer") answer = L"10.0.19045";
  else if (query == L"Query.Empty") answer = L"";
  else if (query == L"Query.None") answer.reset();
  else return E_INVALIDARG;
  return S_OK;
}

// A folder of files of every kind (tool.dll is the 4.3.2.1 stand-in) and the
// registry values that name them.
class WindowsProbesTest : public testing::Test {
 protected:
  WindowsProbesTest() {
    static std::atomic<unsigned> counter{0};
    m_key = L"Software\\WendrixTests\\installed-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(counter++);
    m_user = L"HKEY_CURRENT_USER\\" + m_key + L"\\";
    m_machine = L"HKEY_LOCAL_MACHINE\\" + m_key + L"\\";
    CopyFileW(DataFile(L"probe_v4.dll").c_str(), m_files.File(L"tool.dll").c_str(), FALSE);
    m_files.Write(L"readme.dat", std::string("\x01\x02 no version here"));
    m_files.Write(L"notes.txt", " \t3.2.1\r\nRelease notes\r\n");
    m_files.Write(L"tagged.bin", std::string("MZ\0\0\x90" "$VER: tool 4.2 (1.1.2010)\0", 31));
    m_files.Write(L"settings.ini", "[Main]\r\nVersion=2.7\r\n[Other]\r\nBuild=9\r\n");
    CreateDirectoryW(m_files.File(L"Data").c_str(), nullptr);
    SetEnvironmentVariableW(L"WXTEST_FILES", m_files.Path().c_str());
  }
  ~WindowsProbesTest() override {
    test::DeleteKeyTree(HKEY_CURRENT_USER, m_key, 0);
    for (REGSAM view : {k64, k32}) test::DeleteKeyTree(HKEY_LOCAL_MACHINE, m_key, view);
  }

  std::optional<std::wstring> App(const std::wstring& location, const std::wstring& name,
                                  const std::wstring& section = L"", const std::wstring& key = L"") const {
    return Formatted(m_probes.ProbeApplication(ApplicationProbe{location, name, section, key}));
  }

  TempFolder m_files;
  std::wstring m_key, m_user, m_machine;
  WindowsPublisherEnvironment m_env{L"3.8.10.0"};
  WindowsVersionProbes m_probes{m_env.Is64BitSystem(), &FakeQuery};
};

// A registry location names a value holding a version, a file or a folder
// (with the probe's name in it), or a key whose highest version-named subkey
// counts; "#.#" components take the highest such subkey. Files are read by
// their version resource, text, "$VER:" tag or INI key, else merely exist.
// No probe leaves the current directory changed, and a tool.dll of another
// version there is never the one found.
TEST_F(WindowsProbesTest, RegistryValuesKeysFoldersAndFiles) {
  ASSERT_TRUE(m_env.Is64BitSystem());
  const std::wstring tool = m_key + L"\\Tool", machine = m_key + L"\\Machine\\";
  for (const auto& [name, text] : {std::pair{L"Version", L"2.1"}, {L"Beta", L"2.1 beta"}, {L"Text", L"not a version"}})
    SetValue(HKEY_CURRENT_USER, tool, name, text);
  SetValue(HKEY_CURRENT_USER, tool, L"Number", L"", 0, REG_DWORD);
  SetValue(HKEY_CURRENT_USER, tool, L"File", m_files.File(L"tool.dll"));
  SetValue(HKEY_CURRENT_USER, tool, L"Expand", L"%WXTEST_FILES%\\tool.dll", 0, REG_EXPAND_SZ);
  SetValue(HKEY_CURRENT_USER, tool, L"Ini", m_files.File(L"settings.ini"));
  SetValue(HKEY_CURRENT_USER, m_key, L"Dir", m_files.Path());
  SetValue(HKEY_CURRENT_USER, m_key, L"DirSlash", m_files.Path() + L"\\");
  SetValue(HKEY_CURRENT_USER, m_key, L"Gone", m_files.File(L"gone"));
  SetValue(HKEY_CURRENT_USER, m_key, L"Empty", L"");
  for (const wchar_t* sub : {L"3.9", L"3.10", L"Other", L"1.65537"}) CreateKey(HKEY_CURRENT_USER, tool + L"\\" + sub);
  CreateKey(HKEY_CURRENT_USER, m_key + L"\\EmptyKey");
  CreateKey(HKEY_CURRENT_USER, m_key + L"\\Odd\\03.1");
  SetValue(HKEY_CURRENT_USER, m_key + L"\\Default", nullptr, L"1.5");
  TempFolder older;
  CopyFileW(DataFile(L"probe_v7.dll").c_str(), older.File(L"tool.dll").c_str(), FALSE);
  SetValue(HKEY_LOCAL_MACHINE, machine + L"3.9", L"InstallDir", older.Path(), k64);
  SetValue(HKEY_LOCAL_MACHINE, machine + L"3.10", L"InstallDir", m_files.Path(), k64);
  CreateKey(HKEY_LOCAL_MACHINE, machine + L"Other", k64);
  const std::wstring at = m_machine + L"Machine\\", u = m_user;
  const struct {
    std::wstring location, name, section, key;
    std::optional<std::wstring> version;
  } cases[] = {
      {u + L"Tool\\Version", L"", L"", L"", L"2.1.0.0"},
      {u + L"Tool\\Beta", L"", L"", L"", L"2.1.0.0"},
      {u + L"Tool\\File", L"", L"", L"", L"4.3.2.1"},
      {u + L"Tool\\Expand", L"", L"", L"", L"4.3.2.1"},
      {u + L"Tool\\Text", L"", L"", L"", std::nullopt},
      {u + L"Tool\\Number", L"", L"", L"", std::nullopt},
      {u + L"Tool\\Missing", L"", L"", L"", std::nullopt},
      {u + L"Tool", L"", L"", L"", L"3.10.0.0"},
      {u + L"EmptyKey", L"", L"", L"", L"0.0.0.0"},
      {u + L"Odd", L"", L"", L"", L"0.0.0.0"},  // a name that is no version: present only
      {u + L"Default\\", L"", L"", L"", L"1.5.0.0"},  // a trailing "\" names the default value
      {u + L"EmptyKey\\", L"", L"", L"", std::nullopt},
      {u + L"Tool\\Ini", L"", L"Main", L"Version", L"2.7.0.0"},
      {at + L"#.#\\InstallDir", L"tool.dll", L"", L"", L"4.3.2.1"},  // 3.10 above 3.9
      {at + L"Other\\#.#\\InstallDir", L"*", L"", L"", std::nullopt},
      {at + L"#.#", L"", L"", L"", std::nullopt},  // a key is not expanded, a value not named "#.#"
      {u + L"Dir", L"tool.dll", L"", L"", L"4.3.2.1"},
      {u + L"Dir", L"\\tool.dll", L"", L"", L"4.3.2.1"},
      {u + L"DirSlash", L"tool.dll", L"", L"", L"4.3.2.1"},
      {u + L"Dir", L"notes.txt", L"", L"", L"3.2.1.0"},
      {u + L"Dir", L"readme.dat", L"", L"", L"0.0.0.0"},  // exists without any version
      {u + L"Dir", L"Data", L"", L"", L"0.0.0.0"},        // a folder exists too
      {u + L"Dir", L"absent.exe", L"", L"", std::nullopt},
      {u + L"Gone", L"*whatever", L"", L"", L"0.0.0.0"},  // "*": the value exists, whatever it names
      {u + L"Gone", L"tool.dll", L"", L"", std::nullopt},
      {u + L"Empty", L"tool.dll", L"", L"", std::nullopt},
      {u + L"Missing", L"*", L"", L"", std::nullopt},
      {L"", m_files.File(L"tool.dll"), L"", L"", L"4.3.2.1"},
      {L"", m_files.Path(), L"", L"", L"0.0.0.0"},  // an existing folder
      {L"", m_files.File(L"tagged.bin"), L"", L"", L"4.2.0.0"},
      {L"", m_files.File(L"absent.dll"), L"", L"", std::nullopt},
      {L"", L"", L"", L"", std::nullopt},
      {L"", m_files.File(L"settings.ini"), L"[Main]", L"Version", L"2.7.0.0"},
      {L"", m_files.File(L"settings.ini"), L"Main", L"Build", std::nullopt},  // no file-exists fallback
      {L"", m_files.File(L"absent.ini"), L"*", L"Version", std::nullopt},
      {L"", m_files.File(L"settings.ini"), L"", L"Version", L"0.0.0.0"},  // no INI probe: the file exists
      {L"", m_files.File(L"tool.dll"), L"Main", L"Version", L"4.3.2.1"},  // not an INI file name
  };
  const std::wstring previous = CurrentDirectory();
  ASSERT_TRUE(SetCurrentDirectoryW(older.Path().c_str()));
  const std::wstring start = CurrentDirectory();
  for (const auto& c : cases) {
    EXPECT_EQ(App(c.location, c.name, c.section, c.key), c.version) << c.location << L" " << c.name << L" " << c.key;
    EXPECT_EQ(CurrentDirectory(), start) << c.location << L" " << c.name;
  }
  SetCurrentDirectoryW(previous.c_str());

  // Only the INI probe reports itself so; a locked file cannot be read at all.
  bool asIni = false;
  EXPECT_EQ(ProbeFile(m_files.File(L"settings.ini"), L"Main", L"Build", &asIni), std::nullopt);
  EXPECT_TRUE(asIni);
  const HANDLE locked = CreateFileW(m_files.File(L"notes.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                    nullptr);
  EXPECT_EQ(ProbeFile(m_files.File(L"notes.txt"), L"", L"", &asIni), std::nullopt);
  EXPECT_FALSE(asIni);
  EXPECT_EQ(App(L"", m_files.File(L"notes.txt")), L"0.0.0.0");  // unreadable, yet it exists
  CloseHandle(locked);
}

TEST_F(WindowsProbesTest, LocalMachineViews) {
  SetValue(HKEY_LOCAL_MACHINE, m_key + L"\\Only32", L"Version", L"3.2", k32);
  SetValue(HKEY_LOCAL_MACHINE, m_key + L"\\Both", L"Version", L"6.4", k64);
  SetValue(HKEY_LOCAL_MACHINE, m_key + L"\\Both", L"Version", L"3.2", k32);
  CreateKey(HKEY_LOCAL_MACHINE, m_key + L"\\Key32\\5.0", k32);
  const WindowsVersionProbes on32BitSystem(false, nullptr);
  const struct {
    std::wstring location;
    std::optional<std::wstring> on64, on32;
  } cases[] = {
      {m_machine + L"Only32\\Version", L"3.2.0.0", std::nullopt},  // no view flag: this process's view
      {L"X86\\" + m_machine + L"Only32\\Version", L"3.2.0.0", std::nullopt},
      {L"x64\\" + m_machine + L"Only32\\Version", std::nullopt, std::nullopt},
      {m_machine + L"Both\\Version", L"6.4.0.0", L"6.4.0.0"},  // the 64-bit view first
      {L"X86\\" + m_machine + L"Both\\Version", L"3.2.0.0", L"6.4.0.0"},
      {m_machine + L"Key32", L"5.0.0.0", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(App(c.location, L""), c.on64) << c.location;
    // A 32-bit process reads the 32-bit view whatever it asks for: only a
    // 64-bit one can stand in for a 32-bit system, whose one view is native.
    if (sizeof(void*) == 8)
      EXPECT_EQ(Formatted(on32BitSystem.ProbeApplication(ApplicationProbe{c.location, L"", L"", L""})), c.on32)
          << c.location;
  }
}

// COM classes registered under HKLM\Software\Classes (which HKEY_CLASSES_ROOT
// shows), then system queries, then modules; a COM class is never a query.
TEST_F(WindowsProbesTest, ComClassesSystemQueriesThenModules) {
  std::vector<std::wstring> classes;
  wchar_t guid[64];
  for (int i = 0; i < 6; ++i) {
    swprintf(guid, 64, L"{5EAD%04X-%04X-4E57-8000-%012llX}", i, GetCurrentProcessId() & 0xFFFF,
             static_cast<unsigned long long>(GetTickCount64()));
    classes.emplace_back(guid);
  }
  const std::wstring progId = L"WendrixTests.Tool." + std::to_wstring(GetCurrentProcessId());
  struct Cleanup {
    const std::vector<std::wstring>& classes;
    const std::wstring& progId;
    ~Cleanup() {
      for (const std::wstring& id : classes)
        for (REGSAM view : {k64, k32}) test::DeleteKeyTree(HKEY_LOCAL_MACHINE, L"Software\\Classes\\CLSID\\" + id, view);
      for (const wchar_t* suffix : {L"", L".None"})
        test::DeleteKeyTree(HKEY_LOCAL_MACHINE, L"Software\\Classes\\" + progId + suffix, k64);
    }
  } cleanup{classes, progId};
  CreateDirectoryW(m_files.File(L"server dir").c_str(), nullptr);
  CopyFileW(DataFile(L"probe_v7.dll").c_str(), m_files.File(L"server dir\\tool.exe").c_str(), FALSE);
  const std::wstring v4 = m_files.File(L"tool.dll"), v7 = m_files.File(L"server dir\\tool.exe");
  const auto server = [&](std::size_t index, const wchar_t* kind, const std::wstring& command, REGSAM view = k64,
                          DWORD type = REG_SZ) {
    SetValue(HKEY_LOCAL_MACHINE, L"Software\\Classes\\CLSID\\" + classes[index] + L"\\" + kind, nullptr, command, view,
             type);
  };
  server(0, L"InprocServer32", v4);
  server(1, L"LocalServer32", L"\"%WXTEST_FILES%\\server dir\\tool.exe\" /automation", k64, REG_EXPAND_SZ);
  server(2, L"LocalServer32", v7 + L" -Embedding");  // a path with a blank, not quoted
  server(3, L"InprocServer32", m_files.File(L"absent.dll"));
  server(3, L"LocalServer", v4);
  server(4, L"InprocServer", v7);
  server(5, L"InprocServer32", v7, k32);
  SetValue(HKEY_LOCAL_MACHINE, L"Software\\Classes\\" + progId + L"\\CLSID", nullptr, classes[0], k64);
  CreateKey(HKEY_LOCAL_MACHINE, L"Software\\Classes\\" + progId + L".None", k64);
  const struct {
    std::wstring text;
    std::optional<std::wstring> version;
  } cases[] = {
      {L"ClassID\\" + classes[0], L"4.3.2.1"},
      {L"ClassID\\" + classes[1], L"7.0.65535.12"},
      {L"ClassID\\" + classes[2], L"7.0.65535.12"},
      {L"classid\\" + classes[3], L"4.3.2.1"},  // a missing server file: the next registration
      {L"ClassID\\" + classes[4], L"7.0.65535.12"},
      {L"ClassID\\" + classes[5], L"7.0.65535.12"},  // the 32-bit view after the 64-bit one
      {L"ClassID\\x86\\" + classes[5], L"7.0.65535.12"},
      {L"ClassID\\X64\\" + classes[5], std::nullopt},
      {L"ProgID\\" + progId, L"4.3.2.1"},
      {L"ProgID\\" + progId + L".None", std::nullopt},
      {L"ClassID\\" + std::wstring(kUnknownGuid), std::nullopt},
      {L"Query.Answer", L"10.0.19045"},
      {L"Query.Empty", L""},  // an empty answer still counts
      {L"Query.None", std::nullopt},  // no value here: nothing, and no module
      {L"kernel32.dll", LoadedModuleVersion(L"kernel32.dll")},
      {L"wendrix-no-such-module.dll", std::nullopt},
      {L"win.ini", std::nullopt},  // a file in the Windows folder that is no module
  };
  g_queries.clear();
  for (const auto& c : cases) EXPECT_EQ(m_probes.ProbeSystem(c.text), c.version) << c.text;
  EXPECT_EQ(g_queries.size(), 6u);
  EXPECT_EQ(WindowsVersionProbes(true, nullptr).ProbeSystem(L"Query.Answer"), std::nullopt);
}

TEST_F(WindowsProbesTest, PathAlternativesOfEveryLocation) {
  SetValue(HKEY_CURRENT_USER, m_key, L"Dir", m_files.Path());
  SetValue(HKEY_CURRENT_USER, m_key, L"File", m_files.File(L"tool.dll"));
  SetValue(HKEY_CURRENT_USER, m_key, L"Empty", L"");
  SetValue(HKEY_LOCAL_MACHINE, m_key, L"Dir32", m_files.Path(), k32);
  const std::wstring data = m_files.File(L"Data");
  const struct {
    std::wstring location, name;
    std::optional<std::wstring> folder;
  } cases[] = {
      {L"", m_files.Path(), m_files.Path()},
      {L"", m_files.File(L"tool.dll"), std::nullopt},  // a file is no folder
      {L"", m_files.File(L"gone"), std::nullopt},
      {m_user + L"Dir", L"Data", data},
      {m_user + L"Dir", L"", m_files.Path()},
      {m_user + L"Dir", L"Missing", std::nullopt},
      {m_user + L"File", L"", std::nullopt},
      {m_user + L"Empty", L"Data", std::nullopt},
      {m_user + L"Absent", L"Data", std::nullopt},
      {m_machine + L"Dir32", L"Data", data},
      {L"X64\\" + m_machine + L"Dir32", L"Data", std::nullopt},
      {kUnknownGuid, L"Data", std::nullopt},
      {L"HKEY_NOWHERE\\x", L"Data", std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(m_probes.ResolveAlternative(PathAlternative{c.location, c.name}), c.folder) << c.location << L" " << c.name;
}

// Every probe that fails hands over to the next, up to the publisher probe.
TEST_F(WindowsProbesTest, EachFailingProbeMovesOnToTheNext) {
  class OnePublisher final : public PublisherList {
   public:
    bool Contains(std::wstring_view id) const override { return id == L"Acme"; }
    std::optional<std::wstring> PublisherVersion(std::wstring_view id) const override {
      return id == L"Acme" ? std::optional<std::wstring>(L"2.5") : std::nullopt;
    }
    void RecordRequiredVersion(std::wstring_view) override {}
  } publishers;
  InstalledVersionDefinition definition;
  // The other ways a probe fails are cases of the tables above; the
  // installer's are here too, for where the package test cannot install.
  definition.applications = {{kUnknownGuid, L"", L"", L""}, {kUnknownGuid, L"Main", L"", L""},
                             {L"HKLM\\Software", L"", L"", L""}};
  definition.systems = {L"ClassID\\" + std::wstring(kUnknownGuid), L"wendrix-no-such-module.dll"};
  definition.publisher = L"Acme";
  EXPECT_EQ(m_env.DetermineInstalledVersion(definition, &publishers), L"2.5");
  EXPECT_EQ(definition.result, L"2.5");
  definition.systems.push_back(L"kernel32.dll");
  EXPECT_EQ(m_env.DetermineInstalledVersion(definition, &publishers), LoadedModuleVersion(L"kernel32.dll"));
  definition.applications.push_back({L"", m_files.File(L"notes.txt"), L"", L""});
  EXPECT_EQ(m_env.DetermineInstalledVersion(definition, &publishers), L"3.2.1.0");

  // The real system queries: a text that is no query names a module.
  InstalledVersionDefinition system;
  system.systems = {L"Nonsense\\1", L"Architecture"};
  EXPECT_EQ(m_env.DetermineInstalledVersion(system, nullptr), L"x64");
  system.systems = {L"msi.dll"};
  EXPECT_EQ(m_env.DetermineInstalledVersion(system, nullptr), LoadedModuleVersion(L"msi.dll"));
}

}  // namespace
}  // namespace wendrix
