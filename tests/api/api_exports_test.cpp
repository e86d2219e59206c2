// The publisher query exports through the loaded library, against a store in
// temporary folders: versions, addresses, what would be opened, and the
// information lists.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "../support/child_process.h"
#include "../support/registry_sandbox.h"
#include "../support/shell_folder_redirect.h"
#include "api/info_enumeration.h"
#include "api/publisher_queries.h"
#include "platform/file_facts.h"
#include "platform/unique_handle.h"
#include "platform/ini_file.h"
#include "platform/registry.h"
#include "frame/module_state.h"
#include "registration/registration.h"
#include "registration/store_folders.h"
#include "wendrix.h"

namespace wendrix::test {
namespace {

// An editor with pages, a download and a purchase page, in group "tools" with
// a plug-in; a viewer in no group. The editor's installed version is Acme's
// registered version.
constexpr wchar_t kAcmeData[] =
    L"[Publisher]\r\nID = 1.2.3\r\nName = Acme\r\nHomePage = http://acme.example/\r\n"
    L"DataSource = http://acme.example/a.wx-cnf\r\nApplication = \"Kestmoor(R) Wendrix(TM)\"\r\n"
    L"[Text]\r\nID = te\r\nText = en, Editor\r\n[Text]\r\nID = tv\r\nText = en, Viewer\r\n"
    L"[Text]\r\nID = tp\r\nText = en, Plug-in\r\n[Text]\r\nID = tt\r\nText = en, Tools\r\n"
    L"[InstalledVersion]\r\nID = iv\r\nPublisher = 1.2.3\r\n"
    L"[Item]\r\nID = editor\r\nTitle = te\r\nType = Software\r\nInstalledVersion = iv\r\n"
    L"Action = home\r\nAction = help\r\nAction = get\r\nAction = buy\r\n"
    L"[Item]\r\nID = plugin\r\nTitle = tp\r\nType = Software\r\nAction = get\r\n"
    L"[Item]\r\nID = viewer\r\nTitle = tv\r\nType = Document\r\nAction = get\r\n"
    L"[Action]\r\nID = home\r\nType = Open\r\nSubtype = HomePage\r\nURL = http://acme.example/editor/\r\n"
    L"[Action]\r\nID = help\r\nType = Open\r\nSubtype = Support\r\nURL = MailTo:help@acme.example\r\n"
    L"[Action]\r\nID = get\r\nType = Download\r\nSubtype = Generic\r\nVersion = 2.1\r\nURL = http://acme.example/e.exe\r\n"
    L"[Action]\r\nID = buy\r\nType = Buy\r\nSubtype = Generic\r\nURL = https://shop.acme.example/editor\r\n"
    L"[Group]\r\nID = tools\r\nTitle = tt\r\nItems = editor, plugin\r\n";

// The library's Self item offers 3.9 (the library is 3.8.10.0).
std::wstring SelfData(const std::wstring& quietFrom, bool needsNewerLibrary) {
  return std::wstring(needsNewerLibrary ? L"[Wendrix]\r\nRequiredVersion = 9.0\r\n" : L"") +
         L"[Publisher]\r\nID = 1.3.6.1.4.1.61717.1\r\nName = Wendrix\r\nHomePage = http://www.kestmoor.example/wendrix/\r\n"
         L"Application = \"Kestmoor(R) Wendrix(TM)\"\r\n[Text]\r\nID = t\r\nText = en, Wendrix\r\n"
         L"[Item]\r\nID = wendrix\r\nTitle = t\r\nType = Self\r\nAction = update\r\n"
         L"[Action]\r\nID = update\r\nType = Download\r\nSubtype = Update\r\nVersion = 3.9\r\n"
         L"URL = http://kestmoor.example/wx39.exe\r\n" +
         (quietFrom.empty() ? L"" : L"QuietFromVersion = " + quietFrom + L"\r\n");
}

std::wstring Hex(HRESULT hr) {
  wchar_t code[24];
  swprintf(code, 24, L"0x%08X", static_cast<unsigned>(hr));
  return code;
}

class ApiExportsTest : public ShellFolderTest {
 protected:
  void SetUp() override {
    ShellFolderTest::SetUp();
    m_library = LoadLibraryW(sizeof(void*) == 8 ? L"wendrix64.dll" : L"wendrix.dll");
    ASSERT_NE(m_library, nullptr);
    ASSERT_TRUE(InitializeModuleState(m_library));  // for the queries called here directly
    m_version = Export<decltype(&WendrixVersion)>("WendrixVersion");
    m_url = Export<decltype(&WendrixURL)>("WendrixURL");
    m_open = Export<decltype(&WendrixOpen)>("WendrixOpen");
    m_buy = Export<decltype(&WendrixBuy)>("WendrixBuy");
    m_info = Export<decltype(&WendrixInfo)>("WendrixInfo");
  }
  void TearDown() override {
    if (m_info) m_info(1, m_query, nullptr, nullptr, 0, &m_list);
    if (m_library) FreeLibrary(m_library);
    ShellFolderTest::TearDown();
  }
  template <typename F>
  F Export(const char* name) {
    auto f = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(m_library, name)));
    EXPECT_NE(f, nullptr) << name;
    return f;
  }

