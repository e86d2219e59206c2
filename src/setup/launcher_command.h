#pragma once
// The launcher's command line: twelve values in one line, made by
// "0x%X %d 0x%X %s %s 0x%X %d %s %s 0x%X %d %s". The library writes it when
// it hands an installer or its own update to a copy of "wendrixl.exe"; the
// launcher reads it back. Both sides use this one definition.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace wendrix {

// What the launcher does with the values. Positions 6, 7, 10 and 11 carry
// the constants the library always passes; they are kept so that a line
// reads back as it was written.
struct LauncherCommand {
  std::uint32_t mode = kLauncherWaitForFile;  // 1: kLauncher* bits
  std::int32_t processId = 0;                 // 2: a process to wait for first; 0 for none
  std::uint32_t settleMs = 0;                 // 3: pause after that process ended
  std::wstring file;                          // 4: what to run
  std::wstring parameters;                    // 5: its parameters
  std::uint32_t fileWaitMs = 0xFFFFFFFFu;     // 6: how long to wait for the file's process
  std::int32_t reserved7 = 0;                 // 7
  std::wstring afterProgram;                  // 8: started once the file has run; empty for none
  std::wstring afterParameters;               // 9
  std::uint32_t reserved10 = 0;               // 10
  std::int32_t reserved11 = 0;                // 11
  std::wstring mutexName;                     // 12: held while the file runs; empty for none

  static constexpr std::uint32_t kLauncherInteractive = 0x1;  // failures are shown to the user
  static constexpr std::uint32_t kLauncherWaitForFile = 0x2;  // the file's process is waited for
};

// The whole line.
std::wstring FormatLauncherCommand(const LauncherCommand& command);

// Reads a line as FormatLauncherCommand writes it: numbers in the form their
// position is written in (hexadecimal with "0x", or signed decimal), texts
// quoted (QuoteCommandText) or as one blank-free word, exactly twelve values. Anything else
// gives nothing.
std::optional<LauncherCommand> ParseLauncherCommand(std::wstring_view line);

}  // namespace wendrix
