// The wallet on disk: entry folders made one at a time across threads and
// processes, Wallet files read with the size limit and the sharing retries,
// pruning, deletion, and paths that fetched names cannot lead out of the
// wallet.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>
#include <vector>

#include "core/date.h"
#include "platform/path_containment.h"
#include "publisher/windows_environment.h"
#include "../support/loaded_library.h"
#include "../support/shell_folder_redirect.h"
#include "saved_entry.h"
#include "wallet/download_window.h"
#include "wallet/entry_start.h"
#include "wallet/wallet_file.h"
#include "wallet/wallet_store.h"

namespace wendrix {
namespace {

constexpr HRESULT kOverflow = static_cast<HRESULT>(0x8007006F);
constexpr HRESULT kFileNotFound = static_cast<HRESULT>(0x80070002);

constexpr wchar_t kPublisherText[] =
    L"[Publisher]\nID=1.3.6.1.4.1.99999.7\nName=\"Acme Tools\"\nHomePage=http://www.acme.example/\n"
    L"Application=\"Kestmoor(R) Wendrix(TM)\"\n"
    L"[Item]\nID=Tool\nType=Software\nTitle=T\nAction=Get\n[Text]\nID=T\nText=en,\"Big Tool\"\n"
    L"[Action]\nID=Get\nType=Download\nSubtype=Update\nFlags=Install\nVersion=2.5\nURL=http://dl.example/d/setup.exe\n";

class WalletStoreTest : public test::ShellFolderTest {
 protected:
  void SetUp() override {
    ShellFolderTest::SetUp();
    ASSERT_TRUE(m_library.Loaded());
  }
  std::wstring Wallet() const { return m_user + L"\\Kestmoor\\Wendrix\\Wallet\\"; }

  // A new entry of the sample item in `status`, saved in its own folder.
  WalletEntry NewEntry(std::uint32_t status, std::uint64_t date, std::uint64_t bytes) {
    WalletEntry entry = test::SavedEntry(kPublisherText, env);
    entry.wallet.status = status;
    entry.wallet.date = date;
    entry.wallet.bytes = bytes;
    EXPECT_EQ(SaveWalletEntry(entry), S_OK);
    return entry;
  }
  void Touch(const WalletEntry& entry, bool temporaryForm) {
    std::wstring path;
    ASSERT_EQ(WalletEntryFilePath(entry, 0, temporaryForm, path), S_OK);
    WriteFile(path.substr(0, path.rfind(L'\\') + 1), path.substr(path.rfind(L'\\') + 1).c_str(), L"data");
  }
  static bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

