// How much of a pinned download's hashing the hashing thread hides, for
// three kinds of work standing for the transfer, 50 runs of 1 MB each: work
// that only computes; work that makes system calls, a write and an event set
// per 4 KB, as a receiving thread does; and a turn with a second thread per
// 4 KB, as a receiving thread takes with a local server. Each is timed
// alone, with the runs handed to Sha256Stream, and with each run hashed in
// place. Under Wine every system call is a round trip to the wineserver
// process, which needs a core of its own as well.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <vector>

#include "../bench_timing.h"
#include "platform/sha256_stream.h"

using namespace wendrix;

namespace {

constexpr int kRuns = 50;
constexpr std::size_t kRunBytes = 1 << 20;

double Now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

volatile unsigned g_sink;

// About 7 ms of computing a run: 140 MB/s, the rate of the download bench.
void Compute(const std::vector<char>& run) {
  const double end = Now() + 0.007;
  unsigned sum = 0;
  while (Now() < end)
    for (std::size_t i = 0; i < 4096; i += 64) sum += static_cast<unsigned char>(run[i]);
  g_sink = sum;
}

struct SystemCalls {
  HANDLE file = CreateFileW(L"hash_overlap_bench.tmp", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  ~SystemCalls() {
    CloseHandle(file);
    CloseHandle(event);
  }
  void Run(const std::vector<char>& run) const {
    for (std::size_t at = 0; at < run.size(); at += 4096) {
      DWORD written = 0;
      WriteFile(file, run.data() + at, 4096, &written, nullptr);
      SetEvent(event);
    }
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
  }
};

// A second thread answers each 4 KB, as a local server does: two threads
// taking turns through the system.
struct PingPong {
  HANDLE ping = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  HANDLE pong = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  bool stop = false;
  HANDLE thread = CreateThread(nullptr, 0, &PingPong::Answer, this, 0, nullptr);
  static DWORD WINAPI Answer(void* self) {
    auto* p = static_cast<PingPong*>(self);
    for (;;) {
      WaitForSingleObject(p->ping, INFINITE);
      if (p->stop) return 0;
      SetEvent(p->pong);
    }
  }
  ~PingPong() {
    stop = true;
    SetEvent(ping);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    CloseHandle(ping);
    CloseHandle(pong);
  }
  void Run(const std::vector<char>& run) const {
    for (std::size_t at = 0; at < run.size(); at += 4096) SignalObjectAndWait(ping, pong, INFINITE, FALSE);
  }
};

enum class Hashing { kNone, kThread, kInPlace };

template <typename Work>
double Timed(Work work, Hashing hashing) {
  std::vector<char> run(kRunBytes, 'w');
  return bench::Best(3, [&] {
    Sha256Stream stream;
    if (hashing == Hashing::kThread) stream.Start();
    for (int i = 0; i < kRuns; ++i) {
      work(run);
      if (hashing == Hashing::kThread) {
        stream.Add(run);
      } else if (hashing == Hashing::kInPlace) {
        Sha256Hash hash;
        Sha256Digest digest{};
        hash.Start();
        hash.Add(run);
        hash.Finish(digest);
      }
    }
    Sha256Digest digest{};
    if (hashing == Hashing::kThread) stream.Finish(digest);
  });
}

template <typename Work>
void Report(const char* name, Work work) {
  const double alone = Timed(work, Hashing::kNone);
  const double thread = Timed(work, Hashing::kThread);
  const double inPlace = Timed(work, Hashing::kInPlace);
  const double hashing = inPlace - alone;
  std::printf("%s: alone %.3f s, hashed on the thread %.3f s, hashed in place %.3f s: the thread hides %.0f%% of "
              "the hashing\n",
              name, alone, thread, inPlace, hashing > 0 ? (inPlace - thread) / hashing * 100 : 0.0);
}

}  // namespace

int wmain() {
  Report("50 MB of computing", Compute);
  const SystemCalls calls;
  Report("50 MB of system calls, one per 4 KB", [&](const std::vector<char>& run) { calls.Run(run); });
  const PingPong turns;
  Report("50 MB of turns with a second thread, one per 4 KB", [&](const std::vector<char>& run) { turns.Run(run); });
  return 0;
}
