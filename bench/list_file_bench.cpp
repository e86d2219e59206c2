// List-file reading on lists of 12,500, 25,000 and 50,000 publishers (a list
// file in a shared folder is written by whoever can write there): the parse
// and the reading into records, whose time per publisher stays the same when
// the read is linear in the list's length. Every publisher appears twice, as
// a list that was appended to does, so each section also finds its record.
//
//   bench/list_file_bench
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/ini_data_buffer.h"
#include "registration/list_file.h"
#include "bench_timing.h"

using namespace wendrix;

namespace {

std::wstring ListOf(std::size_t publishers) {
  std::wstring text;
  for (int pass = 0; pass < 2; ++pass)
    for (std::size_t i = 0; i < publishers; ++i) {
      const std::wstring id = L"1.3.6.1.4.1." + std::to_wstring(i);
      text += L"[" + id + L"]\r\n";
      text += pass == 0 ? L"Name = \"Publisher " + id + L"\"\r\nDataSource = http://p" + std::to_wstring(i) +
                              L".example/data.wx-cnf\r\nEnabled = 1\r\n"
                        : L"Count = 1\r\n";
    }
  return text;
}

}  // namespace

int main() {
  std::printf("%12s %10s %12s %16s\n", "publishers", "MB", "seconds", "us per publisher");
  for (std::size_t publishers : {12'500u, 25'000u, 50'000u}) {
    const std::wstring text = ListOf(publishers);
    std::size_t read = 0;
    const double seconds = bench::Best(3, [&] {
      CIniDataBuffer data;
      data.SetText(std::wstring_view(text));
      std::vector<PublisherRecord> records;
      if (FAILED(data.Load(ListFileSchema())) || FAILED(ReadListRecords(data, kSlotCurrentUser, records))) std::abort();
      read = records.size();
    });
    if (read != publishers) std::abort();
    std::printf("%12zu %10.1f %12.3f %16.2f\n", publishers, text.size() * 2 / 1e6, seconds, seconds * 1e6 / publishers);
  }
}
