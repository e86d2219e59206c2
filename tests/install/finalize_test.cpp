// The product's end: finalized when its last publisher goes, kept while
// another one stays, through the uninstallers' hook in a process of its own,
// and the setup program installing and uninstalling as a real process; and
// a file in use, which both an installation and a finalization leave to the
// next restart.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "../support/child_process.h"
#include "../support/pending_renames.h"
#include "../support/temp_folder.h"
#include "install_fixture.h"
#include "platform/unique_handle.h"

namespace wendrix::test {
namespace {

class FinalizeTest : public InstallTest {
 protected:
  void SetUp() override {
    InstallTest::SetUp();
    m_temp.Write(L"media\\wendrixc.dll", "companion");
    m_temp.Write(L"media\\wendrixc64.dll", "companion 64");
    ASSERT_EQ(S_OK, m_exports.install(nullptr, nullptr, nullptr, 0));
  }

  void ExpectInstalled(bool installed) {
    // What an installation with one registered publisher leaves on the machine.
    const struct {
      HKEY root;
      const wchar_t* key;
      REGSAM view;
    } traces[] = {
        {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Kestmoor\\Wendrix", KEY_WOW64_32KEY},
        {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Kestmoor\\Wendrix", KEY_WOW64_64KEY},
        {HKEY_LOCAL_MACHINE, L"Software\\Classes\\CLSID\\{6B1D5F3B-2C47-4E8B-9A61-3F0E7C2D8B14}", KEY_WOW64_32KEY},
        {HKEY_LOCAL_MACHINE, L"Software\\Classes\\Wendrix.Application", KEY_WOW64_32KEY},
        {HKEY_LOCAL_MACHINE, L"Software\\Classes\\CLSID\\{6B1D5F3B-2C47-4E8B-9A61-3F0E7C2D8B14}", KEY_WOW64_64KEY},
        {HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kestmoor Wendrix", KEY_WOW64_32KEY},
        {HKEY_CURRENT_USER, L"Software\\Classes\\.wx-cnf", 0},
        {HKEY_CURRENT_USER, L"Software\\Classes\\Wendrix.DataFile", 0},
    };
    for (const auto& trace : traces)
      EXPECT_EQ(installed, KeyExists(trace.root, trace.key, trace.view)) << trace.key << " view " << trace.view;
    EXPECT_EQ(installed, L"<missing>" != RegistryText(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                                                      L"KestmoorWendrix", 0));
    for (const std::wstring& file : {Product(L"wendrix.exe"), Product(L"wxsetup.exe"), Product(L"wendrixcpl.xml"),
                                     Product64(L"wendrix64.dll"), Product64(L"wendrixc64.dll")})
      EXPECT_EQ(installed, FileExists(file)) << file;
    EXPECT_EQ(installed, FileExists(m_product)) << "the product folder";
    EXPECT_EQ(installed, FileExists(m_common + L"\\Kestmoor\\Wendrix")) << "the shared data folder";
  }
};

// An unknown caller stops the uninstall; a publisher that stays keeps
// everything; the last one takes the product along, not the setup media.
TEST_F(FinalizeTest, TheLastPublisherTakesTheProductAlong) {
  Register("AcmeSetup", "Acme");
  Register("OtherSetup", "Other");
  EXPECT_TRUE(FAILED(m_exports.uninstall("NobodySetup", WENDRIX_UNINSTALL_CURRENT_USER)));
  ExpectInstalled(true);
  EXPECT_EQ(S_OK, m_exports.uninstall("AcmeSetup", WENDRIX_UNINSTALL_CURRENT_USER));
  ExpectInstalled(true);
  EXPECT_EQ(S_OK, m_exports.uninstall("OtherSetup", WENDRIX_UNINSTALL_CURRENT_USER));
  ExpectInstalled(false);
  EXPECT_FALSE(FileExists(m_user + L"\\Kestmoor\\Wendrix")) << "the user's data folder";
  EXPECT_TRUE(FileExists(m_media)) << "the setup media stay";
}

// A file in use waits for the restart: an installation puts a copy beside
// it and renames it over the file then, a finalization deletes it then. The
// journal takes the pending change back.
TEST_F(FinalizeTest, AFileInUseWaitsForTheRestartAndTheJournalTakesItBack) {
  const PendingRenamesGuard renames;
  const std::wstring held = Product(L"wendrixl.exe");
  SetFileMinorVersion(held, 7);  // older than the media's: an installation replaces it
  const std::string before = ReadFileBytes(held);
  for (const bool finalize : {false, true}) {
    SCOPED_TRACE(finalize ? "finalize" : "install");
    UniqueFile holder(CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    WCHAR journal[MAX_PATH];
    ASSERT_EQ(S_OK, m_exports.createRollback(journal, 0));
    EXPECT_EQ(S_FALSE, finalize ? m_exports.finalize(journal, nullptr, nullptr, 0)
                                : m_exports.install(journal, nullptr, nullptr, 0));
    holder.Reset();
    EXPECT_EQ(before, ReadFileBytes(held));
    EXPECT_EQ(!finalize, FileExists(Product(L"wendrix.exe")));
    // A deletion is the file and an empty target, where the list reader stops.
    const std::vector<std::wstring> pending = PendingRenames();
    ASSERT_EQ(renames.Before().size() + (finalize ? 1 : 2), pending.size());
    EXPECT_NE(std::wstring::npos, pending.back().find(L"wendrixl.exe"));
    std::wstring beside;
    if (!finalize) {
      const std::wstring& source = pending[pending.size() - 2];
      EXPECT_NE(std::wstring::npos, source.find(L"~wx")) << source;
      beside = m_product + source.substr(source.find_last_of(L'\\'));
      EXPECT_EQ(ReadFileBytes(Media(L"wendrixl.exe")), ReadFileBytes(beside));
    }
    EXPECT_EQ(S_OK, m_exports.rollback(journal));
    EXPECT_EQ(renames.Before(), PendingRenames());
    EXPECT_TRUE(beside.empty() || !FileExists(beside));
    EXPECT_TRUE(FileExists(Product(L"wendrix.exe")));
  }
}

// An uninstaller's process: loads the library args[0] and calls its hook,
// which reads this process's own command line.
WENDRIX_CHILD_ROLE(uninstaller) {
  if (args.empty()) return 90;
  const HMODULE library = LoadLibraryW(args[0].c_str());
  if (!library) return 91;
  const auto hook = reinterpret_cast<decltype(&UninstInitialize)>(
      reinterpret_cast<void*>(GetProcAddress(library, "UninstInitialize")));
  const auto after = reinterpret_cast<decltype(&UninstUnInitialize)>(
      reinterpret_cast<void*>(GetProcAddress(library, "UninstUnInitialize")));
  if (!hook || !after) return 92;
  const HRESULT hr = hook(0, 0, 0);
  return hr == S_OK && after(0, 0, 0) == S_OK ? 0 : 93;
}

TEST_F(FinalizeTest, UninstallerHookUnregistersThePublisherNamedOnItsCommandLine) {
  Register("PUB", "Acme");
  for (const wchar_t* argument : {L"", L"-!PUB.1"}) {  // without the argument the hook does nothing
    ChildProcess child;
    ASSERT_TRUE(child.Start(L"uninstaller", {Media(L"wendrix64.dll"), argument}));
    EXPECT_EQ(0, child.Wait());
    ExpectInstalled(*argument == 0);
  }
}

// Runs the setup program of the media with `arguments`; its exit code.
DWORD RunSetupProgram(const std::wstring& program, const std::wstring& arguments) {
  std::wstring line = L"\"" + program + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
    return 0xFFFFFFFF;
  const UniqueKernelObject process(info.hProcess), thread(info.hThread);
  if (WaitForSingleObject(process.Get(), 120000) != WAIT_OBJECT_0) return 0xFFFFFFFE;
  DWORD code = 0;
  GetExitCodeProcess(process.Get(), &code);
  return code;
}

TEST_F(InstallTest, SetupProgramInstallsAndUninstalls) {
  EXPECT_EQ(static_cast<DWORD>(E_INVALIDARG), RunSetupProgram(Media(L"wxsetup.exe"), L"uninstall /everything"));
  EXPECT_FALSE(FileExists(m_product));
  ASSERT_EQ(0u, RunSetupProgram(Media(L"wxsetup.exe"), L""));
  EXPECT_EQ(ReadFileBytes(Media(L"wxsetup.exe")), ReadFileBytes(Product(L"wxsetup.exe")));
  EXPECT_EQ(m_product,
            RegistryText(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Kestmoor\\Wendrix\\3.0", L"Path", KEY_WOW64_32KEY));
  ASSERT_EQ(0u, RunSetupProgram(Media(L"wxsetup.exe"), L"uninstall"));
  EXPECT_FALSE(FileExists(m_product));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Kestmoor\\Wendrix", KEY_WOW64_32KEY));
}

// Answers the setup dialog with `button` once it shows, as a user would;
// false when it never showed.
bool AnswerSetupDialog(WORD button) {
  for (int look = 0; look < 200; ++look) {
    if (const HWND dialog = FindWindowW(L"#32770", L"Wendrix Setup")) {
      PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
      return true;
    }
    Sleep(50);
  }
  return false;
}

TEST_F(FinalizeTest, SetupDialogCancelsOrRemovesTheProduct) {
  const auto setup =
      reinterpret_cast<decltype(&WendrixSetup)>(reinterpret_cast<void*>(GetProcAddress(m_library, "WendrixSetup")));
  ASSERT_NE(setup, nullptr);
  const struct {
    WORD button;
    HRESULT result;
    bool installedAfter;
  } cases[] = {{IDCANCEL, E_ABORT, true}, {IDOK, S_OK, false}};
  for (const auto& c : cases) {
    bool shown = false;
    std::thread user([&] { shown = AnswerSetupDialog(c.button); });
    UINT32 location = 0xDEAD;
    EXPECT_EQ(c.result, setup(nullptr, &location, 0, 0, 0, 0)) << c.button;
    user.join();
    EXPECT_TRUE(shown);
    EXPECT_EQ(0u, location);
    // No publisher is registered: OK leaves nothing that keeps the product.
    EXPECT_EQ(c.installedAfter, FileExists(Product(L"wendrix.exe")));
    EXPECT_EQ(c.installedAfter, KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Kestmoor\\Wendrix", KEY_WOW64_32KEY));
  }
}

}  // namespace
}  // namespace wendrix::test
