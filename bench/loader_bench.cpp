// Publisher data loader throughput on a generated 5 MB publisher file (8,000
// items with downloads, home pages, texts and installed-version definitions):
// the whole load, header pass, parse, records, references and items, next to
// the INI parse of the same text alone, measured in the same run.
//
//   bench/loader_bench [MEGABYTES]
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "../tests/publisher/fake_environment.h"
#include "core/ini_data_buffer.h"
#include "core/text_encoding.h"
#include "publisher/loader.h"
#include "publisher/schema.h"
#include "bench_timing.h"
#include "publisher_file.h"

using namespace wendrix;

int main(int argc, char** argv) {
  const std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 5;
  const std::string bytes = bench::GeneratePublisherFile(megabytes * 1000 * 1000);
  const std::wstring text = DecodeTextFile(bytes, SystemCodePage(3));
  const double mb = static_cast<double>(bytes.size()) / 1e6;
  // Warm memory, as in a check that loads one publisher after another.
  mallopt(M_MMAP_THRESHOLD, 1 << 30);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  constexpr int kRounds = 5;

  const double tParse = bench::Best(kRounds, [&] {
    CIniDataBuffer entries;
    entries.SetText(std::wstring_view(text));
    if (FAILED(entries.Load(PublisherSchema()))) std::abort();
  });

  test::FakeEnvironment env;
  test::FakePublisherList publishers;
  std::size_t items = 0;
  const double tLoad = bench::Best(kRounds, [&] {
    PublisherData data;
    data.publisher.id = L"1.3.6.1.4.1.99999";
    data.publisher.name = L"Acme Tools";
    data.publisher.homePage = L"http://www.acme.example/";
    std::uint32_t line = 0;
    const HRESULT hr = LoadPublisherData(text.c_str(), &data, &publishers, nullptr, &line, 0, env);
    if (hr != S_OK) {
      std::fprintf(stderr, "load failed: 0x%08X at line %u\n", static_cast<unsigned>(hr), line);
      std::abort();
    }
    items = data.items.size();
  });

  std::printf("input: generated publisher file, %.2f MB, %zu items\n", mb, items);
  std::printf("%-36s %8.1f MB/s  %8.1f ms\n", "baseline: INI parse with the schema", mb / tParse, tParse * 1e3);
  std::printf("%-36s %8.1f MB/s  %8.1f ms\n", "LoadPublisherData (whole load)", mb / tLoad, tLoad * 1e3);
  std::printf("load / parse time: %.2f\n", tLoad / tParse);
  return 0;
}
