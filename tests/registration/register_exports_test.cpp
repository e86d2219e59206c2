// The registration exports end to end, called through the library file: the
// list files, product-data files, counts, error locations, integrations,
// journal rollback, the main window's messages and processes at once.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../support/child_process.h"
#include "../support/registry_sandbox.h"
#include "../support/shell_folder_redirect.h"
#include "../support/temp_folder.h"
#include "integration_keys.h"
#include "platform/unique_handle.h"
#include "platform/ini_file.h"
#include "registration/product_identity.h"
#include "registration/user_counters.h"
#include "setup/journal.h"

namespace wendrix::test {
namespace {

using RegisterExFn = HRESULT(WINAPI*)(const wchar_t*, const wchar_t*, const wchar_t*, UINT32*, HWND, UINT32);
using RegisterFn = HRESULT(WINAPI*)(const char*, const char*, const char*, const char*, const char*, const char*,
                                    UINT32*, HWND, UINT32);
using UnregisterExFn = HRESULT(WINAPI*)(const wchar_t*, const wchar_t*, UINT32*, HWND, UINT32);
using LoadFileFn = HRESULT(WINAPI*)(const wchar_t*, HWND, UINT32);
using InControlPanelFn = HRESULT(WINAPI*)();

// The exports of the library file this build made.
struct Library {
  HMODULE module = LoadLibraryW(sizeof(void*) == 8 ? L"wendrix64.dll" : L"wendrix.dll");
  template <typename Fn>
  Fn Get(const char* name) const {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  }
  RegisterExFn registerEx = Get<RegisterExFn>("WendrixRegisterEx");
  RegisterFn registerAnsi = Get<RegisterFn>("WendrixRegister");
  UnregisterExFn unregisterEx = Get<UnregisterExFn>("WendrixUnregisterEx");
  LoadFileFn loadFile = Get<LoadFileFn>("WendrixLoadFile");
  InControlPanelFn inControlPanel = Get<InControlPanelFn>("WendrixInControlPanel");
  ~Library() {
    if (module) FreeLibrary(module);
  }
};

constexpr wchar_t kCaller[] = L"Acme Editor Setup";
constexpr UINT32 kCurrentUser = 1;
constexpr HRESULT kNotFound = static_cast<HRESULT>(0x80070490);
constexpr HRESULT kInvalidData = static_cast<HRESULT>(0x8007000D);

// The run entry, the applet, the uninstall entry and the file type of the
// current user.
const std::tuple<const wchar_t*, const wchar_t*, REGSAM> kIntegrations[] = {
    {kRunKey, L"KestmoorWendrix", k32},
    {kCplsKey, L"WendrixControlPanel", k32},
    {kUninstallKey, L"DisplayName", k32},
    {kFileTypeKey, L"Content Type", 0}};

bool Has(const std::wstring& text, const std::wstring& part) { return text.find(part) != std::wstring::npos; }

std::wstring DataFile(const std::wstring& id, const std::wstring& version, const std::wstring& extra = L"") {
  return L"[Wendrix]\r\nRequiredVersion = 3.6\r\n[Publisher]\r\nID = " + id + L"\r\nName = \"Publisher " + id +
         L"\"\r\nHomePage = http://www.p" + id + L".example/\r\nDataSource = http://update.p" + id +
         L".example/p.wx-cnf\r\nApplication = \"Kestmoor(R) Wendrix(TM)\"\r\nVersion = " + version + L"\r\n" + extra;
}

class RegisterExportsTest : public ShellFolderTest {
 protected:
  void SetUp() override {
    ShellFolderTest::SetUp();
    ClearIntegrations({});
    SetStringValue(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Kestmoor\\Wendrix\\3.8", L"Path", m_temp.File(L"product"),
                   KEY_WOW64_32KEY);
    ASSERT_NE(m_lib.module, nullptr);
    ProductIdentity product;
    ASSERT_EQ(IdentifyCaller(kCaller, product), S_OK);
    m_productFile = m_user + L"\\Kestmoor\\Wendrix\\ProductData\\" + product.id + L".ini";
  }
  void TearDown() override {
    // The applet's category value is named by its path in this test's folder.
    ClearIntegrations({m_temp.File(L"product") + L"\\wendrix.cpl"});
    DeleteKeyTree(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Kestmoor\\Wendrix\\3.8", KEY_WOW64_32KEY);
    ShellFolderTest::TearDown();
  }

  std::wstring Write(const std::wstring& name, const std::wstring& text) {
    const std::wstring path = m_temp.File(name);
    EXPECT_EQ(WriteUnicodeTextFile(path.c_str(), text), S_OK);
    return path;
  }
  HRESULT Register(const std::wstring& file, UINT32& location, UINT32 flags = kCurrentUser,
                   const wchar_t* caller = kCaller, const wchar_t* journal = nullptr) {
    location = 0xDEAD;
    return m_lib.registerEx(caller, file.c_str(), journal, &location, nullptr, flags);
  }
  HRESULT Unregister(UINT32& location, UINT32 flags = kCurrentUser, const wchar_t* journal = nullptr) {
    location = 0xDEAD;
    return m_lib.unregisterEx(kCaller, journal, &location, nullptr, flags);
  }
  std::wstring UserList() const { return ReadText(UserFolder() + L"CurrentUserPublishers.ini"); }
  std::vector<std::wstring> Registry() const {
    std::vector<std::wstring> dump;
    DumpTree(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion", k32, dump);
    DumpTree(HKEY_CURRENT_USER, L"Software\\Classes", 0, dump);
    DumpTree(HKEY_CURRENT_USER, kProductKey, 0, dump);
    std::sort(dump.begin(), dump.end());
    return dump;
  }

  Library m_lib;
  std::wstring m_productFile;
};

// One product's registrations through their whole life: the last publisher
// takes the integrations with it; counted twice, one unregistration leaves
// one count; only counts (flag 16) never removes a publisher, and a count
// already at zero is invalid data.
TEST_F(RegisterExportsTest, ProductCountsItsRegistrationsAndUnregistersThem) {
  UINT32 location = 0;
  ASSERT_EQ(Register(Write(L"a.wx-cnf", DataFile(L"1.1", L"1")), location), S_OK);
  ASSERT_EQ(Register(Write(L"b.wx-cnf", DataFile(L"2.2", L"1")), location), S_OK);
  ASSERT_EQ(Unregister(location), S_OK);
  EXPECT_EQ(UserList(), L"<missing>") << "both publishers had only this product's count";
  for (const auto& [path, name, view] : kIntegrations) EXPECT_FALSE(FindValue(HKEY_CURRENT_USER, path, name, view)) << path;

  const std::wstring file = Write(L"p.wx-cnf", DataFile(L"1.2.3", L"2.0"));
  ASSERT_EQ(Register(file, location), S_OK);
  EXPECT_EQ(location, 0u);
  ASSERT_EQ(Register(file, location), S_OK);
  EXPECT_TRUE(Has(UserList(), L"[1.2.3]\r\nName = Publisher 1.2.3\r\n") && Has(UserList(), L"Count = 2\r\n") &&
              !Has(UserList(), L"UserRegistered"))
      << UserList();
  EXPECT_TRUE(Has(ReadText(m_productFile), L"[Product]\r\nName = \"Acme Editor Setup\"\r\n\r\n[1.2.3]\r\n"));
  for (const auto& [path, name, view] : kIntegrations) EXPECT_TRUE(FindValue(HKEY_CURRENT_USER, path, name, view)) << path;
  ASSERT_EQ(Unregister(location), S_OK);
  EXPECT_TRUE(Has(UserList(), L"Count = 1\r\n")) << UserList();
  EXPECT_FALSE(FileExists(m_productFile));
  EXPECT_EQ(Unregister(location), kNotFound);
  EXPECT_EQ(location, 168u);
  EXPECT_EQ(Unregister(location, kCurrentUser | 0x80000000), S_OK);
  EXPECT_EQ(location, 0u);
  EXPECT_TRUE(FindValue(HKEY_CURRENT_USER, kRunKey, L"KestmoorWendrix")) << "still counted";

  ASSERT_EQ(Register(Write(L"c.wx-cnf", DataFile(L"3.3", L"1")), location), S_OK);
  const std::string saved = ReadFileBytes(m_productFile);
  ASSERT_EQ(Unregister(location, kCurrentUser | 16), S_OK);
  EXPECT_TRUE(Has(UserList(), L"[3.3]\r\nName = Publisher 3.3\r\n") && Has(UserList(), L"Count = 0\r\n"))
      << "flag 16 never removes a publisher: " << UserList();
  m_temp.Write(L"restored.ini", saved);
  ASSERT_TRUE(CopyFileW(m_temp.File(L"restored.ini").c_str(), m_productFile.c_str(), FALSE));
  EXPECT_EQ(Unregister(location), kInvalidData);
  EXPECT_EQ(location, 146u);
}

TEST_F(RegisterExportsTest, WithoutTheUserFlagTheRegistrationIsForAllUsers) {
  UINT32 location = 0;
  const std::wstring allUsersList = CommonFolder() + L"AllUsersPublishers.ini";
  ASSERT_EQ(Register(Write(L"a.wx-cnf", DataFile(L"1.1", L"1")), location, 0), S_OK) << location;
  EXPECT_TRUE(Has(ReadText(allUsersList), L"[1.1]\r\nName = Publisher 1.1\r\n")) << ReadText(allUsersList);
  EXPECT_EQ(UserList(), L"<missing>");
  ASSERT_EQ(Unregister(location, 0), S_OK) << location;
  EXPECT_FALSE(Has(ReadText(allUsersList), L"[1.1]"));
}

TEST_F(RegisterExportsTest, ErrorLocations) {
  struct Case {
    const wchar_t* name;
    std::wstring text;  // empty: the file does not exist
    const wchar_t* caller;
    HRESULT result;
    UINT32 location;
  } cases[] = {
      {L"missing", L"", kCaller, static_cast<HRESULT>(0x80070002), 157},
      {L"syntax", L"[Publisher\r\nID = 1\r\n", kCaller, kInvalidData, 155},
      {L"no-source", L"[Wendrix]\r\nRequiredVersion = 3.6\r\n[Publisher]\r\nID = 1\r\nName = N\r\nHomePage = h\r\n",
       kCaller, E_INVALIDARG, 156},
      {L"no-header", DataFile(L"1", L"1").substr(34), kCaller, E_INVALIDARG, 156},
      {L"newer", L"[Wendrix]\r\nRequiredVersion = 9.0\r\n" + DataFile(L"1", L"1").substr(34), kCaller,
       static_cast<HRESULT>(0x800400EA), 155},
      {L"bad-item", DataFile(L"1", L"1", L"[Item]\r\nID = x\r\n"), kCaller, static_cast<HRESULT>(0x800400CF), 155},
      {L"caller", DataFile(L"1", L"1"), L"Acme\tSetup\x01", E_INVALIDARG, 173},
      {L"device-id", DataFile(L"1.CON", L"1"), kCaller, E_INVALIDARG, 155},
      {L"dots-id", DataFile(L"1..2", L"1"), kCaller, E_INVALIDARG, 155},
  };
  for (const Case& c : cases) {
    const std::wstring path = c.text.empty() ? m_temp.File(c.name) : Write(c.name, c.text);
    UINT32 location = 0;
    EXPECT_EQ(Register(path, location, kCurrentUser, c.caller), c.result) << c.name;
    EXPECT_EQ(location, c.location) << c.name;
  }
  EXPECT_EQ(UserList(), L"<missing>") << "nothing was registered";

  // The ANSI export: an empty home page and IDs that could name files elsewhere.
  for (const auto& [id, home] : {std::pair{"1.2", ""}, std::pair{"..\\..\\x", "h"}, std::pair{"NUL", "h"},
                                 std::pair{"a b", "h"}, std::pair{"x.", "h"}}) {
    UINT32 location = 0xDEAD;
    EXPECT_EQ(m_lib.registerAnsi("Acme", "Name", id, home, "http://x.example/d", nullptr, &location, nullptr, 1),
              E_INVALIDARG)
        << id;
    EXPECT_EQ(location, 42u) << id;
  }
  EXPECT_EQ(UserList(), L"<missing>");

  // A whole ANSI registration: the data file built for it, then deleted.
  UINT32 location = 0xDEAD;
  ASSERT_EQ(m_lib.registerAnsi("Acme Editor Setup", "Acme, Inc.", "7.7", "http://acme.example/",
                               "http://acme.example/a.wx-cnf", nullptr, &location, nullptr, 1),
            S_OK);
  EXPECT_EQ(location, 0u);
  EXPECT_TRUE(Has(UserList(), L"[7.7]\r\nName = \"Acme, Inc.\"\r\n")) << UserList();
  EXPECT_TRUE(Has(ReadText(m_productFile), L"[7.7]"));
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  WIN32_FIND_DATAW found;
  const HANDLE find = FindFirstFileW((std::wstring(temp) + L"WXR*.tmp").c_str(), &found);
  EXPECT_EQ(find, INVALID_HANDLE_VALUE) << "the temporary file is gone";
  if (find != INVALID_HANDLE_VALUE) FindClose(find);
}

TEST_F(RegisterExportsTest, RegistrationIconComesOnlyFromBesideTheDataFile) {
  m_temp.Write(L"secret.ico", "secret");
  CreateDirectoryW(m_temp.File(L"setup").c_str(), nullptr);
  CreateDirectoryW(m_temp.File(L"setup\\icons").c_str(), nullptr);
  m_temp.Write(L"setup\\icons\\app.ico", "icon");
  const struct {
    std::wstring icon;
    const char* copied;  // null: none
  } kCases[] = {
      {L"..\\secret.ico", nullptr},
      {m_temp.File(L"secret.ico"), nullptr},
      {L"icons\\..\\..\\secret.ico", nullptr},
      {L"icons\\app.ico", "icon"},
      {m_temp.File(L"setup\\icons\\app.ico"), "icon"},
  };
  int version = 1;
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::PrintToString(c.icon));
    UINT32 location = 0;
    const std::wstring file = Write(L"setup\\p.wx-cnf", DataFile(L"1.1", std::to_wstring(version++),
                                                                   L"ApplicationIcon = " + c.icon + L"\r\n"));
    ASSERT_EQ(Register(file, location), S_OK);
    EXPECT_EQ(ReadFileBytes(UserFolder() + L"1.1.ico"), c.copied ? c.copied : "");
  }
}

TEST_F(RegisterExportsTest, RollbackPutsFilesAndRegistryBack) {
  // Older settings that the registration carries over into "3.0".
  SetStringValue(HKEY_CURRENT_USER, std::wstring(kProductKey) + L"\\2.5", L"Proxy", L"old", 0);
  const std::vector<std::wstring> registryBefore = Registry();

  CJournal journal;
  ASSERT_EQ(journal.Create(), S_OK);
  journal.Close();
  const std::wstring file = Write(L"p.wx-cnf", DataFile(L"1.2.3", L"2.0"));
  const auto filesWithDataFile = SnapshotTree(m_temp.Path());
  UINT32 location = 0;
  ASSERT_EQ(Register(file, location, kCurrentUser, kCaller, journal.Folder().c_str()), S_OK);
  EXPECT_TRUE(FindValue(HKEY_CURRENT_USER, (std::wstring(kProductKey) + L"\\3.0").c_str(), L"Proxy", 0));
  EXPECT_NE(Registry(), registryBefore);

  CJournal rollback;
  ASSERT_EQ(rollback.Rollback(journal.Folder().c_str()), S_OK);
  EXPECT_EQ(Registry(), registryBefore);
  EXPECT_EQ(SnapshotTree(m_temp.Path()), filesWithDataFile);
}

TEST_F(RegisterExportsTest, LoadFileQueriesAndRegistersForTheUser) {
  const std::wstring file = Write(L"p.wx-cnf", DataFile(L"1.2.3", L"2.0"));
  EXPECT_EQ(m_lib.inControlPanel(), S_OK) << "no publisher: the applet shows";
  EXPECT_EQ(m_lib.loadFile(file.c_str(), nullptr, 2), 16);
  EXPECT_EQ(UserList(), L"<missing>") << "a query changes nothing";
  EXPECT_EQ(m_lib.loadFile(file.c_str(), nullptr, 1), 3);
  EXPECT_TRUE(Has(UserList(), L"UserRegistered = 1\r\n")) << UserList();
  EXPECT_TRUE(FindValue(HKEY_CURRENT_USER, kRunKey, L"KestmoorWendrix"));
  EXPECT_EQ(m_lib.loadFile(file.c_str(), nullptr, 2), 4);
  EXPECT_EQ(m_lib.loadFile(file.c_str(), nullptr, 1), S_OK) << "same version: nothing to do";
  EXPECT_EQ(m_lib.inControlPanel(), S_FALSE) << "nobody asks for the applet";

  const std::wstring newer = Write(L"q.wx-cnf", DataFile(L"1.2.3", L"2.1", L"ControlPanel = 1\r\n"));
  EXPECT_EQ(m_lib.loadFile(newer.c_str(), nullptr, 2), 16) << "an older registration is updated";
  EXPECT_EQ(m_lib.loadFile(newer.c_str(), nullptr, 1), 3);
  EXPECT_EQ(m_lib.inControlPanel(), S_OK);

  const std::wstring item = Write(L"i.wx-cnf", DataFile(L"1.2.3", L"2.1",
                                                        L"[Text]\r\nID = t\r\nText = en, T\r\n[Item]\r\nID = x\r\n"
                                                        L"Title = t\r\nType = Software\r\n"));
  EXPECT_EQ(m_lib.loadFile(item.c_str(), nullptr, 2), 0);
  EXPECT_EQ(m_lib.loadFile(m_temp.File(L"none").c_str(), nullptr, 1), static_cast<HRESULT>(0x80070002));
  const std::wstring newerLibrary = Write(L"n.wx-cnf", L"<?xml version=\"1.0\"?><x/>");
  EXPECT_EQ(m_lib.loadFile(newerLibrary.c_str(), nullptr, 1), 3) << "the user is offered a check for a newer library";

  // 0x40000000 drops the user's own publishers that no product counts (1.2.3),
  // not those another product still counts.
  UINT32 location = 0;
  const std::wstring counted = Write(L"r.wx-cnf", DataFile(L"4.4", L"1"));
  ASSERT_EQ(Register(counted, location), S_OK);
  ASSERT_EQ(Register(counted, location, kCurrentUser, L"Other Setup"), S_OK);
  EXPECT_EQ(m_lib.loadFile(Write(L"s.wx-cnf", DataFile(L"4.4", L"2")).c_str(), nullptr, 1), 3);
  ASSERT_EQ(Unregister(location, kCurrentUser | 0x40000000), S_OK);
  EXPECT_TRUE(Has(UserList(), L"[4.4]") && !Has(UserList(), L"[1.2.3]")) << UserList();
}

// The stand-in's window procedure notes the two messages as named events.
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_APP + 4 || message == WM_APP + 5) {
    const std::wstring name = L"WendrixTestGot" + std::to_wstring(message - WM_APP);
    HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, name.c_str());
    if (event) {
      SetEvent(event);
      CloseHandle(event);
    }
    return 1;
  }
  return DefWindowProcW(window, message, w, l);
}

