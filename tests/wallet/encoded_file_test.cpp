// Encoded files: the key repeats from the file's start wherever a block
// begins, and the same operation undoes itself.
#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "wallet/encoded_file.h"

namespace wendrix {
namespace {

TEST(EncodedFileTest, BlocksAtAnyOffsetGiveTheWholeFilesBytes) {
  std::vector<std::uint8_t> original(37);
  std::iota(original.begin(), original.end(), 0);
  std::vector<std::uint8_t> whole = original;
  ToggleEncoding(whole, 0);
  EXPECT_EQ(whole[0], kEncodingKey[0]);
  EXPECT_EQ(whole[9], 9 ^ kEncodingKey[1]);
  for (std::size_t split : {1u, 7u, 8u, 13u, 36u}) {
    std::vector<std::uint8_t> pieces = original;
    ToggleEncoding(std::span(pieces).first(split), 0);
    ToggleEncoding(std::span(pieces).subspan(split), split);
    EXPECT_EQ(pieces, whole) << split;
    ToggleEncoding(pieces, 0);
    EXPECT_EQ(pieces, original) << split;
  }
}

}  // namespace
}  // namespace wendrix
