// The event log's costs under Wine: the latency of one append to a growing
// log (the whole open, check, write and close of each event), and loading a
// log of 100,000 events against the bare INI parse of the same bytes.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "../bench_timing.h"
#include "core/ini_data_buffer.h"
#include "platform/ini_file.h"
#include "core/text_encoding.h"
#include "eventlog/event_log.h"
#include "eventlog/event_record.h"

using namespace wendrix;

namespace {

std::wstring TempPath(const wchar_t* name) {
  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  return std::wstring(folder) + name;
}

EventFields Sample(int i) {
  EventFields f;
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  f.date = (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  f.origin = static_cast<std::uint32_t>(i % 4);
  f.type = static_cast<std::uint32_t>(i % 8);
  f.result = static_cast<std::uint32_t>(i % 5);
  f.publisherName = L"Acme Software";
  f.publisherId = L"1.3.6.1.4.1.99999.7";
  f.item = L"Editor " + std::to_wstring(i % 50) + L" 2.1.0.0 x64";
  if (i % 3 == 0) f.resultInfo = L"From: http://download.acme.example/editor.exe\nError: The operation timed out";
  return f;
}

double Percentile(std::vector<double> values, double p) {
  std::sort(values.begin(), values.end());
  return values[static_cast<std::size_t>(p * static_cast<double>(values.size() - 1))];
}

}  // namespace

int wmain() {
  constexpr int kAppends = 3000;
  constexpr int kEvents = 100000;

  const std::wstring appendLog = TempPath(L"wendrix-bench-append.log");
  DeleteFileW(appendLog.c_str());
  std::vector<double> latencies;
  for (int i = 0; i < kAppends; ++i) {
    std::wstring text;
    const auto start = std::chrono::steady_clock::now();
    if (FAILED(BuildEventText(Sample(i), text)) || FAILED(AppendRecordText(appendLog, text))) return 1;
    latencies.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
  }
  DeleteFileW(appendLog.c_str());
  std::printf("append, %d events to a growing log: median %.0f us, 99th percentile %.0f us\n", kAppends,
              Percentile(latencies, 0.5), Percentile(latencies, 0.99));

  // A log of 100,000 events, written in one go.
  std::wstring log;
  for (int i = 0; i < kEvents; ++i) {
    std::wstring text;
    BuildEventText(Sample(i), text);
    log += text;
  }
  const std::wstring loadLog = TempPath(L"wendrix-bench-load.log");
  if (FAILED(WriteUnicodeTextFile(loadLog.c_str(), log))) return 1;
  const std::string bytes = EncodeUtf16LeFile(log);
  const double mb = static_cast<double>(bytes.size()) / 1e6;

  const double bare = bench::Best(5, [&] {
    CIniDataBuffer data;
    LoadIniText(bytes, data, EventLogSchema(), nullptr);
  });
  std::size_t loaded = 0;
  const double load = bench::Best(5, [&] {
    CEventList list;
    LoadEventsFrom(loadLog, list);
    loaded = list.Size();
  });
  DeleteFileW(loadLog.c_str());
  std::printf("LoadEvents, %zu events (%.1f MB): %.0f ms, %.0f events/s, %.1f MB/s\n", loaded, mb, load * 1e3,
              static_cast<double>(loaded) / load, mb / load);
  std::printf("bare INI parse of the same bytes: %.0f ms, %.1f MB/s; LoadEvents runs at %.2f of its speed (aim >= 0.5)\n",
              bare * 1e3, mb / bare, bare / load);
  return loaded == kEvents ? 0 : 1;
}
