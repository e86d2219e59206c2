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

TEST(RegressionTest, EveryKeptInputKeepsItsProperty) {
  const struct {
    const char* folder;
    bool (*property)(const std::uint8_t*, std::size_t);
  } kFolders[] = {{"ini-regressions", wendrix::fuzz::CheckIniProperty},
                  {"ini-roundtrip-regressions", wendrix::fuzz::CheckIniRoundTrip},
                  {"markup-regressions", wendrix::fuzz::CheckMarkupProperty}};
  for (const auto& f : kFolders) {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(WENDRIX_TEST_DATA) / f.folder)) {
      std::ifstream in(entry.path(), std::ios::binary);
      const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      EXPECT_TRUE(f.property(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size())) << entry.path();
      ++count;
    }
    EXPECT_GT(count, 0) << f.folder;  // a moved folder must not pass unnoticed
  }
}

}  // namespace
