#include "sysinfo/pnp_query.h"

#include "sysinfo/driver_file.h"
#include "sysinfo/pnp_match.h"
#include "sysinfo/wmi_query.h"

namespace wendrix {
namespace {

constexpr wchar_t kEntities[] = L"SELECT DeviceID FROM Win32_PnPEntity";
constexpr wchar_t kEntityCaptions[] = L"SELECT DeviceID, Caption FROM Win32_PnPEntity";
constexpr wchar_t kDeviceClasses[] = L"SELECT SameElement, SystemElement FROM Win32_PnPDevice";
constexpr wchar_t kSignedDrivers[] = L"SELECT DeviceID, Manufacturer, DriverVersion FROM Win32_PnpSignedDriver";
constexpr wchar_t kDriverEntities[] = L"SELECT Antecedent, Dependent FROM Win32_SystemDriverPNPEntity";

bool Matches(const std::wstring& pattern, const std::optional<std::wstring>& value) {
  return MatchesDevicePattern(pattern, value ? std::wstring_view(*value) : std::wstring_view());
}

// Accepts the instances whose own property `name` matches `pattern`.
InstanceMatcher PropertyMatcher(WmiSession& session, const wchar_t* name, const std::wstring& pattern) {
  return [&session, name, &pattern](IWbemClassObject& instance, bool& matches) -> HRESULT {
    std::optional<std::wstring> value;
    RETURN_IF_FAILED(session.Property(instance, name, value));
    matches = Matches(pattern, value);
    return S_OK;
  };
}

// Reads the device identifier and answers with what `part` takes from it.
template <typename Part>
InstanceReader DeviceIdReader(WmiSession& session, Part part) {
  return [&session, part](IWbemClassObject& instance, std::optional<std::wstring>& answer) -> HRESULT {
    std::optional<std::wstring> id;
    RETURN_IF_FAILED(session.Property(instance, L"DeviceID", id));
    if (id) answer = part(*id);
    return S_OK;
  };
}

InstanceReader PropertyReader(WmiSession& session, const wchar_t* name) {
  return [&session, name](IWbemClassObject& instance, std::optional<std::wstring>& answer) -> HRESULT {
    return session.Property(instance, name, answer);
  };
}

HRESULT DeviceClass(WmiSession& session, const ParsedQuery& query, std::optional<std::wstring>& answer) {
  const InstanceMatcher matcher = [&](IWbemClassObject& instance, bool& matches) -> HRESULT {
    std::optional<std::wstring> id;
    RETURN_IF_FAILED(session.ReferencedProperty(instance, L"SystemElement", L"DeviceID", id));
    matches = Matches(query.devicePattern, id);
    return S_OK;
  };
  const InstanceReader reader = [&](IWbemClassObject& instance, std::optional<std::wstring>& result) -> HRESULT {
    std::optional<std::wstring> className;
    RETURN_IF_FAILED(session.ReferencedProperty(instance, L"SameElement", L"__CLASS", className));
    if (className) result = DeviceClassName(*className);
    return S_OK;
  };
  return session.Select(kDeviceClasses, query.index, matcher, reader, answer);
}

// The driver version as the signed-driver table records it.
HRESULT SignedDriverVersion(WmiSession& session, const ParsedQuery& query, std::optional<std::wstring>& answer) {
  const InstanceMatcher deviceMatches = PropertyMatcher(session, L"DeviceID", query.devicePattern);
  const InstanceMatcher manufacturerMatches = PropertyMatcher(session, L"Manufacturer", query.secondPattern);
  const InstanceMatcher matcher = [&](IWbemClassObject& instance, bool& matches) -> HRESULT {
    RETURN_IF_FAILED(deviceMatches(instance, matches));
    if (matches) RETURN_IF_FAILED(manufacturerMatches(instance, matches));
    return S_OK;
  };
  return session.Select(kSignedDrivers, query.index, matcher, PropertyReader(session, L"DriverVersion"), answer);
}

// The file version of the driver serving the device, for systems whose
// signed-driver table does not list it.
HRESULT DriverFileVersion(WmiSession& session, const ParsedQuery& query, std::optional<std::wstring>& answer) {
  std::optional<std::wstring> driverPath;  // of the last instance the matcher accepted
  const InstanceMatcher matcher = [&](IWbemClassObject& instance, bool& matches) -> HRESULT {
    matches = false;
    std::optional<std::wstring> id;
    RETURN_IF_FAILED(session.ReferencedProperty(instance, L"Antecedent", L"DeviceID", id));
    if (!Matches(query.devicePattern, id)) return S_OK;
    RETURN_IF_FAILED(session.ReferencedProperty(instance, L"Dependent", L"PathName", driverPath));
    if (!driverPath) return S_OK;
    matches = Matches(query.secondPattern, ReadDriverCompanyName(*driverPath));
    return S_OK;
  };
  const InstanceReader reader = [&](IWbemClassObject&, std::optional<std::wstring>& result) -> HRESULT {
    const std::optional<VersionParts> version = ReadDriverVersion(*driverPath);
    if (!version) return E_FAIL;
    result = FormatVersion(*version);
    return S_OK;
  };
  return session.Select(kDriverEntities, query.index, matcher, reader, answer);
}

HRESULT DriverVersion(WmiSession& session, const ParsedQuery& query, std::optional<std::wstring>& answer) {
  const HRESULT hr = SignedDriverVersion(session, query, answer);
  const bool useful = SUCCEEDED(hr) && answer && !(query.index == std::nullopt && *answer == L"0");
  if (useful) return hr;
  answer.reset();
  return DriverFileVersion(session, query, answer);
}

}  // namespace

HRESULT AnswerPnpQuery(WmiSession& session, const ParsedQuery& query, std::optional<std::wstring>& answer) {
  switch (query.pnpProperty) {
    case PnpProperty::kDriverVersion: return DriverVersion(session, query, answer);
    case PnpProperty::kDeviceVersion:
      return session.Select(kEntities, query.index, PropertyMatcher(session, L"DeviceID", query.devicePattern),
                            DeviceIdReader(session, DeviceRevision), answer);
    case PnpProperty::kDeviceId:
      return session.Select(kEntities, query.index, PropertyMatcher(session, L"DeviceID", query.devicePattern),
                            DeviceIdReader(session, DeviceIdWithoutInstance), answer);
    case PnpProperty::kCaption:
      return session.Select(kEntityCaptions, query.index, PropertyMatcher(session, L"DeviceID", query.devicePattern),
                            PropertyReader(session, L"Caption"), answer);
    case PnpProperty::kClass: return DeviceClass(session, query, answer);
  }
  return E_INVALIDARG;
}

}  // namespace wendrix
