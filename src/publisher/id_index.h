#pragma once
// IdIndex: the case-insensitive index behind the model's lookups by
// identifier. A publisher file holds thousands of records that refer to one
// another; scanning for each reference would make a load quadratic.
//
// The index belongs to one collection and follows it without being told:
// it is rebuilt whenever the collection's size or storage has changed since
// it was built, and a position whose record no longer carries the wanted
// identifier sends the lookup to a plain scan. So a stale index can cost
// time but never give a wrong answer, except after an identifier was
// changed in place to one that another record also holds.
#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

#include "core/string_util.h"

namespace wendrix {

class IdIndex {
 public:
  // The first record whose identifier equals `id` ignoring case, or null.
  template <typename Record>
  Record* Find(Record* records, std::size_t count, std::wstring_view id) const {
    if (count < kScanLimit) return Scan(records, count, id);
    if (records != m_storage || count != m_count) Rebuild(records, count);
    const auto it = m_positions.find(Fold(id));
    if (it == m_positions.end()) return nullptr;
    Record* record = records + it->second;
    return CStringUtil::EqualsNoCase(record->id, id) ? record : Scan(records, count, id);
  }

 private:
  // Below this size a scan is as quick as hashing.
  static constexpr std::size_t kScanLimit = 16;

  static std::wstring Fold(std::wstring_view id) {
    std::wstring folded(id);
    for (wchar_t& c : folded) c = CStringUtil::FoldAscii(c);
    return folded;
  }
  template <typename Record>
  static Record* Scan(Record* records, std::size_t count, std::wstring_view id) {
    for (std::size_t i = 0; i < count; ++i)
      if (CStringUtil::EqualsNoCase(records[i].id, id)) return records + i;
    return nullptr;
  }
  template <typename Record>
  void Rebuild(Record* records, std::size_t count) const {
    m_positions.clear();
    m_positions.reserve(count);
    for (std::size_t i = 0; i < count; ++i) m_positions.emplace(Fold(records[i].id), i);  // the first one stays
    m_storage = records;
    m_count = count;
  }

  mutable std::unordered_map<std::wstring, std::size_t> m_positions;
  mutable const void* m_storage = nullptr;
  mutable std::size_t m_count = 0;
};

}  // namespace wendrix
