// Replays the inputs that fuzzing once found against the same property.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "../../fuzz/ini_property.h"

namespace {

TEST(IniRegressionTest, EveryKeptFuzzInputKeepsTheProperty) {
  const std::filesystem::path folder = std::filesystem::path(WENDRIX_TEST_DATA) / "ini-regressions";
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    SCOPED_TRACE(entry.path().filename().string());
    EXPECT_TRUE(wendrix::fuzz::CheckIniProperty(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    ++count;
  }
  EXPECT_GT(count, 0);
}

}  // namespace
