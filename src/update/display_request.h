#pragma once
// A request to show the user interface at a chosen view: its display flags
// and texts, the bytes it travels as to a running main window, and the
// command line that starts the main program with it.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"

namespace wendrix {

// Display flags.
inline constexpr std::uint32_t kDisplayAllItems = 0x40;
inline constexpr std::uint32_t kDisplayWallet = 0x80;
inline constexpr std::uint32_t kDisplayOptions = 0x100;
inline constexpr std::uint32_t kDisplayAbout = 0x200;
inline constexpr std::uint32_t kDisplayInProcess = 0x400;  // the user interface runs in the calling process
inline constexpr std::uint32_t kDisplayHistory = 0x800;
inline constexpr std::uint32_t kDisplayRememberForeground = 0x10000000;

// Keeps only the first view flag present in the order Options, About, All
// Items, Wallet, History; every flag that names no view stays as it is.
std::uint32_t NormaliseDisplayFlags(std::uint32_t flags) noexcept;

struct DisplayRequest {
  std::uint32_t flags = 0;
  std::wstring publisher, group, item, commandLine, currentDirectory;
};

// A request with its flags normalised; null texts become empty ones.
DisplayRequest MakeDisplayRequest(std::uint32_t flags, const wchar_t* publisher, const wchar_t* group,
                                  const wchar_t* item, const wchar_t* commandLine, const wchar_t* currentDirectory);

// The data of the WM_COPYDATA message that hands a request to a running main
// window: the flags as a little-endian uint32, then publisher, group, item,
// command line and current directory as UTF-16LE code units, each followed
// by a zero unit.
std::vector<std::uint8_t> EncodeDisplayRequest(const DisplayRequest& request);

// Reads the bytes made by EncodeDisplayRequest. E_INVALIDARG when they are
// shorter than the flags, have an odd number of text bytes, or do not hold
// exactly five zero-terminated texts; `request` is then left unchanged.
HRESULT DecodeDisplayRequest(const std::uint8_t* data, std::size_t size, DisplayRequest& request);

// The parameters that start the main program with the request:
// "/p:..." "/g:..." "/i:..." /f:0x... "/x:..." "/u:..." with the flags plus
// kDisplayInProcess in uppercase hexadecimal. In every text each double
// quote is doubled, so that a reader that takes a quoted run with "" as one
// quote gets each text back whole (ReadQuotedParameters).
std::wstring MainProgramParameters(const DisplayRequest& request);

// The parameters of a command line read the way MainProgramParameters
// writes them: blanks and tabs outside quotes separate them, a double quote
// begins or ends a quoted run, and inside one two double quotes stand for
// one. Every other character (a backslash too) is itself.
std::vector<std::wstring> ReadQuotedParameters(std::wstring_view commandLine);

}  // namespace wendrix
