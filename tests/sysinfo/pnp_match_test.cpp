// Device patterns and the parts of device identifiers that queries answer.
#include <gtest/gtest.h>

#include "sysinfo/pnp_match.h"

namespace wendrix::test {
namespace {

constexpr const wchar_t* kPciId = L"PCI\\VEN_8086&DEV_1234&REV_05\\3&2411E6FE&0&10";

struct MatchCase {
  const wchar_t* pattern;
  const wchar_t* text;
  bool matches;
};

TEST(DevicePatternTest, StarsOnlyAtTheEndsAndTheFirstOccurrenceDecides) {
  const MatchCase cases[] = {
      {L"VEN_8086*", kPciId, false},  // not at the start
      {L"*VEN_8086*", kPciId, true}, {L"PCI\\VEN_8086*", kPciId, true}, {L"*&0&10", kPciId, true},
      {L"*&0&1", kPciId, false},  // not at the end
      {L"PCI", kPciId, false}, {kPciId, kPciId, true}, {L"pci*", kPciId, false},  // case-sensitive
      {L"PCI*DEV*", kPciId, false}, {L"P*I", L"P*I", false},  // a star inside matches nothing
      {L"*", kPciId, true}, {L"**", kPciId, true}, {L"***", kPciId, false}, {L"", kPciId, true}, {L"", L"", true},
      {L"*", L"", false}, {L"PCI*", L"", false}, {L"ABC*", L"AB", false}, {L"*AB*", L"xxABxx", true},
      {L"*AB", L"ABxAB", false},  // only the first occurrence counts
  };
  for (const MatchCase& c : cases) {
    EXPECT_EQ(c.matches, MatchesDevicePattern(c.pattern, c.text)) << "pattern '" << testing::PrintToString(c.pattern)
                                                                  << "' text " << testing::PrintToString(c.text);
  }
}

TEST(DeviceRevisionTest, RevisionAfterRevTagOrUnderscorePadding) {
  const std::pair<const wchar_t*, std::optional<std::wstring>> cases[] = {
      {kPciId, L"05"},
      {L"PCI\\VEN_10DE&DEV_1C82&REV_A1", L"A1"},
      {L"HDAUDIO\\FUNC_01&VEN_10EC&REV_1000&SUBSYS_1\\4&1", L"1000"},
      {L"IDE\\DiskWDC_WD800JD-75MSA3___________________________10.01E04\\5&2D4A2E85&0&0.0.0", L"10.01E04"},
      {L"IDE\\CdRomHL-DT-ST_DVD-RAM_GH22NP20_______________________1.02____\\5&1", L"1.02"},
      {L"IDE\\CdRomX____1.0\\5&1", std::nullopt},          // four underscores are no padding
      {L"IDE\\CdRomX_____1.0\\5&1", L"1.0"},                // ... five are
      {L"SCSI\\Disk_____&X______C1\\1", L"C1"},            // ... but a later padding is
      {L"PCI\\VEN_8086&rev_05\\3", std::nullopt},          // the tag is case-sensitive
      {L"ROOT\\LEGACY_BEEP\\0000", std::nullopt},
      {L"", std::nullopt},
  };
  for (const auto& [id, revision] : cases) EXPECT_EQ(revision, DeviceRevision(id)) << testing::PrintToString(id);
}

TEST(DeviceIdTest, CutsTheInstancePartAndNeedsTwoBackslashes) {
  EXPECT_EQ(L"PCI\\VEN_8086&DEV_1234&REV_05", DeviceIdWithoutInstance(kPciId));
  EXPECT_EQ(L"USB\\ROOT_HUB\\4&1", DeviceIdWithoutInstance(L"USB\\ROOT_HUB\\4&1\\0"));
  EXPECT_EQ(L"A\\", DeviceIdWithoutInstance(L"A\\\\"));
  EXPECT_EQ(std::nullopt, DeviceIdWithoutInstance(L"ROOT\\LEGACY"));
  EXPECT_EQ(std::nullopt, DeviceIdWithoutInstance(L""));
}

TEST(DeviceClassTest, DropsTheWin32OrCimPrefix) {
  EXPECT_EQ(L"VideoController", DeviceClassName(L"Win32_VideoController"));
  EXPECT_EQ(L"Processor", DeviceClassName(L"CIM_Processor"));
  EXPECT_EQ(L"", DeviceClassName(L"Win32_"));
  EXPECT_EQ(std::nullopt, DeviceClassName(L"MSFT_Disk"));
  EXPECT_EQ(std::nullopt, DeviceClassName(L"Win32"));
  EXPECT_EQ(std::nullopt, DeviceClassName(L""));
}

}  // namespace
}  // namespace wendrix::test
