// A 50 MB download from a local HTTP server into the wallet, through
// WendrixDownload, of an item whose action pins its file by SHA-256 and of
// the same item unpinned, next to a bare InternetReadFile loop into a file
// over the same address in the same run. A window of the main dialog's class,
// on a thread of its own, answers the status messages as the dialog would;
// the figures include how many progress messages it heard per second and
// the CPU time each best round took.
#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "../../tests/support/http_server.h"
#include "../bench_timing.h"
#include "frame/module_state.h"
#include "platform/sha256_hash.h"
#include "registration/publisher_store.h"
#include "registration/registration.h"
#include "registration/side_files.h"
#include "wallet/status_message.h"
#include "wallet/wallet_store.h"
#include "wendrix.h"

using namespace wendrix;

namespace {

constexpr std::size_t kBytes = 50 * 1000 * 1000;
constexpr int kRounds = 7;
constexpr wchar_t kPublisherName[] = L"DownloadBench";
constexpr wchar_t kPublisherId[] = L"1.3.6.1.4.1.77777.900";

std::atomic<int> g_progressMessages{0};

LRESULT CALLBACK DialogProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message != WM_COPYDATA) return DefWindowProcW(window, message, w, l);
  if (reinterpret_cast<const COPYDATASTRUCT*>(l)->dwData == kStatusProgress) ++g_progressMessages;
  return kReplyGoOn;
}

