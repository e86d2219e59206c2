#pragma once
// Where the installed product's files are.
#include <cstdint>
#include <string>

#include "core/result.h"

namespace wendrix {

// Selector flags of the info query (high 16 bits; the low 16 bits are the kind).
inline constexpr std::uint32_t kInfo64Bit = 0x80000000u;          // 64-bit names and registry view
inline constexpr std::uint32_t kInfoAcceptDefault = 0x40000000u;  // default folder need not exist
inline constexpr std::uint32_t kInfoKindMask = 0xFFFFu;
inline constexpr std::uint32_t kInfoMaxKind = 10;

// Info kinds.
enum InfoKind : std::uint32_t {
  kInfoFolder = 0,
  kInfoMainProgram = 1,
  kInfoLibrary = 2,
  kInfoControlPanelApplet = 3,
  kInfoCompanionLibrary = 4,
  kInfoControlPanelTasks = 5,
  kInfoLauncher = 6,
  kInfoElevatedInstaller = 7,
  kInfoControl = 8,
  kInfoUnicodeLayer = 9,
  kInfoSetupProgram = 10,
};

// The file name of an info kind (null for kind 0 and unknown kinds).
const wchar_t* InfoFileName(std::uint32_t kind, bool names64) noexcept;

// The product folder: the "Path" of the highest version-named subkey of
// HKLM\SOFTWARE\Kestmoor\Wendrix in the selected view, else the default
// folder under Common Files (which must exist unless kInfoAcceptDefault).
// 0x80070003 when there is none, 0x8007006F when the default is too long.
HRESULT FindProductFolder(std::uint32_t selector, std::wstring& folder);

// The product folder (kind 0) or a product file in it (kinds 1 to 10).
// E_INVALIDARG for kinds above 10.
HRESULT GetProductPath(std::uint32_t selector, std::wstring& path);

// The value of a version-named subkey ("3.10" gives 3 << 16 | 10); false when
// the name is not of the form major.minor.
bool ParseProductSubkeyName(const std::wstring& name, std::uint32_t& value) noexcept;

}  // namespace wendrix
