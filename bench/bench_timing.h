#pragma once
// The one timing rule of the benchmarks: the best of several rounds, which
// filters out what the rest of the machine did meanwhile.
#include <algorithm>
#include <chrono>
#include <functional>

namespace wendrix::bench {

// Seconds of the fastest of `rounds` runs.
inline double Best(int rounds, const std::function<void()>& run) {
  double best = 1e9;
  for (int i = 0; i < rounds; ++i) {
    const auto start = std::chrono::steady_clock::now();
    run();
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  return best;
}

}  // namespace wendrix::bench
