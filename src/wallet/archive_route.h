#pragma once
// The route of an entry whose action unpacks archives: in this process when
// the action needs standard privileges, else through the product's elevated
// installer program ("wendrixu.exe"), which runs the same installation with
// administrator rights.
#include <windows.h>

#include <string>
#include <vector>

#include "core/result.h"
#include "publisher/windows_environment.h"
#include "wallet/wallet_entry.h"

namespace wendrix {

// `files` are the entry's downloaded files in order. Each unpacks into its
// own target (the resource's folder for a multi-file action, else the
// action's Target), without a trailing backslash. ERROR_PATH_NOT_FOUND's
// code when a file has no target that resolves. Through the elevated
// program: E_FAIL when it does not start, its exit code when not 0.
HRESULT RunArchiveRoute(const WalletEntry& entry, const std::vector<std::wstring>& files, HWND parent,
                        const PublisherEnvironment& env);

}  // namespace wendrix