// The stand-in for the main dialog: created, pumped and destroyed on its own thread.
class DialogStandIn {
 public:
  DialogStandIn() {
    m_thread = std::thread([this] {
      WNDCLASSW windowClass{};
      windowClass.lpfnWndProc = DialogProc;
      windowClass.lpszClassName = kDialogWindowClass;
      RegisterClassW(&windowClass);
      m_threadId = GetCurrentThreadId();
      m_window = CreateWindowW(kDialogWindowClass, L"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
      m_ready = true;
      MSG msg;
      while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
      DestroyWindow(m_window);
    });
    while (!m_ready) Sleep(1);
  }
  ~DialogStandIn() {
    PostThreadMessageW(m_threadId, WM_QUIT, 0, 0);
    m_thread.join();
  }
  bool Ok() const { return m_window != nullptr; }

 private:
  std::thread m_thread;
  std::atomic<bool> m_ready{false};
  HWND m_window = nullptr;
  DWORD m_threadId = 0;
};

// One pass of the bare loop: 64 KB reads, each written as it came.
void BareLoopIntoFile(const std::wstring& url, const std::wstring& file) {
  HINTERNET session = InternetOpenW(L"bench", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
  HINTERNET request = InternetOpenUrlW(session, url.c_str(), L"Accept: */*\r\n", static_cast<DWORD>(-1),
                                       INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0);
  HANDLE out = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  std::vector<char> buffer(65536);
  DWORD read = 0, written = 0;
  while (InternetReadFile(request, buffer.data(), static_cast<DWORD>(buffer.size()), &read) && read > 0)
    WriteFile(out, buffer.data(), read, &written, nullptr);
  CloseHandle(out);
  InternetCloseHandle(request);
  InternetCloseHandle(session);
}

// The CPU time the process has used so far, all its threads together.
double ProcessCpuSeconds() {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  const auto seconds = [](const FILETIME& t) {
    return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
  };
  return seconds(kernel) + seconds(user);
}

// Deletes the bench's wallet entries, so that every round downloads afresh.
void ClearBenchEntries() {
  CWallet wallet;
  if (FAILED(wallet.LoadAll())) return;
  for (const WalletEntry& entry : wallet.Entries())
    if (entry.data.publisher.name == kPublisherName) DeleteWalletEntry(entry);
}

}  // namespace

int wmain() {
  HMODULE library = LoadLibraryW(L"wendrix64.dll");
  if (!library || !InitializeModuleState(library)) return 1;
  test::TestHttpServer server;
  if (!server.Start()) return 1;
  DialogStandIn dialog;
  if (!dialog.Ok()) return 1;
  const std::string body(kBytes, 'w');
  // No Last-Modified: a file already in the wallet is never taken as complete.
  server.On("/big.exe", test::MakeReply(200, "OK", body));
  const std::wstring url = server.Url("/big.exe");

  Sha256Hash hash;
  Sha256Digest digest{};
  HRESULT hashed = S_OK;
  const double hashing = bench::Best(3, [&] {
    if (SUCCEEDED(hashed)) hashed = hash.Start();
    if (SUCCEEDED(hashed)) hashed = hash.Add(body);
    if (SUCCEEDED(hashed)) hashed = hash.Finish(digest);
  });
  if (FAILED(hashed)) return 1;

  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring bareFile = std::wstring(temp) + L"wendrix-bench-download.bin";
  const std::wstring data = std::wstring(L"[Publisher]\r\nID = ") + kPublisherId + L"\r\nName = " + kPublisherName +
                            L"\r\nHomePage = http://bench.example/\r\nApplication = \"Kestmoor(R) Wendrix(TM)\"\r\n"
                            L"[Text]\r\nID = t\r\nText = en, Bench\r\n"
                            L"[Item]\r\nID = plain\r\nTitle = t\r\nType = Software\r\nAction = a-plain\r\n"
                            L"[Item]\r\nID = pinned\r\nTitle = t\r\nType = Software\r\nAction = a-pinned\r\n"
                            L"[Action]\r\nID = a-plain\r\nType = Download\r\nSubtype = Generic\r\nVersion = 1\r\nURL = " +
                            url +
                            L"\r\n[Action]\r\nID = a-pinned\r\nType = Download\r\nSubtype = Generic\r\nVersion = 1\r\n"
                            L"URL = " + url + L"\r\nSHA256 = " + FormatSha256Text(digest) + L"\r\n";
  // The publisher registered for the user, with the data file as its last download.
  Registration r;
  r.id = kPublisherId;
  r.name = kPublisherName;
  r.homePage = L"http://bench.example/";
  r.dataSource = server.Url("/bench.wx-cnf");
  r.hasCount = true;
  r.count = 1;
  if (FAILED(RegisterInScope(r, kScopeCurrentUser, nullptr))) return 2;
  {
    CPublisherStore store;
    store.Open(false, nullptr);
    PublisherRecord* record = store.Find(kPublisherId);
    if (!record) return 2;
    record->dataText = data;
    if (FAILED(SaveDataFile(*record, nullptr))) return 2;
  }

  auto download = reinterpret_cast<decltype(&WendrixDownload)>(
      reinterpret_cast<void*>(GetProcAddress(library, "WendrixDownload")));
  if (!download) return 1;

  const double mb = static_cast<double>(kBytes) / 1e6;
  const wchar_t* const kItems[] = {L"plain", L"pinned"};
  // The bare loop and the two items take turns, round after round, so that
  // whatever else the machine does meanwhile falls on all three alike; each
  // keeps its best round.
  // The CPU time of each best round (this process's threads, the local
  // server's included) tells how much of a second core the round wanted.
  double bare = 1e9, bareCpu = 0;
  double seconds[2] = {1e9, 1e9}, cpu[2] = {};
  double messagesPerSecond[2] = {};
  for (int round = 0; round < kRounds; ++round) {
    const double bareCpuBefore = ProcessCpuSeconds();
    const double bareRound = bench::Best(1, [&] { BareLoopIntoFile(url, bareFile); });
    if (bareRound < bare) {
      bare = bareRound;
      bareCpu = ProcessCpuSeconds() - bareCpuBefore;
    }
    for (int i = 0; i < 2; ++i) {
      ClearBenchEntries();
      g_progressMessages = 0;
      const double cpuBefore = ProcessCpuSeconds();
      const auto start = std::chrono::steady_clock::now();
      const HRESULT hr = download(kPublisherId, kItems[i], WENDRIX_REQUEST_GENERIC, nullptr, nullptr);
      const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      if (FAILED(hr)) {
        std::printf("%ls: WendrixDownload failed with 0x%08lX\n", kItems[i], static_cast<unsigned long>(hr));
        return 1;
      }
      if (elapsed < seconds[i]) {
        seconds[i] = elapsed;
        cpu[i] = ProcessCpuSeconds() - cpuBefore;
        messagesPerSecond[i] = g_progressMessages / elapsed;
      }
    }
  }
  ClearBenchEntries();
  DeleteFileW(bareFile.c_str());
  {
    CPublisherStore store;
    store.Open(false, nullptr);
    if (const PublisherRecord* record = store.Find(kPublisherId)) Unregister(*record, kRegisterCurrentUser, nullptr);
  }

  std::printf("50 MB into a file: bare InternetReadFile loop %.0f MB/s (%.3f s, %.2f s of CPU)\n", mb / bare, bare,
              bareCpu);
  std::printf("WendrixDownload unpinned %.0f MB/s (%.3f s, %.2f s of CPU), %.2f of the bare loop's throughput, "
              "%.1f progress messages/s\n",
              mb / seconds[0], seconds[0], cpu[0], bare / seconds[0], messagesPerSecond[0]);
  std::printf("WendrixDownload pinned   %.0f MB/s (%.3f s, %.2f s of CPU), %.2f of the bare loop's throughput, "
              "%.1f progress messages/s\n",
              mb / seconds[1], seconds[1], cpu[1], bare / seconds[1], messagesPerSecond[1]);
  std::printf("SHA-256 of 50 MB in memory alone: %.0f MB/s (%.3f s)\n", mb / hashing, hashing);
  std::printf("unpinned at %.2f of the bare loop's throughput (aim >= 0.9)\n", bare / seconds[0]);
  std::printf("pinned at %.3f of the unpinned time (aim <= 1.05)\n", seconds[1] / seconds[0]);
  return 0;
}
