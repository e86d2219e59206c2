// libFuzzer target: entries built from arbitrary bytes are refused by
// CIniDataBuffer::Save or read back exactly as they were saved.
#include <cstdlib>

#include "ini_property.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (!wendrix::fuzz::CheckIniRoundTrip(data, size)) std::abort();
  return 0;
}
