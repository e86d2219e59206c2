// Publisher data loader throughput on a generated publisher file of 5 MB
// (8,000 items with downloads, home pages, texts and installed-version
// definitions) and on a typical one of 20 KB: the whole load (header pass,
// parse, records, references, items) next to the INI parse of the same text
// alone, measured in the same run, and both again with every allocation
// free (the share of the load that no allocator could save). It is built for
// the host and for Windows (run under Wine), whose 2-byte characters and heap
// are the library's own. Then files of 12,500, 25,000 and 50,000
// records of one kind (50,000 make about 5 MB), whose time per record stays
// the same when the load is linear in the file's size; and a file whose
// conditions would take 2^64 visits, which the loader gives up in bounded
// time.
//
//   bench/loader_bench [MEGABYTES]
#if !defined(_WIN32)
#include <malloc.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>

#include "../tests/publisher/fake_environment.h"
#include "core/ini_data_buffer.h"
#include "core/text_encoding.h"
#include "publisher/loader.h"
#include "publisher/schema.h"
#include "bench_timing.h"
#include "publisher_file.h"

using namespace wendrix;

namespace {

// Every allocation of the measured work can come from a bump arena that
// never frees and starts over before each parse or load: the time left is
// what no allocator, however cheap, could save. Nothing allocated then may
// outlive its parse or load; the caches of the schema and the fake
// environment are filled by the ordinary rounds before.
struct BumpArena {
  static constexpr std::size_t kBytes = std::size_t{256} << 20;
  char* base = nullptr;
  std::size_t used = 0;
  bool on = false;
  bool Owns(const void* p) const noexcept {
    return base && static_cast<const char*>(p) >= base && static_cast<const char*>(p) < base + kBytes;
  }
};
BumpArena g_arena;

struct Figures {
  double mb, parseSeconds, loadSeconds, freeParseSeconds, freeLoadSeconds;
  std::size_t items;
};

}  // namespace