  void Register(const std::wstring& id, const std::wstring& name, const std::wstring& version, const std::wstring& data,
                StoreScope scope = kScopeCurrentUser) {
    Registration r;
    r.id = id;
    r.name = name;
    r.homePage = L"http://" + name + L".example/";
    r.dataSource = L"http://" + name + L".example/d.wx-cnf";
    r.version = version;
    r.hasCount = true;
    r.count = 1;
    ASSERT_EQ(RegisterInScope(r, scope, nullptr), S_OK);
    if (!data.empty()) WriteFile(UserFolder(), (id + L".ini").c_str(), data);
  }
  void RegisterAcmeAndBeta() {
    Register(L"1.2.3", L"Acme", L"1.5", kAcmeData);
    Register(L"4.5.6", L"Beta", L"", L"");  // never checked: no stored data
  }

  // The text a text export hands out, "(null)", or the failure.
  std::wstring Text(decltype(&WendrixVersion) call, const wchar_t* publisher, const wchar_t* item, UINT32 flags) {
    WCHAR* out = reinterpret_cast<WCHAR*>(1);  // stale: must be cleared
    const HRESULT hr = call(publisher, item, flags, &out);
    if (FAILED(hr)) return Hex(hr);
    if (!out) return L"(null)";
    std::wstring text = out;
    GlobalFree(out);
    return text;
  }
  // The records a get appends, "id=text,text,number; ...", or the failure.
  std::wstring Records(UINT32 query, const wchar_t* publisher, const wchar_t* group = nullptr) {
    EXPECT_EQ(m_info(1, m_query, nullptr, nullptr, 0, &m_list), S_OK);
    m_query = query;
    const HRESULT hr = m_info(0, query, publisher, group, 0, &m_list);
    std::wstring text = FAILED(hr) ? Hex(hr) : L"";
    for (void* p : m_list) {
      if (query == 10) {
        auto* r = static_cast<WENDRIX_PUBLISHER_INFO*>(p);
        text += std::wstring(r->id) + L"=" + r->name + L"," + r->homePage + L"," + std::to_wstring(r->disabled);
      } else if (query == 11) {
        auto* r = static_cast<WENDRIX_GROUP_INFO*>(p);
        text += std::wstring(r->id) + L"=" + r->title;
      } else {
        auto* r = static_cast<WENDRIX_ITEM_INFO*>(p);
        text += std::wstring(r->id) + L"=" + r->title + L"," + std::to_wstring(r->status);
      }
      text += L"; ";
    }
    return text;
  }

  HMODULE m_library = nullptr;
  decltype(&WendrixVersion) m_version = nullptr;
  decltype(&WendrixURL) m_url = nullptr;
  decltype(&WendrixOpen) m_open = nullptr;
  decltype(&WendrixBuy) m_buy = nullptr;
  decltype(&WendrixInfo) m_info = nullptr;
  InfoList m_list;
  UINT32 m_query = 10;
};

struct TextCase {
  const wchar_t *publisher, *item;
  UINT32 flags;
  const wchar_t* expected;
};

