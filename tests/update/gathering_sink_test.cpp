// Gathering a transfer's pieces into runs: the sink behind sees every byte
// once, in order, in full runs (or what is left of a piece that is a run
// already) and one short run at the flush; its failures and an emptying drop what is
// gathered; without a buffer every piece goes straight on.
#include "update/gathering_sink.h"

#include <gtest/gtest.h>

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
};

// Distinct bytes, so that a piece out of place or repeated shows.
std::string Pattern(std::size_t size, std::size_t from = 0) {
  std::string text(size, '\0');
  for (std::size_t i = 0; i < size; ++i) text[i] = static_cast<char>((from + i) * 7 % 251);
  return text;
}

TEST(GatheringSinkTest, EveryByteArrivesOnceInRuns) {
  constexpr std::size_t kNever = 99;
  const struct {
    const char* name;
    std::size_t run;
    std::vector<std::size_t> pieces;
    std::vector<std::size_t> handOvers;  // what the sink behind is handed, flush included
    std::size_t emptyBefore = kNever;    // the piece before which the sink is emptied
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
      // A transfer that starts again: what was gathered goes, and the sink behind is emptied.
      {"an emptying drops what is gathered", 8, {10, 3, 5}, {10, 5}, 2},
      {"without its buffer every piece goes straight on", std::numeric_limits<std::size_t>::max(), {3, 4}, {3, 4}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    RecordingSink inner;
    GatheringSink sink(inner, c.run);
    std::string sent;
    for (std::size_t i = 0; i < c.pieces.size(); ++i) {
      if (i == c.emptyBefore) {
        ASSERT_EQ(sink.Empty(), S_OK);
        EXPECT_EQ(sink.Gathered(), 0u);
        sent.clear();
      }
      const std::string piece = Pattern(c.pieces[i], 100 * i);
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

// A refusal behind is the answer, and what was gathered goes with it: at a
// run's end, for a piece that is a run itself, and at the flush.
TEST(GatheringSinkTest, TheFailureBehindIsTheAnswerAndItsRunIsDropped) {
  const std::string bytes = Pattern(30);
  RecordingSink inner;
  inner.failAt = 2;  // the second run, which the fourth piece fills
  GatheringSink sink(inner, 8);
  EXPECT_EQ(sink.Append({bytes.data(), 6}), S_OK);
  EXPECT_EQ(sink.Append({bytes.data() + 6, 4}), S_OK);  // 8 handed over, 2 kept
  EXPECT_EQ(sink.Append({bytes.data() + 10, 4}), S_OK);
  EXPECT_EQ(sink.Append({bytes.data() + 14, 4}), kFull);
  EXPECT_EQ(sink.Gathered(), 0u);
  EXPECT_EQ(sink.Flush(), S_OK);
  EXPECT_EQ(inner.bytes, bytes.substr(0, 8));
  for (const std::size_t size : {8, 3}) {
    RecordingSink refusing;
    refusing.failAt = 1;
    GatheringSink other(refusing, 8);
    const HRESULT appended = other.Append({bytes.data(), size});
    EXPECT_EQ(size == 8 ? appended : other.Flush(), kFull) << size;
    EXPECT_EQ(other.Gathered(), 0u);
  }
}

}  // namespace
}  // namespace wendrix
