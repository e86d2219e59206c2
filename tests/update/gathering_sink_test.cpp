// Gathering a transfer's pieces into runs: the sink behind sees every byte
// once, in order, in full runs (or what is left of a piece that is a run
// already) and one short run at the flush; its failures and an emptying drop what is
// gathered; without a buffer every piece goes straight on.
#include "update/gathering_sink.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace wendrix {
namespace {

constexpr HRESULT kFull = HResultFromWin32(ERROR_DISK_FULL);

// Keeps what it is handed, and the size of every hand-over; refuses the
// hand-over numbered `failAt` (from 1) with kFull.
class RecordingSink final : public ByteSink {
 public:
  HRESULT Empty() override {
    ++empties;
    bytes.clear();
    return S_OK;
  }
  HRESULT Append(std::span<const char> piece) override {
    sizes.push_back(piece.size());
    if (sizes.size() == failAt) return kFull;
    bytes.append(piece.data(), piece.size());
    return S_OK;
  }
  std::string bytes;
  std::vector<std::size_t> sizes;
  std::size_t failAt = 0;
  int empties = 0;
};

// Distinct bytes, so that a piece out of place or repeated shows.
std::string Pattern(std::size_t size, std::size_t from = 0) {
  std::string text(size, '\0');
  for (std::size_t i = 0; i < size; ++i) text[i] = static_cast<char>((from + i) * 7 % 251);
  return text;
}

TEST(GatheringSinkTest, EveryByteArrivesOnceInRuns) {
  const struct {
    const char* name;
    std::size_t run;
    std::vector<std::size_t> pieces;
    std::vector<std::size_t> handOvers;  // what the sink behind is handed, flush included
  } kCases[] = {
      {"nothing at all", 8, {}, {}},
      {"less than a run", 8, {3, 4}, {7}},
      {"exactly a run", 8, {3, 5}, {8}},
      {"a piece across a run's end", 8, {6, 5}, {8, 3}},
      {"the rest of a long piece goes on as it is", 8, {3, 20}, {8, 15}},
      {"pieces that are runs go on as they are", 8, {8, 16, 2}, {8, 16, 2}},
      {"a piece past a run after a short one", 8, {1, 16, 2}, {8, 9, 2}},
      {"empty pieces change nothing", 8, {0, 4, 0, 4, 0}, {8}},
      {"runs of one byte", 1, {3, 1}, {3, 1}},
      {"a run size of 0 counts as 1", 0, {2}, {2}},
      {"kilobyte pieces into a larger run", 4096, {1024, 1024, 1024, 1024, 1024, 100}, {4096, 1124}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    RecordingSink inner;
    GatheringSink sink(inner, c.run);
    ASSERT_EQ(sink.Empty(), S_OK);
    std::string sent;
    for (const std::size_t size : c.pieces) {
      const std::string piece = Pattern(size, sent.size());
      sent += piece;
      ASSERT_EQ(sink.Append({piece.data(), piece.size()}), S_OK);
      EXPECT_LT(sink.Gathered(), std::max<std::size_t>(c.run, 1));
    }
    ASSERT_EQ(sink.Flush(), S_OK);
    EXPECT_EQ(sink.Gathered(), 0u);
    EXPECT_EQ(sink.Flush(), S_OK);  // a second flush hands over nothing
    EXPECT_EQ(inner.sizes, c.handOvers);
    EXPECT_EQ(inner.bytes, sent);
  }
}

TEST(GatheringSinkTest, TheFailureBehindIsTheAnswerAndItsRunIsDropped) {
  const std::string bytes = Pattern(30);
  // The second run is refused while the third piece fills it.
  RecordingSink inner;
  inner.failAt = 2;
  GatheringSink sink(inner, 8);
  EXPECT_EQ(sink.Append({bytes.data(), 6}), S_OK);
  EXPECT_EQ(sink.Append({bytes.data() + 6, 4}), S_OK);  // 8 handed over, 2 kept
  EXPECT_EQ(sink.Append({bytes.data() + 10, 4}), S_OK);
  EXPECT_EQ(sink.Append({bytes.data() + 14, 4}), kFull);
  EXPECT_EQ(sink.Gathered(), 0u);
  EXPECT_EQ(sink.Flush(), S_OK);
  EXPECT_EQ(inner.bytes, bytes.substr(0, 8));
  // A piece that is a run itself fails as it is.
  RecordingSink straight;
  straight.failAt = 1;
  GatheringSink direct(straight, 8);
  EXPECT_EQ(direct.Append({bytes.data(), 8}), kFull);
  // The flush fails as the sink behind does.
  RecordingSink atFlush;
  atFlush.failAt = 1;
  GatheringSink last(atFlush, 8);
  EXPECT_EQ(last.Append({bytes.data(), 3}), S_OK);
  EXPECT_EQ(last.Flush(), kFull);
  EXPECT_EQ(last.Gathered(), 0u);
}

TEST(GatheringSinkTest, EmptyingDropsWhatIsGathered) {
  const std::string bytes = Pattern(20);
  RecordingSink inner;
  GatheringSink sink(inner, 8);
  ASSERT_EQ(sink.Append({bytes.data(), 5}), S_OK);
  ASSERT_EQ(sink.Gathered(), 5u);
  ASSERT_EQ(sink.Empty(), S_OK);  // a transfer that starts again
  EXPECT_EQ(sink.Gathered(), 0u);
  ASSERT_EQ(sink.Append({bytes.data() + 11, 5}), S_OK);
  ASSERT_EQ(sink.Flush(), S_OK);
  EXPECT_EQ(inner.empties, 1);
  EXPECT_EQ(inner.bytes, bytes.substr(11, 5));
}

TEST(GatheringSinkTest, WithoutItsBufferEveryPieceGoesStraightOn) {
  RecordingSink inner;
  GatheringSink sink(inner, std::numeric_limits<std::size_t>::max());  // no such buffer can be had
  const std::string bytes = Pattern(7);
  ASSERT_EQ(sink.Append({bytes.data(), 3}), S_OK);
  ASSERT_EQ(sink.Append({bytes.data() + 3, 4}), S_OK);
  EXPECT_EQ(sink.Gathered(), 0u);
  EXPECT_EQ(inner.sizes, (std::vector<std::size_t>{3, 4}));
  EXPECT_EQ(sink.Flush(), S_OK);
  EXPECT_EQ(inner.bytes, bytes);
}

}  // namespace
}  // namespace wendrix