TEST_F(ApiExportsTest, Versions) {
  RegisterAcmeAndBeta();
  const TextCase kCases[] = {
      {L"1.2.3", nullptr, 16, L"3.8.10.0"},  // no item and no flag 4: the library's own, whatever else
      {L"1.2.3", L"any", 16, L"1.5"},         {L"ACME", nullptr, 16 | 4, L"1.5"},
      {L"4.5.6", L"any", 16, L""},            {L"unknown", L"any", 16, L"(null)"},
      {L"1.2.3", L"EDITOR", 0, L"1.5"},       {L"Acme", L"editor", 4, L"2.1"},
      {L"1.2.3", L"editor", 8, L"1.5.0.0"},   {L"1.2.3", L"missing", 0, L"(null)"},
      {L"4.5.6", L"editor", 0, L"(null)"},    {L"unknown", L"editor", 0, L"(null)"},
      {nullptr, L"editor", 0, L"0x80070057"}, {L"", L"editor", 4, L"0x80070057"},
  };
  for (const TextCase& c : kCases)
    EXPECT_EQ(Text(m_version, c.publisher, c.item, c.flags), c.expected) << c.publisher << "/" << c.item << "/" << c.flags;
  EXPECT_EQ(m_version(nullptr, nullptr, 0, nullptr), E_POINTER);
}

TEST_F(ApiExportsTest, SelfUpdateOnOffer) {
  // What the library's last check of itself stored is the offer; its
  // publisher needs no registration, but nothing is offered to a machine
  // where nothing is registered.
  WriteFile(UserFolder(), L"1.3.6.1.4.1.61717.1.ini", SelfData(L"", false));
  EXPECT_EQ(Text(m_version, nullptr, nullptr, 4), L"(null)") << "nothing registered";
  // Another publisher's damaged data is not read for the offer.
  Register(L"1.2.3", L"Acme", L"1.5", L"[Publisher\r\n");
  for (auto [quietFrom, needsNewer, expected] : {std::tuple{L"", false, L"3.9"}, {L"3.8", false, L"(null)"},
                                                 {L"3.8", true, L"3.9"}}) {
    WriteFile(UserFolder(), L"1.3.6.1.4.1.61717.1.ini", SelfData(quietFrom, needsNewer));
    EXPECT_EQ(Text(m_version, nullptr, nullptr, 4), expected) << quietFrom << needsNewer;
    EXPECT_EQ(Text(m_version, L"wendrix", L"", 4), expected) << "through the alias";
  }
  EXPECT_EQ(Text(m_version, L"Wendrix", L"wendrix", 0), L"3.8.10.0") << "the Self item is the library";
  EXPECT_FALSE(FileExists(UserFolder() + L"1.2.3-error.ini"));
}

// Which action each kind of address leads to is tested on loaded data; here
// the registration's home page, the item's actions and the bad arguments.
TEST_F(ApiExportsTest, Addresses) {
  RegisterAcmeAndBeta();
  const TextCase kCases[] = {
      {L"1.2.3", nullptr, 3, L"http://Acme.example/"},       {L"acme", L"x", 0x80 | 3, L"http://Acme.example/"},
      {L"1.2.3", L"editor", 6, L"MailTo:help@acme.example"}, {L"1.2.3", L"viewer", 10, L"(null)"},
      {L"1.2.3", L"editor", 12, L"0x80070057"},              {L"1.2.3", L"missing", 12, L"(null)"},
      {L"1.2.3", nullptr, 1, L"(null)"},                     {L"4.5.6", L"editor", 1, L"(null)"},
      {L"Kestmoor", nullptr, 3, L"(null)"},                  {L"", nullptr, 3, L"0x80070057"},
  };
  for (const TextCase& c : kCases)
    EXPECT_EQ(Text(m_url, c.publisher, c.item, c.flags), c.expected) << c.publisher << "/" << c.item << "/" << c.flags;
  EXPECT_EQ(m_url(L"1.2.3", nullptr, 3, nullptr), E_POINTER);
  EXPECT_EQ(m_url(L"1.2.3", nullptr, 0, nullptr), E_INVALIDARG) << "flags are checked first";

  Registration bare;  // a registration without a home page
  bare.id = L"9.9";
  bare.name = L"Bare";
  bare.dataSource = L"http://bare.example/d.wx-cnf";
  ASSERT_EQ(RegisterInScope(bare, kScopeCurrentUser, nullptr), S_OK);
  EXPECT_EQ(Text(m_url, L"9.9", nullptr, 3), L"") << "registered, with an empty home page";

  // Stored data that does not load is the answer for an enabled publisher,
  // when the answer needs the data.
  WriteFile(UserFolder(), L"1.2.3.ini", L"[Publisher\r\n");
  EXPECT_EQ(Text(m_url, L"1.2.3", nullptr, 3), L"http://Acme.example/");
  EXPECT_EQ(Text(m_url, L"1.2.3", L"editor", 1), L"0x8007000D");
  EXPECT_EQ(Text(m_version, L"1.2.3", L"editor", 0), L"0x8007000D");
  EXPECT_EQ(Text(m_version, L"1.2.3", L"editor", 16), L"1.5") << "the registration needs no data";
}

