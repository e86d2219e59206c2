#pragma once
// The rows of the All Items view: one per registered publisher the user
// sees, with its status, and one per item of its loaded data, grouped by
// what the item means to the user (an update, installed, not installed).
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace wendrix {

struct PublisherRecord;

// The view's groups, in display order.
enum class ItemGroup : std::uint32_t { kUpdates, kInstalled, kNotInstalled, kPublishers };
inline constexpr std::uint32_t kItemGroupCount = 4;

enum class ItemStatus : std::uint32_t {
  kNotInstalled,  // not installed
  kNew,           // not installed, new since the previous check
  kInstalled,     // installed, no version on offer
  kUpToDate,      // installed, the latest version is not newer
  kUpdate,        // installed, a newer version is on offer
  kNewUpdate,     // the same, new since the previous check
};

struct ItemRow {
  ItemGroup group = ItemGroup::kPublishers;
  std::wstring publisherId;
  std::wstring itemId;  // empty on a publisher's own row
  std::wstring publisher, title, installed, latest;
  // An item's ItemStatus; on a publisher row the string of its status
  // (kStrPublisherStatusNew ... kStrPublisherStatusNeedsSelfUpdate).
  std::uint32_t status = 0;

  bool IsPublisher() const noexcept { return itemId.empty(); }
};

// The status of a publisher as its record shows it: New while never
// attempted, else Active after a successful check, Needs self-update when
// its data wanted a newer library, Error otherwise.
std::uint32_t PublisherStatusString(const PublisherRecord& record) noexcept;

// The status of an item from its installed and latest versions and its new
// flag. An item without an installed version is not installed; one with a
// latest version newer than the installed one (version comparison) offers
// an update; one without a latest version is merely installed.
ItemStatus StatusOfItem(const std::wstring* installed, std::wstring_view latest, bool isNew) noexcept;

// The group an item of that status belongs to.
ItemGroup GroupOfStatus(ItemStatus status) noexcept;

struct ItemRows {
  std::vector<ItemRow> rows;
  // Items the user hid that offer an update (StatusOfItem: kUpdate or
  // kNewUpdate): the summary tells of them, as their rows are not shown.
  std::uint32_t hiddenWithUpdates = 0;
};

// The rows for `records`: every publisher that is not the directory of
// publishers nor the self publisher and, when `onlyPublisherId` is given,
// has that ID (exactly), with its own row and one row per visible item of
// its loaded model (a publisher without a model has no item rows; items
// marked invisible are left out, and so are items the user hid: those
// `inactiveItems[i]`, the inactive-items text of records[i], names; records
// past its end have none). The rows come in the order of their groups, in
// store order within a group, so that a list without group headers still
// shows them together.
ItemRows BuildItemRows(std::span<const PublisherRecord> records, std::wstring_view onlyPublisherId,
                       std::span<const std::wstring> inactiveItems = {});

}  // namespace wendrix
