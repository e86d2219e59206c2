#include "sysinfo/os_version_win.h"

#include <windows.h>

#include <algorithm>

#include "platform/registry.h"

namespace wendrix {
namespace {

std::optional<std::wstring> RegistryProductType() {
  RegistryKey key;
  if (key.Open(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\ProductOptions", KEY_QUERY_VALUE) !=
      ERROR_SUCCESS)
    return std::nullopt;
  std::wstring type;
  if (key.ReadString(L"ProductType", type) != ERROR_SUCCESS) return std::nullopt;
  return type;
}

void CopyBasicFields(const OSVERSIONINFOW& info, OsVersionRecord& record) {
  record.platformId = info.dwPlatformId;
  record.major = info.dwMajorVersion;
  record.minor = info.dwMinorVersion;
  record.build = info.dwBuildNumber;
  record.servicePackText.assign(info.szCSDVersion, wcsnlen(info.szCSDVersion, ARRAYSIZE(info.szCSDVersion)));
}

}  // namespace

std::optional<OsVersionRecord> ReadOsVersionRecord() {
  OsVersionRecord record;
  // Systems before Windows NT 4.0 SP6 refuse the extended structure.
  OSVERSIONINFOEXW extended{};
  extended.dwOSVersionInfoSize = sizeof(extended);
  if (GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&extended))) {
    CopyBasicFields(*reinterpret_cast<const OSVERSIONINFOW*>(&extended), record);
    record.extended = true;
    record.servicePackMajor = extended.wServicePackMajor;
    record.suiteMask = extended.wSuiteMask;
    record.productType = extended.wProductType;
    return record;
  }
  OSVERSIONINFOW basic{};
  basic.dwOSVersionInfoSize = sizeof(basic);
  if (!GetVersionExW(&basic)) return std::nullopt;
  CopyBasicFields(basic, record);
  if (record.platformId == kPlatformWindowsNt) record.registryProductType = RegistryProductType();
  return record;
}

std::wstring OperatingSystemName() {
  const std::optional<OsVersionRecord> record = ReadOsVersionRecord();
  return record ? OperatingSystemName(*record) : std::wstring();
}

void OperatingSystemName(wchar_t* buffer, std::size_t size) {
  if (!buffer || size == 0) return;
  const std::wstring name = OperatingSystemName();
  const std::size_t length = std::min(name.size(), size - 1);
  name.copy(buffer, length);
  buffer[length] = L'\0';
}

}  // namespace wendrix
