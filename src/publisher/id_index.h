#pragma once
// Identifiers compared ignoring case, as the model compares them, in hashed
// tables that hold no copy of them: a publisher file holds thousands of
// records that refer to one another, and copying (or scanning for) every
// identifier would make a load slow.
//
// IdIndex: the index behind the model's lookups by identifier. It belongs to
// one collection and follows it without being told: it is rebuilt whenever
// the collection's size or storage has changed since it was built, and a
// lookup that meets, on its way, a record whose identifier no longer has the
// hash it was indexed with falls back to a plain scan (records that merely
// share a hash do not: a file full of them would make every lookup a scan).
// So a stale index never returns a
// record that does not carry the identifier; but it misses an identifier
// that a record took since the index was built without the collection's
// size or storage changing (changed in place, or a collection emptied and
// refilled to the same size in the same storage): the model resets its
// indexes whenever it empties its collections for that reason.
//
// FoldedIdSet: a set of identifiers that live elsewhere (views).
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <new>
#include <string_view>
#include <utility>
#include <vector>

#include "core/string_util.h"

namespace wendrix {

// A start for the hash chosen anew by each process: identifiers made to
// share one hash would turn every table of them into a list, and a file
// cannot aim at a start it does not know.
inline std::uint64_t FoldedIdHashSeed() noexcept {
  static const std::uint64_t seed = [] {
    static const char anchor = 0;  // where the process was loaded
    std::uint64_t s = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(&anchor)) ^
                      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    s ^= s >> 33;  // MurmurHash3's finaliser spreads the few bits that vary
    s *= 0xff51afd7ed558ccdull;
    s ^= s >> 33;
    return s;
  }();
  return seed;
}

// Hash of an identifier with ASCII letters folded (FNV-1a from the
// process's start).
inline std::size_t FoldedIdHash(std::wstring_view id) noexcept {
  std::uint64_t hash = 14695981039346656037ull ^ FoldedIdHashSeed();
  for (wchar_t c : id) {
    hash ^= static_cast<std::uint32_t>(CStringUtil::FoldAscii(c));
    hash *= 1099511628211ull;
  }
  return static_cast<std::size_t>(hash);
}

// An open-addressing table of positions (in a collection that the caller
// keeps), each with its identifier's hash; at most half full. `IdAt` gives
// the identifier at a position.
class FoldedPositionTable {
 public:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  FoldedPositionTable() = default;  // allocates nothing until the first insertion
  // An empty table with room for `count` positions.
  explicit FoldedPositionTable(std::size_t count) {
    std::size_t size = kInitialSize;
    while (size < 2 * count) size *= 2;
    m_slots.assign(size, Slot{0, kFree});
  }

  // The position of the first identifier that equals `id`, or kNone.
  // `changed` tells whether an identifier was met on the way that no longer
  // has the hash it was added with (it changed since). Two identifiers that
  // merely share a hash do not count: the search goes past them anyway.
  template <typename IdAt>
  std::size_t Find(std::wstring_view id, std::size_t hash, IdAt idAt, bool& changed) const noexcept {
    changed = false;
    if (m_slots.empty()) return kNone;
    const std::uint32_t kept = Kept(hash);
    for (std::size_t i = hash & Mask(); m_slots[i].position != kFree; i = (i + 1) & Mask()) {
      if (m_slots[i].hash != kept) continue;
      const std::wstring_view there = idAt(m_slots[i].position);
      if (CStringUtil::EqualsNoCase(there, id)) return m_slots[i].position;
      if (!changed && Kept(FoldedIdHash(there)) != kept) changed = true;
    }
    return kNone;
  }

  // Adds `position` unless an equal identifier is in the table already
  // (the first one stays); false then. Never more than half full: a table
  // that would be is rebuilt twice as large first.
  template <typename IdAt>
  bool Insert(std::size_t position, std::size_t hash, IdAt idAt) {
    // A slot holds a position in 32 bits; no collection that large fits in memory anyway.
    if (position >= kFree) throw std::bad_alloc();
    if (2 * (m_used + 1) > m_slots.size()) Grow();
    const std::uint32_t kept = Kept(hash);
    std::size_t i = hash & Mask();
    for (; m_slots[i].position != kFree; i = (i + 1) & Mask())
      if (m_slots[i].hash == kept && CStringUtil::EqualsNoCase(idAt(m_slots[i].position), idAt(position))) return false;
    m_slots[i] = Slot{kept, static_cast<std::uint32_t>(position)};
    ++m_used;
    return true;
  }

