#pragma once
// The command line of "wendrixu.exe", the program that installs archives
// needing administrator rights on the library's behalf. The library writes
// it; the program reads it back. Both sides use this one definition.
//
// Every value that can hold fetched text (paths, host, publisher name, item
// title, application name and icon) is quoted with QuoteCommandText, so a
// title holding double quotes reads back as that title and cannot add a
// switch to a program that runs with administrator rights.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace wendrix {

struct ArchiveToInstall {
  std::wstring file;    // "/z:" the archive
  std::wstring target;  // "/t:" the folder it unpacks into, no trailing backslash
  std::wstring host;    // "/h:" where it came from, "??" when unknown
  bool operator==(const ArchiveToInstall&) const = default;
};

struct ArchiveSwitches {
  std::vector<ArchiveToInstall> archives;
  std::uint64_t parentWindow = 0;  // "/p:" 16 lowercase hexadecimal digits
  std::wstring entryId;            // "/w:" its events say whether the user confirmed
  std::wstring publisherName;      // "/u:"
  std::wstring itemTitle;          // "/i:"
  std::uint32_t walletFlags = 0;   // "/f:0x%X"
  std::wstring applicationName;    // "/a:" only in a publisher's exclusive mode
  std::wstring applicationIcon;    // "/o:" only with an application name
  bool operator==(const ArchiveSwitches&) const = default;
};

// Whether `id` can stand unquoted after "/w:" as one word that names a
// wallet folder: not empty, not "." or "..", and no blank, tab or other
// character below 0x20, double quote or path separator. Entry IDs are folder names of the
// user's wallet, so any process of the user can choose one; one that fails
// this must not reach the line, where it would not read back as itself.
bool IsPlainEntryId(std::wstring_view id) noexcept;

// The whole line, each switch followed by one blank: the archives' groups
// of three in order, then "/p:", "/w:" (when there is an entry ID), "/u:",
// "/i:", "/f:", and "/a:" and "/o:" when they have a value. Nothing when
// the entry ID is not plain.
std::optional<std::wstring> FormatArchiveSwitches(const ArchiveSwitches& switches);

// Reads the program's arguments (the words of its command line after the
// program's own name). Every word must be a known switch; "/z:", "/t:" and
// "/h:" come in groups of three in that order, at least one group; the
// others at most once each, numbers in their written form, a plain entry
// ID, an icon only with a non-empty application name. Anything else gives
// nothing.
std::optional<ArchiveSwitches> ParseArchiveSwitches(std::span<const std::wstring> words);

}  // namespace wendrix
