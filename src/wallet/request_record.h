#pragma once
// Request records ("Resume%03d.ini"): a request the user interface could not
// finish, left in the per-user product folder for the next main program to
// take up — which view to open, and the items it was downloading or
// installing. Any process of the user can write the folder, so a record is
// read as hostile text.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"

namespace wendrix {

// How the user interface classed an item it lists.
enum RequestCategory : std::uint32_t {
  kCategorySelfUpdate = 0,
  kCategoryFreeUpdate = 1,
  kCategoryNonFreeUpgrade = 2,
  kCategoryOtherSoftware = 3,
  kCategoryOtherPublisher = 4,
};

// One listed item. Empty texts are left out of the record.
struct RequestedItem {
  std::wstring publisher, item, action;
  std::wstring walletItem;  // the wallet entry's ID
  std::wstring version;
  std::uint32_t category = kCategoryOtherSoftware;
  std::uint32_t status = 0;  // display status (DisplayStatusOf)
  bool install = false;
  bool installerLaunched = false;
  std::uint64_t size = 0;
  std::uint64_t transferred = 0;
};

struct RequestedItems {
  bool downloadOnly = false;
  std::vector<RequestedItem> items;
};

struct RequestRecord {
  // What to display; empty texts are left out.
  std::wstring publisher, group, item;
  std::uint32_t flags = 0;
  std::wstring commandLine, currentDirectory;
  // Present when the request carries a list of items.
  std::optional<RequestedItems> list;
};

// The largest record read or written, in bytes of its file, and the most
// items a record lists.
inline constexpr std::size_t kRequestRecordLimit = 1000000;
inline constexpr std::size_t kRequestRecordItems = 1000;

// The record as INI text: a Display section, and with a list a Settings
// section and one InstallItem section per item. E_INVALIDARG for a value
// that would not read back unchanged or a list longer than
// kRequestRecordItems.
HRESULT WriteRequestRecordText(const RequestRecord& record, std::wstring& text);

// Reads a record's text. kInvalidData for a text that does not parse, a
// word of neither vocabulary, a number that is not one, or too many items.
HRESULT ReadRequestRecordText(std::wstring_view text, RequestRecord& record);

// Saves a record under the lowest free name "Resume001.ini" ... "Resume999.ini"
// of the per-user product folder, whole or not at all: E_FAIL when all 999
// are taken, the code of ERROR_BUFFER_OVERFLOW when the path would reach 260
// characters. `path` receives the file's path.
HRESULT SaveRequestRecord(const RequestRecord& record, std::wstring& path);

// Takes the lowest-numbered pending record: reads and deletes it. A record
// that cannot be read is deleted and skipped. `found` tells whether a record
// was taken.
HRESULT TakeRequestRecord(RequestRecord& record, bool& found);

// Whether a record waits in the per-user product folder (a name of the
// record form is enough; it is not read).
bool RequestRecordPending() noexcept;

}  // namespace wendrix