 private:
  static constexpr std::size_t kInitialSize = 16;
  // Slots of 8 bytes: a table of thousands of records is probed at random,
  // and half the bytes are half the cache misses. A slot keeps the low 32
  // bits of its identifier's hash, which also choose its place (no table
  // has 2^32 slots), and its position in 32 bits.
  static constexpr std::uint32_t kFree = UINT32_MAX;
  struct Slot {
    std::uint32_t hash;
    std::uint32_t position;
  };
  static std::uint32_t Kept(std::size_t hash) noexcept { return static_cast<std::uint32_t>(hash); }

  std::size_t Mask() const noexcept { return m_slots.size() - 1; }

  // Built aside: when memory runs out the table stays as it was.
  void Grow() {
    std::vector<Slot> slots(m_slots.empty() ? kInitialSize : 2 * m_slots.size(), Slot{0, kFree});
    const std::size_t mask = slots.size() - 1;
    for (const Slot& s : m_slots) {
      if (s.position == kFree) continue;
      std::size_t i = s.hash & mask;
      while (slots[i].position != kFree) i = (i + 1) & mask;
      slots[i] = s;
    }
    m_slots.swap(slots);
  }

  std::vector<Slot> m_slots;
  std::size_t m_used = 0;
};

class IdIndex {
 public:
  // The first record whose identifier equals `id` ignoring case, or null.
  // Throws std::bad_alloc only when the index must be rebuilt and memory
  // runs out.
  template <typename Record>
  Record* Find(Record* records, std::size_t count, std::wstring_view id) const {
    if (count < kScanLimit) return Scan(records, count, id);
    if (records != m_storage || count != m_count) Rebuild(records, count);
    bool changed = false;
    const std::size_t position =
        m_table.Find(id, FoldedIdHash(id), [records](std::size_t i) -> std::wstring_view { return records[i].id; },
                     changed);
    if (position != FoldedPositionTable::kNone) return records + position;
    // A record on the way had its identifier changed since the index was
    // built, perhaps to this one: only a scan is sure.
    return changed ? Scan(records, count, id) : nullptr;
  }

 private:
  // Below this size a scan is as quick as hashing.
  static constexpr std::size_t kScanLimit = 16;

  template <typename Record>
  static Record* Scan(Record* records, std::size_t count, std::wstring_view id) {
    for (std::size_t i = 0; i < count; ++i)
      if (CStringUtil::EqualsNoCase(records[i].id, id)) return records + i;
    return nullptr;
  }

  template <typename Record>
  void Rebuild(Record* records, std::size_t count) const {
    // Built aside: when memory runs out the old index stays as it was.
    FoldedPositionTable table(count);
    auto idAt = [records](std::size_t i) -> std::wstring_view { return records[i].id; };
    for (std::size_t i = 0; i < count; ++i) table.Insert(i, FoldedIdHash(records[i].id), idAt);
    m_table = std::move(table);
    m_storage = records;
    m_count = count;
  }

  mutable FoldedPositionTable m_table;
  mutable const void* m_storage = nullptr;
  mutable std::size_t m_count = 0;
};

class FoldedIdSet {
 public:
  // Makes room for `count` identifiers, so that adding them never rebuilds
  // the table.
  void Reserve(std::size_t count) {
    if (count <= m_ids.capacity()) return;
    FoldedPositionTable table(count);
    auto idAt = [this](std::size_t i) { return m_ids[i]; };
    for (std::size_t i = 0; i < m_ids.size(); ++i) table.Insert(i, FoldedIdHash(m_ids[i]), idAt);
    m_ids.reserve(count);
    m_table = std::move(table);
  }
  bool Contains(std::wstring_view id) const noexcept {
    bool changed = false;
    return m_table.Find(id, FoldedIdHash(id), [this](std::size_t i) { return m_ids[i]; }, changed) !=
           FoldedPositionTable::kNone;
  }
  // Adds `id`, which must stay valid as long as the set; false when an equal
  // identifier is in the set already.
  bool Insert(std::wstring_view id) {
    m_ids.push_back(id);  // at the position it gets; taken back when an equal one is in the set
    if (m_table.Insert(m_ids.size() - 1, FoldedIdHash(id), [this](std::size_t i) { return m_ids[i]; })) return true;
    m_ids.pop_back();
    return false;
  }

 private:
  std::vector<std::wstring_view> m_ids;
  FoldedPositionTable m_table;
};

}  // namespace wendrix
