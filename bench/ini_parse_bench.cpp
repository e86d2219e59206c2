// INI parse throughput on a generated 5 MB publisher file, next to two
// baselines measured in the same run on the same bytes: counting its lines,
// and parsing it with inih (the common C INI parser, which stores nothing).
// Our parse decodes the bytes to wide text, reads typed values with escapes
// and keeps every entry.
//
// Keeping the entries costs memory that inih never touches, so the load is
// measured twice: with cold memory (every load's blocks fresh from the
// kernel, page faults included, as for the first file a process reads) and
// with warm memory (the allocator keeps freed blocks, as in a process that
// checks many publishers one after another).
//
//   bench/ini_parse_bench [MEGABYTES]
#include <ini.h>
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "core/ini_data_buffer.h"
#include "bench_timing.h"
#include "publisher_file.h"

using namespace wendrix;

namespace {

// Raw texts for addresses and registry paths, lists for the keys that list,
// numbers for sizes: the reading a publisher file gets.
constexpr IniSchemaRow kSchema[] = {
    {kIniAny, L"URL", 0, kIniRaw},      {kIniAny, L"Application", 1, kIniRaw}, {kIniAny, L"HomePage", 2, kIniRaw},
    {kIniAny, L"DataSource", 3, kIniRaw}, {kIniAny, L"Text", 4, kIniList},   {kIniAny, L"Subtype", 5, kIniList},
    {kIniAny, L"Flags", 6, kIniList},   {kIniAny, L"Bytes", 7, kIniUnsigned},
};

}  // namespace

int main(int argc, char** argv) {
  const std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 5;
  const std::string file = bench::GeneratePublisherFile(megabytes * 1000 * 1000);
  const double mb = static_cast<double>(file.size()) / 1e6;
  constexpr int kRounds = 7;

  std::size_t lines = 0;
  const double tLines = bench::Best(kRounds, [&] { lines = static_cast<std::size_t>(std::count(file.begin(), file.end(), '\n')); });

  std::size_t inihPairs = 0;
  const double tInih = bench::Best(kRounds, [&] {
    inihPairs = 0;
    ini_parse_string(file.c_str(), [](void* user, const char*, const char*, const char*) {
      ++*static_cast<std::size_t*>(user);
      return 1;
    }, &inihPairs);
  });

  std::size_t entries = 0;
  auto load = [&] {
    CIniDataBuffer data;
    if (FAILED(LoadIniText(file, data, kSchema, nullptr))) std::abort();
    entries = data.EntryCount();
  };
  const double tCold = bench::Best(kRounds, load);
  mallopt(M_MMAP_THRESHOLD, 1 << 30);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  const double tOurs = bench::Best(kRounds, load);

  std::printf("input: generated publisher file, %.2f MB, %zu lines\n", mb, lines);
  std::printf("%-34s %9.1f MB/s\n", "baseline: count lines", mb / tLines);
  std::printf("%-34s %9.1f MB/s  (%zu keys)\n", "baseline: inih parse (callback)", mb / tInih, inihPairs);
  std::printf("%-34s %9.1f MB/s  (%zu entries)\n", "CIniDataBuffer load, cold memory", mb / tCold, entries);
  std::printf("%-34s %9.1f MB/s\n", "CIniDataBuffer load, warm memory", mb / tOurs);
  std::printf("ratio to inih: %.2f cold, %.2f warm   ratio to line count: %.3f warm\n", tInih / tCold, tInih / tOurs,
              tLines / tOurs);
  return 0;
}
