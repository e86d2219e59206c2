#pragma once
// The text of a system query, taken apart: which source it asks, which
// instance (or how many) and which property. Components are separated by a
// single backslash and split from the right, so a device pattern may itself
// hold backslashes. Prefixes and property names compare ignoring case.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/result.h"

namespace wendrix {

enum class QuerySource {
  kPnp,
  kBaseBoard,
  kBios,
  kComputerSystem,
  kComputerSystemProduct,
  kProcessor,
  kDirectX,
  kLanguage,
  kOs,
  kOsServicePack,
  kArchitecture,
};

// The properties of a Plug and Play query.
enum class PnpProperty { kDriverVersion, kDeviceVersion, kDeviceId, kCaption, kClass };

struct ParsedQuery {
  QuerySource source = QuerySource::kOs;
  // The instance asked for; nothing for the count form (an empty index).
  // Sources with a fixed instance always ask for instance 0.
  std::optional<std::uint32_t> index;
  // Management sources other than PNP: the statement that reads the property.
  std::wstring statement;
  // The property as the management service spells it ("SMBIOSBIOSVersion").
  std::wstring property;
  // PNP only.
  PnpProperty pnpProperty = PnpProperty::kDeviceId;
  std::wstring devicePattern;
  // DriverVersion only: the pattern for the manufacturer or the driver file's
  // company; the device pattern itself when the query names only one.
  std::wstring secondPattern;
};

// Takes a query apart. E_INVALIDARG when the source or the property is
// unknown, a component is missing or the index is not a decimal number below
// 2^31; `out` is then unspecified.
HRESULT ParseSystemQuery(std::wstring_view query, ParsedQuery& out);

// Counts the instances that match a query and picks the one its index asks
// for. Feed it the matching instances in order.
class InstancePicker {
 public:
  // `index`: the instance asked for; nothing to count them all.
  explicit InstancePicker(std::optional<std::uint32_t> index) noexcept : m_index(index) {}

  // Counts one matching instance; true when it is the one asked for (the
  // enumeration can then stop).
  bool Pick() noexcept;
  bool CountForm() const noexcept { return !m_index.has_value(); }
  // The count form's answer: the number of matching instances, in decimal.
  std::wstring CountText() const;

 private:
  std::optional<std::uint32_t> m_index;
  std::uint32_t m_count = 0;
};

}  // namespace wendrix
