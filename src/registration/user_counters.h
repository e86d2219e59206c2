#pragma once
// The user counters in the all-users "UserCount.ini": how many users have at
// least one publisher registered for themselves, by ordinary registrations
// (Count) and by registrations the user made (Count2).
#include <cstdint>

#include "core/result.h"

namespace wendrix {

class CJournal;

enum class UserCounter { kCount, kCount2 };

struct UserCounts {
  std::uint32_t count = 0;
  std::uint32_t count2 = 0;
};

// Reads both counters; a missing file or key reads as 0.
HRESULT ReadUserCounts(UserCounts& counts);

// Adds `delta` (+1 or -1) to one counter, never going below 0, and writes it
// with the profile-file API followed by a flush; the file is deleted instead
// when both counters end at 0. With a journal the file is noted first. The
// caller holds "WendrixMutex_Publisher".
HRESULT ChangeUserCounter(UserCounter counter, int delta, CJournal* journal);

}  // namespace wendrix
