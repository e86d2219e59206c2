// The product installed by its own library into an empty machine, again
// over itself, over newer and older files, and rolled back after a failure.
// (A file in use is the finalize tests' case, for both.)
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "../support/registry_sandbox.h"
#include "../support/temp_folder.h"
#include "install_fixture.h"

namespace wendrix::test {
namespace {

constexpr wchar_t kSettings[] = L"SOFTWARE\\Kestmoor\\Wendrix\\3.0";
constexpr wchar_t kCompanionServer[] =
    L"Software\\Classes\\CLSID\\{6B1D5F3B-2C47-4E8B-9A61-3F0E7C2D8B14}\\InprocServer32";
constexpr wchar_t kControlServer[] =
    L"Software\\Classes\\CLSID\\{A8E2947D-51D3-4B0F-8C6E-0D9B3A7F5E21}\\InprocServer32";

const wchar_t* const kProductPrograms[] = {L"wendrix.exe", L"wendrixu.exe", L"wendrixl.exe", L"wxsetup.exe"};

TEST_F(InstallTest, IntoAnEmptyMachine) {
  // Files the build does not make come along when the media has them.
  const std::wstring companion = m_temp.Write(L"media\\wendrixc.dll", "companion");
  const std::wstring companion64 = m_temp.Write(L"media\\wendrixc64.dll", "companion 64");
  UINT32 location = 0xDEAD;
  ASSERT_EQ(S_OK, m_exports.install(nullptr, &location, nullptr, 0));
  EXPECT_EQ(0u, location);

  std::uint64_t bytes = 0;
  for (const wchar_t* name : kProductPrograms) {
    EXPECT_EQ(ReadFileBytes(Media(name)), ReadFileBytes(Product(name))) << name;
    bytes += ReadFileBytes(Media(name)).size();
  }
  EXPECT_EQ(ReadFileBytes(Media(L"wendrix64.dll")), ReadFileBytes(Product64(L"wendrix64.dll")));
  EXPECT_EQ("companion", ReadFileBytes(Product(L"wendrixc.dll")));
  EXPECT_EQ("companion 64", ReadFileBytes(Product64(L"wendrixc64.dll")));
  bytes += ReadFileBytes(Media(L"wendrix64.dll")).size() + 9 + 12;
  for (const wchar_t* absent : {L"wendrix.dll", L"wendrix.cpl", L"wendrixw.ocx", L"unicows.dll"})
    EXPECT_FALSE(FileExists(Product(absent))) << absent;

  const struct {
    HKEY root;
    std::wstring key;
    const wchar_t* name;
    REGSAM view;
    std::wstring expected;
  } values[] = {
      {HKEY_LOCAL_MACHINE, kSettings, L"Size", KEY_WOW64_32KEY, std::to_wstring(bytes / 1024)},
      {HKEY_LOCAL_MACHINE, kSettings, L"Path", KEY_WOW64_32KEY, m_product},
      {HKEY_LOCAL_MACHINE, kSettings, L"Path", KEY_WOW64_64KEY, m_product64},
      {HKEY_LOCAL_MACHINE, kCompanionServer, L"", KEY_WOW64_32KEY, Product(L"wendrixc.dll")},
      {HKEY_LOCAL_MACHINE, kCompanionServer, L"ThreadingModel", KEY_WOW64_32KEY, L"apartment"},
      {HKEY_LOCAL_MACHINE, kCompanionServer, L"", KEY_WOW64_64KEY, Product64(L"wendrixc64.dll")},
      {HKEY_LOCAL_MACHINE, L"Software\\Classes\\Wendrix.Application\\CurVer", L"", KEY_WOW64_32KEY,
       L"Wendrix.Application.3"},
      {HKEY_LOCAL_MACHINE, L"Software\\Classes\\Interface\\{6B1D5F3D-2C47-4E8B-9A61-3F0E7C2D8B14}\\TypeLib",
       L"Version", KEY_WOW64_32KEY, L"3.7"},
      // No control in the media: no classes that would point at nothing.
      {HKEY_LOCAL_MACHINE, kControlServer, L"", KEY_WOW64_32KEY, L"<missing>"},
  };
  for (const auto& v : values)
    EXPECT_EQ(v.expected, RegistryText(v.root, v.key, v.name, v.view)) << v.key << " " << v.name;

  EXPECT_TRUE(FileExists(m_common + L"\\Kestmoor\\Wendrix")) << "the shared data folder";
  const std::string tasks = ReadFileBytes(Product(L"wendrixcpl.xml"));
  ASSERT_GT(tasks.size(), 2u);
  EXPECT_EQ("\xFF\xFE", tasks.substr(0, 2));
  const std::wstring text(reinterpret_cast<const wchar_t*>(tasks.data() + 2), (tasks.size() - 2) / 2);
  for (const std::wstring& part :
       {std::wstring(L"cpltasks/v1"), std::wstring(L"<sh:name>Check for updates</sh:name>"),
        L"<sh:command>&quot;" + Product(L"wendrix.exe") + L"&quot; /f:0x800</sh:command>",
        std::wstring(L"<category id=\"5\">")})
    EXPECT_NE(std::wstring::npos, text.find(part)) << part;
}

// Installed over itself, an installation copies a file only when the one
// installed is older, or when forced and it is not newer. wendrixu.exe is
// compared by its fixed version, the others by their version text; all
// carry the two.
TEST_F(InstallTest, ReplacesOnlyOlderFilesUnlessForced) {
  const struct {
    unsigned installedMinor;  // the media's files are 3.8
    UINT32 flags;
    bool replaced;
  } cases[] = {{8, 0, false}, {8, WENDRIX_INSTALL_FORCE, true}, {9, WENDRIX_INSTALL_FORCE, false}, {7, 0, true}};
  const auto installed = [&](const wchar_t* name) {
    return std::wstring(name) == L"wendrix64.dll" ? Product64(name) : Product(name);
  };
  const wchar_t* const names[] = {L"wendrix.exe", L"wendrixu.exe", L"wendrixl.exe", L"wxsetup.exe", L"wendrix64.dll"};
  ASSERT_EQ(S_OK, m_exports.install(nullptr, nullptr, nullptr, 0));
  for (const auto& c : cases) {
    for (const wchar_t* name : names) {
      ASSERT_TRUE(CopyFileW(Media(name).c_str(), installed(name).c_str(), FALSE));
      SetFileMinorVersion(installed(name), c.installedMinor);
      MarkFile(installed(name));
    }
    ASSERT_EQ(S_OK, m_exports.install(nullptr, nullptr, nullptr, c.flags));
    for (const wchar_t* name : names)
      EXPECT_EQ(c.replaced, !IsMarked(installed(name))) << name << " installed 3." << c.installedMinor << " " << c.flags;
  }
}

TEST_F(InstallTest, RollbackOfAFailedInstallationRestoresTheMachine) {
  // The 64-bit folder cannot be made below a file: the installation fails
  // after it copied the product files and wrote the task file.
  const std::wstring blocker = m_temp.Write(L"blocker", "a file");
  SetProductPath(blocker + L"\\product64", KEY_WOW64_64KEY);
  const auto before = SnapshotTree(m_temp.Path());
  const std::wstring commonBefore = RegistryText(HKEY_LOCAL_MACHINE, kSettings, L"Size", KEY_WOW64_32KEY);
  WCHAR journal[MAX_PATH];
  ASSERT_EQ(S_OK, m_exports.createRollback(journal, 0));
  UINT32 location = 0;
  EXPECT_TRUE(FAILED(m_exports.install(journal, &location, nullptr, 0)));
  EXPECT_EQ(130u, location);
  EXPECT_TRUE(FileExists(Product(L"wendrix.exe")));

  ASSERT_EQ(S_OK, m_exports.rollback(journal));
  EXPECT_EQ(before, SnapshotTree(m_temp.Path()));
  EXPECT_EQ(commonBefore, RegistryText(HKEY_LOCAL_MACHINE, kSettings, L"Size", KEY_WOW64_32KEY));
}

// Skipping the registry leaves the older version's settings and the shared
// data folder alone; a full installation brings both in.
TEST_F(InstallTest, CarriesOlderSettingsOverUnlessAskedNotTo) {
  SetStringValue(HKEY_CURRENT_USER, L"SOFTWARE\\Kestmoor\\Wendrix\\2.5", L"ProxyServer", L"proxy:8080", 0);
  for (const UINT32 flags : {UINT32{WENDRIX_INSTALL_SKIP_REGISTRY}, UINT32{0}}) {
    ASSERT_EQ(S_OK, m_exports.install(nullptr, nullptr, nullptr, flags)) << flags;
    EXPECT_EQ(flags ? L"<missing>" : L"proxy:8080", RegistryText(HKEY_CURRENT_USER, kSettings, L"ProxyServer", 0));
    EXPECT_EQ(flags == 0, FileExists(m_common + L"\\Kestmoor\\Wendrix"));
  }
}

TEST_F(InstallTest, ANewerInstalledLibraryIsLeftAlone) {
  // The installed copy is looked for under its 32-bit name.
  ASSERT_TRUE(CreateDirectoryW(m_product.c_str(), nullptr));
  ASSERT_TRUE(CopyFileW(Media(L"wendrix64.dll").c_str(), Product(L"wendrix.dll").c_str(), FALSE));
  SetFileMinorVersion(Product(L"wendrix.dll"), 9);
  EXPECT_EQ(S_OK, m_exports.install(nullptr, nullptr, nullptr, WENDRIX_INSTALL_FORCE));
  EXPECT_FALSE(FileExists(Product(L"wendrix.exe")));
  EXPECT_EQ(L"<missing>", RegistryText(HKEY_LOCAL_MACHINE, kSettings, L"Size", KEY_WOW64_32KEY));
}

TEST_F(InstallTest, MissingProgramInTheMediaFailsAtItsStep) {
  const struct {
    const wchar_t* name;
    UINT32 location;
  } cases[] = {{L"wendrix.exe", 45}, {L"wendrixu.exe", 49}, {L"wendrixl.exe", 51}, {L"wxsetup.exe", 160}};
  for (const auto& c : cases) {
    const std::wstring aside = Media(c.name) + L".aside";
    ASSERT_TRUE(MoveFileW(Media(c.name).c_str(), aside.c_str()));
    UINT32 location = 0;
    EXPECT_EQ(static_cast<HRESULT>(0x80070002), m_exports.install(nullptr, &location, nullptr, 0)) << c.name;
    EXPECT_EQ(c.location, location) << c.name;
    ASSERT_TRUE(MoveFileW(aside.c_str(), Media(c.name).c_str()));
  }
}

}  // namespace
}  // namespace wendrix::test