// A stand-in for the main program's window.
WENDRIX_CHILD_ROLE(main_window) {
  if (args.size() != 1) return 90;
  WNDCLASSW windowClass = {};
  windowClass.lpszClassName = L"WendrixDialog";
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpfnWndProc = MainWindowProc;
  if (!RegisterClassW(&windowClass)) return 91;
  HWND window = CreateWindowW(L"WendrixDialog", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  if (!window) return 92;
  HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, args[0].c_str());
  SetEvent(ready);
  CloseHandle(ready);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  return 0;
}

TEST_F(RegisterExportsTest, MainWindowHearsOfUpdatesAndChanges) {
  const UniqueKernelObject ready(CreateEventW(nullptr, TRUE, FALSE, L"WendrixTestWindowReady"));
  const UniqueKernelObject got4(CreateEventW(nullptr, TRUE, FALSE, L"WendrixTestGot4"));
  const UniqueKernelObject got5(CreateEventW(nullptr, TRUE, FALSE, L"WendrixTestGot5"));
  ChildProcess child;
  ASSERT_TRUE(child.Start(L"main_window", {L"WendrixTestWindowReady"}));
  ASSERT_EQ(WaitForSingleObject(ready.Get(), 30000), WAIT_OBJECT_0);
  HWND window = FindWindowExW(HWND_MESSAGE, nullptr, L"WendrixDialog", nullptr);
  ASSERT_NE(window, nullptr);

  const std::wstring file = Write(L"p.wx-cnf", DataFile(L"1.2.3", L"2.0"));
  // A new record: both messages; the same version again is only counted.
  for (const bool created : {true, false}) {
    UINT32 location = 0;
    ResetEvent(got4.Get());
    ResetEvent(got5.Get());
    ASSERT_EQ(Register(file, location), S_OK);
    EXPECT_EQ(WaitForSingleObject(got4.Get(), 0), created ? WAIT_OBJECT_0 : WAIT_TIMEOUT) << created;
    EXPECT_EQ(WaitForSingleObject(got5.Get(), 0), WAIT_OBJECT_0) << created;
  }
  PostMessageW(window, WM_QUIT, 0, 0);
  EXPECT_EQ(child.Wait(30000), 0);
}

