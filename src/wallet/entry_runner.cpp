#include "wallet/entry_runner.h"

#include <shellapi.h>

#include <memory>
#include <string>

#include "core/date.h"
#include "eventlog/event_log.h"
#include "eventlog/event_vocabulary.h"
#include "frame/messages.h"
#include "platform/file_facts.h"
#include "platform/named_mutex.h"
#include "platform/sha256_stream.h"
#include "platform/unique_handle.h"
#include "update/gathering_sink.h"
#include "update/internet.h"
#include "update/settings.h"
#include "wallet/entry_naming.h"
#include "wallet/entry_pins.h"
#include "wallet/entry_state.h"
#include "wallet/installer_entry.h"
#include "wallet/status_message.h"
#include "wallet/wallet_store.h"

namespace wendrix {
namespace {

constexpr HRESULT kCancelled = HResultFromWin32(ERROR_CANCELLED);
constexpr HRESULT kOperationAborted = HResultFromWin32(ERROR_OPERATION_ABORTED);
// The progress callback's answer at the begin event: the file is complete,
// fetch none of it.
constexpr HRESULT kAlreadyComplete = S_FALSE;
// The bytes of a download go to its file (and its digest) in runs of this
// size rather than in the transfer's kilobyte blocks: a write costs the same
// whatever its size, and under Wine far more than copying a kilobyte.
constexpr std::size_t kWriteRun = 1024 * 1024;

std::uint32_t Percent(std::uint64_t done, std::uint64_t total) noexcept {
  if (total == 0) return 0;
  // In floating point: done * 100 must not wrap for any size a server claims.
  const long double percent = static_cast<long double>(done) * 100 / static_cast<long double>(total);
  return percent >= 100 ? 100 : static_cast<std::uint32_t>(percent);
}

std::uint32_t ResultWord(HRESULT hr) noexcept {
  if (hr == E_ABORT || hr == kCancelled) return kResultAborted;
  return SUCCEEDED(hr) ? kResultSuccess : kResultError;
}

// Starts a command line: a quoted program or the text up to the first blank,
// the rest as its parameters.
void StartCommand(const wchar_t* command, const wchar_t* folder) {
  std::wstring_view text(command);
  std::wstring program, parameters;
  if (!text.empty() && text.front() == L'"') {
    const std::size_t end = text.find(L'"', 1);
    program = text.substr(1, end == std::wstring_view::npos ? std::wstring_view::npos : end - 1);
    if (end != std::wstring_view::npos) text.remove_prefix(end + 1);
    else text = {};
  } else {
    const std::size_t blank = text.find(L' ');
    program = text.substr(0, blank);
    text = blank == std::wstring_view::npos ? std::wstring_view() : text.substr(blank);
  }
  while (!text.empty() && text.front() == L' ') text.remove_prefix(1);
  parameters = text;
  ShellExecuteW(nullptr, nullptr, program.c_str(), parameters.empty() ? nullptr : parameters.c_str(),
                folder && *folder ? folder : nullptr, SW_SHOWNORMAL);
}

// One run of an entry. The output file, the receivers and the settings live
// as long as the run.
class EntryRun : public ByteSink {
 public:
  EntryRun(WalletEntry& entry, const EntryReceivers& receivers) : m_entry(entry), m_receivers(receivers) {}