  const WindowsPublisherEnvironment env{L"3.8.10.0"};
  test::LoadedLibrary m_library;  // Wallet files are read with the library's own version
};

TEST_F(WalletStoreTest, EntriesOfTheSameVersionGetNumberedFoldersEvenWhenCreatedAtOnce) {
  const WalletEntry first = NewEntry(kWalletDownloaded, 1, 0);
  EXPECT_EQ(first.Id(), L"Acme_Tools_-_Big_Tool_2.5.0.0");
  std::vector<std::wstring> ids(8);
  std::vector<std::thread> threads;
  for (std::wstring& id : ids)
    threads.emplace_back([&] {
      WalletEntry e;
      ReadWalletText(kPublisherText, L"", e, env);
      EXPECT_EQ(CreateWalletEntryFolder(e.data, *e.EntryItem(), *e.EntryAction(), id), S_OK);
    });
  for (std::thread& t : threads) t.join();
  const std::set<std::wstring> distinct(ids.begin(), ids.end());
  EXPECT_EQ(distinct.size(), ids.size());
  EXPECT_TRUE(distinct.count(first.Id() + L"_1"));
  EXPECT_TRUE(distinct.count(first.Id() + L"_8"));
}

TEST_F(WalletStoreTest, LoadsWhatWasSavedWithTheFolderNameAsTheId) {
  WalletEntry saved = NewEntry(kWalletStopped, 7, 99);
  WalletEntry loaded;
  ASSERT_EQ(LoadWalletEntry(saved.Id(), loaded), S_OK);
  EXPECT_EQ(loaded.Status(), kWalletStopped);
  EXPECT_EQ(loaded.wallet.bytes, 99u);

  // A file that names another entry still belongs to its own folder.
  saved.wallet.id = L"Other";
  const std::wstring folder = Wallet() + L"Copied";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  ASSERT_TRUE(CopyFileW((Wallet() + loaded.Id() + L"\\Wallet.wx-cnf").c_str(), (folder + L"\\Wallet.wx-cnf").c_str(), TRUE));
  ASSERT_EQ(LoadWalletEntry(L"Copied", loaded), S_OK);
  EXPECT_EQ(loaded.Id(), L"Copied");

  EXPECT_EQ(LoadWalletEntry(L"Missing", loaded), kFileNotFound);
  EXPECT_EQ(LoadWalletEntry(L"..\\Wallet", loaded), kPathNotInsideFolder);
  EXPECT_EQ(LoadWalletEntryFile(L"Wallet.wx-cnf", loaded), E_INVALIDARG);
  std::wstring path;
  EXPECT_EQ(WalletEntryPath(std::wstring(300, L'x'), L"", path), kOverflow);
}

TEST_F(WalletStoreTest, AWalletFileOverTheLimitIsRefusedUnread) {
  const WalletEntry entry = NewEntry(kWalletDownloaded, 1, 0);
  const std::wstring file = Wallet() + entry.Id() + L"\\Wallet.wx-cnf";
  // Padded with comment lines to exactly the limit: still read.
  std::string bytes("\xFF\xFE", 2);
  for (wchar_t c : std::wstring(kPublisherText)) bytes.append(reinterpret_cast<const char*>(&c), 2);
  while (bytes.size() + 4 <= kWalletFileLimit) bytes.append(";\0\n\0", 4);
  bytes.append(kWalletFileLimit - bytes.size(), ' ');
  const auto write = [&] {
    HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
  };
  write();
  WalletEntry loaded;
  EXPECT_EQ(LoadWalletEntry(entry.Id(), loaded), S_OK);
  bytes += ' ';
  write();
  EXPECT_EQ(LoadWalletEntry(entry.Id(), loaded), kInvalidData);
}

TEST_F(WalletStoreTest, ALoadWaitsForAWriterThatHoldsTheFile) {
  const WalletEntry entry = NewEntry(kWalletDownloaded, 1, 0);
  const std::wstring file = Wallet() + entry.Id() + L"\\Wallet.wx-cnf";
  HANDLE held = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::thread writer([&] {
    Sleep(kWalletLoadRetryMs + 200);  // past the first retry
    CloseHandle(held);
  });
  WalletEntry loaded;
  EXPECT_EQ(LoadWalletEntry(entry.Id(), loaded), S_OK);
  writer.join();
}

TEST_F(WalletStoreTest, PruningDeletesTheOldestFinishedEntriesUntilTheWalletFits) {
  const auto day = [](unsigned d) { return FileTimeFromParts(2026, 1, d, 0, 0, 0); };
  const WalletEntry downloading = NewEntry(kWalletDownloading, day(1), 100);
  const WalletEntry waiting = NewEntry(kWalletWaitingToInstall, day(1), 100);
  const WalletEntry oldest = NewEntry(kWalletInstalled, day(2), 100);
  const WalletEntry spared = NewEntry(kWalletError, day(1), 100);
  const WalletEntry newest = NewEntry(kWalletDownloaded, day(3), 100);
  Touch(oldest, false);

  CWallet wallet;
  const std::wstring keep[] = {spared.Id()};
  ASSERT_EQ(wallet.Prune(400, keep), S_OK);  // 500 bytes: one entry goes
  EXPECT_FALSE(Exists(Wallet() + oldest.Id()));
  EXPECT_TRUE(Exists(Wallet() + newest.Id()));
  ASSERT_EQ(wallet.Prune(0, keep), S_OK);
  EXPECT_FALSE(Exists(Wallet() + newest.Id()));
  for (const WalletEntry* kept : {&downloading, &waiting, &spared}) EXPECT_TRUE(Exists(Wallet() + kept->Id()));
  EXPECT_EQ(wallet.Entries().size(), 3u);
}

TEST_F(WalletStoreTest, DeletingAnEntryRemovesItsFilesAndLeavesForeignOnes) {
  const WalletEntry entry = NewEntry(kWalletDownloading, 1, 0);
  Touch(entry, true);
  Touch(entry, false);
  EXPECT_EQ(WalletEntrySizeOnDisk(entry, true), 10u);  // "data" as UTF-16 with its mark
  DeleteWalletEntry(entry);
  EXPECT_FALSE(Exists(Wallet() + entry.Id()));

  const WalletEntry kept = NewEntry(kWalletDownloaded, 1, 0);
  WriteFile(Wallet() + kept.Id() + L"\\", L"notes.txt", L"mine");
  DeleteWalletEntry(kept);
  EXPECT_FALSE(Exists(Wallet() + kept.Id() + L"\\Wallet.wx-cnf"));
  EXPECT_TRUE(Exists(Wallet() + kept.Id() + L"\\notes.txt"));

  // Find drops an entry whose folder has gone meanwhile.
  const WalletEntry gone = NewEntry(kWalletDownloaded, 1, 0);
  CWallet wallet;
  ASSERT_EQ(wallet.LoadAll(), S_OK);
  ASSERT_EQ(wallet.Entries().size(), 1u);  // the folder without a Wallet file is left out
  DeleteWalletEntry(gone);
  EXPECT_EQ(wallet.Find({L"1.3.6.1.4.1.99999.7", L"Tool", std::nullopt, std::nullopt, -1}), nullptr);
  EXPECT_TRUE(wallet.Entries().empty());
}

}  // namespace
}  // namespace wendrix

