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

#include "publisher/version_probe_windows.h"
#include "../support/temp_folder.h"
#include "installed_data.h"

namespace wendrix {
namespace {

using test::TempFolder;
using test::Formatted;

std::wstring NewGuid() {
  GUID guid{};
  CoCreateGuid(&guid);
  wchar_t text[40];
  StringFromGUID2(guid, text, 40);
  return text;
}

std::wstring Insert(const wchar_t* table, const wchar_t* columns, const std::wstring& values) {
  return L"INSERT INTO `" + std::wstring(table) + L"` (" + columns + L") VALUES (" + values + L")";
}
constexpr wchar_t kDirectory[] = L"`Directory`, `Directory_Parent`, `DefaultDir`";
constexpr wchar_t kComponent[] = L"`Component`, `ComponentId`, `Directory_`, `Attributes`, `KeyPath`";
constexpr wchar_t kFeature[] = L"`Feature`, `Title`, `Display`, `Level`, `Attributes`";

// Runs SQL statements on a database; false at the first failure.
bool Execute(MSIHANDLE database, std::initializer_list<std::wstring> statements) {
  for (const std::wstring& sql : statements) {
    MSIHANDLE view = 0;
    UINT rc = MsiDatabaseOpenViewW(database, sql.c_str(), &view);
    if (rc == ERROR_SUCCESS) rc = MsiViewExecute(view, 0);
    if (view) MsiCloseHandle(view);
    if (rc != ERROR_SUCCESS) {
      ADD_FAILURE() << "MSI statement failed (" << rc << ")";
      return false;
    }
  }
  return true;
}

class InstalledProduct {
 public:
  InstalledProduct() : m_product(NewGuid()), m_folderComponent(NewGuid()), m_fileComponent(NewGuid()) {}
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
    const std::wstring properties = L"ALLUSERS=1 INSTALLDIR=\"" + Folder() + L"\\\" ARPINSTALLLOCATION=\"" +
                                    Folder() + L"\\\"";
    const UINT rc = MsiInstallProductW(package.c_str(), properties.c_str());
    if (rc != ERROR_SUCCESS) return "the installation failed with " + std::to_string(rc);
    m_installed = true;
    return {};
  }

  const std::wstring& Product() const { return m_product; }
  const std::wstring& FolderComponent() const { return m_folderComponent; }
  const std::wstring& FileComponent() const { return m_fileComponent; }
  std::wstring Folder() const { return m_target.File(L"Tool"); }