TEST_F(ApiExportsTest, OpenRoutesMailAndEverythingElse) {
  RegisterAcmeAndBeta();
  std::vector<std::pair<OpenRoute, std::wstring>> opened;
  HRESULT answer = S_OK;
  const AddressOpener opener = [&](OpenRoute route, const std::wstring& address) {
    opened.emplace_back(route, address);
    return answer;
  };
  EXPECT_EQ(OpenAddress(L"Acme", L"editor", 6, opener), S_OK);
  EXPECT_EQ(OpenAddress(L"1.2.3", nullptr, 3, opener), S_OK);
  EXPECT_EQ(OpenAddress(L"1.2.3", L"editor", 2, opener), S_OK) << "nothing to open";
  EXPECT_EQ(OpenAddress(L"1.2.3", L"editor", 12, opener), E_INVALIDARG);
  answer = HResultFromWin32(ERROR_NO_ASSOCIATION);
  EXPECT_EQ(OpenAddress(L"1.2.3", L"editor", 10, opener), answer);
  const std::vector<std::pair<OpenRoute, std::wstring>> expected = {
      {OpenRoute::kMail, L"MailTo:help@acme.example"},
      {OpenRoute::kShell, L"http://Acme.example/"},
      {OpenRoute::kShell, L"https://shop.acme.example/editor"},
  };
  EXPECT_EQ(opened, expected);

  // The exports, as far as they open nothing; the shell's own refusal.
  EXPECT_EQ(m_open(L"1.2.3", L"editor", 0), E_INVALIDARG);
  EXPECT_EQ(m_buy(L"1.2.3", L"editor", 0), E_INVALIDARG);
  EXPECT_EQ(m_open(L"1.2.3", L"editor", 2), S_OK);
  EXPECT_EQ(m_buy(L"1.2.3", L"viewer", 0x1F), S_OK) << "only the purchase page counts, and the viewer has none";
  EXPECT_TRUE(FAILED(ShellOpen(OpenRoute::kShell, m_temp.File(L"missing\\nothing.wxtest"))));
}

