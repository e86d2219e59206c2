#pragma once
// CIniDataBuffer: INI data read from and written to wide text.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "core/ini_data.h"

namespace wendrix {

// Save flag: characters of 128 and above are written as they are instead of
// being escaped when the object's code page cannot hold them.
inline constexpr std::uint32_t kIniSaveUnicode = 0x2;

// The thread's ANSI code page, which every user of this class passes.
inline constexpr std::uint32_t kThreadAnsiCodePage = 3;

// What Save answers for an entry it cannot write so that it reads back the
// same; the text then stays as it was.
inline constexpr HRESULT kIniUnwritable = E_INVALIDARG;

// The characters a name continues over once its first character is read (the
// first may be anything but a blank, a line end, ";" or a zero).
constexpr bool IsIniNameChar(wchar_t c) noexcept {
  return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') || c == L'.' ||
         c == L'-' || c == L'_' || c == L'[' || c == L']';
}

// Whether Save writes `items` as the values of an entry of kind word
// `kindWord` (kind and flags, as the add operations take them) so that they
// read back unchanged. Texts, raw texts and numbers take one value, a number
// one that parses; lists any number. Escapes carry any text; raw items cannot
// hold a zero character, nor a double quote in an item that needs quotes (one
// with a blank at either end, a ",", ";", CR or LF, a leading quote, the
// empty last item of a list, or any item of the always-quoted form). Kinds
// without values take none.
bool IniItemsWritable(std::uint32_t kindWord, std::span<const std::wstring_view> items) noexcept;

class CIniDataBuffer : public CIniData {
 public:
  explicit CIniDataBuffer(std::uint32_t codePage = kThreadAnsiCodePage) : m_codePage(codePage) {}

  // Parses the text. Syntax errors give 0x8007000D with ErrorLine() at the
  // offending line; the entries read before the error stay.
  HRESULT Load(IniSchema schema) override;
  // Parses `text` (up to its first zero character) as Load parses the
  // object's own text, without keeping a copy of it: Text() stays as it was.
  HRESULT LoadText(std::wstring_view text, IniSchema schema);
  // The same, and sets `alike` when parsing with `other` instead would read
  // the text alike: the same result and error line, and the same entries in
  // the same order with the same names and lines. Only the values of keys
  // that the two schemas read as different kinds (IniReadKind) may differ,
  // and the schema identifiers.
  HRESULT LoadText(std::wstring_view text, IniSchema schema, IniSchema other, bool& alike);
  // Replaces the text with the entries written out (CR LF line ends). The
  // text reads back as the same entries, or Save fails with kIniUnwritable
  // and the text stays as it was: a section name must consist of name
  // characters; a key name must be one name token that is not a section
  // header; values must pass IniItemsWritable; a verbatim line may only be
  // blank or a comment, on one line. Out of memory: E_OUTOFMEMORY.
  HRESULT Save(std::uint32_t flags) override;

  // Replaces the whole text; a null pointer empties it.
  void SetText(const wchar_t* text) { SetText(text ? std::wstring_view(text) : std::wstring_view()); }
  void SetText(std::wstring_view text);
  void SetText(std::wstring&& text) noexcept { m_text = std::move(text); }
  const std::wstring& Text() const noexcept { return m_text; }
  std::uint32_t CodePageNumber() const noexcept { return m_codePage; }

 private:
  HRESULT Parse(std::wstring_view text, IniSchema schema, IniSchema other, bool* alike);

  std::wstring m_text;
  std::uint32_t m_codePage;
};

// Decodes file bytes (byte-order-mark detection, else the ANSI code page of
// `target`), refuses XML with 0x8004020B, and loads the text into `target`.
// On a failed load *errorLine receives the target's line counter, else 0.
HRESULT LoadIniText(std::string_view bytes, CIniDataBuffer& target, IniSchema schema, std::uint32_t* errorLine);

}  // namespace wendrix