void* operator new(std::size_t size) {
  if (g_arena.on) {
    const std::size_t at = (g_arena.used + 15) & ~std::size_t{15};
    if (at + size > BumpArena::kBytes) std::abort();  // the bench's own limit, far above a 5 MB load
    g_arena.used = at + size;
    return g_arena.base + at;
  }
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  if (!g_arena.Owns(p)) std::free(p);
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

namespace {

// Parse and load take turns, round by round, so that both meet the machine
// in the same state; the best round of each counts.
Figures Measure(const std::string& bytes, int rounds, int loadsPerRound) {
  const std::wstring text = DecodeTextFile(bytes, SystemCodePage(3));
  test::FakeEnvironment env;
  test::FakePublisherList publishers;
  Figures f{static_cast<double>(bytes.size()) / 1e6, 0, 0, 0, 0, 0};
  // Made before the arena is on: a function object may hold its lambda on the heap.
  const std::function<void()> parse = [&] {
    for (int i = 0; i < loadsPerRound; ++i) {
      g_arena.used = 0;
      CIniDataBuffer entries;
      entries.SetText(std::wstring_view(text));
      if (FAILED(entries.Load(PublisherSchema()))) std::abort();
    }
  };
  const std::function<void()> load = [&] {
    for (int i = 0; i < loadsPerRound; ++i) {
      g_arena.used = 0;
      PublisherData data = bench::RegisteredModel();
      std::uint32_t line = 0;
      const HRESULT hr = LoadPublisherData(text.c_str(), &data, &publishers, nullptr, &line, 0, env);
      if (hr != S_OK) {
        std::fprintf(stderr, "load failed: 0x%08X at line %u\n", static_cast<unsigned>(hr), line);
        std::abort();
      }
      f.items = data.items.size();
    }
  };
  f.parseSeconds = f.loadSeconds = f.freeParseSeconds = f.freeLoadSeconds = 1e9;
  for (int round = 0; round < rounds; ++round) {
    f.parseSeconds = std::min(f.parseSeconds, bench::Best(1, parse));
    f.loadSeconds = std::min(f.loadSeconds, bench::Best(1, load));
  }
  // The arena is made (and every page of it touched) only now, and given
  // back after: the ordinary rounds meet the heap as a check does.
  g_arena.base = static_cast<char*>(std::malloc(BumpArena::kBytes));
  if (!g_arena.base) std::abort();
  std::memset(g_arena.base, 0, BumpArena::kBytes);
  for (int round = 0; round < rounds; ++round) {
    g_arena.on = true;
    f.freeParseSeconds = std::min(f.freeParseSeconds, bench::Best(1, parse));
    f.freeLoadSeconds = std::min(f.freeLoadSeconds, bench::Best(1, load));
    g_arena.on = false;
  }
  std::free(g_arena.base);
  g_arena.base = nullptr;
  for (double* seconds : {&f.parseSeconds, &f.loadSeconds, &f.freeParseSeconds, &f.freeLoadSeconds})
    *seconds /= loadsPerRound;
  return f;
}

void Print(const char* name, const Figures& f) {
  std::printf("%s: %.3f MB, %zu items\n", name, f.mb, f.items);
  std::printf("  %-34s %8.1f MB/s %10.0f per second\n", "baseline: INI parse with the schema", f.mb / f.parseSeconds,
              1 / f.parseSeconds);
  std::printf("  %-34s %8.1f MB/s %10.0f per second\n", "LoadPublisherData (whole load)", f.mb / f.loadSeconds,
              1 / f.loadSeconds);
  std::printf("  load / parse time: %.2f\n", f.loadSeconds / f.parseSeconds);
  std::printf("  the same with every allocation free (a bump arena): %.2f (parse %.0f us, load %.0f us)\n",
              f.freeLoadSeconds / f.freeParseSeconds, f.freeParseSeconds * 1e6, f.freeLoadSeconds * 1e6);
}

// The header of the publisher the measured loads check against.
std::string Header() {
  return "[Publisher]\r\nID = 1.3.6.1.4.1.99999\r\nName = \"Acme Tools\"\r\nHomePage = http://www.acme.example/\r\n"
         "Application = \"Kestmoor(R) Wendrix(TM)\"\r\n[Text]\r\nID = t\r\nText = en, Editor\r\n";
}

// `count` records of one kind, each about 100 bytes.
struct RecordKind {
  const char* name;
  std::string (*record)(const std::string& n);
};
constexpr RecordKind kRecordKinds[] = {
    {"items", [](const std::string& n) {
       return "[Item]\r\nID = item" + n + "\r\nTitle = t\r\nType = Software\r\nDescription = t\r\n"
              "Flags = Invisible\r\nRequiredVersion = Neutral\r\n";
     }},
    {"icons", [](const std::string& n) {
       return "[Icon]\r\nID = icon" + n + "\r\nVersion = 1.0\r\nURL = http://www.acme.example/icons/" + n +
              "/icon-in-its-own-folder.ico\r\n";
     }},
    {"texts", [](const std::string& n) {
       return "[Text]\r\nID = text" + n + "\r\nText = en, \"English text " + n + "\"\r\nText = it, \"Testo " + n +
              "\"\r\n";
     }},
    {"conditions, each named by an item", [](const std::string& n) {
       return "[Condition]\r\nID = c" + n + "\r\nWendrixVersion = 3.0\r\n[Item]\r\nID = i" + n +
              "\r\nTitle = t\r\nCondition = c" + n + "\r\n";
     }},
    {"groups of one item", [](const std::string& n) {
       return "[Group]\r\nID = g" + n + "\r\nTitle = t\r\nItems = i" + n + "\r\n[Item]\r\nID = i" + n +
              "\r\nTitle = t\r\n";
     }},
};

void MeasureRecordCounts() {
  test::FakeEnvironment env;
  test::FakePublisherList publishers;
  std::printf("records of one kind (time per record stays flat when the load is linear):\n");
  for (const RecordKind& kind : kRecordKinds) {
    std::printf("  %s\n", kind.name);
    for (std::size_t count : {12500u, 25000u, 50000u}) {
      std::string bytes = Header();
      for (std::size_t i = 0; i < count; ++i) bytes += kind.record(std::to_string(i));
      const std::wstring text = DecodeTextFile(bytes, SystemCodePage(3));
      const double seconds = bench::Best(3, [&] {
        PublisherData data = bench::RegisteredModel();
        std::uint32_t line = 0;
        const HRESULT hr = LoadPublisherData(text.c_str(), &data, &publishers, nullptr, &line, 0, env);
        if (hr != S_OK) {
          std::fprintf(stderr, "load failed: 0x%08X at line %u\n", static_cast<unsigned>(hr), line);
          std::abort();
        }
      });
      std::printf("    %6zu records, %5.2f MB: %8.1f ms, %6.2f us per record\n", count,
                  static_cast<double>(bytes.size()) / 1e6, seconds * 1e3, seconds * 1e6 / static_cast<double>(count));
    }
  }
}

// 64 conditions that each name the next twice, loop detection turned off:
// the load ends with "Condition loop detected." once its budget is spent.
void MeasureConditionBomb() {
  std::string bytes = "[Wendrix]\r\nLoopCount = 4294967295\r\n" + Header();
  for (int i = 0; i < 64; ++i) {
    bytes += "[Condition]\r\nID = c" + std::to_string(i) + "\r\n";
    if (i < 63) bytes += "And = c" + std::to_string(i + 1) + ", c" + std::to_string(i + 1) + "\r\n";
  }
  bytes += "[Item]\r\nID = i\r\nTitle = t\r\nCondition = c0\r\n";
  const std::wstring text = DecodeTextFile(bytes, SystemCodePage(3));
  test::FakeEnvironment env;
  test::FakePublisherList publishers;
  HRESULT hr = S_OK;
  const double seconds = bench::Best(3, [&] {
    PublisherData data = bench::RegisteredModel();
    hr = LoadPublisherData(text.c_str(), &data, &publishers, nullptr, nullptr, 0, env);
  });
  std::printf("condition tree of 2^64 visits (%zu bytes): 0x%08X after %.1f ms\n", bytes.size(),
              static_cast<unsigned>(hr), seconds * 1e3);
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 5;
#if !defined(_WIN32)
  // Warm memory, as in a check that loads one publisher after another.
  mallopt(M_MMAP_THRESHOLD, 1 << 30);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
#endif
  Print("large generated file", Measure(bench::GeneratePublisherFile(megabytes * 1000 * 1000), 5, 1));
  Print("typical file", Measure(bench::GeneratePublisherFile(20 * 1000), 5, 200));
  MeasureRecordCounts();
  MeasureConditionBomb();
  return 0;
}
