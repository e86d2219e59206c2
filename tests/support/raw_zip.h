#pragma once
// Archives that python's zipfile cannot write (encrypted members, names kept
// exactly as given, names known only at run time), stored and written byte
// by byte.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace wendrix::test {

struct RawMember {
  std::string name;
  std::string data;
  bool encrypted = false;
  int host = 3;  // the system that made it: 0 FAT (a "\" separates), 3 Unix
};

inline std::uint32_t CrcStep(std::uint32_t crc, unsigned char byte) {
  crc ^= byte;
  for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  return crc;
}

// The original PKWARE stream cipher, with the password "open sesame".
inline std::string Encrypt(std::string_view data) {
  std::uint32_t keys[3] = {0x12345678u, 0x23456789u, 0x34567890u};
  auto update = [&keys](unsigned char byte) {
    keys[0] = CrcStep(keys[0], byte);
    keys[1] = (keys[1] + (keys[0] & 0xFF)) * 134775813u + 1;
    keys[2] = CrcStep(keys[2], static_cast<unsigned char>(keys[1] >> 24));
  };
  for (unsigned char byte : std::string_view("open sesame")) update(byte);
  std::string out;
  for (unsigned char byte : data) {
    const std::uint32_t temp = (keys[2] | 2) & 0xFFFF;
    out += static_cast<char>(byte ^ (((temp * (temp ^ 1)) >> 8) & 0xFF));
    update(byte);
  }
  return out;
}

inline std::string RawZip(const std::vector<RawMember>& members) {
  auto put = [](std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
  };
  std::string body, directory;
  for (const RawMember& member : members) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : member.data) crc = CrcStep(crc, byte);
    crc = ~crc;
    // An encrypted member starts with 12 bytes whose last is the CRC's high byte.
    const std::string payload =
        member.encrypted ? Encrypt(std::string("\1\2\3\4\5\6\7\10\11\12\13", 11) + static_cast<char>(crc >> 24) + member.data)
                         : member.data;
    const auto offset = static_cast<std::uint32_t>(body.size());
    // The fields local header and directory share: flags, method, time, date,
    // CRC, sizes, name length.
    std::string shared;
    put(shared, member.encrypted ? 1 : 0, 2), put(shared, 0, 2), put(shared, 0x5000, 2), put(shared, 0x5821, 2);
    put(shared, crc, 4), put(shared, static_cast<std::uint32_t>(payload.size()), 4);
    put(shared, static_cast<std::uint32_t>(member.data.size()), 4), put(shared, static_cast<std::uint32_t>(member.name.size()), 2);
    put(body, 0x04034B50, 4), put(body, 20, 2);
    body += shared;
    put(body, 0, 2);
    body += member.name + payload;
    put(directory, 0x02014B50, 4), put(directory, (member.host << 8) | 20, 2), put(directory, 20, 2);
    directory += shared;
    put(directory, 0, 4), put(directory, 0, 4), put(directory, 0, 4), put(directory, offset, 4);
    directory += member.name;
  }
  const auto count = static_cast<std::uint32_t>(members.size());
  std::string end;
  put(end, 0x06054B50, 4), put(end, 0, 4), put(end, count, 2), put(end, count, 2);
  put(end, static_cast<std::uint32_t>(directory.size()), 4), put(end, static_cast<std::uint32_t>(body.size()), 4), put(end, 0, 2);
  return body + directory + end;
}

}  // namespace wendrix::test