WENDRIX_CHILD_ROLE(register_file) {
  if (args.size() != 2) return 90;
  Library lib;
  UINT32 location = 0;
  return lib.registerEx(args[0].c_str(), args[1].c_str(), nullptr, &location, nullptr, 1) == S_OK ? 0
                                                                                                    : 100 + location;
}

TEST_F(RegisterExportsTest, ProcessesRegisteringAtOnce) {
  // Four setups of one product, each registering its own publisher, and four
  // of other products registering one shared publisher.
  constexpr int kChildren = 4;
  const std::wstring shared = Write(L"shared.wx-cnf", DataFile(L"6.6", L"1"));
  std::vector<ChildProcess> children(2 * kChildren);
  for (int i = 0; i < kChildren; ++i) {
    const std::wstring id = L"5." + std::to_wstring(i);
    ASSERT_TRUE(children[i].Start(L"register_file", {kCaller, Write(id + L".wx-cnf", DataFile(id, L"1"))}));
    ASSERT_TRUE(children[kChildren + i].Start(L"register_file", {L"Product " + std::to_wstring(i), shared}));
  }
  for (ChildProcess& child : children) EXPECT_EQ(child.Wait(), 0);
  const std::wstring list = UserList();
  for (int i = 0; i < kChildren; ++i) {
    const std::wstring section = L"[5." + std::to_wstring(i) + L"]\r\n";
    EXPECT_TRUE(Has(list, section)) << list;
    EXPECT_TRUE(Has(ReadText(m_productFile), section)) << "the product's file lost a publisher";
  }
  const std::size_t sharedAt = list.find(L"[6.6]\r\nName = Publisher 6.6\r\n");
  ASSERT_NE(sharedAt, std::wstring::npos) << list;
  EXPECT_NE(list.find(L"Count = 4\r\n", sharedAt), std::wstring::npos) << list;
  UserCounts counts;
  ASSERT_EQ(ReadUserCounts(counts), S_OK);
  EXPECT_EQ(std::pair(counts.count, counts.count2), std::pair(1u, 0u)) << "one user with counted registrations";
}

}  // namespace
}  // namespace wendrix::test
