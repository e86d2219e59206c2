// wxcli download and wallet: an item's action fetched into the wallet with a
// progress bar, and the wallet's entries listed, pruned, deleted or resumed.
#include <windows.h>

#include <memory>
#include <string>

#include "console.h"
#include "publisher_file.h"
#include "update/settings.h"
#include "wallet/entry_state.h"
#include "wallet/wallet_store.h"
#include "wendrix.h"

using namespace wendrix;

namespace wxcli {
namespace {

constexpr int kBarWidth = 40;

// Draws "[#####     ]  42%  12345/67890" over the previous bar.
int CALLBACK ShowProgress(const WCHAR* done, const WCHAR* total, int percent, void*) {
  const int filled = percent * kBarWidth / 100;
  std::wstring bar = L"\r[" + std::wstring(filled, L'#') + std::wstring(kBarWidth - filled, L' ') + L"] ";
  const std::wstring number = std::to_wstring(percent);
  bar += std::wstring(3 - (number.size() < 3 ? number.size() : 3), L' ') + number + L"%  " + done + L"/" + total;
  Err(bar);
  return 1;
}

const wchar_t* StatusWord(std::uint32_t status) {
  static const wchar_t* const kWords[] = {L"Downloading", L"Stopped",    L"Error",    L"Downloaded",
                                          L"WaitingToInstall", L"Installing", L"Installed"};
  return status < std::size(kWords) ? kWords[status] : L"?";
}

// The request bit the flags name (Generic when none does).
UINT32 TakeRequest(Args& args) {
  UINT32 request = 0;
  for (const auto& [flag, bit] : {std::pair{L"--generic", WENDRIX_REQUEST_GENERIC}, {L"--try", WENDRIX_REQUEST_TRY},
                                  {L"--buy", WENDRIX_REQUEST_BUY}, {L"--update", WENDRIX_REQUEST_UPDATE}})
    if (TakeFlag(args, flag)) request |= bit;
  return request ? request : WENDRIX_REQUEST_GENERIC;
}

}  // namespace

int CommandDownload(Args args) {
  const UINT32 request = TakeRequest(args);
  if (args.size() != 2) {
    Err(L"usage: wxcli download PUBLISHER ITEM [--generic|--try|--buy|--update]\n");
    return 2;
  }
  const HRESULT hr = WendrixDownload(args[0].c_str(), args[1].c_str(), request, ShowProgress, nullptr);
  Err(L"\n");
  if (FAILED(hr)) return Failed(L"download", hr);
  Out(L"downloaded into the wallet\n");
  return 0;
}

int CommandInstall(Args args) {
  const UINT32 request = TakeRequest(args);
  if (args.size() != 2) {
    Err(L"usage: wxcli install PUBLISHER ITEM [--generic|--try|--buy|--update]\n");
    return 2;
  }
  // At once, in this process: there is no main program to ask the user.
  const HRESULT hr = WendrixInstallItem(args[0].c_str(), args[1].c_str(), request | WENDRIX_REQUEST_INSTALL_NOW,
                                        nullptr, nullptr, ShowProgress, nullptr);
  Err(L"\n");
  if (FAILED(hr)) return Failed(L"install", hr);
  Out(L"installed\n");
  return 0;
}

int CommandWallet(Args args) {
  std::wstring deleteId, installId;
  const bool prune = TakeFlag(args, L"--prune");
  const bool resume = TakeFlag(args, L"--resume");
  const bool remove = TakeOption(args, L"--delete", deleteId);
  const bool install = TakeOption(args, L"--install", installId);
  if (!args.empty()) {
    Err(L"usage: wxcli wallet [--prune] [--delete ID] [--resume] [--install ID]\n");
    return 2;
  }
  InitializeLibraryState();  // Wallet files are read with the library's version
  if (install) {
    // The entry is marked for installation and run here, as the main
    // program runs an entry it is handed.
    WalletEntry entry;
    if (const HRESULT hr = LoadWalletEntry(installId, entry); FAILED(hr)) return Failed(L"install", hr);
    entry.wallet.flags = (entry.wallet.flags | kWalletInstall) & ~static_cast<std::uint32_t>(kWalletDeferredInstall);
    entry.wallet.status = kWalletWaitingToInstall;
    if (const HRESULT hr = SaveWalletEntry(entry); FAILED(hr)) return Failed(L"install", hr);
    if (const HRESULT hr = WendrixWallet(WENDRIX_WALLET_RUN_ENTRY, 0, installId.c_str(), nullptr, nullptr); FAILED(hr))
      return Failed(L"install", hr);
  }
  if (resume) {
    if (const HRESULT hr = WendrixWallet(WENDRIX_WALLET_RESUME, 0, nullptr, nullptr, nullptr); FAILED(hr))
      return Failed(L"resume", hr);
  }
  CWallet wallet;
  if (const HRESULT hr = wallet.LoadAll(); FAILED(hr)) return Failed(L"wallet", hr);
  if (remove) {
    WalletEntry entry;
    if (const HRESULT hr = LoadWalletEntry(deleteId, entry); FAILED(hr)) return Failed(L"delete", hr);
    DeleteWalletEntry(entry);
    if (const HRESULT hr = wallet.LoadAll(); FAILED(hr)) return Failed(L"wallet", hr);
  }
  if (prune) {
    std::unique_ptr<InternetSettings> settings;
    if (const HRESULT hr = LoadSettings(settings); FAILED(hr)) return Failed(L"settings", hr);
    const std::uint64_t limit = static_cast<std::uint64_t>(settings->maxWalletDiskSpace) * 1048576;
    if (const HRESULT hr = wallet.Prune(limit, {}); FAILED(hr)) return Failed(L"prune", hr);
  }
  for (const WalletEntry& entry : wallet.Entries()) {
    // Progress lives in the process that downloads; a file on disk is whole
    // once the entry is Downloaded or later.
    const std::uint32_t status = EffectiveStatus(entry);
    const bool whole = status >= kWalletDownloaded;
    Out(entry.Id() + L"  " + StatusWord(status) + L"  " + std::to_wstring(WalletEntryReportedSize(entry)) + L" bytes  " +
        (whole ? L"100%" : L"-") + L"\n");
  }
  if (wallet.Entries().empty()) Out(L"the wallet is empty\n");
  return 0;
}

}  // namespace wxcli
