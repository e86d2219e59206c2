#pragma once
// The name and version text of the running Windows, worked out from the
// version record the system reports (filled by os_version_win.cpp on Windows
// and by hand in tests).
#include <cstdint>
#include <optional>
#include <string>

namespace wendrix {

inline constexpr std::uint32_t kPlatformWin32s = 0;
inline constexpr std::uint32_t kPlatformWindows9x = 1;
inline constexpr std::uint32_t kPlatformWindowsNt = 2;

inline constexpr std::uint8_t kProductWorkstation = 1;
inline constexpr std::uint8_t kProductDomainController = 2;
inline constexpr std::uint8_t kProductServer = 3;

inline constexpr std::uint16_t kSuiteEnterprise = 0x0002;
inline constexpr std::uint16_t kSuiteDatacenter = 0x0080;
inline constexpr std::uint16_t kSuitePersonal = 0x0200;
inline constexpr std::uint16_t kSuiteBlade = 0x0400;  // the Web Edition

struct OsVersionRecord {
  std::uint32_t platformId = kPlatformWindowsNt;
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::uint32_t build = 0;
  std::wstring servicePackText;  // "Service Pack 1"; " C" on Windows 95 OSR2
  // True when the extended record was read; the next three fields are valid
  // only then.
  bool extended = false;
  std::uint16_t servicePackMajor = 0;
  std::uint16_t suiteMask = 0;
  std::uint8_t productType = 0;
  // Basic record only: the ProductType value of the ProductOptions key
  // ("WinNT", "LanmanNT", "ServerNT"); nothing when it cannot be read.
  std::optional<std::wstring> registryProductType;
};

// The name and edition: "Windows XP Home", "Windows Server 2003 Enterprise
// Edition", "Windows 7". Versions this table does not know get a name with
// "(Unknown)"; a Windows 95 family record other than version 4 gives empty
// text.
std::wstring OperatingSystemName(const OsVersionRecord& record);

// "platform.major.minor.build", or with `servicePack`
// "platform.major.minor.servicePackMajor" (which needs the extended record;
// nothing without it).
std::optional<std::wstring> OsVersionText(const OsVersionRecord& record, bool servicePack);

}  // namespace wendrix
