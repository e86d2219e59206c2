// Windows Installer probes against a real product: the test builds a tiny
// package with msi.dll's database functions (one feature with a folder
// component, one with a file component, one never installed), installs it
// silently, probes it and removes it again.
#include <windows.h>

#include <msi.h>
#include <msidefs.h>
#include <msiquery.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <string_view>

#include "publisher/version_probe_windows.h"
#include "../support/temp_folder.h"
#include "installed_data.h"

namespace wendrix {
namespace {

using test::Formatted;
using test::TempFolder;

std::wstring NewGuid() {
  GUID guid{};
  CoCreateGuid(&guid);
  wchar_t text[40];
  StringFromGUID2(guid, text, 40);
  return text;
}

// The tables of the package, then its rows as "table: values" in the columns
// given with each table.
constexpr const wchar_t* kTables[][2] = {
    {L"`Property` (`Property` CHAR(72) NOT NULL, `Value` LONGCHAR NOT NULL PRIMARY KEY `Property`)",
     L"`Property`, `Value`"},
    {L"`Directory` (`Directory` CHAR(72) NOT NULL, `Directory_Parent` CHAR(72), `DefaultDir` CHAR(255) NOT NULL "
     L"PRIMARY KEY `Directory`)", L"`Directory`, `Directory_Parent`, `DefaultDir`"},
    {L"`Component` (`Component` CHAR(72) NOT NULL, `ComponentId` CHAR(38), `Directory_` CHAR(72) NOT NULL, "
     L"`Attributes` SHORT NOT NULL, `Condition` CHAR(255), `KeyPath` CHAR(72) PRIMARY KEY `Component`)",
     L"`Component`, `ComponentId`, `Directory_`, `Attributes`, `KeyPath`"},
    {L"`Feature` (`Feature` CHAR(38) NOT NULL, `Feature_Parent` CHAR(38), `Title` CHAR(64), `Description` "
     L"CHAR(255), `Display` SHORT, `Level` SHORT NOT NULL, `Directory_` CHAR(72), `Attributes` SHORT NOT NULL "
     L"PRIMARY KEY `Feature`)", L"`Feature`, `Title`, `Display`, `Level`, `Attributes`"},
    {L"`FeatureComponents` (`Feature_` CHAR(38) NOT NULL, `Component_` CHAR(72) NOT NULL PRIMARY KEY `Feature_`, "
     L"`Component_`)", L"`Feature_`, `Component_`"},
    {L"`CreateFolder` (`Directory_` CHAR(72) NOT NULL, `Component_` CHAR(72) NOT NULL PRIMARY KEY `Directory_`, "
     L"`Component_`)", L"`Directory_`, `Component_`"},
    {L"`File` (`File` CHAR(72) NOT NULL, `Component_` CHAR(72) NOT NULL, `FileName` CHAR(255) NOT NULL, `FileSize` "
     L"LONG NOT NULL, `Version` CHAR(72), `Language` CHAR(20), `Attributes` SHORT, `Sequence` SHORT NOT NULL "
     L"PRIMARY KEY `File`)", L"`File`, `Component_`, `FileName`, `FileSize`, `Attributes`, `Sequence`"},
    {L"`Media` (`DiskId` SHORT NOT NULL, `LastSequence` SHORT NOT NULL, `DiskPrompt` CHAR(64), `Cabinet` "
     L"CHAR(255), `VolumeLabel` CHAR(32), `Source` CHAR(72) PRIMARY KEY `DiskId`)", L"`DiskId`, `LastSequence`"},
    {L"`InstallExecuteSequence` (`Action` CHAR(72) NOT NULL, `Condition` CHAR(255), `Sequence` SHORT PRIMARY KEY "
     L"`Action`)", L"`Action`, `Sequence`"},
};

class InstalledProduct {
 public:
  ~InstalledProduct() {
    if (m_installed) MsiConfigureProductW(m_product.c_str(), INSTALLLEVEL_DEFAULT, INSTALLSTATE_ABSENT);
  }

  // Builds and installs the package; the reason when it cannot.
  std::string Install() {
    const std::wstring package = m_source.File(L"tool.msi");
    if (!Build(package)) return "the package could not be built";
    // The file component's source, uncompressed beside the package.
    CreateDirectoryW(m_source.File(L"Tool").c_str(), nullptr);
    m_source.Write(L"Tool\\tool.txt", "1.0\r\n");
    MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
    const std::wstring properties =
        L"ALLUSERS=1 INSTALLDIR=\"" + Folder() + L"\\\" ARPINSTALLLOCATION=\"" + Folder() + L"\\\"";
    const UINT rc = MsiInstallProductW(package.c_str(), properties.c_str());
    if (rc != ERROR_SUCCESS) return "the installation failed with " + std::to_string(rc);
    m_installed = true;
    return {};
  }

  const std::wstring m_product = NewGuid(), m_folderComponent = NewGuid(), m_fileComponent = NewGuid();
  std::wstring Folder() const { return m_target.File(L"Tool"); }

