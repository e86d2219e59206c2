#include "sysinfo/query_text.h"

#include <array>
#include <span>

#include "core/string_util.h"

namespace wendrix {
namespace {

// A management source: its prefix, the class it reads, the properties it
// offers and whether the query names an instance.
struct ManagementSource {
  QuerySource source;
  std::wstring_view prefix;
  std::wstring_view className;
  std::wstring_view condition;  // appended to the statement; empty for none
  bool indexed;
  std::span<const std::wstring_view> properties;
};

constexpr std::array<std::wstring_view, 2> kComputerSystemProperties = {L"Manufacturer", L"Model"};
constexpr std::array<std::wstring_view, 6> kBiosProperties = {L"CurrentLanguage", L"SMBIOSBIOSVersion", L"Version",
                                                              L"ReleaseDate",     L"Caption",           L"Manufacturer"};
constexpr std::array<std::wstring_view, 3> kBaseBoardProperties = {L"Manufacturer", L"Product", L"Version"};
constexpr std::array<std::wstring_view, 4> kProductProperties = {L"Name", L"SKUNumber", L"Vendor", L"Version"};
constexpr std::array<std::wstring_view, 5> kProcessorProperties = {L"Manufacturer", L"Description", L"Name",
                                                                   L"CurrentClockSpeed", L"MaxClockSpeed"};

// In the order the prefixes are tested; "PNP\" comes first and is handled
// on its own.
constexpr std::array<ManagementSource, 5> kManagementSources = {{
    {QuerySource::kBaseBoard, L"BaseBoard\\", L"Win32_BaseBoard", L"", false, kBaseBoardProperties},
    {QuerySource::kBios, L"BIOS\\", L"Win32_BIOS", L"", false, kBiosProperties},
    {QuerySource::kComputerSystem, L"ComputerSystem\\", L"Win32_ComputerSystem", L"", false,
     kComputerSystemProperties},
    {QuerySource::kComputerSystemProduct, L"ComputerSystemProduct\\", L"Win32_ComputerSystemProduct", L"", true,
     kProductProperties},
    // Type 3 is the central processor (not a maths or video processor).
    {QuerySource::kProcessor, L"Processor\\", L"Win32_Processor", L" WHERE ProcessorType=3", true,
     kProcessorProperties},
}};

struct WholeQuery {
  std::wstring_view text;
  QuerySource source;
};
constexpr std::array<WholeQuery, 5> kWholeQueries = {{
    {L"DirectX", QuerySource::kDirectX},
    {L"Language", QuerySource::kLanguage},
    {L"OS", QuerySource::kOs},
    {L"OS-SP", QuerySource::kOsServicePack},
    {L"Architecture", QuerySource::kArchitecture},
}};

struct PnpPropertyName {
  std::wstring_view name;
  PnpProperty property;
};
constexpr std::array<PnpPropertyName, 5> kPnpProperties = {{
    {L"DriverVersion", PnpProperty::kDriverVersion},
    {L"DeviceVersion", PnpProperty::kDeviceVersion},
    {L"DeviceID", PnpProperty::kDeviceId},
    {L"Caption", PnpProperty::kCaption},
    {L"Class", PnpProperty::kClass},
}};

constexpr std::wstring_view kPnpPrefix = L"PNP\\";
constexpr std::uint32_t kMaxIndex = 0x7FFFFFFF;

// Splits `text` at its last backslash into what comes before and after it;
// false when there is none.
bool SplitLast(std::wstring_view text, std::wstring_view& before, std::wstring_view& after) {
  const std::size_t slash = text.rfind(L'\\');
  if (slash == std::wstring_view::npos) return false;
  before = text.substr(0, slash);
  after = text.substr(slash + 1);
  return true;
}

// An index component: empty for the count form, else a decimal number.
HRESULT ParseIndex(std::wstring_view text, std::optional<std::uint32_t>& index) {
  if (text.empty()) {
    index.reset();
    return S_OK;
  }
  std::uint32_t value = 0;
  for (wchar_t c : text) {
    if (!IsDecimalDigit(c)) return E_INVALIDARG;
    const auto digit = static_cast<std::uint32_t>(c - L'0');
    // Checked before the step: in 32 bits 4294967300 would come out as 4.
    if (value > (kMaxIndex - digit) / 10) return E_INVALIDARG;
    value = value * 10 + digit;
  }
  index = value;
  return S_OK;
}

HRESULT ParsePnp(std::wstring_view rest, ParsedQuery& out) {
  std::wstring_view head, property, pattern, indexText;
  if (!SplitLast(rest, head, property) || !SplitLast(head, pattern, indexText)) return E_INVALIDARG;
  bool known = false;
  for (const PnpPropertyName& row : kPnpProperties) {
    if (CStringUtil::EqualsNoCase(property, row.name)) {
      out.pnpProperty = row.property;
      out.property = row.name;
      known = true;
      break;
    }
  }
  if (!known) return E_INVALIDARG;
  RETURN_IF_FAILED(ParseIndex(indexText, out.index));
  std::wstring_view device = pattern, second = pattern;
  if (out.pnpProperty == PnpProperty::kDriverVersion) SplitLast(pattern, device, second);
  out.devicePattern = device;
  out.secondPattern = second;
  return S_OK;
}

HRESULT ParseManagement(const ManagementSource& source, std::wstring_view rest, ParsedQuery& out) {
  std::wstring_view property = rest;
  if (source.indexed) {
    std::wstring_view indexText;
    if (!SplitLast(rest, indexText, property)) return E_INVALIDARG;
    RETURN_IF_FAILED(ParseIndex(indexText, out.index));
  } else {
    out.index = 0;
  }
  for (std::wstring_view name : source.properties) {
    if (!CStringUtil::EqualsNoCase(property, name)) continue;
    out.property = name;
    out.statement = L"SELECT ";
    out.statement.append(name).append(L" FROM ").append(source.className).append(source.condition);
    return S_OK;
  }
  return E_INVALIDARG;
}

}  // namespace

HRESULT ParseSystemQuery(std::wstring_view query, ParsedQuery& out) {
  out = ParsedQuery{};
  if (CStringUtil::StartsWithNoCase(query, kPnpPrefix)) {
    out.source = QuerySource::kPnp;
    return ParsePnp(query.substr(kPnpPrefix.size()), out);
  }
  for (const ManagementSource& source : kManagementSources) {
    if (!CStringUtil::StartsWithNoCase(query, source.prefix)) continue;
    out.source = source.source;
    return ParseManagement(source, query.substr(source.prefix.size()), out);
  }
  for (const WholeQuery& whole : kWholeQueries) {
    if (!CStringUtil::EqualsNoCase(query, whole.text)) continue;
    out.source = whole.source;
    out.index = 0;
    return S_OK;
  }
  return E_INVALIDARG;
}

bool InstancePicker::Pick() noexcept {
  const std::uint32_t number = m_count;
  if (m_count < kMaxIndex) ++m_count;
  return m_index && *m_index == number;
}

std::wstring InstancePicker::CountText() const { return std::to_wstring(m_count); }

}  // namespace wendrix