 private:
  bool Build(const std::wstring& path) {
    MSIHANDLE database = 0;
    if (MsiOpenDatabaseW(path.c_str(), MSIDBOPEN_CREATE, &database) != ERROR_SUCCESS) return false;
    bool ok =
        Execute(database,
                {L"CREATE TABLE `Property` (`Property` CHAR(72) NOT NULL, `Value` LONGCHAR NOT NULL "
                 L"PRIMARY KEY `Property`)",
                 L"CREATE TABLE `Directory` (`Directory` CHAR(72) NOT NULL, `Directory_Parent` CHAR(72), "
                 L"`DefaultDir` CHAR(255) NOT NULL PRIMARY KEY `Directory`)",
                 L"CREATE TABLE `Component` (`Component` CHAR(72) NOT NULL, `ComponentId` CHAR(38), "
                 L"`Directory_` CHAR(72) NOT NULL, `Attributes` SHORT NOT NULL, `Condition` CHAR(255), "
                 L"`KeyPath` CHAR(72) PRIMARY KEY `Component`)",
                 L"CREATE TABLE `Feature` (`Feature` CHAR(38) NOT NULL, `Feature_Parent` CHAR(38), `Title` CHAR(64), "
                 L"`Description` CHAR(255), `Display` SHORT, `Level` SHORT NOT NULL, `Directory_` CHAR(72), "
                 L"`Attributes` SHORT NOT NULL PRIMARY KEY `Feature`)",
                 L"CREATE TABLE `FeatureComponents` (`Feature_` CHAR(38) NOT NULL, `Component_` CHAR(72) NOT NULL "
                 L"PRIMARY KEY `Feature_`, `Component_`)",
                 L"CREATE TABLE `CreateFolder` (`Directory_` CHAR(72) NOT NULL, `Component_` CHAR(72) NOT NULL "
                 L"PRIMARY KEY `Directory_`, `Component_`)",
                 L"CREATE TABLE `File` (`File` CHAR(72) NOT NULL, `Component_` CHAR(72) NOT NULL, "
                 L"`FileName` CHAR(255) NOT NULL, `FileSize` LONG NOT NULL, `Version` CHAR(72), `Language` CHAR(20), "
                 L"`Attributes` SHORT, `Sequence` SHORT NOT NULL PRIMARY KEY `File`)",
                 L"CREATE TABLE `Media` (`DiskId` SHORT NOT NULL, `LastSequence` SHORT NOT NULL, "
                 L"`DiskPrompt` CHAR(64), `Cabinet` CHAR(255), `VolumeLabel` CHAR(32), `Source` CHAR(72) "
                 L"PRIMARY KEY `DiskId`)",
                 L"CREATE TABLE `InstallExecuteSequence` (`Action` CHAR(72) NOT NULL, `Condition` CHAR(255), "
                 L"`Sequence` SHORT PRIMARY KEY `Action`)",
                 Insert(L"Directory", kDirectory, L"'TARGETDIR', '', 'SourceDir'"),
                 Insert(L"Directory", kDirectory, L"'INSTALLDIR', 'TARGETDIR', 'Tool'"),
                 Insert(L"Component", kComponent, L"'Folder', '" + m_folderComponent + L"', 'INSTALLDIR', 0, ''"),
                 Insert(L"Component", kComponent, L"'Text', '" + m_fileComponent + L"', 'INSTALLDIR', 0, 'tool.txt'"),
                 Insert(L"Feature", kFeature, L"'Main', 'Main', 1, 1, 0"),
                 Insert(L"Feature", kFeature, L"'Never', 'Never', 1, 0, 0"),
                 Insert(L"FeatureComponents", L"`Feature_`, `Component_`", L"'Main', 'Folder'"),
                 Insert(L"FeatureComponents", L"`Feature_`, `Component_`", L"'Main', 'Text'"),
                 Insert(L"CreateFolder", L"`Directory_`, `Component_`", L"'INSTALLDIR', 'Folder'"),
                 Insert(L"File", L"`File`, `Component_`, `FileName`, `FileSize`, `Attributes`, `Sequence`",
                        L"'tool.txt', 'Text', 'tool.txt', 5, 0, 1"),
                 Insert(L"Media", L"`DiskId`, `LastSequence`", L"1, 1")});
    const std::pair<const wchar_t*, std::wstring> properties[] = {
        {L"ProductCode", m_product}, {L"ProductName", L"Wendrix test tool"}, {L"ProductVersion", L"3.7.12"},
        {L"Manufacturer", L"Wendrix tests"}, {L"ProductLanguage", L"1033"}};
    for (const auto& [name, value] : properties)
      ok = ok && Execute(database, {Insert(L"Property", L"`Property`, `Value`", L"'" + std::wstring(name) + L"', '" +
                                                                                     value + L"'")});
    const std::pair<const wchar_t*, int> actions[] = {
        {L"CostInitialize", 800},     {L"FileCost", 900},          {L"CostFinalize", 1000},
        {L"InstallValidate", 1400},   {L"InstallInitialize", 1500}, {L"ProcessComponents", 1600},
        {L"RemoveFiles", 3500},       {L"RemoveFolders", 3600},     {L"CreateFolders", 3700},
        {L"InstallFiles", 4000},      {L"RegisterProduct", 6100},   {L"PublishFeatures", 6300},
        {L"PublishProduct", 6400},    {L"InstallFinalize", 6600}};
    for (const auto& [action, sequence] : actions)
      ok = ok && Execute(database, {Insert(L"InstallExecuteSequence", L"`Action`, `Sequence`",
                                           L"'" + std::wstring(action) + L"', " + std::to_wstring(sequence))});
    MSIHANDLE summary = 0;
    bool written = ok && MsiGetSummaryInformationW(database, nullptr, 10, &summary) == ERROR_SUCCESS;
    if (written) {
      const std::wstring packageCode = NewGuid();
      written = MsiSummaryInfoSetPropertyW(summary, PID_TEMPLATE, VT_LPSTR, 0, nullptr,
                                           sizeof(void*) == 8 ? L"x64;1033" : L"Intel;1033") == ERROR_SUCCESS &&
                MsiSummaryInfoSetPropertyW(summary, PID_REVNUMBER, VT_LPSTR, 0, nullptr, packageCode.c_str()) ==
                    ERROR_SUCCESS &&
                MsiSummaryInfoSetPropertyW(summary, PID_PAGECOUNT, VT_I4, 200, nullptr, nullptr) == ERROR_SUCCESS &&
                MsiSummaryInfoSetPropertyW(summary, PID_WORDCOUNT, VT_I4, 0, nullptr, nullptr) == ERROR_SUCCESS &&
                MsiSummaryInfoPersist(summary) == ERROR_SUCCESS;
      MsiCloseHandle(summary);
    }
    written = written && MsiDatabaseCommit(database) == ERROR_SUCCESS;
    MsiCloseHandle(database);
    return written;
  }

  TempFolder m_source, m_target;
  std::wstring m_product, m_folderComponent, m_fileComponent;
  bool m_installed = false;
};

TEST(MsiProbeTest, VersionFeaturesAndFoldersOfAnInstalledProduct) {
  InstalledProduct product;
  const std::string failure = product.Install();
  if (!failure.empty()) GTEST_SKIP() << "Windows Installer cannot install a test package here: " << failure;
  const WindowsVersionProbes probes(true, nullptr);
  const std::wstring& code = product.Product();
  const struct {
    std::wstring name;
    std::optional<std::wstring> version;
  } applications[] = {
      {L"", L"3.7.12.0"},
      {L"Main", L"0.0.0.0"},
      {L"Never", std::nullopt},  // not installed
      {L"Unknown", std::nullopt},
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
      {code + L"/" + product.FolderComponent(), L"Data", folder + L"\\Data"},
      {code + L"/" + product.FileComponent(), L"", folder},  // a file's folder
      {code + L"/{00000000-5EAD-0000-0000-000000000000}", L"", std::nullopt},
  };
  for (const auto& c : paths)
    EXPECT_EQ(probes.ResolveAlternative(PathAlternative{c.location, c.name}), c.folder) << c.location << L" " << c.name;
}

}  // namespace
}  // namespace wendrix
