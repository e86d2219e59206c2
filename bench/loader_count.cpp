// The publisher loader's work in instructions rather than time: loads (or
// parses with the schema alone) one generated publisher file COUNT times,
// for a counting tool such as callgrind. Instructions do not depend on the
// machine's load nor on where the linker placed the reader's loops, which
// the timed ratio of loader_bench does. Run it once with COUNT 0 as well:
// the difference is the work of COUNT loads.
//
//   valgrind --tool=callgrind bench/loader_count load|parse COUNT [BYTES]
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "../tests/publisher/fake_environment.h"
#include "core/ini_data_buffer.h"
#include "core/text_encoding.h"
#include "publisher/loader.h"
#include "publisher/schema.h"
#include "publisher_file.h"

using namespace wendrix;

int main(int argc, char** argv) {
  if (argc < 3 || (std::strcmp(argv[1], "load") != 0 && std::strcmp(argv[1], "parse") != 0)) {
    std::fprintf(stderr, "usage: loader_count load|parse COUNT [BYTES]\n");
    return 2;
  }
  const bool load = std::strcmp(argv[1], "load") == 0;
  const long count = std::strtol(argv[2], nullptr, 10);
  const std::size_t bytes = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 20 * 1000;
  const std::wstring text = DecodeTextFile(bench::GeneratePublisherFile(bytes), SystemCodePage(3));
  test::FakeEnvironment env;
  test::FakePublisherList publishers;
  for (long i = 0; i < count; ++i) {
    if (load) {
      PublisherData data = bench::RegisteredModel();
      if (LoadPublisherData(text.c_str(), &data, &publishers, nullptr, nullptr, 0, env) != S_OK) return 1;
    } else {
      // As loader_bench's baseline: the text copied in, then parsed.
      CIniDataBuffer entries;
      entries.SetText(std::wstring_view(text));
      if (FAILED(entries.Load(PublisherSchema()))) return 1;
    }
  }
  return 0;
}
