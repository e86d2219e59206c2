// libFuzzer target: marked-up texts as publisher data files carry them.
#include <cstdlib>

#include "markup_property.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (!wendrix::fuzz::CheckMarkupProperty(data, size)) std::abort();
  return 0;
}
