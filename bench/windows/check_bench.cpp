// A check of 200 registered publishers whose 20 KB data files a local HTTP
// server serves, next to 200 bare sequential WinINet fetches of the same
// files in the same run: the difference is what the check engine adds
// (loading, new-item marking, state and side files). Also the latency of
// WendrixVersion and WendrixURL with those 200 publishers registered.
#include <windows.h>
#include <wininet.h>
#include <shlobj.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "../../tests/support/http_server.h"
#include "../bench_timing.h"
#include "frame/activation_scope.h"
#include "frame/module_state.h"
#include "registration/publisher_store.h"
#include "registration/registration.h"
#include "registration/store_folders.h"
#include "registration/store_mutex.h"
#include "registration/side_files.h"
#include "platform/file_facts.h"
#include "platform/folder_listing.h"
#include "platform/known_folders.h"
#include "publisher/loader.h"
#include "publisher/windows_environment.h"
#include "update/check_clients.h"
#include "update/check_engine.h"
#include "update/settings.h"
#include "update/transfer.h"
#include "update/wininet_api.h"

using namespace wendrix;

namespace {

constexpr int kPublishers = 200;
constexpr std::size_t kFileBytes = 20 * 1024;

std::wstring Id(int n) { return L"1.3.6.1.4.1.77777." + std::to_wstring(n); }
std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// A data file of about 20 KB: the header, then items with their texts and
// download actions.
std::string DataFile(int n) {
  std::string text = "[Publisher]\r\nID = " + Narrow(Id(n)) + "\r\nName = Bench " + std::to_string(n) +
                     "\r\nHomePage = http://bench" + std::to_string(n) +
                     ".example/\r\nApplication = \"Kestmoor(R) Wendrix(TM)\"\r\n";
  for (int i = 0; text.size() < kFileBytes; ++i) {
    const std::string item = "item" + std::to_string(i);
    text += "[Text]\r\nID = t-" + item + "\r\nText = en, \"Bench item " + std::to_string(i) +
            "\"\r\nText = it, \"Elemento " + std::to_string(i) + "\"\r\n[Item]\r\nID = " + item + "\r\nTitle = t-" +
            item + "\r\nType = Software\r\nAction = a-" + item + "\r\n[Action]\r\nID = a-" + item +
            "\r\nType = Download\r\nSubtype = Generic\r\nVersion = 1." + std::to_string(i) +
            "\r\nURL = http://download.bench.example/" + item + ".exe\r\n";
  }
  return text;
}

// WinINet is bound at run time here, as the library binds it, so that the
// check runs in a process where only the library keeps it loaded, as in the
// scheduler program; a bench linked to WinINet would hide what loading it
// costs the library.
double BareFetches(const test::TestHttpServer& server) {
  const HMODULE wininet = LoadLibraryW(L"wininet.dll");
  if (!wininet) return 0;
  const auto open = reinterpret_cast<decltype(&InternetOpenW)>(
      reinterpret_cast<void*>(GetProcAddress(wininet, "InternetOpenW")));
  const auto openUrl = reinterpret_cast<decltype(&InternetOpenUrlW)>(
      reinterpret_cast<void*>(GetProcAddress(wininet, "InternetOpenUrlW")));
  const auto read = reinterpret_cast<decltype(&InternetReadFile)>(
      reinterpret_cast<void*>(GetProcAddress(wininet, "InternetReadFile")));
  const auto close = reinterpret_cast<decltype(&InternetCloseHandle)>(
      reinterpret_cast<void*>(GetProcAddress(wininet, "InternetCloseHandle")));
  const double seconds = bench::Best(3, [&] {
    std::vector<char> buffer(65536);
    for (int n = 0; n < kPublishers; ++n) {
      const std::wstring url = server.Url("/p" + std::to_string(n));
      HINTERNET session = open(L"bench", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
      HINTERNET request = openUrl(session, url.c_str(), L"Accept: */*\r\n", static_cast<DWORD>(-1),
                                  kDataFileOpenFlags, 0);
      DWORD got = 0;
      while (read(request, buffer.data(), static_cast<DWORD>(buffer.size()), &got) && got > 0) {
      }
      close(request);
      close(session);
    }
  });
  FreeLibrary(wininet);
  return seconds;
}

// The median of `rounds` calls, in microseconds; `before` runs untimed
// before each.
template <typename Call, typename Before = void (*)()>
double MedianMicroseconds(int rounds, Call call, Before before = [] {}) {
  std::vector<double> times;
  for (int i = 0; i < rounds; ++i) {
    before();
    const auto start = std::chrono::steady_clock::now();
    call();
    times.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace

int wmain() {
  HMODULE library = LoadLibraryW(L"wendrix64.dll");
  if (!library || !InitializeModuleState(library)) return 1;
  test::TestHttpServer server;
  if (!server.Start()) return 1;
  for (int n = 0; n < kPublishers; ++n) {
    server.On("/p" + std::to_string(n), test::MakeReply(200, "OK", DataFile(n)));
    Registration r;
    r.id = Id(n);
    r.name = L"Bench " + std::to_wstring(n);
    r.homePage = L"http://bench" + std::to_wstring(n) + L".example/";
    r.dataSource = server.Url("/p" + std::to_string(n));
    r.hasCount = true;
    r.count = 1;
    if (FAILED(RegisterInScope(r, kScopeCurrentUser, nullptr))) return 2;
  }

  InternetSettings settings;
  settings.proxyMode = kProxyDirect;
  settings.checkAttempts = 1;
  settings.hangUp = 0;
  CCheckClient client;
  CTransfer transfer;
  HRESULT result = S_OK;
  // The store also holds the product's own publisher, which every check
  // fetches last from its real server: where that cannot be reached, the
  // result is 2 and its failed fetch is part of the check's time.
  struct Failure {
    std::wstring id, dataSource;
    std::uint32_t error;
  };
  std::vector<Failure> failed;
  const auto runCheck = [&] {
    CPublisherStore store;
    store.Open(false, nullptr);
    LoadStoredData(store, nullptr);
    result = RunCheck(transfer, &client, &settings, &store, nullptr, 0);
    failed.clear();
    for (const PublisherRecord& record : store.Records())
      if (record.failedLastCheck) failed.push_back({record.id, record.dataSource, record.lastCheckError});
  };
  // The first check stores every data file; later ones fetch the same files
  // again, as most checks do, and store nothing new. Checks are at least
  // minutes apart; here two seconds let the files written before settle
  // (a file written in the last two seconds cannot be stamped).
  const double first = bench::Best(1, runCheck);
  runCheck();  // the previous items catch up with the data files
  double check = 1e9;
  for (int round = 0; round < 3; ++round) {
    Sleep(2100);
    check = std::min(check, bench::Best(1, runCheck));
  }
  const double bare = BareFetches(server);
  CPublisherStore loaded;
  const double open = bench::Best(3, [&] {
    loaded = CPublisherStore();
    loaded.Open(false, nullptr);
  });
  const double stored = bench::Best(3, [&] { LoadStoredData(loaded, nullptr); });
  CClient quiet;
  CTransfer plain;
  plain.Bind(&quiet, &settings);
  const double fetches = bench::Best(3, [&] {
    for (int n = 0; n < kPublishers; ++n)
      plain.Fetch(server.Url("/p" + std::to_string(n)).c_str(), nullptr, kFetchTerminate);
  });
  std::printf("first check of %d publishers (%zu KB each), storing every file: %.3f s\n", kPublishers,
              kFileBytes / 1024, first);
  std::printf("check of %d publishers, files unchanged since the last: %.3f s, result 0x%lX\n", kPublishers, check,
              static_cast<unsigned long>(result));
  for (const Failure& f : failed) {
    const double fetch = bench::Best(3, [&] { plain.Fetch(f.dataSource.c_str(), nullptr, kFetchTerminate); });
    std::printf("  failed in that check: %ls, 0x%08lX; its fetch alone: %.1f ms\n", f.id.c_str(),
                static_cast<unsigned long>(f.error), fetch * 1e3);
  }
  std::printf("%d bare sequential WinINet fetches:      %.3f s\n", kPublishers, bare);
  std::printf("  of the check: opening the store %.3f s, loading the stored data %.3f s, the transfer layer's fetches %.3f s\n",
              open, stored, fetches);
  std::printf("check overhead beyond the fetches:      %.1f%% (aim: under 25%%); the first check's: %.1f%%\n",
              (check / bare - 1) * 100, (first / bare - 1) * 100);

  using QueryFn = HRESULT(WINAPI*)(const wchar_t*, const wchar_t*, UINT32, wchar_t**);
  const auto version = reinterpret_cast<QueryFn>(reinterpret_cast<void*>(GetProcAddress(library, "WendrixVersion")));
  const auto url = reinterpret_cast<QueryFn>(reinterpret_cast<void*>(GetProcAddress(library, "WendrixURL")));
  const std::wstring last = Id(kPublishers - 1);
  const double openAll = bench::Best(5, [&] {
    CPublisherStore store;
    store.Open(true, nullptr);
  });
  const double loadOne = bench::Best(5, [&] {
    CPublisherStore store;
    store.Open(true, nullptr);
    LoadStoredData(store, last.c_str());
  });
  {
    const double activation = bench::Best(3, [&] {
      for (int i = 0; i < 100; ++i) ActivationScope scope;
    });
    const double binding = bench::Best(3, [&] {
      for (int i = 0; i < 100; ++i) WinInetApi api;
    });
    std::printf("the library's activation context: %.0f us; binding WinINet: %.0f us\n", activation * 1e4,
                binding * 1e4);
  }
  {
    CPublisherStore store;
    store.Open(false, nullptr);
    // One of the bench's own publishers: the last record may be a built-in
    // one, which has no data file.
    PublisherRecord* found = store.Find(last);
    if (!found) return 3;
    PublisherRecord& record = *found;
    std::wstring text;
    const KnownFolderScope folders;
    const double read = bench::Best(3, [&] {
      for (int i = 0; i < 100; ++i) ReadSideFile(record, SideFile::kData, text);
    });
    const double missing = bench::Best(3, [&] {
      for (int i = 0; i < 100; ++i) ReadSideFile(record, SideFile::kInactiveItems, text);
    });
    const double lock = bench::Best(3, [&] {
      for (int i = 0; i < 100; ++i) {
        NamedMutexLock mutex;
        mutex.Acquire(kDataFileMutex, MutexUsers::kThisUser);
      }
    });
    const WindowsPublisherEnvironment env(Module().version);
    PublisherData data;
    ReadSideFile(record, SideFile::kData, text);
    data.publisher.id = record.id;
    data.publisher.name = record.name;
    data.publisher.homePage = record.homePage;
    // A load that fails at once would time nothing: say so instead.
    const HRESULT loaded = LoadPublisherData(text.c_str(), &data, &store, nullptr, nullptr, 0, env);
    if (FAILED(loaded)) std::printf("loading the stored data file failed: 0x%08lx\n", static_cast<unsigned long>(loaded));
    const double load = bench::Best(3, [&] {
      for (int i = 0; i < 100; ++i) LoadPublisherData(text.c_str(), &data, &store, nullptr, nullptr, 0, env);
    });
    std::printf("reading a stored data file: %.0f us, a missing side file: %.0f us, a store mutex: %.0f us, "
                "loading 20 KB: %.0f us\n", read * 1e4, missing * 1e4, lock * 1e4, load * 1e4);
    // What no check of unchanged files can do without: the stored texts read
    // and loaded before it (the data file and the previous items), and each
    // fetched text loaded again.
    const double floor = stored + kPublishers * load / 100;
    std::printf("of the overhead, what every check does: the stored data read and loaded, each fetched file loaded: "
                "%.3f s, %.1f%% of the bare fetches\n", floor, floor / bare * 100);
    // A listing is believed only for a folder that has settled.
    std::wstring folder;
    StoreFolder(kScopeCurrentUser, StoreProduct::kCurrent, folder);
    FileStamp settled;
    if (!StampOf(folder, settled) || !settled.IsKnown()) Sleep(2100);
    const double listing = bench::Best(3, [&] {
      for (int i = 0; i < 10; ++i) {
        const FolderListingScope scope(folder);
        ReadSideFile(record, SideFile::kInactiveItems, text);
      }
    }) * 10;
    const FolderListingScope scope(folder);
    const double listed = bench::Best(3, [&] {
      for (int i = 0; i < 100; ++i) ReadSideFile(record, SideFile::kInactiveItems, text);
    });
    std::printf("listing the store folder: %.0f us; then a missing side file: %.0f us\n", listing * 1e4, listed * 1e4);
  }
  {
    std::wstring folder;
    const double folders = bench::Best(3, [&] {
      for (int i = 0; i < 100; ++i) StoreFolder(kScopeCurrentUser, StoreProduct::kCurrent, folder);
    });
    std::printf("a store folder: %.0f us\n", folders * 1e6 / 100);
    wchar_t path[MAX_PATH];
    const double noCreate = bench::Best(3, [&] {
      for (int i = 0; i < 100; ++i) SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path);
    });
    const double create = bench::Best(3, [&] {
      for (int i = 0; i < 100; ++i)
        SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path);
    });
    const double common = bench::Best(3, [&] {
      for (int i = 0; i < 100; ++i) SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path);
    });
    std::printf("SHGetFolderPathW: %.0f us, with CSIDL_FLAG_CREATE %.0f us, common %.0f us\n", noCreate * 1e4,
                create * 1e4, common * 1e4);
  }
  std::printf("opening the store with the older product's data: %.1f ms; and loading one publisher: %.1f ms\n",
              openAll * 1000, loadOne * 1000);
  // Another process rewriting the user's list as every writer does, by
  // moving a new file into place: the next query must read the store again.
  std::wstring userList;
  StoreFolder(kScopeCurrentUser, StoreProduct::kCurrent, userList);
  userList += kCurrentUserListFile;
  const auto rewriteList = [&] {
    const std::wstring copy = userList + L".new";
    CopyFileW(userList.c_str(), copy.c_str(), FALSE);
    const HANDLE file = CreateFileW(copy.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    SetFileTime(file, nullptr, nullptr, &now);
    CloseHandle(file);
    MoveFileExW(copy.c_str(), userList.c_str(), MOVEFILE_REPLACE_EXISTING);
  };
  // The shell's folder setting written again as it is: the next query asks
  // the shell and sets its watches again, as the first call of a process.
  const auto rewriteShellSetting = [] {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                      0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key) != ERROR_SUCCESS)
      return;
    wchar_t value[MAX_PATH];
    DWORD type = 0, size = sizeof(value);
    if (RegQueryValueExW(key, L"Local AppData", nullptr, &type, reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS)
      RegSetValueExW(key, L"Local AppData", 0, type, reinterpret_cast<const BYTE*>(value), size);
    RegCloseKey(key);
  };
  const auto timed = [&](QueryFn fn, const wchar_t* item, UINT32 flags) {
    const auto call = [&] {
      wchar_t* out = nullptr;
      fn(last.c_str(), item, flags, &out);
      if (out) GlobalFree(out);
    };
    Sleep(2100);  // the list was just written: let it settle (see FileStamp)
    const double kept = MedianMicroseconds(50, call);
    const double reread = MedianMicroseconds(20, call, rewriteList);
    const double first = MedianMicroseconds(20, call, rewriteShellSetting);
    return std::tuple{kept, reread, first};
  };
  // What every query pays before it reads a list: the two shell folders of
  // the store (the user's and all users'), asked of the shell once each.
  const double folderFloor = MedianMicroseconds(50, [] {
    const KnownFolderScope scope;
    std::wstring folder;
    StoreFolder(kScopeCurrentUser, StoreProduct::kCurrent, folder);
    StoreFolder(kScopeAllUsers, StoreProduct::kCurrent, folder);
  });
  std::printf("baseline: the store's two shell folders, median: %.0f us (aim for the queries: under 1000 us)\n",
              folderFloor);
  std::printf("queries, median: the store kept from the call before / read again after another process rewrote the "
              "user's list / after the shell's folder settings changed, as the first call of a process\n");
  const auto print = [&](const char* what, QueryFn fn, const wchar_t* item, UINT32 flags) {
    if (!fn) return;
    const auto [kept, reread, first] = timed(fn, item, flags);
    std::printf("  %s: %.0f us / %.0f us / %.0f us\n", what, kept, reread, first);
  };
  print("WendrixVersion (registered version)", version, L"item3", 16);
  print("WendrixVersion (installed version of an item)", version, L"item3", 0);
  print("WendrixURL (publisher home page)", url, nullptr, 3);
  print("WendrixURL (an item's download)", url, L"item3", 9);

  CPublisherStore store;
  store.Open(false, nullptr);
  for (const PublisherRecord& r : store.Records())
    if (r.id.starts_with(L"1.3.6.1.4.1.77777.")) Unregister(r, kRegisterCurrentUser, nullptr);
  return 0;
}