 private:
  bool Build(const std::wstring& path) {
    MSIHANDLE database = 0;
    if (MsiOpenDatabaseW(path.c_str(), MSIDBOPEN_CREATE, &database) != ERROR_SUCCESS) return false;
    std::vector<std::wstring> sql;
    for (const auto& table : kTables) sql.push_back(L"CREATE TABLE " + std::wstring(table[0]));
    const auto insert = [&](std::size_t table, const std::wstring& values) {
      const std::wstring_view create = kTables[table][0];
      const std::wstring name(create.substr(0, create.find(L' ')));
      sql.push_back(L"INSERT INTO " + name + L" (" + kTables[table][1] + L") VALUES (" + values + L")");
    };
    for (const auto& [name, value] : {std::pair<const wchar_t*, std::wstring>{L"ProductCode", m_product},
                                      {L"ProductName", L"Wendrix test tool"}, {L"ProductVersion", L"3.7.12"},
                                      {L"Manufacturer", L"Wendrix tests"}, {L"ProductLanguage", L"1033"}})
      insert(0, L"'" + std::wstring(name) + L"', '" + value + L"'");
    insert(1, L"'TARGETDIR', '', 'SourceDir'");
    insert(1, L"'INSTALLDIR', 'TARGETDIR', 'Tool'");
    insert(2, L"'Folder', '" + m_folderComponent + L"', 'INSTALLDIR', 0, ''");
    insert(2, L"'Text', '" + m_fileComponent + L"', 'INSTALLDIR', 0, 'tool.txt'");
    insert(3, L"'Main', 'Main', 1, 1, 0");
    insert(3, L"'Never', 'Never', 1, 0, 0");
    insert(4, L"'Main', 'Folder'");
    insert(4, L"'Main', 'Text'");
    insert(5, L"'INSTALLDIR', 'Folder'");
    insert(6, L"'tool.txt', 'Text', 'tool.txt', 5, 0, 1");
    insert(7, L"1, 1");
    for (const auto& [action, sequence] :
         {std::pair{L"CostInitialize", 800}, {L"FileCost", 900}, {L"CostFinalize", 1000}, {L"InstallValidate", 1400},
          {L"InstallInitialize", 1500}, {L"ProcessComponents", 1600}, {L"RemoveFiles", 3500},
          {L"RemoveFolders", 3600}, {L"CreateFolders", 3700}, {L"InstallFiles", 4000}, {L"RegisterProduct", 6100},
          {L"PublishFeatures", 6300}, {L"PublishProduct", 6400}, {L"InstallFinalize", 6600}})
      insert(8, L"'" + std::wstring(action) + L"', " + std::to_wstring(sequence));
    bool ok = true;
    for (const std::wstring& statement : sql) {
      MSIHANDLE view = 0;
      UINT rc = MsiDatabaseOpenViewW(database, statement.c_str(), &view);
      if (rc == ERROR_SUCCESS) rc = MsiViewExecute(view, 0);
      if (view) MsiCloseHandle(view);
      if (rc != ERROR_SUCCESS) ADD_FAILURE() << "MSI statement failed (" << rc << ")";
      ok = ok && rc == ERROR_SUCCESS;
    }
    MSIHANDLE summary = 0;
    ok = ok && MsiGetSummaryInformationW(database, nullptr, 10, &summary) == ERROR_SUCCESS;
    if (ok) {
      const std::wstring packageCode = NewGuid();
      const wchar_t* platform = sizeof(void*) == 8 ? L"x64;1033" : L"Intel;1033";
      ok = MsiSummaryInfoSetPropertyW(summary, PID_TEMPLATE, VT_LPSTR, 0, nullptr, platform) == ERROR_SUCCESS &&
           MsiSummaryInfoSetPropertyW(summary, PID_REVNUMBER, VT_LPSTR, 0, nullptr, packageCode.c_str()) ==
               ERROR_SUCCESS &&
           MsiSummaryInfoSetPropertyW(summary, PID_PAGECOUNT, VT_I4, 200, nullptr, nullptr) == ERROR_SUCCESS &&
           MsiSummaryInfoSetPropertyW(summary, PID_WORDCOUNT, VT_I4, 0, nullptr, nullptr) == ERROR_SUCCESS &&
           MsiSummaryInfoPersist(summary) == ERROR_SUCCESS;
      MsiCloseHandle(summary);
    }
    ok = ok && MsiDatabaseCommit(database) == ERROR_SUCCESS;
    MsiCloseHandle(database);
    return ok;
  }

  TempFolder m_source, m_target;
  bool m_installed = false;
};

TEST(MsiProbeTest, VersionFeaturesAndFoldersOfAnInstalledProduct) {
  InstalledProduct product;
  const std::string failure = product.Install();
  if (!failure.empty()) GTEST_SKIP() << "Windows Installer cannot install a test package here: " << failure;
  const WindowsVersionProbes probes(true, nullptr);
  const std::wstring& code = product.m_product;
  const struct {
    std::wstring name;
    std::optional<std::wstring> version;
  } applications[] = {
      {L"", L"3.7.12.0"}, {L"Main", L"0.0.0.0"}, {L"Never", std::nullopt} /* not installed */, {L"Unknown", std::nullopt},
  };
  for (const auto& c : applications)
    EXPECT_EQ(Formatted(probes.ProbeApplication(ApplicationProbe{code, c.name, L"", L""})), c.version) << c.name;

  const std::wstring folder = product.Folder();
  CreateDirectoryW((folder + L"\\Data").c_str(), nullptr);
  const struct {
    std::wstring location, name;
    std::optional<std::wstring> folder;
  } paths[] = {
      {code, L"", folder + L"\\"},
      {code, L"\\Data", folder + L"\\Data"},
      {code, L"Missing", std::nullopt},
      {code + L"/" + product.m_folderComponent, L"Data", folder + L"\\Data"},
      {code + L"/" + product.m_fileComponent, L"", folder},  // a file's folder
      {code + L"/{00000000-5EAD-0000-0000-000000000000}", L"", std::nullopt},
  };
  for (const auto& c : paths)
    EXPECT_EQ(probes.ResolveAlternative(PathAlternative{c.location, c.name}), c.folder) << c.location << L" " << c.name;
}

}  // namespace
}  // namespace wendrix
