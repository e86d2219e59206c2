#pragma once
// GatheringSink: gathers the pieces a transfer appends into runs for the
// sink behind it. A transfer appends a kilobyte at a time (its progress
// goes by that block), while each write to a file or call into a hash
// provider has a fixed cost far above that of copying a kilobyte: under
// Wine a write of 1 KB costs about as much as one of 64 KB.
#include <cstddef>
#include <memory>
#include <span>

#include "update/byte_sink.h"

namespace wendrix {

class GatheringSink final : public ByteSink {
 public:
  // Runs of `runSize` bytes (at least 1). A sink that cannot get its
  // buffer passes every piece straight on, as if it were not there.
  GatheringSink(ByteSink& inner, std::size_t runSize) noexcept;
  GatheringSink(const GatheringSink&) = delete;
  GatheringSink& operator=(const GatheringSink&) = delete;

  // Drops what is gathered and empties the sink behind.
  HRESULT Empty() override;
  // Gathers; a full run goes on at once. The failure of the sink behind is
  // the answer, and the run it refused is dropped.
  HRESULT Append(std::span<const char> bytes) override;
  // Passes on what is gathered: after the last piece, and before anyone
  // looks at what the sink behind holds (a stopped transfer included).
  HRESULT Flush();
  // Bytes gathered and not yet passed on.
  std::size_t Gathered() const noexcept { return m_size; }

 private:
  ByteSink& m_inner;
  std::size_t m_runSize;
  std::unique_ptr<char[]> m_run;
  std::size_t m_size = 0;
};

}  // namespace wendrix
