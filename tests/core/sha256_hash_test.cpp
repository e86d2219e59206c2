// SHA-256 through the system's provider, in the caller's thread and on a
// thread of its own: the standard vectors fed whole, in uneven pieces and
// from a file, and the digest's life (start, restart, end).
#include "platform/sha256_hash.h"
#include "platform/sha256_stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "../support/temp_folder.h"

namespace wendrix {
namespace {

struct Vector {
  const char* name;
  std::string message;
  const wchar_t* digest;
};

const Vector kVectors[] = {
    {"empty", "", L"e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
    {"abc", "abc", L"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
    {"two blocks", "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
     L"248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
    {"a million a", std::string(1000000, 'a'), L"cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
};

template <class Hash>
std::wstring Digest(std::string_view message, std::size_t piece) {
  Hash hash;
  EXPECT_EQ(hash.Start(), S_OK);
  for (std::size_t at = 0; at < message.size(); at += piece)
    EXPECT_EQ(hash.Add({message.data() + at, std::min(piece, message.size() - at)}), S_OK);
  Sha256Digest digest{};
  EXPECT_EQ(hash.Finish(digest), S_OK);
  EXPECT_FALSE(hash.Started());
  return FormatSha256Text(digest);
}

TEST(Sha256HashTest, StandardVectorsWholeInPiecesAndFromAFile) {
  test::TempFolder folder;
  for (const Vector& v : kVectors) {
    SCOPED_TRACE(v.name);
    // Whole, then pieces that cut across the 64-byte blocks and across the
    // runs the hash gathers before the provider sees them (64 KB) and that
    // the stream hands to its thread (1 MB).
    for (const std::size_t piece : {v.message.size() + 1, std::size_t{7}, std::size_t{40000}, std::size_t{65536}}) {
      EXPECT_EQ(Digest<Sha256Hash>(v.message, piece), v.digest) << piece;
      EXPECT_EQ(Digest<Sha256Stream>(v.message, piece), v.digest) << piece;
    }
    Sha256Digest digest{};
    ASSERT_EQ(HashFileSha256(folder.Write(L"v.bin", v.message).c_str(), digest), S_OK);
    EXPECT_EQ(FormatSha256Text(digest), v.digest);
  }
  Sha256Digest digest{};
  EXPECT_EQ(HashFileSha256(folder.File(L"missing").c_str(), digest), HResultFromWin32(ERROR_FILE_NOT_FOUND));
}

TEST(Sha256StreamTest, AgreesWithTheHashOverMoreRunsThanItQueues) {
  // Every byte different from its neighbours, so that a run hashed twice,
  // dropped or out of order changes the digest.
  std::string message((Sha256Stream::kQueuedRuns + 3) * Sha256Stream::kRunSize + 12345, '\0');
  for (std::size_t i = 0; i < message.size(); ++i) message[i] = static_cast<char>(i * 31 % 253);
  for (const std::size_t piece : {std::size_t{1024}, std::size_t{1048576}, message.size()})
    EXPECT_EQ(Digest<Sha256Stream>(message, piece), Digest<Sha256Hash>(message, 65536)) << piece;
}

template <class Hash>
class Sha256LifeTest : public testing::Test {};
using Hashes = testing::Types<Sha256Hash, Sha256Stream>;
TYPED_TEST_SUITE(Sha256LifeTest, Hashes);

TYPED_TEST(Sha256LifeTest, StartDropsWhatCameBeforeAndNothingIsAddedOutsideADigest) {
  TypeParam hash;
  Sha256Digest digest{};
  EXPECT_EQ(hash.Add({"x", 1}), E_UNEXPECTED);
  EXPECT_EQ(hash.Finish(digest), E_UNEXPECTED);
  ASSERT_EQ(hash.Start(), S_OK);
  EXPECT_EQ(hash.Add({"stale", 5}), S_OK);
  const std::string large(Sha256Stream::kRunSize + 300000, 's');  // past a run the stream hands to its thread
  EXPECT_EQ(hash.Add(large), S_OK);
  ASSERT_EQ(hash.Start(), S_OK);  // a transfer that starts over
  EXPECT_EQ(hash.Add({"abc", 3}), S_OK);
  ASSERT_EQ(hash.Finish(digest), S_OK);
  EXPECT_EQ(FormatSha256Text(digest), kVectors[1].digest);
  EXPECT_EQ(hash.Add({"x", 1}), E_UNEXPECTED);
  ASSERT_EQ(hash.Start(), S_OK);
  hash.Reset();
  EXPECT_FALSE(hash.Started());
}

}  // namespace
}  // namespace wendrix
