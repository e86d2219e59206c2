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
#include "wallet/download_window.h"
#include "wallet_fixture.h"

namespace wendrix {
namespace {

constexpr HRESULT kOverflow = static_cast<HRESULT>(0x8007006F);
constexpr HRESULT kFileNotFound = static_cast<HRESULT>(0x80070002);

class WalletStoreTest : public test::WalletTest {
 protected:
  const std::wstring m_text = test::ToolText(L"Flags=Install\nURL=http://dl.example/d/setup.exe\n", L"\"Acme Tools\"");

  // A new entry of the sample item in `status`, saved in its own folder.
  WalletEntry NewEntry(std::uint32_t status, std::uint64_t date, std::uint64_t bytes) {
    WalletEntry entry = test::SavedEntry(m_text, m_env);
    entry.wallet.status = status;
    entry.wallet.date = date;
    entry.wallet.bytes = bytes;
    EXPECT_EQ(SaveWalletEntry(entry), S_OK);
    return entry;
  }
  void Touch(const WalletEntry& entry, bool temporaryForm) {
    const std::wstring path = PathOf(entry, 0, temporaryForm);
    WriteFile(path.substr(0, path.rfind(L'\\') + 1), path.substr(path.rfind(L'\\') + 1).c_str(), L"data");
  }
  bool Exists(const WalletEntry& entry, const std::wstring& file = L"") const {
    return test::FileExists(Wallet() + entry.Id() + file);
  }
};

TEST_F(WalletStoreTest, EntriesOfTheSameVersionGetNumberedFoldersEvenWhenCreatedAtOnce) {
  const WalletEntry first = NewEntry(kWalletDownloaded, 1, 0);
  EXPECT_EQ(first.Id(), L"Acme_Tools_-_Tool_2.5.0.0");
  std::vector<std::wstring> ids(8);
  std::vector<std::thread> threads;
  for (std::wstring& id : ids)
    threads.emplace_back([&] {
      WalletEntry e;
      ReadWalletText(m_text, L"", e, m_env);
      EXPECT_EQ(CreateWalletEntryFolder(e.data, *e.EntryItem(), *e.EntryAction(), id), S_OK);
    });
  for (std::thread& t : threads) t.join();
  const std::set<std::wstring> distinct(ids.begin(), ids.end());
  EXPECT_EQ(distinct.size(), ids.size());
  EXPECT_TRUE(distinct.count(first.Id() + L"_1"));
  EXPECT_TRUE(distinct.count(first.Id() + L"_8"));
}

TEST_F(WalletStoreTest, LoadsWhatWasSavedUnderTheFolderNameWithinTheLimitAndPastAWriter) {
  WalletEntry saved = NewEntry(kWalletStopped, 7, 99);
  WalletEntry loaded;
  ASSERT_EQ(LoadWalletEntry(saved.Id(), loaded), S_OK);
  EXPECT_EQ(loaded.Status(), kWalletStopped);

  // A file that names another entry still belongs to its own folder.
  const std::wstring file = Wallet() + saved.Id() + L"\\Wallet.wx-cnf";
  const std::wstring folder = Wallet() + L"Copied";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  ASSERT_TRUE(CopyFileW(file.c_str(), (folder + L"\\Wallet.wx-cnf").c_str(), TRUE));
  ASSERT_EQ(LoadWalletEntry(L"Copied", loaded), S_OK);
  EXPECT_EQ(loaded.Id(), L"Copied");
  EXPECT_EQ(LoadWalletEntry(L"Missing", loaded), kFileNotFound);
  EXPECT_EQ(LoadWalletEntry(L"..\\Wallet", loaded), kPathNotInsideFolder);
  EXPECT_EQ(LoadWalletEntryFile(L"Wallet.wx-cnf", loaded), E_INVALIDARG);
  std::wstring path;
  EXPECT_EQ(WalletEntryPath(std::wstring(300, L'x'), L"", path), kOverflow);

  // Padded with comment lines to exactly the limit: still read; one byte more is not.
  std::string bytes("\xFF\xFE", 2);
  for (wchar_t c : m_text) bytes.append(reinterpret_cast<const char*>(&c), 2);
  while (bytes.size() + 4 <= kWalletFileLimit) bytes.append(";\0\n\0", 4);
  bytes.append(kWalletFileLimit - bytes.size(), ' ');
  for (const HRESULT expected : {S_OK, kInvalidData}) {
    DeleteFileW(file.c_str());
    m_temp.Write(L"padded", bytes);
    ASSERT_TRUE(MoveFileW(m_temp.File(L"padded").c_str(), file.c_str()));
    EXPECT_EQ(LoadWalletEntry(saved.Id(), loaded), expected);
    bytes += ' ';
  }

  // A load waits for a writer that holds the file.
  ASSERT_EQ(SaveWalletEntry(saved), S_OK);
  HANDLE held = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::thread writer([&] {
    Sleep(kWalletLoadRetryMs + 200);  // past the first retry
    CloseHandle(held);
  });
  EXPECT_EQ(LoadWalletEntry(saved.Id(), loaded), S_OK);
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
  EXPECT_FALSE(Exists(oldest));
  EXPECT_TRUE(Exists(newest));
  ASSERT_EQ(wallet.Prune(0, keep), S_OK);
  EXPECT_FALSE(Exists(newest));
  for (const WalletEntry* kept : {&downloading, &waiting, &spared}) EXPECT_TRUE(Exists(*kept));
  EXPECT_EQ(wallet.Entries().size(), 3u);
}

TEST_F(WalletStoreTest, DeletingAnEntryRemovesItsFilesAndLeavesForeignOnes) {
  const WalletEntry entry = NewEntry(kWalletDownloading, 1, 0);
  Touch(entry, true);
  Touch(entry, false);
  EXPECT_EQ(WalletEntrySizeOnDisk(entry, true), 10u);  // "data" as UTF-16 with its mark
  DeleteWalletEntry(entry);
  EXPECT_FALSE(Exists(entry));

  const WalletEntry kept = NewEntry(kWalletDownloaded, 1, 0);
  WriteFile(Wallet() + kept.Id() + L"\\", L"notes.txt", L"mine");
  DeleteWalletEntry(kept);
  EXPECT_FALSE(Exists(kept, L"\\Wallet.wx-cnf"));
  EXPECT_TRUE(Exists(kept, L"\\notes.txt"));

  // Find drops an entry whose folder has gone meanwhile.
  const WalletEntry gone = NewEntry(kWalletDownloaded, 1, 0);
  CWallet wallet;
  ASSERT_EQ(wallet.LoadAll(), S_OK);
  ASSERT_EQ(wallet.Entries().size(), 1u);  // the folder without a Wallet file is left out
  DeleteWalletEntry(gone);
  EXPECT_EQ(wallet.Find({L"1.3.6.1.4.1.99999.7", L"Tool", std::nullopt, std::nullopt, -1}), nullptr);
  EXPECT_TRUE(wallet.Entries().empty());
}

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
  WalletEntry saved = Reloaded(entry);
  EXPECT_EQ(saved.Status(), kWalletDownloading);
  EXPECT_EQ(saved.wallet.origin, kOriginManual);
  EXPECT_EQ(saved.wallet.bytes + saved.wallet.error, 0u);
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
  EXPECT_EQ(Reloaded(entry).Status(), kWalletDownloading);
}

}  // namespace
}  // namespace wendrix
