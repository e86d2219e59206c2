#include "update/credential_block.h"

#include <bit>

#include "core/text_encoding.h"

namespace wendrix {
namespace {

// Any fixed value hides the texts equally well; blocks written with another
// key do not read back.
constexpr std::array<std::uint8_t, 7> kKey = {0x5A, 0xC3, 0x17, 0x8E, 0x6B, 0xF0, 0x29};
constexpr std::size_t kFields = 5;
constexpr std::size_t kBlockUnits = 32;

std::wstring* FieldOf(Credentials& c, std::size_t i) noexcept {
  std::wstring* fields[kFields] = {&c.dialUser, &c.dialPassword, &c.dialDomain, &c.proxyUser, &c.proxyPassword};
  return fields[i];
}

}  // namespace

void ScrambleBytes(std::span<std::uint8_t> bytes) noexcept {
  std::uint8_t chain = static_cast<std::uint8_t>(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    bytes[i] = static_cast<std::uint8_t>(bytes[i] ^ kKey[i % kKey.size()] ^ chain);
    chain = bytes[i];
  }
}

void UnscrambleBytes(std::span<std::uint8_t> bytes) noexcept {
  std::uint8_t chain = static_cast<std::uint8_t>(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const std::uint8_t scrambled = bytes[i];
    bytes[i] = static_cast<std::uint8_t>(scrambled ^ kKey[i % kKey.size()] ^ chain);
    chain = scrambled;
  }
}

std::vector<std::uint8_t> BuildCredentialBlock(const Credentials& credentials, std::uint32_t noise) {
  Credentials copy = credentials;
  std::vector<char16_t> units{static_cast<char16_t>(kFields)};
  for (std::size_t i = 0; i < kFields; ++i) {
    for (wchar_t c : *FieldOf(copy, i)) units.push_back(static_cast<char16_t>(c));
    units.push_back(0);
  }
  const std::size_t padding = kBlockUnits - units.size() % kBlockUnits;
  for (std::size_t i = 0; i < padding; ++i) {
    units.push_back(static_cast<char16_t>(noise & 0xFF));
    noise = std::rotr(noise, 1);
  }
  std::vector<std::uint8_t> bytes;
  bytes.reserve(units.size() * 2);
  for (char16_t u : units) {
    bytes.push_back(static_cast<std::uint8_t>(u & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(u >> 8));
  }
  ScrambleBytes(bytes);
  return bytes;
}

Credentials ReadCredentialBlock(std::span<const std::uint8_t> scrambled) {
  std::vector<std::uint8_t> bytes(scrambled.begin(), scrambled.end());
  UnscrambleBytes(bytes);
  Credentials out;
  std::size_t field = 0;
  std::wstring current;
  // Unit 0 is the count; an odd last byte is no unit.
  for (std::size_t i = 2; i + 1 < bytes.size() && field < kFields; i += 2) {
    const wchar_t unit = static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8));
    if (unit != 0) {
      current.push_back(unit);
      continue;
    }
    *FieldOf(out, field++) = std::move(current);
    current.clear();
  }
  return out;
}

Credentials ReadOlderCredentialBlock(std::span<const std::uint8_t> scrambled, const CodePage& ansi) {
  std::vector<std::uint8_t> bytes(scrambled.begin(), scrambled.end());
  UnscrambleBytes(bytes);
  Credentials out;
  std::size_t field = 0, start = 1;
  for (std::size_t i = 1; i < bytes.size() && field < kFields; ++i) {
    if (bytes[i] != 0) continue;
    *FieldOf(out, field++) = ansi.Decode(std::string_view(reinterpret_cast<const char*>(bytes.data()) + start, i - start));
    start = i + 1;
  }
  return out;
}

}  // namespace wendrix
