#pragma once
// List files: one section per registered publisher, named by its ID. This
// file reads sections into publisher records, merges records from the
// store's several sources, and writes records back.
#include <cstdint>
#include <span>
#include <vector>

#include "core/ini_data.h"
#include "core/result.h"
#include "publisher/id_index.h"
#include "registration/publisher_record.h"

namespace wendrix {

// The store's sources, read in this order for each scope: the older
// product's two registry lists, its list file, and the current list file.
enum ListSource : std::uint32_t {
  kSourceOlderRegistry2,
  kSourceOlderRegistry3,
  kSourceOlderList,
  kSourceCurrentList,
  kListSources
};

enum StoreScope : std::uint32_t { kScopeCurrentUser, kScopeAllUsers };

// The count slot of a source read for a scope.
CountSlot SlotOf(ListSource source, StoreScope scope) noexcept;

// The schema a list is loaded with. Keys it does not know are read as text
// and ignored.
IniSchema ListFileSchema() noexcept;

// Reads every section of `data` into `records` (appending, or adding to the
// record of the same ID, compared ignoring case). A section named by a
// built-in publisher's alias is given that publisher's ID and row. Only the
// keys found set present bits; `Count` goes to counts[slot]. A date that does
// not parse and a list line with fewer than two texts are ignored.
HRESULT ReadListRecords(const CIniData& data, CountSlot slot, std::vector<PublisherRecord>& records);

// Merges a record read from one source into the store's record of the same
// publisher. A field the store's record lacks is taken from any source; one
// it has is replaced only from the current list file and only when the
// store's record's version is not newer than `from`'s. Menu, dialog and
// UserRegistered bits are set or cleared only from the current list file.
// Check state and Enabled read from the user's lists are not replaced by an
// all-users list. The count of `slot` is taken (the older product's sources
// keep the highest) and sets the slot's counted flag when it is not 0; a
// UserRegistered record of the user's current list has the current user's
// flag too.
void MergeListRecord(const PublisherRecord& from, ListSource source, CountSlot slot, PublisherRecord& into);

// Appends one section per record to `out` with the keys whose present bit is
// set: `Count` from counts[slot], `LastCheckError` in hexadecimal, dates in
// the "%d-%02d-%02dT%02d:%02d:%02dZ" form, application names always quoted.
HRESULT WriteListRecords(std::span<const PublisherRecord> records, CountSlot slot, CIniData& out);

// The record whose ID equals `id` ignoring case, or null.
PublisherRecord* FindRecord(std::vector<PublisherRecord>& records, std::wstring_view id) noexcept;

// The positions of `records` by identifier, found as FindRecord finds them
// (ignoring case, the first of equal ones): a merge or a save looks every
// publisher of one list up in another, which a search from the start each
// time would make quadratic in the lists' length.
class RecordPositions {
 public:
  static constexpr std::size_t kNone = FoldedPositionTable::kNone;

  explicit RecordPositions(const std::vector<PublisherRecord>& records) : m_records(records) {
    for (std::size_t i = 0; i < records.size(); ++i) Add(i);
  }
  // The position of the first record with `id`, or kNone.
  std::size_t Find(std::wstring_view id) const noexcept {
    bool changed = false;
    return m_table.Find(id, FoldedIdHash(id), IdAt{m_records}, changed);
  }
  // Adds the record at `position`, which the list holds already.
  void Add(std::size_t position) {
    m_table.Insert(position, FoldedIdHash(m_records[position].id), IdAt{m_records});
  }

 private:
  struct IdAt {
    const std::vector<PublisherRecord>& records;
    std::wstring_view operator()(std::size_t i) const noexcept { return records[i].id; }
  };

  const std::vector<PublisherRecord>& m_records;
  FoldedPositionTable m_table;
};

}  // namespace wendrix
