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
#include "platform/registry.h"
#include "publisher/windows_environment.h"
#include "../support/registry_sandbox.h"
#include "../support/temp_folder.h"
#include "installed_data.h"

namespace wendrix {
namespace {

using test::TempFolder;
using test::CurrentDirectory;
using test::DataFile;
using test::Formatted;
using test::LoadedModuleVersion;

// The bytes of a literal, zero bytes included.
template <std::size_t N>
std::string Raw(const char (&text)[N]) {
  return std::string(text, N - 1);
}

void SetValue(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& text, REGSAM view = 0,
              DWORD type = REG_SZ) {
  HKEY opened = nullptr;
  ASSERT_EQ(RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_WRITE | view, nullptr, &opened, nullptr), 0);
  if (type == REG_DWORD) {
    const DWORD number = 5;
    RegSetValueExW(opened, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number));
  } else {
    RegSetValueExW(opened, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  }
  RegCloseKey(opened);
}

void CreateKey(HKEY root, const std::wstring& key, REGSAM view = 0) {
  HKEY opened = nullptr;
  ASSERT_EQ(RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_WRITE | view, nullptr, &opened, nullptr), 0);
  RegCloseKey(opened);
}

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

class WindowsProbesTest : public testing::Test {
 protected:
  WindowsProbesTest() {
    static std::atomic<unsigned> counter{0};
    const std::wstring unique = std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(counter++);
    m_key = L"Software\\WendrixTests\\installed-" + unique;
    m_user = L"HKEY_CURRENT_USER\\" + m_key + L"\\";
    m_machine = L"HKEY_LOCAL_MACHINE\\" + m_key + L"\\";
    CopyFileW(DataFile(L"probe_v4.dll").c_str(), m_files.File(L"tool.dll").c_str(), FALSE);
    m_files.Write(L"readme.dat", Raw("\x01\x02 no version here"));
    m_files.Write(L"notes.txt", " \t3.2.1\r\nRelease notes\r\n");
    m_files.Write(L"unicode.txt", Raw("\xFF\xFE" "5\0.\0" "6\0"));
    m_files.Write(L"tagged.bin", Raw("MZ\0\0\x90" "$VER: tool 4.2 (1.1.2010)\0"));
    m_files.Write(L"settings.ini", "[Main]\r\nVersion=2.7\r\n[Other]\r\nBuild=9\r\n");
    CreateDirectoryW(m_files.File(L"Data").c_str(), nullptr);
  }
  ~WindowsProbesTest() override {
    test::DeleteKeyTree(HKEY_CURRENT_USER, m_key, 0);
    test::DeleteKeyTree(HKEY_LOCAL_MACHINE, m_key, KEY_WOW64_64KEY);
    test::DeleteKeyTree(HKEY_LOCAL_MACHINE, m_key, KEY_WOW64_32KEY);
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

// A registry location names a value holding a version or a file, or a key
// whose highest version-named subkey counts; "#.#" components of the path
// take the highest such subkey.
TEST_F(WindowsProbesTest, RegistryValuesKeysAndVersionComponents) {
  ASSERT_TRUE(m_env.Is64BitSystem());
  SetEnvironmentVariableW(L"WXTEST_FILES", m_files.Path().c_str());
  const std::wstring tool = m_key + L"\\Tool", machine = m_key + L"\\Machine\\";
  SetValue(HKEY_CURRENT_USER, tool, L"Version", L"2.1");
  SetValue(HKEY_CURRENT_USER, tool, L"Beta", L"2.1 beta");
  SetValue(HKEY_CURRENT_USER, tool, L"Text", L"not a version");
  SetValue(HKEY_CURRENT_USER, tool, L"Number", L"", 0, REG_DWORD);
  SetValue(HKEY_CURRENT_USER, tool, L"File", m_files.File(L"tool.dll"));
  SetValue(HKEY_CURRENT_USER, tool, L"Expand", L"%WXTEST_FILES%\\tool.dll", 0, REG_EXPAND_SZ);
  SetValue(HKEY_CURRENT_USER, tool, L"Ini", m_files.File(L"settings.ini"));
  SetValue(HKEY_CURRENT_USER, m_key, L"AtTop", L"1.5");
  for (const wchar_t* sub : {L"3.9", L"3.10", L"Other", L"1.65537"}) CreateKey(HKEY_CURRENT_USER, tool + L"\\" + sub);
  CreateKey(HKEY_CURRENT_USER, m_key + L"\\Empty");
  CreateKey(HKEY_CURRENT_USER, m_key + L"\\Odd\\03.1");
  SetValue(HKEY_CURRENT_USER, m_key + L"\\Default", nullptr, L"1.5");
  TempFolder older;
  CopyFileW(DataFile(L"probe_v7.dll").c_str(), older.File(L"tool.dll").c_str(), FALSE);
  SetValue(HKEY_LOCAL_MACHINE, machine + L"3.9", L"InstallDir", older.Path(), KEY_WOW64_64KEY);
  SetValue(HKEY_LOCAL_MACHINE, machine + L"3.10", L"InstallDir", m_files.Path(), KEY_WOW64_64KEY);
  SetValue(HKEY_LOCAL_MACHINE, machine + L"3.10\\Plugins\\1.2", L"Version", L"1.2.7", KEY_WOW64_64KEY);
  CreateKey(HKEY_LOCAL_MACHINE, machine + L"Other", KEY_WOW64_64KEY);
  const std::wstring at = m_machine + L"Machine\\";
  const struct {
    std::wstring location, name;
    std::optional<std::wstring> version;
  } cases[] = {
      {m_user + L"Tool\\Version", L"", L"2.1.0.0"},
      {L"X86\\" + m_user + L"Tool\\Version", L"", L"2.1.0.0"},  // HKCU\Software is shared by both views
      {m_user + L"Tool\\Beta", L"", L"2.1.0.0"},
      {m_user + L"Tool\\File", L"", L"4.3.2.1"},
      {m_user + L"Tool\\Expand", L"", L"4.3.2.1"},
      {m_user + L"AtTop", L"", L"1.5.0.0"},
      {m_user + L"Tool\\Text", L"", std::nullopt},
      {m_user + L"Tool\\Number", L"", std::nullopt},
      {m_user + L"Tool\\Missing", L"", std::nullopt},
      {m_user + L"Tool", L"", L"3.10.0.0"},
      {m_user + L"Empty", L"", L"0.0.0.0"},
      {m_user + L"Odd", L"", L"0.0.0.0"},         // a name that is no version: present only
      {m_user + L"Default\\", L"", L"1.5.0.0"},  // a trailing "\" names the default value
      {m_user + L"Empty\\", L"", std::nullopt},
      {m_user + L"Nothing", L"", std::nullopt},
      {at + L"#.#\\InstallDir", L"tool.dll", L"4.3.2.1"},  // 3.10 above 3.9
      {at + L"#.#\\Plugins\\#.#\\Version", L"", L"1.2.7.0"},
      {at + L"#.#\\Missing", L"*", std::nullopt},
      {at + L"Other\\#.#\\InstallDir", L"*", std::nullopt},
      {at + L"#.#", L"", std::nullopt},  // a key is not expanded, a value not named "#.#"
  };
  for (const auto& c : cases) EXPECT_EQ(App(c.location, c.name), c.version) << c.location;
  EXPECT_EQ(App(m_user + L"Tool\\Ini", L"", L"Main", L"Version"), L"2.7.0.0");
}

TEST_F(WindowsProbesTest, LocalMachineViews) {
  SetValue(HKEY_LOCAL_MACHINE, m_key + L"\\Only32", L"Version", L"3.2", KEY_WOW64_32KEY);
  SetValue(HKEY_LOCAL_MACHINE, m_key + L"\\Both", L"Version", L"6.4", KEY_WOW64_64KEY);
  SetValue(HKEY_LOCAL_MACHINE, m_key + L"\\Both", L"Version", L"3.2", KEY_WOW64_32KEY);
  CreateKey(HKEY_LOCAL_MACHINE, m_key + L"\\Key32\\5.0", KEY_WOW64_32KEY);
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
      {L"X64\\" + m_machine + L"Both\\Version", L"6.4.0.0", L"6.4.0.0"},
      {m_machine + L"Key32", L"5.0.0.0", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(App(c.location, L""), c.on64) << c.location;
    EXPECT_EQ(Formatted(on32BitSystem.ProbeApplication(ApplicationProbe{c.location, L"", L"", L""})), c.on32)
        << c.location;
  }
}

TEST_F(WindowsProbesTest, FolderValueWithAFileNameRestoresTheCurrentDirectory) {
  // A tool.dll of another version in the current directory must not be the one found.
  TempFolder elsewhere;
  CopyFileW(DataFile(L"probe_v7.dll").c_str(), elsewhere.File(L"tool.dll").c_str(), FALSE);
  const std::wstring previous = CurrentDirectory();
  ASSERT_TRUE(SetCurrentDirectoryW(elsewhere.Path().c_str()));
  const std::wstring start = CurrentDirectory();
  SetValue(HKEY_CURRENT_USER, m_key, L"Dir", m_files.Path());
  SetValue(HKEY_CURRENT_USER, m_key, L"DirSlash", m_files.Path() + L"\\");
  SetValue(HKEY_CURRENT_USER, m_key, L"Gone", m_files.File(L"gone"));
  SetValue(HKEY_CURRENT_USER, m_key, L"Empty", L"");
  const struct {
    const wchar_t* value;
    const wchar_t* name;
    std::optional<std::wstring> version;
  } cases[] = {
      {L"Dir", L"tool.dll", L"4.3.2.1"},     {L"Dir", L"\\tool.dll", L"4.3.2.1"},
      {L"DirSlash", L"tool.dll", L"4.3.2.1"}, {L"Dir", L"notes.txt", L"3.2.1.0"},
      {L"Dir", L"readme.dat", L"0.0.0.0"},    // exists without any version
      {L"Dir", L"Data", L"0.0.0.0"},          // a folder exists too
      {L"Dir", L"absent.exe", std::nullopt},  {L"Dir", L"*", L"0.0.0.0"},
      {L"Gone", L"*whatever", L"0.0.0.0"},    // "*": the value exists, whatever it names
      {L"Gone", L"tool.dll", std::nullopt},   {L"Empty", L"tool.dll", std::nullopt},
      {L"Missing", L"*", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(App(m_user + c.value, c.name), c.version) << c.value << L" " << c.name;
    EXPECT_EQ(CurrentDirectory(), start) << c.value << L" " << c.name;
  }
  SetCurrentDirectoryW(previous.c_str());
}

TEST_F(WindowsProbesTest, FilesOfEveryKind) {
  const struct {
    std::wstring name, section, key;
    std::optional<std::wstring> version;
  } cases[] = {
      {m_files.File(L"tool.dll"), L"", L"", L"4.3.2.1"},
      {m_files.Path(), L"", L"", L"0.0.0.0"},  // an existing folder
      {m_files.File(L"notes.txt"), L"", L"", L"3.2.1.0"},
      {m_files.File(L"unicode.txt"), L"", L"", L"5.6.0.0"},
      {m_files.File(L"tagged.bin"), L"", L"", L"4.2.0.0"},
      {m_files.File(L"readme.dat"), L"", L"", L"0.0.0.0"},
      {m_files.File(L"absent.dll"), L"", L"", std::nullopt},
      {L"", L"", L"", std::nullopt},
      {m_files.File(L"settings.ini"), L"[Main]", L"Version", L"2.7.0.0"},
      {m_files.File(L"settings.ini"), L"Main", L"Build", std::nullopt},  // no file-exists fallback
      {m_files.File(L"absent.ini"), L"*", L"Version", std::nullopt},
      {m_files.File(L"settings.ini"), L"", L"Version", L"0.0.0.0"},  // no INI probe: the file exists
      {m_files.File(L"tool.dll"), L"Main", L"Version", L"4.3.2.1"},  // not an INI file name
  };
  for (const auto& c : cases) EXPECT_EQ(App(L"", c.name, c.section, c.key), c.version) << c.name << L" " << c.key;

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

// COM classes registered under HKLM\Software\Classes, which HKEY_CLASSES_ROOT shows.
class ComProbeTest : public WindowsProbesTest {
 protected:
  ComProbeTest() {
    wchar_t guid[64];
    for (int i = 0; i < 6; ++i) {
      swprintf(guid, 64, L"{5EAD%04X-%04X-4E57-8000-%012llX}", i, GetCurrentProcessId() & 0xFFFF,
               static_cast<unsigned long long>(GetTickCount64()));
      m_classes.emplace_back(guid);
    }
    m_progId = L"WendrixTests.Tool." + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(m_files.File(L"server dir").c_str(), nullptr);
    CopyFileW(DataFile(L"probe_v7.dll").c_str(), m_files.File(L"server dir\\tool.exe").c_str(), FALSE);
  }
  ~ComProbeTest() override {
    for (const std::wstring& id : m_classes) {
      for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY})
        test::DeleteKeyTree(HKEY_LOCAL_MACHINE, L"Software\\Classes\\CLSID\\" + id, view);
    }
    test::DeleteKeyTree(HKEY_LOCAL_MACHINE, L"Software\\Classes\\" + m_progId, KEY_WOW64_64KEY);
    test::DeleteKeyTree(HKEY_LOCAL_MACHINE, L"Software\\Classes\\" + m_progId + L".None", KEY_WOW64_64KEY);
  }
  void Register(std::size_t index, const wchar_t* server, const std::wstring& command, REGSAM view = KEY_WOW64_64KEY,
                DWORD type = REG_SZ) {
    SetValue(HKEY_LOCAL_MACHINE, L"Software\\Classes\\CLSID\\" + m_classes[index] + L"\\" + server, nullptr, command,
             view, type);
  }

  std::vector<std::wstring> m_classes;
  std::wstring m_progId;
};

TEST_F(ComProbeTest, ServerFilesOfClassesAndProgrammaticIdentifiers) {
  SetEnvironmentVariableW(L"WXTEST_FILES", m_files.Path().c_str());
  const std::wstring v4 = m_files.File(L"tool.dll"), v7 = m_files.File(L"server dir\\tool.exe");
  Register(0, L"InprocServer32", v4);
  Register(1, L"LocalServer32", L"\"%WXTEST_FILES%\\server dir\\tool.exe\" /automation", KEY_WOW64_64KEY,
           REG_EXPAND_SZ);
  Register(2, L"LocalServer32", v7 + L" -Embedding");  // a path with a blank, not quoted
  Register(3, L"InprocServer32", m_files.File(L"absent.dll"));
  Register(3, L"LocalServer", v4);
  Register(4, L"InprocServer", v7);
  Register(5, L"InprocServer32", v7, KEY_WOW64_32KEY);
  SetValue(HKEY_LOCAL_MACHINE, L"Software\\Classes\\" + m_progId + L"\\CLSID", nullptr, m_classes[0], KEY_WOW64_64KEY);
  CreateKey(HKEY_LOCAL_MACHINE, L"Software\\Classes\\" + m_progId + L".None", KEY_WOW64_64KEY);
  const struct {
    std::wstring text;
    std::optional<std::wstring> version;
  } cases[] = {
      {L"ClassID\\" + m_classes[0], L"4.3.2.1"},
      {L"ClassID\\" + m_classes[1], L"7.0.65535.12"},
      {L"ClassID\\" + m_classes[2], L"7.0.65535.12"},
      {L"classid\\" + m_classes[3], L"4.3.2.1"},  // a missing server file: the next registration
      {L"ClassID\\" + m_classes[4], L"7.0.65535.12"},
      {L"ClassID\\" + m_classes[5], L"7.0.65535.12"},  // the 32-bit view after the 64-bit one
      {L"ClassID\\x86\\" + m_classes[5], L"7.0.65535.12"},
      {L"ClassID\\X64\\" + m_classes[5], std::nullopt},
      {L"ProgID\\" + m_progId, L"4.3.2.1"},
      {L"ProgID\\" + m_progId + L".None", std::nullopt},
      {L"ClassID\\{00000000-5EAD-0000-0000-000000000000}", std::nullopt},
  };
  g_queries.clear();
  for (const auto& c : cases) EXPECT_EQ(m_probes.ProbeSystem(c.text), c.version) << c.text;
  EXPECT_TRUE(g_queries.empty());  // a COM class is never a system query
}

TEST_F(WindowsProbesTest, SystemQueriesThenModules) {
  g_queries.clear();
  EXPECT_EQ(m_probes.ProbeSystem(L"Query.Answer"), L"10.0.19045");
  EXPECT_EQ(m_probes.ProbeSystem(L"Query.Empty"), L"");  // an empty answer still counts
  EXPECT_EQ(m_probes.ProbeSystem(L"Query.None"), std::nullopt);  // no value here: nothing, and no module
  EXPECT_EQ(m_probes.ProbeSystem(L"kernel32.dll"), LoadedModuleVersion(L"kernel32.dll"));
  EXPECT_EQ(m_probes.ProbeSystem(L"wendrix-no-such-module.dll"), std::nullopt);
  EXPECT_EQ(m_probes.ProbeSystem(L"win.ini"), std::nullopt);  // a file in the Windows folder that is no module
  EXPECT_EQ(g_queries.size(), 6u);
  const WindowsVersionProbes withoutQueries(true, nullptr);
  EXPECT_EQ(withoutQueries.ProbeSystem(L"Query.Answer"), std::nullopt);
}

TEST_F(WindowsProbesTest, PathAlternativesOfEveryLocation) {
  SetValue(HKEY_CURRENT_USER, m_key, L"Dir", m_files.Path());
  SetValue(HKEY_CURRENT_USER, m_key, L"File", m_files.File(L"tool.dll"));
  SetValue(HKEY_CURRENT_USER, m_key, L"Empty", L"");
  SetValue(HKEY_LOCAL_MACHINE, m_key, L"Dir32", m_files.Path(), KEY_WOW64_32KEY);
  const std::wstring data = m_files.File(L"Data");
  const struct {
    std::wstring location, name;
    std::optional<std::wstring> folder;
  } cases[] = {
      {L"", m_files.Path(), m_files.Path()},
      {L"", m_files.File(L"tool.dll"), std::nullopt},  // a file is no folder
      {L"", m_files.File(L"gone"), std::nullopt},
      {m_user + L"Dir", L"Data", data},
      {m_user + L"Dir", L"\\Data", data},
      {m_user + L"Dir", L"", m_files.Path()},
      {m_user + L"Dir", L"Missing", std::nullopt},
      {m_user + L"File", L"", std::nullopt},
      {m_user + L"Empty", L"Data", std::nullopt},
      {m_user + L"Absent", L"Data", std::nullopt},
      {m_machine + L"Dir32", L"Data", data},
      {L"X64\\" + m_machine + L"Dir32", L"Data", std::nullopt},
      {L"{00000000-5EAD-0000-0000-000000000000}", L"Data", std::nullopt},
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
  definition.applications = {
      {L"{00000000-5EAD-0000-0000-000000000000}", L"", L"", L""},          // unknown product
      {L"{00000000-5EAD-0000-0000-000000000000}", L"Main", L"", L""},      // unknown feature
      {m_user + L"Absent", L"", L"", L""},                                 // missing value
      {L"HKLM\\Software", L"", L"", L""},                                  // unknown root
      {L"", m_files.File(L"absent.exe"), L"", L""},                        // missing file
      {L"", m_files.File(L"settings.ini"), L"Main", L"Absent"},            // INI key missing
  };
  definition.systems = {L"ClassID\\{00000000-5EAD-0000-0000-000000000000}", L"wendrix-no-such-module.dll"};
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