  HRESULT Download() {
    m_entry.startLogged = false;
    m_entry.refusedFile.clear();
    RETURN_IF_FAILED(LoadSettings(m_settings));
    if (m_settings->modem && m_settings->dialUpEntry.empty()) return E_INVALIDARG;
    HRESULT hr = DownloadFiles();
    if (!m_entry.startLogged && SUCCEEDED(hr)) {
      Log(kEventDownloadStarted, kResultSuccess, nullptr);
      m_entry.startLogged = true;
    }
    const std::uint32_t word = ResultWord(hr);
    std::wstring message;
    if (word == kResultError) {
      if (!m_entry.refusedFile.empty()) message = L"File: " + m_entry.refusedFile + L"\n";
      message += L"From: " + m_url + L"\nError: " + ErrorText(hr);
    }
    Log(m_entry.startLogged ? kEventDownloadComplete : kEventDownloadStarted, word,
        message.empty() ? nullptr : message.c_str());

    WalletFields& w = m_entry.wallet;
    if (word == kResultAborted) {
      w.status = kWalletStopped;
      w.error = 0;
    } else if (word == kResultSuccess) {
      w.status = (w.flags & kWalletInstall) ? kWalletWaitingToInstall : kWalletDownloaded;
      w.error = 0;
    } else {
      w.status = kWalletError;
      w.error = static_cast<std::uint32_t>(hr);
    }
    const HRESULT saved = SaveWalletEntry(m_entry);
    SendStatusChange();
    return FAILED(hr) ? hr : saved;
  }

  HRESULT Install(const wchar_t* command, const wchar_t* folder) {
    WalletFields& w = m_entry.wallet;
    const bool waiting = w.status == kWalletWaitingToInstall && !(w.flags & kWalletDeferredInstall);
    if (!waiting && w.status != kWalletInstalling) return S_OK;

    // Installers change what a running download may need: wait until no
    // download is running.
    if (UniqueKernelObject pending(OpenEventW(SYNCHRONIZE, FALSE, kDownloadsPendingEvent)); pending)
      WaitForSingleObject(pending.Get(), INFINITE);
    HRESULT hr = S_OK;
    {
      NamedMutexLock installation;
      if (FAILED(installation.Acquire(kWalletInstallationMutex, MutexUsers::kAnyUser))) return E_FAIL;
      if (w.status != kWalletInstalling) {
        w.status = kWalletInstalling;
        SaveWalletEntry(m_entry);
        SendStatusChange();
        m_entry.refusedFile.clear();
        hr = InstallWalletEntry(m_entry);
      } else {
        hr = WaitForWalletInstaller(m_entry);
      }
      if (SUCCEEDED(hr) && command && *command) StartCommand(command, folder);
    }
    if (hr == kOperationAborted) return hr;  // the installer runs on; the entry stays Installing

    w.status = SUCCEEDED(hr) ? kWalletInstalled : kWalletError;
    w.error = SUCCEEDED(hr) ? 0 : static_cast<std::uint32_t>(hr);
    std::uint32_t word = ResultWord(hr);
    if (word == kResultSuccess && EffectiveStatus(m_entry) != kWalletInstalled) word = kResultUnknown;
    SaveWalletEntry(m_entry);
    const std::wstring refused = hr == kBadDigest ? L"File: " + m_entry.refusedFile + L"\nError: " + ErrorText(hr) : L"";
    Log(kEventInstall, word, refused.empty() ? nullptr : refused.c_str());
    SendStatusChange();
    const Action* action = m_entry.EntryAction();
    if ((action && (action->flags & kActionNoWallet)) || word == kResultError || word == kResultUnknown)
      DeleteWalletEntry(m_entry);
    return hr;
  }

  void SendStatusChange() {
    SendStatus(m_receivers.notifyWindow, kStatusChanged, m_entry.Status(), 0, m_entry.Id());
    SendStatus(DialogWindow(), kStatusChanged, m_entry.Status(), 0, m_entry.Id());
  }

 private:
  bool MultiFile() const noexcept { return !m_entry.EntryAction()->resources.empty(); }

