#include "wallet/entry_start.h"

#include <windows.h>

#include <string>

#include "core/ini_data_buffer.h"
#include "core/text_encoding.h"
#include "platform/file_facts.h"
#include "wallet/download_window.h"
#include "wallet/entry_state.h"
#include "wallet/main_program.h"
#include "wallet/wallet_file.h"

namespace wendrix {
namespace {

HRESULT HandToMainProgram(const WalletEntry& entry) {
  UniqueKernelObject process;
  return StartMainProgram(EntryCommandLine(entry.Id(), nullptr, nullptr), process);
}

}  // namespace

HRESULT PrepareWalletEntry(CWallet& wallet, const PublisherData& data, const Item& item, const Action& action,
                           std::uint32_t flags, std::uint32_t origin, const PublisherEnvironment& env,
                           WalletEntry& entry) {
  const EntryRequest match{data.publisher.id, item.id, std::wstring_view(action.version), action.architecture,
                           static_cast<std::int64_t>(action.type)};
  WalletFields fields;
  fields.date = CurrentFileTime();
  if (const WalletEntry* existing = wallet.Find(match)) {
    fields.id = existing->Id();
    if (existing->wallet.date) fields.date = existing->wallet.date;
  } else {
    RETURN_IF_FAILED(CreateWalletEntryFolder(data, item, action, fields.id));
  }
  fields.status = kWalletDownloading;
  fields.origin = origin;
  fields.bytes = action.size.known ? action.size.largest : 0;
  fields.flags = flags;
  if (action.resources.empty() && !action.urls.empty()) fields.url = NextUrl(action, env);
  // The entry is what its Wallet file says: written from the publisher's
  // data and read back, so that it holds exactly what a later load sees.
  std::string bytes;
  RETURN_IF_FAILED(WriteWalletFile(data, item, action, fields, bytes));
  RETURN_IF_FAILED(ReadWalletText(DecodeTextFile(bytes, SystemCodePage(kThreadAnsiCodePage)), fields.id, entry, env));
  if (!Installable(entry)) entry.wallet.flags &= ~static_cast<std::uint32_t>(kWalletInstall);
  return SaveWalletEntry(entry);
}

HRESULT StartEntryDownload(WalletEntry& entry, std::uint32_t origin) {
  for (std::uint32_t i = 0; i < EntryFileCount(entry); ++i)
    for (const bool temporaryForm : {true, false}) {
      std::wstring path;
      if (SUCCEEDED(WalletEntryFilePath(entry, i, temporaryForm, path))) DeleteFileW(path.c_str());
    }
  WalletFields& w = entry.wallet;
  entry.fileIndex = entry.percent = 0;
  entry.transferred = entry.completedBytes = 0;
  w.bytes = w.lastModified = 0;
  w.error = 0;
  w.status = kWalletDownloading;
  w.origin = origin;
  w.date = CurrentFileTime();
  const Action* action = entry.EntryAction();
  if (action && action->resources.empty() && !action->urls.empty()) w.url = action->urls.front();
  RETURN_IF_FAILED(SaveWalletEntry(entry));
  return HandToMainProgram(entry);
}

HRESULT StartEntryInstallation(WalletEntry& entry, std::uint32_t origin) {
  if (FindDownloadWindow(entry.Id())) return S_FALSE;
  entry.wallet.flags |= kWalletInstall;
  entry.wallet.status = kWalletWaitingToInstall;
  entry.wallet.origin = origin;
  RETURN_IF_FAILED(SaveWalletEntry(entry));
  return HandToMainProgram(entry);
}

std::uint32_t FreeDownloadSlots(const CWallet& wallet, std::uint32_t maxConcurrentDownloads) {
  std::uint32_t running = 0;
  for (const WalletEntry& entry : wallet.Entries()) running += entry.Status() == kWalletDownloading;
  return running >= maxConcurrentDownloads ? 0 : maxConcurrentDownloads - running;
}

}  // namespace wendrix
