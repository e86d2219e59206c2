#pragma once
// What the setup program's command line asks for.
#include <optional>
#include <string>
#include <vector>

namespace wendrix {

enum class SetupAction { kInstall, kUninstallMachine, kUninstallUser };

// No argument: install; "uninstall": uninstall; "uninstall /user": the
// current user's uninstall (words compared without regard to case).
// Anything else: nothing.
std::optional<SetupAction> ParseSetupCommand(const std::vector<std::wstring>& arguments);

}  // namespace wendrix
