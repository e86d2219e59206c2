#pragma once
// The product's setup dialog: before a user removes the product, it shows
// what other users of the computer still have registered, and asks.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/result.h"

namespace wendrix {

struct SetupSummary {
  std::vector<std::wstring> otherUsersPrograms;    // products registered for all users
  std::vector<std::wstring> otherUsersPublishers;  // publishers registered for all users
};

// Reads the wallet (a failure: location 167) and the registered publishers
// (169) and gathers what the dialog lists.
HRESULT GatherSetupSummary(SetupSummary& summary, std::uint32_t& location);

// The worker that removes the product for this user; returns a worker code
// (install/worker_code.h).
using SetupWorker = std::uint32_t (*)();

// Shows the dialog; OK runs `worker`, whose decoded result is returned;
// Cancel gives E_ABORT. `location` receives the worker's error location.
HRESULT RunSetupDialog(HWND owner, const SetupSummary& summary, SetupWorker worker, std::uint32_t& location);

}  // namespace wendrix
