// libFuzzer target: CIniDataBuffer::Load and Save on arbitrary file bytes.
#include <cstdlib>

#include "ini_property.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (!wendrix::fuzz::CheckIniProperty(data, size)) std::abort();
  return 0;
}