  HRESULT DownloadFiles() {
    if (!m_entry.EntryAction()) return kNoDownloadUrl;
    const std::uint32_t count = EntryFileCount(m_entry);
    for (std::uint32_t index = MultiFile() ? m_entry.fileIndex : 0; index < count; ++index) {
      m_index = index;
      if (MultiFile()) {
        m_url = m_entry.EntryAction()->resources[index].resource;
        const auto& records = m_entry.wallet.resources;
        m_entry.wallet.lastModified = index < records.size() ? records[index].date : 0;
      } else {
        m_url = m_entry.wallet.url;
      }
      RETURN_IF_FAILED(TransferFile());
      std::wstring temporary, final;
      RETURN_IF_FAILED(WalletEntryFilePath(m_entry, index, true, temporary));
      RETURN_IF_FAILED(WalletEntryFilePath(m_entry, index, false, final));
      RETURN_IF_FAILED(CheckPin(index, SomethingAt(temporary) ? temporary : final));
      if (SomethingAt(temporary)) {
        DeleteFileW(final.c_str());
        RETURN_LAST_ERROR_IF(!MoveFileW(temporary.c_str(), final.c_str()));
      }
      if (!MultiFile()) {
        m_entry.transferred = FileSizeOrZero(final);
        break;
      }
      RecordResource(index);
      m_entry.fileIndex = index + 1;
      std::uint64_t finished = 0;
      for (std::uint32_t i = 0; i <= index; ++i) {
        std::wstring path;
        if (SUCCEEDED(WalletEntryFilePath(m_entry, i, false, path))) finished += FileSizeOrZero(path);
      }
      m_entry.completedBytes = m_entry.transferred = finished;
    }
    return S_OK;
  }

  // The file just fetched (or found complete) against its pin: the digest
  // taken as the bytes were written, else the file's own.
  HRESULT CheckPin(std::uint32_t index, const std::wstring& path) {
    if (!EntryPinned(m_entry)) return S_OK;
    if (!m_hash.Started()) return CheckPinnedFile(m_entry, index, path);
    Sha256Digest digest{};
    RETURN_IF_FAILED(m_hash.Finish(digest));
    return ApplyPin(m_entry, index, path, digest);
  }

  void RecordResource(std::uint32_t index) {
    auto& records = m_entry.wallet.resources;
    if (index < records.size()) {
      if (m_entry.currentFileSize) records[index].size = m_entry.currentFileSize;
      if (m_entry.dateKnown) records[index].date = m_entry.wallet.lastModified;
    } else {
      records.push_back({m_url, m_entry.currentFileSize, m_entry.wallet.lastModified});
    }
  }

  HRESULT TransferFile() {
    m_entry.percent = 0;
    m_entry.lastProgressTick = 0;
    m_entry.currentFileSize = m_entry.currentFileModified = 0;
    m_entry.dateKnown = false;
    m_sizeKnown = false;
    m_hash.Reset();  // a digest under way belongs to an earlier file
    if (m_url.empty()) return kNoDownloadUrl;

    CInternet internet;
    HRESULT hr = internet.ApplySettings(*m_settings, false);
    if (SUCCEEDED(hr)) {
      internet.SetUserAgent(m_settings->userAgent.c_str());
      internet.SetProgressCallback(&EntryRun::OnProgress, this);
      hr = internet.Connect();
    }
    if (SUCCEEDED(hr)) {
      DWORD flags = kDownloadOpenFlags;
      if (m_entry.wallet.flags & kWalletNoCache) flags |= kDownloadNoCacheFlags;
      if (m_settings->cookies == 0) flags |= kNoCookiesFlag;
      GatheringSink gathered(*this, kWriteRun);
      hr = internet.Fetch(m_url, gathered, flags, nullptr);
      // The last run, and the one a stop or a failure left behind, belong
      // in the file all the same: it holds every byte that arrived.
      const HRESULT flushed = gathered.Flush();
      if (SUCCEEDED(hr) && FAILED(flushed)) hr = flushed;
      if (hr == kAlreadyComplete) hr = S_OK;
      if (SUCCEEDED(hr) && internet.LastError() != 0)
        hr = internet.LastError() >= 12000 ? HResultFromWin32(static_cast<long>(internet.LastError())) : E_FAIL;
    }
    if (m_output) {
      SetEndOfFile(m_output.Get());  // cut what the announced size reserved but never came
      m_output.Reset();
    }
    if (FAILED(hr) || !m_entry.dateKnown) m_entry.wallet.lastModified = 0;
    return hr;
  }

