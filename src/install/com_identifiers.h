#pragma once
// The product's own fixed identifiers: those of its two COM libraries (A the
// application ID, which also names the type library, C the class, I and E
// the interfaces) and those of its control-panel tasks. They never change
// between versions: Windows and applications find the product by them.

namespace wendrix {

// The companion library ("wendrixc.dll", "wendrixc64.dll").
inline constexpr wchar_t kCompanionAppId[] = L"{6B1D5F3A-2C47-4E8B-9A61-3F0E7C2D8B14}";
inline constexpr wchar_t kCompanionClassId[] = L"{6B1D5F3B-2C47-4E8B-9A61-3F0E7C2D8B14}";
inline constexpr wchar_t kCompanionInterfaceId[] = L"{6B1D5F3C-2C47-4E8B-9A61-3F0E7C2D8B14}";
inline constexpr wchar_t kCompanionEventsId[] = L"{6B1D5F3D-2C47-4E8B-9A61-3F0E7C2D8B14}";

// The control ("wendrixw.ocx", "wendrixw64.ocx"); it has no event interface.
inline constexpr wchar_t kControlAppId[] = L"{A8E2947C-51D3-4B0F-8C6E-0D9B3A7F5E21}";
inline constexpr wchar_t kControlClassId[] = L"{A8E2947D-51D3-4B0F-8C6E-0D9B3A7F5E21}";
inline constexpr wchar_t kControlInterfaceId[] = L"{A8E2947E-51D3-4B0F-8C6E-0D9B3A7F5E21}";

// The control-panel application and its three tasks.
inline constexpr wchar_t kControlPanelAppId[] = L"{3F7C9E21-8A4D-4D6B-B5E2-71C0A9D4E6F3}";
inline constexpr wchar_t kTaskCheckId[] = L"{3F7C9E22-8A4D-4D6B-B5E2-71C0A9D4E6F3}";
inline constexpr wchar_t kTaskSettingsId[] = L"{3F7C9E23-8A4D-4D6B-B5E2-71C0A9D4E6F3}";
inline constexpr wchar_t kTaskHistoryId[] = L"{3F7C9E24-8A4D-4D6B-B5E2-71C0A9D4E6F3}";

}  // namespace wendrix
