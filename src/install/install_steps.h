#pragma once
// The step numbers that the installation, finalization and setup exports
// report through their error-location pointer when a step fails.
#include <cstdint>

namespace wendrix {

enum InstallLocation : std::uint32_t {
  kAtRestartDialog = 60,
  kAtRestartScheduler = 61,
  kAtFinalizeStop = 71,
  kAtProductFolderUnknown = 43,
  kAtProductFolderCreate = 44,
  kAtProductFolderNote = 102,
  kAtSettingsKeyNote = 103,
  kAtPathNote = 107,
  kAtSharedDataFolder = 109,
  kAtTaskFile = 121,
  kAtCompanionClasses = 125,
  kAtFolder64Unknown = 128,
  kAtFolder64Note = 129,
  kAtFolder64Create = 130,
  kAtPathWrite = 134,
  kAtSettingsKeyNote64 = 135,
  kAtPathNote64 = 136,
  kAtPathWrite64 = 137,
  kAtControlClasses = 142,
  kAtUnicodeLayerSystem = 150,
  kAtSizeNote = 163,
  kAtSizeWrite = 164,
  kAtSetupReadWallet = 167,
  kAtSetupReadPublishers = 169,
};

}  // namespace wendrix
