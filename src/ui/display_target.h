#pragma once
// What a display request opens in the main window: a view, or the Options
// or About dialog over it.
#include <cstdint>

namespace wendrix {

enum class DisplayTarget { kNone, kOptions, kAbout, kAllItems, kWallet, kHistory };

// The first target whose flag `flags` carries, in the order Options, About,
// All Items, Wallet, History; kNone when it carries none.
DisplayTarget TargetOfFlags(std::uint32_t flags) noexcept;

// The display flag that opens `target` (0 for kNone).
std::uint32_t FlagOfTarget(DisplayTarget target) noexcept;

}  // namespace wendrix
