#include "core/string_list.h"

#include <limits>
#include <new>

namespace wendrix {

void CStringList::Open(std::uint32_t tag, std::uint32_t line, std::int32_t id) {
  if (m_open) Abandon();
  if (m_stringStarts.size() > std::numeric_limits<std::uint32_t>::max()) throw std::bad_alloc();
  m_pending = Block{tag, line, id, static_cast<std::uint32_t>(m_stringStarts.size() - 1), 0};
  m_open = true;
}

void CStringList::EndString() {
  m_chars.push_back(L'\0');
  m_stringStarts.push_back(m_chars.size());
  ++m_pending.stringCount;
}

void CStringList::Close() {
  m_blocks.push_back(m_pending);
  m_open = false;
}

void CStringList::Abandon() noexcept {
  if (!m_open) return;
  // Shrinking never allocates, so dropping a half-built block cannot fail.
  m_stringStarts.resize(m_pending.firstString + 1);
  m_chars.resize(m_stringStarts.back());
  m_open = false;
}

void CStringList::Append(std::uint32_t tag, std::uint32_t line, std::int32_t id,
                         std::initializer_list<std::wstring_view> strings) {
  Open(tag, line, id);
  try {
    for (std::wstring_view s : strings) {
      Put(s);
      EndString();
    }
    Close();
  } catch (...) {
    Abandon();
    throw;
  }
}

void CStringList::Reserve(std::size_t chars, std::size_t strings, std::size_t blocks) {
  m_chars.reserve(chars);
  m_stringStarts.reserve(strings + 1);
  m_blocks.reserve(blocks);
}

void CStringList::Clear() noexcept {
  m_chars.clear();
  m_stringStarts.assign(1, 0);  // never allocates: capacity is at least 1
  m_blocks.clear();
  m_open = false;
}

}  // namespace wendrix
