#include "sysinfo/os_name.h"

#include <string_view>

#include "core/string_util.h"

namespace wendrix {
namespace {

// The second character of the service-pack text marks the Windows 95 and 98
// updates (" B", " C", " A").
wchar_t UpdateLetter(const OsVersionRecord& record) {
  return record.servicePackText.size() >= 2 ? record.servicePackText[1] : L'\0';
}

std::wstring_view Windows9xName(const OsVersionRecord& record) {
  if (record.major != 4) return {};
  switch (record.minor) {
    case 0: {
      const wchar_t letter = UpdateLetter(record);
      return letter == L'C' || letter == L'B' ? L"Windows 95 OSR2" : L"Windows 95";
    }
    case 10: return UpdateLetter(record) == L'A' ? L"Windows 98 SE" : L"Windows 98";
    case 90: return L"Windows Me";
    default: return L"Windows 9x (Unknown)";
  }
}

bool IsServerProduct(const OsVersionRecord& record) {
  return record.extended && record.productType != kProductWorkstation;
}

std::wstring_view WindowsNtName(const OsVersionRecord& record) {
  if (record.major < 4) return L"Windows NT 3.51";
  if (record.major == 4) return L"Windows NT 4.0";
  if (record.major == 5) {
    switch (record.minor) {
      case 0: return L"Windows 2000";
      case 1: return L"Windows XP";
      case 2: return L"Windows Server 2003";
      default: break;
    }
  }
  if (record.major == 6) {
    switch (record.minor) {
      case 0: return IsServerProduct(record) ? L"Windows Server 2008" : L"Windows Vista";
      case 1: return IsServerProduct(record) ? L"Windows Server 2008 R2" : L"Windows 7";
      default: break;
    }
  }
  return L"Windows NT (Unknown)";
}

// Without the extended record only the registry tells the product type.
std::wstring_view EditionFromRegistry(const OsVersionRecord& record) {
  if (!record.registryProductType) return {};
  const std::wstring& type = *record.registryProductType;
  if (CStringUtil::EqualsNoCase(type, L"WINNT")) return L" Workstation";
  if (CStringUtil::EqualsNoCase(type, L"LANMANNT")) return L" Server";
  if (CStringUtil::EqualsNoCase(type, L"SERVERNT")) return L" Advanced Server";
  return {};
}

std::wstring_view WorkstationEdition(const OsVersionRecord& record) {
  if (record.major == 4) return L" Workstation 4.0";
  if (record.suiteMask & kSuitePersonal) return record.major == 5 && record.minor == 0 ? L" Personal" : L" Home";
  return L" Professional";
}

std::wstring_view ServerEdition(const OsVersionRecord& record) {
  const std::uint16_t suite = record.suiteMask;
  if (record.major == 5 && record.minor == 2) {
    if (suite & kSuiteDatacenter) return L" Datacenter Edition";
    if (suite & kSuiteEnterprise) return L" Enterprise Edition";
    if (suite == kSuiteBlade) return L" Web Edition";
    return L" Standard Edition";
  }
  if (record.major == 5 && record.minor == 0) {
    if (suite & kSuiteDatacenter) return L" Datacenter Server";
    if (suite & kSuiteEnterprise) return L" Advanced Server";
    return L" Server";
  }
  if (record.major == 4) return suite & kSuiteEnterprise ? L" Server Enterprise Edition" : L" Server";
  return {};
}

std::wstring_view WindowsNtEdition(const OsVersionRecord& record) {
  if (!record.extended) return EditionFromRegistry(record);
  // From Windows Vista on the name alone is given.
  if (record.major >= 6) return {};
  switch (record.productType) {
    case kProductWorkstation: return WorkstationEdition(record);
    case kProductServer: return ServerEdition(record);
    default: return {};
  }
}

std::wstring Decimal(std::uint32_t value) { return std::to_wstring(static_cast<std::int32_t>(value)); }

}  // namespace

std::wstring OperatingSystemName(const OsVersionRecord& record) {
  switch (record.platformId) {
    case kPlatformWin32s: return L"Windows 32s";
    case kPlatformWindows9x: return std::wstring(Windows9xName(record));
    case kPlatformWindowsNt: {
      std::wstring name(WindowsNtName(record));
      name.append(WindowsNtEdition(record));
      return name;
    }
    default: return L"Windows (Unknown Platform)";
  }
}

std::optional<std::wstring> OsVersionText(const OsVersionRecord& record, bool servicePack) {
  if (servicePack && !record.extended) return std::nullopt;
  return Decimal(record.platformId) + L'.' + Decimal(record.major) + L'.' + Decimal(record.minor) + L'.' +
         Decimal(servicePack ? record.servicePackMajor : record.build);
}

}  // namespace wendrix
