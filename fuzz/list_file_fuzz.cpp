// libFuzzer target: a list file read and written back as the store does.
#include <cstdlib>

#include "list_file_property.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (!wendrix::fuzz::CheckListFileRoundTrip(data, size)) std::abort();
  return 0;
}
