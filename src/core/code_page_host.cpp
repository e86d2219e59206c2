// The host build has no ANSI code pages: every number means ISO 8859-1.
#include "core/text_encoding.h"

namespace wendrix {

const CodePage& SystemCodePage(std::uint32_t) {
  static const Latin1CodePage latin1;
  return latin1;
}

}  // namespace wendrix
