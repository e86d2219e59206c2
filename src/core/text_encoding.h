#pragma once
// Text encodings of the files the library reads and writes. Files are read
// with byte-order-mark detection (UTF-16 LE or BE, UTF-8, else an ANSI code
// page) and written as UTF-16 LE with the mark FF FE.
#include <cstdint>
#include <string>
#include <string_view>

namespace wendrix {

// A single-byte or multi-byte ANSI code page.
class CodePage {
 public:
  virtual ~CodePage() = default;
  virtual std::wstring Decode(std::string_view bytes) const = 0;
  // True when `c` converts to this code page and back unchanged.
  virtual bool RoundTrips(wchar_t c) const = 0;
};

// The code page with the given number (CP_ACP 0, CP_THREAD_ACP 3, or a real
// number). On Windows this is the system's conversion; the host build, which
// has no ANSI code pages, uses ISO 8859-1 for every number.
const CodePage& SystemCodePage(std::uint32_t codePage);

// ISO 8859-1: byte b is U+00bb. Used by the host build and its tests.
class Latin1CodePage final : public CodePage {
 public:
  std::wstring Decode(std::string_view bytes) const override;
  bool RoundTrips(wchar_t c) const override { return (static_cast<std::uint32_t>(c) & 0xFFFFu) < 0x100; }
};

// UTF-8 to UTF-16 code units. Malformed sequences become U+FFFD, one per
// offending byte, as the system's own converter does.
std::wstring DecodeUtf8(std::string_view bytes);

// File bytes to text by the byte-order mark: FF FE UTF-16 LE, EF BB BF UTF-8,
// FE FF UTF-16 BE, anything else `ansi`. An odd trailing byte of a UTF-16 file
// is ignored.
std::wstring DecodeTextFile(std::string_view bytes, const CodePage& ansi);

// The bytes of a UTF-16 LE text file: FF FE, then the text without terminator.
std::string EncodeUtf16LeFile(std::wstring_view text);

}  // namespace wendrix