  static HRESULT OnProgress(std::uint32_t event, DWORD low, DWORD high, void* context) {
    auto* self = static_cast<EntryRun*>(context);
    const std::uint64_t value = (static_cast<std::uint64_t>(high) << 32) | low;
    switch (event) {
      case kProgressDate: self->m_entry.currentFileModified = value; return S_OK;
      case kProgressSize: return self->OnSize(value);
      case kProgressBegin: return self->OnBegin();
      case kProgressBytes: return self->OnBytes(value);
      default: return S_OK;
    }
  }

  HRESULT OnSize(std::uint64_t size) {
    m_entry.currentFileSize = size;
    m_sizeKnown = true;
    WalletFields& w = m_entry.wallet;
    if (!MultiFile()) {
      w.bytes = size;
      return SaveWalletEntry(m_entry);
    }
    const std::uint64_t total = m_entry.completedBytes + size;
    if (m_index + 1 == EntryFileCount(m_entry)) {
      w.bytes = total;
      return SaveWalletEntry(m_entry);
    }
    // More files follow: the total stays above what is known so far.
    if (w.bytes <= total) {
      w.bytes = total + 1;
      return SaveWalletEntry(m_entry);
    }
    return S_OK;
  }

  HRESULT OnBegin() {
    WalletFields& w = m_entry.wallet;
    std::wstring final, temporary;
    RETURN_IF_FAILED(WalletEntryFilePath(m_entry, m_index, false, final));
    RETURN_IF_FAILED(WalletEntryFilePath(m_entry, m_index, true, temporary));
    if (m_sizeKnown && m_entry.currentFileModified != 0) {
      const bool finalExists = SomethingAt(final);
      const std::uint64_t size = m_entry.currentFileSize;
      if (finalExists && w.lastModified != 0 && FileSizeOrZero(final) == size &&
          FormatDate(m_entry.currentFileModified) == FormatDate(w.lastModified)) {
        if (MultiFile()) {
          m_entry.percent = Percent(m_entry.completedBytes + size, w.bytes);
        } else {
          m_entry.percent = 100;
          w.bytes = size;
        }
        m_entry.transferred += size;
        return kAlreadyComplete;
      }
      if (finalExists) {
        w.date = CurrentFileTime();
        RETURN_IF_FAILED(SaveWalletEntry(m_entry));
      }
      w.lastModified = m_entry.currentFileModified;
      m_entry.dateKnown = true;
    }
    if (m_index == 0) {
      LRESULT reply = SendStatus(m_receivers.notifyWindow, kStatusStarted, w.bytes, 0, m_entry.Id());
      if (reply == kReplyGoOn) reply = SendStatus(DialogWindow(), kStatusStarted, w.bytes, 0, m_entry.Id());
      RETURN_IF_FAILED(ApplyReply(reply));
      if (!m_entry.startLogged) {
        Log(kEventDownloadStarted, kResultSuccess, nullptr);
        m_entry.startLogged = true;
      }
    }
    DeleteFileW(final.c_str());
    m_output.Reset(CreateFileW(temporary.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    RETURN_LAST_ERROR_IF(!m_output);
    // The digest is taken as the bytes are written: no second read of the file.
    if (EntryPinned(m_entry)) RETURN_IF_FAILED(m_hash.Start());
    // Reserved at once, so that the disk's space is claimed before the data
    // arrives; but no further than the wallet may grow, whatever the server
    // announces.
    const std::uint64_t walletLimit = static_cast<std::uint64_t>(m_settings->maxWalletDiskSpace) * 1048576;
    if (m_sizeKnown && m_entry.currentFileSize > 0 && m_entry.currentFileSize <= walletLimit) {
      LARGE_INTEGER end{};
      end.QuadPart = static_cast<LONGLONG>(m_entry.currentFileSize);
      if (SetFilePointerEx(m_output.Get(), end, nullptr, FILE_BEGIN) && SetEndOfFile(m_output.Get())) {
        end.QuadPart = 0;
        SetFilePointerEx(m_output.Get(), end, nullptr, FILE_BEGIN);
      }
    }
    return S_OK;
  }

  HRESULT OnBytes(std::uint64_t bytes) {
    const WalletFields& w = m_entry.wallet;
    const std::uint64_t done = bytes + (MultiFile() ? m_entry.completedBytes : 0);
    m_entry.percent = Percent(done, w.bytes);
    const std::uint32_t now = GetTickCount();
    if (m_notified && now - m_entry.lastProgressTick < kProgressIntervalMs && done != w.bytes) return S_OK;
    m_notified = true;
    m_entry.lastProgressTick = now;
    LRESULT reply = SendStatus(m_receivers.notifyWindow, kStatusProgress, done, w.bytes, m_entry.Id());
    if (reply == kReplyGoOn && m_receivers.callback) {
      const std::wstring doneText = std::to_wstring(done), totalText = std::to_wstring(w.bytes);
      if (m_receivers.callback(doneText.c_str(), totalText.c_str(), static_cast<int>(m_entry.percent),
                               m_receivers.context) == 0)
        reply = kReplyAbort;
    }
    if (reply == kReplyGoOn) reply = SendStatus(DialogWindow(), kStatusProgress, done, w.bytes, m_entry.Id());
    return ApplyReply(reply);
  }

  HRESULT ApplyReply(LRESULT reply) {
    switch (reply) {
      case kReplyAbort: return E_ABORT;
      case kReplySetInstall:
        if (!Installable(m_entry)) return S_OK;
        m_entry.wallet.flags |= kWalletInstall;
        return SaveWalletEntry(m_entry);
      case kReplyClearInstall:
        m_entry.wallet.flags &= ~static_cast<std::uint32_t>(kWalletInstall);
        return SaveWalletEntry(m_entry);
      default: return S_OK;
    }
  }

  // The output file of the transfer under way.
  HRESULT Empty() override {
    if (!m_output) return S_OK;
    LARGE_INTEGER start{};
    RETURN_LAST_ERROR_IF(!SetFilePointerEx(m_output.Get(), start, nullptr, FILE_BEGIN));
    RETURN_LAST_ERROR_IF(!SetEndOfFile(m_output.Get()));
    return m_hash.Started() ? m_hash.Start() : S_OK;
  }
  HRESULT Append(std::span<const char> bytes) override {
    if (!m_output) return E_HANDLE;
    DWORD written = 0;
    RETURN_LAST_ERROR_IF(!WriteFile(m_output.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    if (written != bytes.size()) return HResultFromWin32(ERROR_WRITE_FAULT);
    return m_hash.Started() ? m_hash.Add(bytes) : S_OK;
  }

  void Log(std::uint32_t type, std::uint32_t result, const wchar_t* message) {
    const Item* item = m_entry.EntryItem();
    const Action* action = m_entry.EntryAction();
    AppendEvent(m_entry.wallet.origin, type, m_entry.data.publisher.id.c_str(), nullptr,
                item ? item->id.c_str() : nullptr, action ? action->id.c_str() : nullptr, result, message);
  }

  WalletEntry& m_entry;
  const EntryReceivers& m_receivers;
  std::unique_ptr<InternetSettings> m_settings;
  UniqueFile m_output;
  Sha256Stream m_hash;  // the digest of the file being written, when the action pins it
  std::wstring m_url;
  std::uint32_t m_index = 0;
  bool m_sizeKnown = false;
  bool m_notified = false;
};

}  // namespace

HRESULT RunWalletEntry(WalletEntry& entry, const EntryReceivers& receivers, const wchar_t* command,
                       const wchar_t* folder) {
  EntryRun run(entry, receivers);
  if (entry.Status() == kWalletDownloading) {
    RETURN_IF_FAILED(run.Download());
  } else {
    SendStatus(receivers.notifyWindow, kStatusChanged, entry.Status(), 0, entry.Id());
  }
  return run.Install(command, folder);
}

}  // namespace wendrix
