// libFuzzer target: what a data file (opened by double-click, or named by a
// setup) says about its publisher, written into the two files a
// registration writes: the user's list and the product's data file.
//
// Whatever the file: no crash; the writers may refuse its fields, but what
// they write reads back as exactly those fields, so that no field can add a
// line, a key or a section to either file.
#include <cstdlib>
#include <string>
#include <vector>

#include "core/ini_data_buffer.h"
#include "core/text_encoding.h"
#include "publisher/loader.h"
#include "publisher/publisher_id.h"
#include "registration/list_file.h"
#include "registration/product_data.h"

using namespace wendrix;

namespace {

// The written text read back; false when the writer refused.
template <typename Write>
bool Written(Write write, IniSchema schema, CIniDataBuffer& back) {
  CIniDataBuffer out;
  if (FAILED(write(out)) || FAILED(out.Save(kIniSaveUnicode))) return false;
  back.SetText(std::wstring_view(out.Text()));
  if (FAILED(back.Load(schema))) std::abort();
  return true;
}

void CheckList(const PublisherFields& p) {
  PublisherRecord record;
  TakeRegisteredFields(p, record);
  record.present = kRegisteredKeys;
  const std::vector<PublisherRecord> records = {record};
  CIniDataBuffer back;
  if (!Written([&](CIniData& out) { return WriteListRecords(records, kSlotCurrentUser, out); }, ListFileSchema(),
               back))
    return;
  std::vector<PublisherRecord> read;
  if (FAILED(ReadListRecords(back, kSlotCurrentUser, read)) || read.size() != 1) std::abort();
  const PublisherRecord& r = read.front();
  if (r.id != p.id || r.name != p.name || r.homePage != p.homePage || r.dataSource != p.dataSource ||
      r.version != p.version || r.applicationNames != p.applicationNames ||
      (r.flags & kRegisteredFlags) != (p.flags & kRegisteredFlags))
    std::abort();
}

void CheckProductData(const PublisherFields& p) {
  ProductData data;
  data.name = L"Acme Setup";
  data.Add(ProductPublisher{p.id, p.name, p.homePage, p.dataSource});
  CIniDataBuffer back;
  if (!Written([&](CIniData& out) { return WriteProductData(data, out); }, ProductDataSchema(), back)) return;
  ProductData read;
  if (FAILED(ReadProductData(back, read)) || read.name != data.name || read.publishers.size() != 1) std::abort();
  const ProductPublisher& r = read.publishers.front();
  if (r.id != p.id || r.name != p.name || r.homePage != p.homePage || r.dataSource != p.dataSource) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  const std::wstring text = DecodeTextFile(std::string_view(reinterpret_cast<const char*>(bytes), size),
                                           SystemCodePage(3));
  PublisherFileHeader header;
  std::uint32_t line = 0;
  if (FAILED(ReadPublisherFileHeader(text, header, line))) return 0;
  // A registration refuses any other ID before it writes.
  if (!IsSafePublisherId(header.publisher.id)) return 0;
  CheckList(header.publisher);
  CheckProductData(header.publisher);
  return 0;
}
