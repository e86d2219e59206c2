#pragma once
// The stored credentials of the settings: the dial-up user, password and
// domain and the proxy user and password, kept in one registry value as a
// padded block that is scrambled so that it does not read as plain text. The
// scrambling hides; it does not protect against anyone who has this code.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace wendrix {

class CodePage;

// In block order.
struct Credentials {
  std::wstring dialUser, dialPassword, dialDomain, proxyUser, proxyPassword;
  bool operator==(const Credentials&) const = default;
};

// Scrambles in place: each byte b becomes b ^ key ^ chain, and that result
// chains into the next byte; the chain starts as the low byte of the length.
void ScrambleBytes(std::span<std::uint8_t> bytes) noexcept;
// The inverse: each byte c becomes c ^ key ^ chain, and c chains on.
void UnscrambleBytes(std::span<std::uint8_t> bytes) noexcept;

// The scrambled block of the current layout: UTF-16 units 5, the five texts
// each with its terminating zero, then 1 to 32 units of padding so that the
// unit count is a multiple of 32; the padding units are the low bytes of
// `noise` rotated right by one bit per unit.
std::vector<std::uint8_t> BuildCredentialBlock(const Credentials& credentials, std::uint32_t noise);

// Reads a scrambled block of the current layout. A block that ends before
// all five texts are terminated gives the texts read so far (the rest empty)
// and never reads past its end.
Credentials ReadCredentialBlock(std::span<const std::uint8_t> scrambled);
// The older layout: one leading byte and five zero-terminated ANSI texts.
Credentials ReadOlderCredentialBlock(std::span<const std::uint8_t> scrambled, const CodePage& ansi);

}  // namespace wendrix