TEST_F(ApiExportsTest, InfoLists) {
  RegisterAcmeAndBeta();
  Register(L"1.3.6.1.4.1.61717.3", L"Directory", L"", L"");
  Register(L"7.7", L"Hidden", L"",
           L"[Publisher]\r\nID = 7.7\r\nName = Hidden\r\nHomePage = http://Hidden.example/\r\n"
           L"DataSource = http://Hidden.example/d.wx-cnf\r\nApplication = \"Kestmoor(R) Wendrix(TM)\"\r\n"
           L"[FreeUpdates]\r\nID = f\r\ntype=HIDE\r\n");
  Register(L"8.8", L"Gamma", L"", L"", kScopeAllUsers);
  EXPECT_EQ(Records(10, nullptr),
            L"1.2.3=Acme,http://Acme.example/,0; 4.5.6=Beta,http://Beta.example/,0; 8.8=Gamma,http://Gamma.example/,0; ");
  EXPECT_EQ(Records(11, L"Acme"), L"tools=Tools; ");
  // An item's status is what the last check made of it: the plug-in was seen
  // at 2.1 then, the others are new.
  WriteFile(UserFolder(), L"1.2.3.prv", L"plugin 2.1\r\n");
  EXPECT_EQ(Records(12, L"1.2.3"), L"viewer=Viewer,1; ");
  EXPECT_EQ(Records(12, L"1.2.3", L"TOOLS"), L"editor=Editor,1; plugin=Plug-in,0; ");
  EXPECT_EQ(Records(13, L"1.2.3", L"tools"), L"editor=Editor,1; plugin=Plug-in,0; viewer=Viewer,1; ");
  EXPECT_EQ(Records(12, L"1.2.3", L"missing"), L"0x80070490");
  EXPECT_EQ(Records(11, L"unknown"), L"0x80070490");
  EXPECT_EQ(Records(13, L"4.5.6"), L"");

  // Switching off is the user's choice, for a publisher registered for all
  // users too: the all-users list is not touched.
  const std::string machine = ReadFileBytes(CommonFolder() + kAllUsersListFile);
  UINT32 off = 0, on = 7;
  EXPECT_EQ(m_info(0, 15, L"acme", nullptr, 0, &off), S_OK);
  EXPECT_EQ(m_info(0, 15, L"8.8", nullptr, 0, &off), S_OK);
  EXPECT_EQ(m_info(0, 15, L"4.5.6", nullptr, 0, &on), S_OK);
  EXPECT_EQ(Records(10, nullptr),
            L"1.2.3=Acme,http://Acme.example/,1; 4.5.6=Beta,http://Beta.example/,0; 8.8=Gamma,http://Gamma.example/,1; ");
  std::wstring list;
  ASSERT_EQ(ReadTextFile((UserFolder() + kCurrentUserListFile).c_str(), list), S_OK);
  EXPECT_NE(list.find(L"[1.2.3]\r\nName = Acme\r\n"), std::wstring::npos);
  EXPECT_NE(list.find(L"Enabled = 0\r\n"), std::wstring::npos);
  EXPECT_NE(list.find(L"Enabled = 1\r\n"), std::wstring::npos);
  EXPECT_NE(list.find(L"[8.8]\r\nEnabled = 0\r\n"), std::wstring::npos) << list;
  EXPECT_EQ(ReadFileBytes(CommonFolder() + kAllUsersListFile), machine);
  EXPECT_EQ(m_info(0, 15, L"unknown", nullptr, 0, &on), static_cast<HRESULT>(0x80070490));

  // The publisher list reads no publisher's data: a damaged file fails
  // nothing and records no error.
  WriteFile(UserFolder(), L"1.2.3.ini", L"[Publisher\r\n");
  EXPECT_EQ(Records(10, nullptr).substr(0, 32), L"1.2.3=Acme,http://Acme.example/,");
  EXPECT_FALSE(FileExists(UserFolder() + L"1.2.3-error.ini"));

  EXPECT_EQ(m_info(2, 10, nullptr, nullptr, 0, &m_list), E_INVALIDARG);
  EXPECT_EQ(m_info(0, 16, nullptr, nullptr, 0, &m_list), E_INVALIDARG);
  EXPECT_EQ(m_info(0, 10, nullptr, nullptr, 0, nullptr), E_POINTER);
  EXPECT_EQ(m_info(0, 11, nullptr, nullptr, 0, &m_list), E_POINTER);
  for (UINT32 query : {14u, 15u, 99u}) EXPECT_EQ(m_info(1, query, nullptr, nullptr, 0, nullptr), S_OK) << query;
}

TEST_F(ApiExportsTest, DataFileIdentity) {
  WriteFile(m_temp.Path() + L"\\", L"acme.wx-cnf", kAcmeData);
  WENDRIX_DATA_FILE_INFO record{};
  ASSERT_EQ(m_info(0, 14, m_temp.File(L"acme.wx-cnf").c_str(), nullptr, 0, &record), S_OK);
  EXPECT_EQ(std::wstring(record.id) + L"," + record.name + L"," + record.homePage, L"1.2.3,Acme,http://acme.example/");
  for (WCHAR* text : {record.id, record.name, record.homePage}) GlobalFree(text);
  WENDRIX_DATA_FILE_INFO untouched{};
  EXPECT_EQ(m_info(0, 14, m_temp.File(L"missing").c_str(), nullptr, 0, &untouched), HResultFromWin32(2));
  EXPECT_EQ(untouched.id, nullptr);
}

