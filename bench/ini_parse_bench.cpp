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
// inih meets the same cold memory, but it keeps nothing, so it never touches
// fresh memory. Cold, every page the load keeps (the decoded text and the
// entries) is a page fault, so the cold load is also shown beside the first
// touch of as many bytes as it keeps: the part of the cold figure that no
// reader which keeps its entries can avoid on the machine at hand. Keeping
// less has a floor too: a reader that hands out its entries as wide text
// keeps at least their characters, 2 bytes each. Where the first touch of
// that least takes as long as inih's whole parse, no such reader can match
// inih cold, however it parses.
//
//   bench/ini_parse_bench [MEGABYTES]
#include <ini.h>
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

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

  // What the load keeps: the decoded text, and per entry its block, the
  // start of each string and the characters with their terminators.
  std::size_t kept = 0;
  std::size_t entryChars = 0;  // of the names and values, with a terminator each
  {
    CIniDataBuffer data;
    if (FAILED(LoadIniText(file, data, kSchema, nullptr))) std::abort();
    kept = data.Text().size() * sizeof(wchar_t);
    for (IniEntry e : data.Entries()) {
      std::size_t chars = e.NameView().size() + 1;
      for (std::uint32_t i = 0; i < e.Count(); ++i) chars += e.ValueView(i).size() + 1;
      entryChars += chars;
      kept += chars * sizeof(wchar_t) + (e.Count() + 1) * sizeof(std::size_t) + sizeof(CStringList::Block);
    }
  }
  const long page = sysconf(_SC_PAGESIZE);
  const auto touch = [&](std::size_t bytes) {
    return bench::Best(kRounds, [&] {
      // Fresh pages from the kernel, as the cold load gets them.
      void* memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
      if (memory == MAP_FAILED) std::abort();
      for (std::size_t at = 0; at < bytes; at += static_cast<std::size_t>(page)) static_cast<volatile char*>(memory)[at] = 1;
      munmap(memory, bytes);
    });
  };
  const double tTouch = touch(kept);
  // The least any reader that hands out its entries as wide text must keep:
  // the names and values alone, at 2 bytes a character as on Windows, with
  // nothing to find them by.
  const std::size_t least = entryChars * 2;
  const double tLeast = touch(least);
  mallopt(M_MMAP_THRESHOLD, 1 << 30);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  const double tOurs = bench::Best(kRounds, load);

  std::printf("input: generated publisher file, %.2f MB, %zu lines\n", mb, lines);
  std::printf("%-34s %9.1f MB/s\n", "baseline: count lines", mb / tLines);
  std::printf("%-34s %9.1f MB/s  (%zu keys)\n", "baseline: inih parse (callback)", mb / tInih, inihPairs);
  std::printf("%-34s %9.1f MB/s  (%.1f MB, %.2f ms)\n", "baseline: touching the kept memory", mb / tTouch,
              static_cast<double>(kept) / 1e6, tTouch * 1e3);
  std::printf("%-34s %9.1f MB/s  (%zu entries)\n", "CIniDataBuffer load, cold memory", mb / tCold, entries);
  std::printf("%-34s %9.1f MB/s\n", "CIniDataBuffer load, warm memory", mb / tOurs);
  std::printf("ratio to inih: %.2f cold, %.2f warm   ratio to line count: %.3f warm\n", tInih / tCold, tInih / tOurs,
              tLines / tOurs);
  std::printf("cold load beyond the first touch of what it keeps: %.2f ms, ratio to inih %.2f\n",
              (tCold - tTouch) * 1e3, tInih / (tCold - tTouch));
  std::printf("first touch of the least a reader keeping its entries keeps (%.1f MB): %.2f ms, ratio to inih %.2f\n",
              static_cast<double>(least) / 1e6, tLeast * 1e3, tInih / tLeast);
  std::printf("so at best, keeping that least and parsing as fast as this load warm: ratio to inih %.2f cold\n",
              tInih / (tLeast + tOurs));
  return 0;
}
