// Replays the inputs that fuzzing once found (and the seeds written by hand)
// against the same properties.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "../../fuzz/ini_property.h"
#include "../../fuzz/markup_property.h"

namespace {

using Property = bool (*)(const std::uint8_t*, std::size_t);

int ReplayFolder(const char* name, Property property) {
  const std::filesystem::path folder = std::filesystem::path(WENDRIX_TEST_DATA) / name;
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    SCOPED_TRACE(entry.path().filename().string());
    EXPECT_TRUE(property(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    ++count;
  }
  return count;
}

TEST(IniRegressionTest, EveryKeptFuzzInputKeepsTheProperty) {
  EXPECT_GT(ReplayFolder("ini-regressions", wendrix::fuzz::CheckIniProperty), 0);
}

TEST(IniRegressionTest, EveryKeptRoundTripInputKeepsTheProperty) {
  EXPECT_GT(ReplayFolder("ini-roundtrip-regressions", wendrix::fuzz::CheckIniRoundTrip), 0);
}

TEST(MarkupRegressionTest, EveryKeptInputKeepsTheProperty) {
  EXPECT_GT(ReplayFolder("markup-regressions", wendrix::fuzz::CheckMarkupProperty), 0);
}

}  // namespace
