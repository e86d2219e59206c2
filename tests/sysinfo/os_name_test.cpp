// The operating-system name and version text from a version record.
#include <gtest/gtest.h>

#include "sysinfo/os_name.h"

namespace wendrix::test {
namespace {

OsVersionRecord Basic(std::uint32_t platform, std::uint32_t major, std::uint32_t minor,
                      std::wstring servicePack = L"", std::optional<std::wstring> registryType = std::nullopt) {
  OsVersionRecord record;
  record.platformId = platform;
  record.major = major;
  record.minor = minor;
  record.servicePackText = std::move(servicePack);
  record.registryProductType = std::move(registryType);
  return record;
}

OsVersionRecord Extended(std::uint32_t major, std::uint32_t minor, std::uint8_t productType,
                         std::uint16_t suiteMask = 0) {
  OsVersionRecord record = Basic(kPlatformWindowsNt, major, minor);
  record.extended = true;
  record.productType = productType;
  record.suiteMask = suiteMask;
  // Only a basic record consults the registry.
  record.registryProductType = L"ServerNT";
  return record;
}

constexpr std::uint32_t k9x = kPlatformWindows9x, kNt = kPlatformWindowsNt;
constexpr std::uint8_t kWork = kProductWorkstation, kServer = kProductServer;

struct NameCase {
  OsVersionRecord record;
  const wchar_t* name;
};

TEST(OperatingSystemNameTest, EveryFamilyVersionAndEdition) {
  const NameCase cases[] = {
      {Basic(kPlatformWin32s, 3, 11), L"Windows 32s"},
      // The Windows 95 family, with the update letter in the service-pack text.
      {Basic(k9x, 4, 0, L" "), L"Windows 95"}, {Basic(k9x, 4, 0, L" B"), L"Windows 95 OSR2"},
      {Basic(k9x, 4, 0, L" C"), L"Windows 95 OSR2"}, {Basic(k9x, 4, 0, L"C"), L"Windows 95"},
      {Basic(k9x, 4, 10, L" A"), L"Windows 98 SE"}, {Basic(k9x, 4, 10, L""), L"Windows 98"},
      {Basic(k9x, 4, 90), L"Windows Me"}, {Basic(k9x, 4, 3), L"Windows 9x (Unknown)"}, {Basic(k9x, 5, 0), L""},
      // The NT family read through the basic record: the registry gives the edition.
      {Basic(kNt, 3, 51), L"Windows NT 3.51"}, {Basic(kNt, 4, 0, L"", L"LanmanNT"), L"Windows NT 4.0 Server"},
      {Basic(kNt, 5, 0, L"Service Pack 4", L"WinNT"), L"Windows 2000 Workstation"},
      {Basic(kNt, 5, 0, L"", L"winnt"), L"Windows 2000 Workstation"},
      {Basic(kNt, 5, 0, L"", L"SERVERNT"), L"Windows 2000 Advanced Server"},
      {Basic(kNt, 5, 0, L"", L"Terminal"), L"Windows 2000"}, {Basic(kNt, 5, 0), L"Windows 2000"},
      // Workstations.
      {Extended(4, 0, kWork, kSuitePersonal), L"Windows NT 4.0 Workstation 4.0"},
      {Extended(5, 0, kWork), L"Windows 2000 Professional"},
      {Extended(5, 0, kWork, kSuitePersonal), L"Windows 2000 Personal"},
      {Extended(5, 1, kWork, kSuitePersonal | 0x100), L"Windows XP Home"},
      {Extended(5, 1, kWork, 0x100), L"Windows XP Professional"},
      // Servers.
      {Extended(4, 0, kServer, kSuiteEnterprise), L"Windows NT 4.0 Server Enterprise Edition"},
      {Extended(4, 0, kServer), L"Windows NT 4.0 Server"},
      {Extended(5, 0, kServer, kSuiteDatacenter | kSuiteEnterprise), L"Windows 2000 Datacenter Server"},
      {Extended(5, 0, kServer, kSuiteEnterprise), L"Windows 2000 Advanced Server"},
      {Extended(5, 0, kServer, 0x10), L"Windows 2000 Server"},
      {Extended(5, 2, kServer, kSuiteDatacenter | kSuiteEnterprise), L"Windows Server 2003 Datacenter Edition"},
      {Extended(5, 2, kServer, kSuiteEnterprise), L"Windows Server 2003 Enterprise Edition"},
      {Extended(5, 2, kServer, kSuiteBlade), L"Windows Server 2003 Web Edition"},
      {Extended(5, 2, kServer, kSuiteBlade | 0x10), L"Windows Server 2003 Standard Edition"},
      {Extended(5, 2, kServer), L"Windows Server 2003 Standard Edition"},
      {Extended(5, 2, kProductDomainController, kSuiteEnterprise), L"Windows Server 2003"},
      {Extended(5, 1, kServer), L"Windows XP"},
      // From version 6 on: workstation or server by product type, no edition.
      {Extended(6, 0, kWork, kSuitePersonal), L"Windows Vista"}, {Extended(6, 0, kServer), L"Windows Server 2008"},
      {Extended(6, 0, kProductDomainController), L"Windows Server 2008"},
      {Extended(6, 1, kWork, 0x100), L"Windows 7"},
      {Extended(6, 1, kServer, kSuiteEnterprise), L"Windows Server 2008 R2"}, {Basic(kNt, 6, 1), L"Windows 7"},
      {Extended(6, 2, kWork), L"Windows NT (Unknown)"}, {Extended(10, 0, kWork), L"Windows NT (Unknown)"},
      {Basic(3, 10, 0), L"Windows (Unknown Platform)"},
  };
  for (const NameCase& c : cases) {
    const OsVersionRecord& r = c.record;
    EXPECT_EQ(c.name, OperatingSystemName(r)) << "platform " << r.platformId << ", " << r.major << "." << r.minor
                                              << (r.extended ? " extended" : " basic") << ", type "
                                              << int{r.productType} << ", suite " << r.suiteMask;
  }
}

TEST(OsVersionTextTest, BuildOrServicePackFromTheExtendedRecord) {
  OsVersionRecord seven = Extended(6, 1, kWork);
  seven.build = 7601;
  seven.servicePackMajor = 1;
  EXPECT_EQ(L"2.6.1.7601", OsVersionText(seven, false));
  EXPECT_EQ(L"2.6.1.1", OsVersionText(seven, true));

  OsVersionRecord basic = Basic(k9x, 4, 10);
  basic.build = 67766222;  // Windows 98 keeps its version in the build's high word
  EXPECT_EQ(L"1.4.10.67766222", OsVersionText(basic, false));
  EXPECT_EQ(std::nullopt, OsVersionText(basic, true));
}

}  // namespace
}  // namespace wendrix::test
