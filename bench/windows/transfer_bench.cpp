// The transfer layer's throughput from a local HTTP server: 1 MB and 50 MB
// into memory and into a file, next to a bare InternetReadFile loop over the
// same address in the same run (64 KB reads, the layer's own read size, and
// 1 KB reads, the layer's progress step, for scale).
#include <windows.h>
#include <wininet.h>

#include <cstdio>
#include <string>
#include <vector>

#include "../../tests/support/http_server.h"
#include "../bench_timing.h"
#include "update/client.h"
#include "update/settings.h"
#include "update/transfer.h"

using namespace wendrix;

namespace {

double BareLoop(const std::wstring& url, DWORD block) {
  return bench::Best(3, [&] {
    HINTERNET session = InternetOpenW(L"bench", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    HINTERNET request = InternetOpenUrlW(session, url.c_str(), L"Accept: */*\r\n", static_cast<DWORD>(-1),
                                         kDataFileOpenFlags, 0);
    std::vector<char> buffer(block), all;
    DWORD read = 0;
    while (InternetReadFile(request, buffer.data(), block, &read) && read > 0)
      all.insert(all.end(), buffer.data(), buffer.data() + read);
    InternetCloseHandle(request);
    InternetCloseHandle(session);
  });
}

}  // namespace

int wmain() {
  test::TestHttpServer server;
  if (!server.Start()) return 1;
  InternetSettings settings;
  settings.proxyMode = kProxyDirect;
  settings.checkAttempts = 1;
  CClient client;
  CTransfer transfer;
  transfer.Bind(&client, &settings);
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring file = std::wstring(temp) + L"wendrix-bench-transfer.bin";

  for (const std::size_t megabytes : {1, 50}) {
    const std::string path = "/file" + std::to_string(megabytes);
    server.On(path, test::MakeReply(200, "OK", std::string(megabytes * 1000000, 'w')));
    const std::wstring url = server.Url(path);
    const double mb = static_cast<double>(megabytes);
    HRESULT hr = S_OK;
    const double memory = bench::Best(3, [&] { hr = transfer.Fetch(url.c_str(), nullptr, kFetchProgress); });
    const double toFile = bench::Best(3, [&] { hr = FAILED(hr) ? hr : transfer.Fetch(url.c_str(), file.c_str(), 0); });
    const double bare = BareLoop(url, 1024);
    const double bareLarge = BareLoop(url, 65536);
    DeleteFileW(file.c_str());
    if (FAILED(hr)) return 1;
    std::printf("%zu MB: memory %.0f MB/s, file %.0f MB/s; bare loop %.0f MB/s (64 KB reads), %.0f MB/s (1 KB reads); "
                "memory at %.2f of the 64 KB bare loop (aim >= 0.9)\n",
                megabytes, mb / memory, mb / toFile, mb / bareLarge, mb / bare, bareLarge / memory);
  }
  return 0;
}
