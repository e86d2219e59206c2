#pragma once
// The installation of the product by its own library: the product files,
// the product's registry values, its shared data folder, its control-panel
// task file, its COM classes and its system integrations, each change noted
// in the setup's journal before it is made.
#include <cstdint>

#include "core/result.h"
#include "setup/product_programs.h"

namespace wendrix {

// Flags of the installation.
inline constexpr std::uint32_t kInstallForce = 0x2;          // also replace files of the same version
inline constexpr std::uint32_t kInstallSkipRegistry = 0x8;  // no settings, Path or shared data folder

// Installs from this library's folder into the product folder (and the
// 64-bit files into the 64-bit product folder on 64-bit Windows). Returns 1
// when a file in use waits for the next restart, else 0; a failure returns at
// once with its step in `location` and leaves what was done to the journal.
// `stop` stops the product's running programs before a file is replaced.
HRESULT InstallProduct(const wchar_t* journalFolder, std::uint32_t flags, StopProgramsCall stop,
                       std::uint32_t& location);

}  // namespace wendrix
