// The system integrations in the prefix's real registry: the control-panel
// entry, the uninstall entry and the file type, each created, removed and
// rolled back as the registered scopes change.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <optional>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "frame/module_state.h"
#include "platform/registry.h"
#include "registration/publisher_store.h"
#include "registration/system_integrations.h"
#include "setup/journal.h"
#include "setup/journal_record.h"
#include "../support/registry_sandbox.h"
#include "../support/temp_folder.h"
#include "integration_keys.h"

namespace wendrix::test {
namespace {

constexpr wchar_t kOldApplet[] = L"C:\\Old\\wendrix.cpl";
const std::wstring kClasses = kClassesKey;

// The names of a key's values in the order they were written: each is noted
// in the journal just before it is set.
std::vector<std::wstring> WriteOrder(CJournal& journal, const std::wstring& path) {
  journal.Close();
  const std::string bytes = ReadFileBytes(journal.Folder() + L"\\rollback.dat");
  std::vector<std::wstring> names;
  ReadJournalBackwards(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
                       [&](const JournalRecord& record) {
                         if (record.keyPath == path && record.type == kJournalDeleteValue)
                           names.insert(names.begin(), record.valueName);
                         return S_OK;
                       });
  return names;
}

HKEY RootOf(StartupScope scope) { return scope == StartupScope::kAllUsers ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }
HKEY OtherRoot(StartupScope scope) { return scope == StartupScope::kAllUsers ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }
RegisteredScopes Only(StartupScope scope) { return {scope == StartupScope::kCurrentUser, scope == StartupScope::kAllUsers}; }

TEST(ScopesTest, CountedFlagsOfEitherProductGiveTheScope) {
  const struct {
    std::vector<std::uint32_t> flags;
    bool currentUser, allUsers;
  } cases[] = {
      {{}, false, false},
      {{kPublisherEnabled | kPublisherUserRegistered}, false, false},
      {{kPublisherCountedCurrentUser}, true, false},
      {{kPublisherCountedOlderCurrentUser}, true, false},
      {{kPublisherCountedAllUsers}, false, true},
      {{kPublisherCountedOlderAllUsers}, false, true},
      {{kPublisherEnabled, kPublisherCountedCurrentUser, kPublisherCountedOlderAllUsers}, true, true},
  };
  for (const auto& c : cases) {
    CPublisherStore store;
    for (std::uint32_t flags : c.flags) store.Records().emplace_back().flags = flags;
    const RegisteredScopes scopes = ScopesOf(store);
    EXPECT_EQ(scopes.currentUser, c.currentUser) << testing::PrintToString(c.flags);
    EXPECT_EQ(scopes.allUsers, c.allUsers) << testing::PrintToString(c.flags);
  }
}

class IntegrationsTest : public testing::Test {
 protected:
  void SetUp() override {
    // The uninstall entry's comment is a text of the library's string table.
    SetThreadUILanguage(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    m_library = LoadLibraryW(sizeof(void*) == 8 ? L"wendrix64.dll" : L"wendrix.dll");
    ASSERT_NE(m_library, nullptr);
    ASSERT_TRUE(InitializeModuleState(m_library));
    // Shared parent keys that the integrations may create go again at the end.
    const std::wstring controlPanel = kControlPanelKey, mime = kClasses + L"MIME";
    const std::pair<std::wstring, REGSAM> parents[] = {
        {L"SOFTWARE\\Kestmoor", k32}, {controlPanel, k32}, {kCplsKey, k32}, {controlPanel + L"\\Extended Properties", k32},
        {kCategoryKey, k32}, {kUninstallListKey, k32}, {mime, 0}, {mime + L"\\Database", 0},
        {mime + L"\\Database\\Content Type", 0}};
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
      for (const auto& [path, view] : parents)
        if (!ReadValues(root, path, view)) m_newKeys.push_back({root, path, view});
    Clean();
    SetStringValue(HKEY_LOCAL_MACHINE, kProductKey + std::wstring(L"\\3.8"), L"Path", m_folder.Path(), k32);
  }
  void TearDown() override {
    Clean();
    for (const auto& [root, path, view] : m_newKeys) DeleteKeyTree(root, path, view);
    if (m_library) FreeLibrary(m_library);
  }
  void Clean() {
    ClearIntegrations({Applet(), kOldApplet});
    DeleteKeyTree(HKEY_LOCAL_MACHINE, kProductKey, k32);
  }

  std::wstring Applet() const { return m_folder.File(L"wendrix.cpl"); }
  std::wstring Program() const { return m_folder.File(L"wendrix.exe"); }
  std::wstring Setup() const { return m_folder.File(L"wxsetup.exe"); }
  std::optional<Values> Uninstall() const { return ReadValues(HKEY_CURRENT_USER, kUninstallKey); }
  Values ExpectedUninstall(std::optional<DWORD> size) const {
    Values values = {
        Sz(L"DisplayName", L"Wendrix"), Sz(L"DisplayVersion", L"3.8.10.0"), Sz(L"DisplayIcon", Setup()),
        Sz(L"Publisher", L"Kestmoor Corporation"),
        Sz(L"Comments", L"Check for updates from multiple software publishers and in full privacy."),
        Sz(L"URLInfoAbout", L"http://www.kestmoor.example/wendrix/"), Dword(L"VersionMajor", 3),
        Dword(L"VersionMinor", 8), Dword(L"Version", 0x0308000A)};
    if (size) values.push_back(Dword(L"EstimatedSize", *size));
    values.insert(values.end(), {Dword(L"NoRepair", 1), Dword(L"NoModify", 1), Sz(L"InstallLocation", m_folder.Path()),
                                 Sz(L"UninstallString", L"\"" + Setup() + L"\" uninstall /user")});
    return values;
  }
  // Everything the integrations of the current user touch.
  std::vector<std::wstring> DumpUserKeys() const {
    std::vector<std::wstring> lines;
    DumpTree(HKEY_CURRENT_USER, kControlPanelKey, k32, lines);
    DumpTree(HKEY_CURRENT_USER, kUninstallListKey, k32, lines);
    for (const wchar_t* name : {L".wx-cnf", L"Wendrix.DataFile", L".software", L"Pellister.DataFile", L"MIME"})
      DumpTree(HKEY_CURRENT_USER, kClasses + name, 0, lines);
    std::sort(lines.begin(), lines.end());
    return lines;
  }

  HMODULE m_library = nullptr;
  TempFolder m_folder;
  std::vector<std::tuple<HKEY, std::wstring, REGSAM>> m_newKeys;
};

// The entry of publishers of the user alone: every value in order, written
// again from an empty key (without a "Size" no EstimatedSize stays behind),
// and without a rewrite an existing entry stays as it is.
TEST_F(IntegrationsTest, UninstallEntryIsOnlyForPublishersOfTheUserAlone) {
  for (const std::optional<DWORD> size : {std::optional<DWORD>(1234), std::optional<DWORD>()}) {
    SCOPED_TRACE(size ? "with a size" : "rewritten without a size");
    if (size) {
      SetDword(HKEY_LOCAL_MACHINE, kProductKey + std::wstring(L"\\3.0"), L"Size", *size, k32);
    } else {
      DeleteKeyTree(HKEY_LOCAL_MACHINE, kProductKey + std::wstring(L"\\3.0"), k32);
    }
    CJournal journal;
    ASSERT_EQ(journal.Create(), S_OK);
    ASSERT_EQ(UpdateUninstallEntry({true, false}, true, &journal), S_OK);
    const Values expected = ExpectedUninstall(size);
    EXPECT_EQ(Uninstall(), Sorted(expected));
    std::vector<std::wstring> names;
    for (const Value& value : expected) names.push_back(std::get<0>(value));
    EXPECT_EQ(WriteOrder(journal, kUninstallKey), names);
    journal.Commit();
  }

  const struct {
    RegisteredScopes scopes;
    bool present;
  } cases[] = {{{true, false}, true}, {{true, true}, false}, {{false, true}, false}, {{false, false}, false}};
  for (const bool existing : {false, true}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(testing::Message() << "user " << c.scopes.currentUser << ", all users " << c.scopes.allUsers
                                      << ", existing " << existing);
      DeleteKeyTree(HKEY_CURRENT_USER, kUninstallKey, k32);
      if (existing) SetStringValue(HKEY_CURRENT_USER, kUninstallKey, L"DisplayName", L"Old", k32);
      ASSERT_EQ(UpdateUninstallEntry(c.scopes, false, nullptr), S_OK);
      if (c.present) {
        EXPECT_EQ(Uninstall(), existing ? Values{Sz(L"DisplayName", L"Old")} : Sorted(ExpectedUninstall(std::nullopt)));
      } else {
        EXPECT_FALSE(Uninstall());
      }
    }
  }
}

// The applet's entry and the file type in the hive of their scope only, and
// gone again when only the other scope has publishers; the entry of a folder
// the library has since moved from is forgotten, the shared keys and another
// applet stay.
TEST_F(IntegrationsTest, ControlPanelEntryAndFileTypeFollowTheirScope) {
  for (const StartupScope scope : {StartupScope::kCurrentUser, StartupScope::kAllUsers}) {
    SCOPED_TRACE(scope == StartupScope::kAllUsers ? "all users" : "current user");
    const HKEY root = RootOf(scope);
    const StartupScope other = scope == StartupScope::kAllUsers ? StartupScope::kCurrentUser : StartupScope::kAllUsers;
    SetStringValue(root, kCplsKey, L"OtherApplet", L"C:\\other.cpl", k32);
    SetStringValue(root, kCplsKey, L"WendrixControlPanel", kOldApplet, k32);
    SetDword(root, kCategoryKey, kOldApplet, 8, k32);
    ASSERT_EQ(UpdateControlPanelEntry(Only(scope), scope, nullptr), S_OK);
    ASSERT_EQ(UpdateFileType(Only(scope), scope, nullptr), S_OK);
    EXPECT_EQ(FindValue(root, kCplsKey, L"WendrixControlPanel"), Sz(L"WendrixControlPanel", Applet()));
    EXPECT_EQ(FindValue(root, kCategoryKey, Applet()), Dword(Applet(), 8));
    EXPECT_FALSE(FindValue(root, kCategoryKey, kOldApplet));
    EXPECT_FALSE(FindValue(OtherRoot(scope), kCplsKey, L"WendrixControlPanel"));
    if (root == HKEY_LOCAL_MACHINE) {  // the user's Software key is one for both views
      EXPECT_FALSE(FindValue(root, kCplsKey, L"WendrixControlPanel", KEY_WOW64_64KEY)) << "the 32-bit view only";
    }
    const std::pair<std::wstring, Values> fileType[] = {
        {L".wx-cnf", {Sz(L"", L"Wendrix.DataFile"), Sz(L"Content Type", L"application/vnd.kestmoor.wxcnf")}},
        {L"Wendrix.DataFile", {Sz(L"", L"Wendrix Data File")}},
        {L"Wendrix.DataFile\\DefaultIcon", {Sz(L"", Program() + L",1")}},
        {L"Wendrix.DataFile\\shell\\open\\command", {Sz(L"", L"\"" + Program() + L"\" \"/l:%1\"")}},
        {L"MIME\\Database\\Content Type\\application/vnd.kestmoor.wxcnf", {Sz(L"Extension", L".wx-cnf")}},
    };
    for (const auto& [path, values] : fileType) {
      EXPECT_EQ(ReadValues(root, kClasses + path, 0), values) << testing::PrintToString(path);
      EXPECT_FALSE(ReadValues(OtherRoot(scope), kClasses + path, 0)) << testing::PrintToString(path);
    }

    SetStringValue(root, kCplsKey, L"WendrixControlPanel", kOldApplet, k32);
    SetDword(root, kCategoryKey, kOldApplet, 8, k32);
    ASSERT_EQ(UpdateControlPanelEntry(Only(other), scope, nullptr), S_OK);
    ASSERT_EQ(UpdateFileType(Only(other), scope, nullptr), S_OK);
    EXPECT_FALSE(FindValue(root, kCategoryKey, kOldApplet));
    EXPECT_FALSE(FindValue(root, kCplsKey, L"WendrixControlPanel"));
    EXPECT_FALSE(FindValue(root, kCategoryKey, Applet()));
    EXPECT_EQ(FindValue(root, kCplsKey, L"OtherApplet"), Sz(L"OtherApplet", L"C:\\other.cpl"));
    for (const auto& [path, values] : fileType)
      EXPECT_FALSE(ReadValues(root, kClasses + path, 0)) << testing::PrintToString(path);
  }
}

TEST_F(IntegrationsTest, OlderExtensionIsTakenOverAndHandedBack) {
  const struct {
    const wchar_t* name;
    const wchar_t* before;          // ".software"'s default value
    HKEY olderClassIn;              // where "Pellister.DataFile" exists, if anywhere
    const wchar_t* whilePresent;
    std::optional<std::wstring> afterRemoval;
  } cases[] = {
      {L"older class in the user's hive", L"Pellister.DataFile", HKEY_CURRENT_USER, L"Wendrix.DataFile",
       L"Pellister.DataFile"},
      {L"older class of the machine", L"pellister.datafile", HKEY_LOCAL_MACHINE, L"Wendrix.DataFile",
       L"Pellister.DataFile"},
      {L"older class gone", L"Pellister.DataFile", nullptr, L"Wendrix.DataFile", std::nullopt},
      {L"another program's", L"Other.File", HKEY_CURRENT_USER, L"Other.File", L"Other.File"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Clean();
    SetStringValue(HKEY_CURRENT_USER, kClasses + L".software", L"Extra", L"kept", 0);
    SetStringValue(HKEY_CURRENT_USER, kClasses + L".software", L"", c.before, 0);
    if (c.olderClassIn) SetStringValue(c.olderClassIn, kClasses + L"Pellister.DataFile", L"", L"Older", 0);
    ASSERT_EQ(UpdateFileType({true, false}, StartupScope::kCurrentUser, nullptr), S_OK);
    EXPECT_EQ(ReadValues(HKEY_CURRENT_USER, kClasses + L".software", 0),
              Sorted({Sz(L"Extra", L"kept"), Sz(L"", c.whilePresent)}));
    ASSERT_EQ(UpdateFileType({false, true}, StartupScope::kCurrentUser, nullptr), S_OK);
    Values after = {Sz(L"Extra", L"kept")};
    if (c.afterRemoval) after.push_back(Sz(L"", *c.afterRemoval));
    EXPECT_EQ(ReadValues(HKEY_CURRENT_USER, kClasses + L".software", 0), Sorted(after));
  }
}

TEST_F(IntegrationsTest, RollbackRestoresTheRegistryExactly) {
  // Something of everything that the integrations change or delete.
  SetStringValue(HKEY_CURRENT_USER, kCplsKey, L"OtherApplet", L"C:\\other.cpl", k32);
  SetStringValue(HKEY_CURRENT_USER, kUninstallKey, L"DisplayName", L"Old", k32);
  SetStringValue(HKEY_CURRENT_USER, kClasses + L".software", L"", L"Pellister.DataFile", 0);
  SetStringValue(HKEY_CURRENT_USER, kClasses + L"Pellister.DataFile", L"", L"Older", 0);
  const auto update = [](const RegisteredScopes& scopes, CJournal* journal) {
    HRESULT hr = UpdateControlPanelEntry(scopes, StartupScope::kCurrentUser, journal);
    if (SUCCEEDED(hr)) hr = UpdateUninstallEntry(scopes, true, journal);
    if (SUCCEEDED(hr)) hr = UpdateFileType(scopes, StartupScope::kCurrentUser, journal);
    return hr;
  };
  // Registering, then unregistering with the integrations in place.
  for (const RegisteredScopes scopes : {RegisteredScopes{true, false}, RegisteredScopes{false, false}}) {
    SCOPED_TRACE(scopes.currentUser ? "created" : "removed");
    const std::vector<std::wstring> before = DumpUserKeys();
    CJournal journal;
    ASSERT_EQ(journal.Create(), S_OK);
    ASSERT_EQ(update(scopes, &journal), S_OK);
    ASSERT_NE(DumpUserKeys(), before);
    ASSERT_EQ(journal.Rollback(), S_OK);
    EXPECT_EQ(DumpUserKeys(), before);
    ASSERT_EQ(update({true, false}, nullptr), S_OK);
  }
}

}  // namespace
}  // namespace wendrix::test
