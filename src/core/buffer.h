#pragma once
// CBuffer<T>: the growable array under the text and list containers.
//
// Capacity grows to at least capacity + needed + step, and at least doubles, so
// that small buffers stay small while a text built one character at a time
// still costs linear time.
#include <cstddef>
#include <span>
#include <vector>

namespace wendrix {

template <typename T>
class CBuffer {
 public:
  static constexpr std::size_t kDefaultStep = 100;

  explicit CBuffer(std::size_t step = kDefaultStep) : m_step(step) { m_items.reserve(step); }

  void Append(const T& item) {
    Reserve(1);
    m_items.push_back(item);
  }
  void Append(std::span<const T> items) {
    Reserve(items.size());
    m_items.insert(m_items.end(), items.begin(), items.end());
  }
  // Grows or shrinks to `count` elements; new elements are value-initialised.
  void SetCount(std::size_t count) {
    if (count > m_items.size()) Reserve(count - m_items.size());
    m_items.resize(count);
  }
  void Reset() { m_items.clear(); }

  std::size_t Count() const noexcept { return m_items.size(); }
  std::size_t Capacity() const noexcept { return m_items.capacity(); }
  bool Empty() const noexcept { return m_items.empty(); }
  T& operator[](std::size_t i) { return m_items[i]; }
  const T& operator[](std::size_t i) const { return m_items[i]; }
  T* Data() noexcept { return m_items.data(); }
  const T* Data() const noexcept { return m_items.data(); }
  std::span<const T> Items() const noexcept { return m_items; }
  auto begin() const noexcept { return m_items.begin(); }
  auto end() const noexcept { return m_items.end(); }

 private:
  void Reserve(std::size_t needed) {
    const std::size_t capacity = m_items.capacity();
    if (m_items.size() + needed <= capacity) return;
    const std::size_t stepped = capacity + needed + m_step;
    m_items.reserve(stepped > 2 * capacity ? stepped : 2 * capacity);
  }

  std::vector<T> m_items;
  std::size_t m_step;
};

}  // namespace wendrix
