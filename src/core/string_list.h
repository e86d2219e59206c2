#pragma once
// CStringList: an ordered list of string blocks. Each block carries a 32-bit
// tag, a line number and an identifier of the caller's (-1 for none), and
// holds one or more zero-terminated strings.
//
// All characters live in one shared arena, so a publisher file of many
// thousands of keys costs a handful of allocations instead of one per value.
// Strings handed out stay valid until the next change of the list.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace wendrix {

class CStringList {
 public:
  struct Block {
    std::uint32_t tag;
    std::uint32_t line;
    std::int32_t id;
    std::uint32_t firstString;  // index into the string table
    std::uint32_t stringCount;
  };

  std::size_t Size() const noexcept { return m_blocks.size(); }
  bool Empty() const noexcept { return m_blocks.empty(); }
  const Block& operator[](std::size_t i) const { return m_blocks[i]; }

  // The `index`-th string of `block`; zero-terminated.
  const wchar_t* String(const Block& block, std::size_t index) const {
    return m_chars.data() + m_stringStarts[block.firstString + index];
  }
  std::wstring_view StringView(const Block& block, std::size_t index) const {
    const std::size_t i = block.firstString + index;
    return {m_chars.data() + m_stringStarts[i], m_stringStarts[i + 1] - m_stringStarts[i] - 1};
  }

  // Building a block: Open, then for each string BeginString / Put... / EndString,
  // then Close (keep it) or Abandon (drop everything since Open).
  void Open(std::uint32_t tag, std::uint32_t line, std::int32_t id = -1);
  void BeginString() {}
  void Put(wchar_t c) { m_chars.push_back(c); }
  void Put(std::wstring_view text) { m_chars.insert(m_chars.end(), text.begin(), text.end()); }
  void EndString();
  void Close();
  void AddTagBits(std::uint32_t bits) noexcept { m_pending.tag |= bits; }
  void Abandon() noexcept;
  bool IsOpen() const noexcept { return m_open; }

  // Appends a whole block in one step.
  void Append(std::uint32_t tag, std::uint32_t line, std::int32_t id, std::initializer_list<std::wstring_view> strings);

  void Clear() noexcept;
  // Makes room in advance, so that filling the list does not copy it again and again.
  void Reserve(std::size_t chars, std::size_t strings, std::size_t blocks);

 private:
  std::vector<wchar_t> m_chars;
  // Start of each string in m_chars, plus one entry past the last string, so
  // that string i spans [starts[i], starts[i+1]) including its terminator.
  std::vector<std::size_t> m_stringStarts{0};
  std::vector<Block> m_blocks;
  Block m_pending{};
  bool m_open = false;
};

}  // namespace wendrix
