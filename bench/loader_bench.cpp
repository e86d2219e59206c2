// Publisher data loader throughput on a generated publisher file of 5 MB
// (8,000 items with downloads, home pages, texts and installed-version
// definitions) and on a typical one of 20 KB: the whole load (header pass,
// parse, records, references, items) next to the INI parse of the same text
// alone, measured in the same run.
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

namespace {

struct Figures {
  double mb, parseSeconds, loadSeconds;
  std::size_t items;
};

Figures Measure(const std::string& bytes, int rounds, int loadsPerRound) {
  const std::wstring text = DecodeTextFile(bytes, SystemCodePage(3));
  test::FakeEnvironment env;
  test::FakePublisherList publishers;
  Figures f{static_cast<double>(bytes.size()) / 1e6, 0, 0, 0};
  f.parseSeconds = bench::Best(rounds, [&] {
    for (int i = 0; i < loadsPerRound; ++i) {
      CIniDataBuffer entries;
      entries.SetText(std::wstring_view(text));
      if (FAILED(entries.Load(PublisherSchema()))) std::abort();
    }
  }) / loadsPerRound;
  f.loadSeconds = bench::Best(rounds, [&] {
    for (int i = 0; i < loadsPerRound; ++i) {
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
      f.items = data.items.size();
    }
  }) / loadsPerRound;
  return f;
}

void Print(const char* name, const Figures& f) {
  std::printf("%s: %.3f MB, %zu items\n", name, f.mb, f.items);
  std::printf("  %-34s %8.1f MB/s %10.0f per second\n", "baseline: INI parse with the schema", f.mb / f.parseSeconds,
              1 / f.parseSeconds);
  std::printf("  %-34s %8.1f MB/s %10.0f per second\n", "LoadPublisherData (whole load)", f.mb / f.loadSeconds,
              1 / f.loadSeconds);
  std::printf("  load / parse time: %.2f\n", f.loadSeconds / f.parseSeconds);
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 5;
  // Warm memory, as in a check that loads one publisher after another.
  mallopt(M_MMAP_THRESHOLD, 1 << 30);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  Print("large generated file", Measure(bench::GeneratePublisherFile(megabytes * 1000 * 1000), 5, 1));
  Print("typical file", Measure(bench::GeneratePublisherFile(20 * 1000), 5, 200));
  return 0;
}