// Sets the last write time of `folder` and of every file in it a minute
// back, as if written long ago: only then can a query keep the store it read.
void AgeFolder(const std::wstring& folder) {
  const std::uint64_t minuteAgo = CurrentFileTime() - 60 * 10'000'000ull;
  const auto age = [&](const std::wstring& path) { SetLastWrite(path, minuteAgo); };
  WIN32_FIND_DATAW found;
  const HANDLE find = FindFirstFileW((folder + L"*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) age(folder + found.cFileName);
  } while (FindNextFileW(find, &found));
  FindClose(find);
  age(folder);
}

// What another process writes to the store, for the test below.
WENDRIX_CHILD_ROLE(store_writer) {
  const std::wstring& action = args.at(0);
  Registration r;
  r.id = L"1.2.3";
  r.name = L"Acme";
  r.homePage = L"http://Acme.example/";
  r.dataSource = L"http://Acme.example/d.wx-cnf";
  r.version = L"1.6";
  r.hasCount = true;
  r.count = 1;
  if (action == L"version") return FAILED(RegisterInScope(r, kScopeCurrentUser, nullptr));
  if (action == L"all-users") {
    r.id = L"8.8";
    r.version = L"3.0";
    return FAILED(RegisterInScope(r, kScopeAllUsers, nullptr));
  }
  if (action == L"install") {  // a program installed: the library's own file stands in for it
    wchar_t self[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring library(self, length);
    library.replace(library.rfind(L'\\') + 1, std::wstring::npos, sizeof(void*) == 8 ? L"wendrix64.dll" : L"wendrix.dll");
    return !CopyFileW(library.c_str(), args.at(1).c_str(), FALSE);
  }
  if (action == L"data") {
    std::wstring data = kAcmeData;
    data.replace(data.find(L"e.exe"), 5, L"f.exe");
    return FAILED(WriteUnicodeTextFile(args.at(1).c_str(), data));
  }
  if (action == L"older-list") {
    SHCreateDirectoryExW(nullptr, args.at(1).c_str(), nullptr);
    const std::wstring list = args.at(1) + L"\\CurrentUserPublishers.ini";
    const char* text = GetFileAttributesW(list.c_str()) == INVALID_FILE_ATTRIBUTES ? "[7.8]\r\nVersion = 7.1\r\n"
                                                                                  : "[7.8]\r\nVersion = 7.2\r\n";
    // Written in place, as the older product writes it: the folder does not
    // change, only the file.
    const UniqueFile file(CreateFileW(list.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    return !WriteFile(file.Get(), text, static_cast<DWORD>(strlen(text)), &written, nullptr);
  }
  if (action == L"older-registry") {
    SetStringValue(HKEY_CURRENT_USER, L"SOFTWARE\\Kestmoor\\Pellister\\3.0\\Publishers\\7.7", L"Version", L"7.0", 0);
    return 0;
  }
  if (action == L"shell-folder") {
    SetStringValue(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                   L"Local AppData", args.at(1), 0);
    return 0;
  }
  return 99;
}

// The queries keep the store they read across calls: while its files keep
// their stamps and its registry keys are unchanged, it is not read again;
// whatever another process changes is seen by the next call.
TEST_F(ApiExportsTest, KeptStoreFollowsWhatOtherProcessesWrite) {
  RegisterAcmeAndBeta();
  // A probe item, installed when the file is there (by its version).
  const std::wstring probeFile = m_temp.File(L"probe.dll");
  const std::wstring data = std::wstring(kAcmeData) + L"[InstalledVersion]\r\nID = lib\r\nApplication = ," + probeFile +
                            L"\r\n[Item]\r\nID = probe\r\nTitle = tp\r\nType = Software\r\nInstalledVersion = lib\r\n";
  WriteFile(UserFolder(), L"1.2.3.ini", data);
  // The older product's keys are there, so that the watches lie on them and
  // not on keys other tests change meanwhile.
  for (auto [root, view] : {std::pair{HKEY_CURRENT_USER, REGSAM{0}}, {HKEY_LOCAL_MACHINE, REGSAM{KEY_WOW64_32KEY}}})
    ASSERT_EQ(RegistryKey().Create(root, L"SOFTWARE\\Kestmoor\\Pellister", KEY_READ, view), ERROR_SUCCESS);
  const std::wstring dataFile = UserFolder() + L"1.2.3.ini";
  const auto version = [&](const wchar_t* id) { return Text(m_version, id, L"any", 16); };
  const auto download = [&] { return Text(m_url, L"1.2.3", L"editor", 9); };
  const auto settle = [&] {
    for (const std::wstring& folder : {UserFolder(), CommonFolder(), OlderUserFolder()}) AgeFolder(folder);
    download();  // reads the store again, and keeps it
  };

  settle();
  EXPECT_EQ(download(), L"http://acme.example/e.exe");
  // Kept: the data file rewritten in place with its size and stamp is not
  // read again (a write the file system could not tell from none).
  FileStamp before;
  ASSERT_TRUE(StampOf(dataFile, before));
  std::wstring changed = data;
  changed.replace(changed.find(L"e.exe"), 5, L"g.exe");
  WriteFile(UserFolder(), L"1.2.3.ini", changed);
  {
    const UniqueFile file(CreateFileW(dataFile.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    const FILETIME written{static_cast<DWORD>(before.written), static_cast<DWORD>(before.written >> 32)};
    ASSERT_TRUE(SetFileTime(file.Get(), nullptr, nullptr, &written));
  }
  EXPECT_EQ(download(), L"http://acme.example/e.exe") << "kept";
  // A thread that impersonates has the store read for its call only, and the
  // kept one stays as it was.
  ASSERT_TRUE(ImpersonateSelf(SecurityImpersonation));
  EXPECT_EQ(download(), L"http://acme.example/g.exe") << "impersonating";
  ASSERT_TRUE(RevertToSelf());
  EXPECT_EQ(download(), L"http://acme.example/e.exe") << "kept";
  settle();
  EXPECT_EQ(download(), L"http://acme.example/g.exe");

  const std::wstring elsewhere = m_temp.Path() + L"\\elsewhere";
  ASSERT_TRUE(CreateDirectoryW(elsewhere.c_str(), nullptr));
  const std::wstring olderFolder = OlderUserFolder().substr(0, OlderUserFolder().size() - 1);
  struct Step {
    const wchar_t* action;
    std::wstring argument;
    std::function<std::wstring()> query;
    const wchar_t *before, *after;
  };
  const Step kSteps[] = {
      {L"install", probeFile, [&] { return Text(m_version, L"1.2.3", L"probe", 0); }, L"(null)", L"3.8.10.0"},
      {L"version", L"", [&] { return version(L"1.2.3"); }, L"1.5", L"1.6"},
      {L"data", dataFile, download, L"http://acme.example/g.exe", L"http://acme.example/f.exe"},
      {L"all-users", L"", [&] { return version(L"8.8"); }, L"(null)", L"3.0"},
      {L"older-list", olderFolder, [&] { return version(L"7.8"); }, L"(null)", L"7.1"},
      {L"older-list", olderFolder, [&] { return version(L"7.8"); }, L"7.1", L"7.2"},
      {L"older-registry", L"", [&] { return version(L"7.7"); }, L"(null)", L"7.0"},
      {L"shell-folder", elsewhere, [&] { return version(L"1.2.3"); }, L"1.6", L"(null)"},
  };
  for (const Step& step : kSteps) {
    settle();
    EXPECT_EQ(step.query(), step.before) << step.action;
    ChildProcess writer;
    ASSERT_TRUE(writer.Start(L"store_writer", {step.action, step.argument}));
    ASSERT_EQ(writer.Wait(), 0) << step.action;
    EXPECT_EQ(step.query(), step.after) << step.action;
  }
}

}  // namespace
}  // namespace wendrix::test