namespace wendrix {
namespace {

TEST_F(WalletStoreTest, StartingWorkResetsTheEntryBeforeTheMainProgramTakesIt) {
  WalletEntry entry = NewEntry(kWalletError, FileTimeFromParts(2026, 1, 1, 0, 0, 0), 300);
  entry.wallet.error = 0x80070005;
  Touch(entry, true);
  Touch(entry, false);
  CWallet wallet;
  ASSERT_EQ(wallet.LoadAll(), S_OK);
  EXPECT_EQ(FreeDownloadSlots(wallet, 2), 2u);

  // The main program is not installed here: the start fails after the save.
  StartEntryDownload(entry, kOriginManual);
  WalletEntry saved;
  ASSERT_EQ(LoadWalletEntry(entry.Id(), saved), S_OK);
  EXPECT_EQ(saved.Status(), kWalletDownloading);
  EXPECT_EQ(saved.wallet.origin, kOriginManual);
  EXPECT_EQ(saved.wallet.bytes, 0u);
  EXPECT_EQ(saved.wallet.error, 0u);
  EXPECT_GT(saved.wallet.date, FileTimeFromParts(2026, 1, 1, 0, 0, 0));
  EXPECT_EQ(saved.wallet.url, L"http://dl.example/d/setup.exe");
  EXPECT_EQ(WalletEntrySizeOnDisk(saved, true) + WalletEntrySizeOnDisk(saved, false), 0u);
  ASSERT_EQ(wallet.LoadAll(), S_OK);
  EXPECT_EQ(FreeDownloadSlots(wallet, 2), 1u);
  EXPECT_EQ(FreeDownloadSlots(wallet, 1), 0u);

  // An entry whose download window runs is left to it.
  CDownloadWindow running;
  ASSERT_EQ(running.Start(entry.Id()), S_OK);
  EXPECT_EQ(StartEntryInstallation(saved, kOriginManual), S_FALSE);
  ASSERT_EQ(LoadWalletEntry(entry.Id(), saved), S_OK);
  EXPECT_EQ(saved.Status(), kWalletDownloading);
}

}  // namespace
}  // namespace wendrix
