// Taking system queries apart: sources, properties, indexes and patterns.
#include <gtest/gtest.h>

#include "sysinfo/query_text.h"

namespace wendrix::test {
namespace {

struct ManagementCase {
  const wchar_t* query;
  QuerySource source;
  std::optional<std::uint32_t> index;
  const wchar_t* statement;
};

// Whole-text queries ask for instance 0 and need no statement.
TEST(QueryTextTest, SourcesAreNamedInAnyLetterCaseWithTheirStatement) {
  const ManagementCase cases[] = {
      {L"Processor\\0\\Name", QuerySource::kProcessor, 0u, L"SELECT Name FROM Win32_Processor WHERE ProcessorType=3"},
      {L"processor\\012\\currentclockspeed", QuerySource::kProcessor, 12u,
       L"SELECT CurrentClockSpeed FROM Win32_Processor WHERE ProcessorType=3"},
      {L"Processor\\\\Name", QuerySource::kProcessor, std::nullopt,
       L"SELECT Name FROM Win32_Processor WHERE ProcessorType=3"},
      {L"Processor\\000000000002147483647\\Name", QuerySource::kProcessor, 2147483647u,
       L"SELECT Name FROM Win32_Processor WHERE ProcessorType=3"},
      {L"BIOS\\smbiosbiosversion", QuerySource::kBios, 0u, L"SELECT SMBIOSBIOSVersion FROM Win32_BIOS"},
      {L"ComputerSystem\\Model", QuerySource::kComputerSystem, 0u, L"SELECT Model FROM Win32_ComputerSystem"},
      {L"COMPUTERSYSTEMPRODUCT\\1\\skunumber", QuerySource::kComputerSystemProduct, 1u,
       L"SELECT SKUNumber FROM Win32_ComputerSystemProduct"},
      {L"BaseBoard\\Product", QuerySource::kBaseBoard, 0u, L"SELECT Product FROM Win32_BaseBoard"},
      {L"DirectX", QuerySource::kDirectX, 0u, L""}, {L"LANGUAGE", QuerySource::kLanguage, 0u, L""},
      {L"os", QuerySource::kOs, 0u, L""}, {L"Os-Sp", QuerySource::kOsServicePack, 0u, L""},
      {L"architecture", QuerySource::kArchitecture, 0u, L""},
  };
  for (const ManagementCase& c : cases) {
    SCOPED_TRACE(c.query);
    ParsedQuery parsed;
    ASSERT_EQ(S_OK, ParseSystemQuery(c.query, parsed));
    EXPECT_EQ(c.source, parsed.source);
    EXPECT_EQ(c.index, parsed.index);
    EXPECT_EQ(c.statement, parsed.statement);
  }
}

TEST(QueryTextTest, MalformedQueriesAreInvalidArguments) {
  const wchar_t* const cases[] = {
      L"",
      L"Processor\\Name",             // no index component
      L"Processor\\0\\",              // no property
      L"Processor\\0\\Model",         // a property of another source
      L"Processor\\x\\Name", L"Processor\\-1\\Name",  // index not decimal
      L"Processor\\2147483648\\Name",  // beyond any count
      L"Processor\\4294967300\\Name",    // 2^32 + 4: wraps to 4 in 32 bits
      L"Processor\\4294967296\\Name",    // 2^32: wraps to 0
      L"PNP\\*\\4294967297\\DeviceID",  // 2^32 + 1: wraps to 1
      L"Processor/0/Name", L"Motherboard\\Version", L"PNP\\DeviceID",
      L"BIOS\\0\\Version",           // a fixed source takes no index
      L"PNP\\*\\DeviceID",           // no index component
      L"PNP\\*\\0\\Driver", L"PNP\\*\\0\\deviceid\\",
      // Whole-text queries match the whole text.
      L"OS-SP2", L"OS\\", L"Architecture ", L" OS", L"DirectX\\0",
  };
  for (const wchar_t* query : cases) {
    ParsedQuery parsed;
    EXPECT_EQ(E_INVALIDARG, ParseSystemQuery(query, parsed)) << query;
  }
}

struct PnpCase {
  const wchar_t* query;
  PnpProperty property;
  std::optional<std::uint32_t> index;
  const wchar_t* device;
  const wchar_t* second;
};

TEST(QueryTextTest, PnpQueriesSplitFromTheRight) {
  const PnpCase cases[] = {
      {L"PNP\\*\\\\DeviceID", PnpProperty::kDeviceId, std::nullopt, L"*", L"*"},
      {L"pnp\\PCI\\VEN_8086*\\3\\deviceversion", PnpProperty::kDeviceVersion, 3u, L"PCI\\VEN_8086*", L"PCI\\VEN_8086*"},
      {L"PNP\\\\0\\Caption", PnpProperty::kCaption, 0u, L"", L""},
      {L"PNP\\*VEN_10DE*\\\\CLASS", PnpProperty::kClass, std::nullopt, L"*VEN_10DE*", L"*VEN_10DE*"},
      // DriverVersion splits off a second pattern, or uses the device pattern twice.
      {L"PNP\\PCI*VEN_10DE*\\*\\0\\DriverVersion", PnpProperty::kDriverVersion, 0u, L"PCI*VEN_10DE*", L"*"},
      {L"PNP\\PCI*\\1\\driverversion", PnpProperty::kDriverVersion, 1u, L"PCI*", L"PCI*"},
      {L"PNP\\PCI\\VEN_10DE*\\NVIDIA\\\\DriverVersion", PnpProperty::kDriverVersion, std::nullopt,
       L"PCI\\VEN_10DE*", L"NVIDIA"},
  };
  for (const PnpCase& c : cases) {
    SCOPED_TRACE(c.query);
    ParsedQuery parsed;
    ASSERT_EQ(S_OK, ParseSystemQuery(c.query, parsed));
    EXPECT_EQ(QuerySource::kPnp, parsed.source);
    EXPECT_EQ(c.property, parsed.pnpProperty);
    EXPECT_EQ(c.index, parsed.index);
    EXPECT_EQ(c.device, parsed.devicePattern);
    EXPECT_EQ(c.second, parsed.secondPattern);
  }
}

TEST(InstancePickerTest, PicksTheIndexedMatchOrCountsThemAll) {
  InstancePicker third(2);
  std::wstring picks;
  for (int i = 0; i < 4; ++i) picks += third.Pick() ? L'+' : L'-';
  EXPECT_EQ(L"--+-", picks);
  EXPECT_FALSE(third.CountForm());
  InstancePicker count(std::nullopt);
  EXPECT_TRUE(count.CountForm());
  EXPECT_EQ(L"0", count.CountText());
  for (int i = 0; i < 12; ++i) EXPECT_FALSE(count.Pick());
  EXPECT_EQ(L"12", count.CountText());
}

}  // namespace
}  // namespace wendrix::test
