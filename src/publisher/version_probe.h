#pragma once
// The rules of the installed-version probes that need no system: locations
// (Windows Installer codes, registry paths with their view and root),
// version-named registry keys, version tags and text versions in files, INI
// probes and the server files of COM registrations. The Windows probes apply
// them to the registry and the disk.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/ini_data.h"
#include "core/text_encoding.h"
#include "core/version.h"

namespace wendrix {

// The registry view a location asks for: the default (on a 64-bit system the
// 64-bit view, then the 32-bit view), or one view only.
enum class RegistryView { kDefault, k32, k64 };

// The root keys a location can name, in the order of their names' table.
enum class RegistryRoot {
  kClassesRoot, kCurrentUser, kLocalMachine, kUsers, kPerformanceData, kCurrentConfig, kDynData,
};

struct RegistryLocation {
  RegistryView view = RegistryView::kDefault;
  RegistryRoot root = RegistryRoot::kLocalMachine;
  std::wstring keyPath;  // below the root; its last component names a value
};

// Splits "[X86\|X64\]ROOT?KEY\PATH": an optional view prefix, a root key name
// (both ignoring case), one separator character of any kind, the key path.
// Nothing when the root is not one of the seven names.
std::optional<RegistryLocation> ParseRegistryLocation(std::wstring_view location);

// A key path split at its last "\": the key and the value name. Without a
// "\" the whole text is the value name, read from the root itself; a path
// that ends in "\" names the key's default value.
struct RegistryValuePath {
  std::wstring key;
  std::wstring value;
};
RegistryValuePath SplitValuePath(std::wstring_view keyPath);

// True when the whole key path can name a key: not empty and not ending in "\".
bool CanNameKey(std::wstring_view keyPath) noexcept;

// A Windows Installer location: "{product}" or, for paths, "{product}/{component}".
struct InstallerLocation {
  std::wstring product;
  std::wstring component;  // empty when none follows
};
// True when the location names a Windows Installer product (it begins with "{").
bool IsInstallerLocation(std::wstring_view location) noexcept;
// Splits a path's installer location at its first "/". Nothing when the
// location does not begin with "{" or is longer than 99 characters.
std::optional<InstallerLocation> ParseInstallerLocation(std::wstring_view location);

// The rank of a version-named key "digits.digits": first * 65536 + (second
// mod 65536), each number read modulo 2^32. Nothing for any other name.
std::optional<std::uint64_t> VersionNamedRank(std::wstring_view name) noexcept;
// The index of the highest version-named name, the first one on a tie;
// nothing when no name is version-named.
std::optional<std::size_t> HighestVersionNamed(std::span<const std::wstring> names) noexcept;

// The component of an application probe's key path that stands for the
// highest version-named subkey at that point.
inline constexpr std::wstring_view kHighestVersionComponent = L"#.#";
// Replaces each whole "#.#" component of `keyPath`, from left to right, by
// highest(the key path before it, already expanded). Nothing as soon as
// `highest` finds nothing.
std::optional<std::wstring> ExpandVersionComponents(
    std::wstring_view keyPath, const std::function<std::optional<std::wstring>(const std::wstring&)>& highest);

// The version of a "$VER:" tag in a file's raw bytes (the first tag only):
// after the tag, blanks and ">" are skipped, "(" or the end stops the search,
// and the run of digits and "." there must parse as a version; otherwise the
// search skips to the next blank or ">" and tries again. A zero byte ends the
// tag's text.
std::optional<VersionParts> FindVersionTag(std::string_view bytes) noexcept;

// The version at the start of a text file's content: decoded by its
// byte-order mark (else `ansi`), leading blanks and tabs skipped.
std::optional<VersionParts> TextFileVersion(std::string_view bytes, const CodePage& ansi);

// An INI probe: a file name ending in ".ini" (ignoring case, at least five
// characters) with both a section and a key.
bool IsIniProbe(std::wstring_view file, std::wstring_view section, std::wstring_view key) noexcept;

// The schema and the search of an INI probe. A section of exactly "*" finds
// the key in any section; any other section is written with or without its
// brackets ("[Main]" or "Main"; the text is cut at "]").
class IniVersionProbe {
 public:
  IniVersionProbe(std::wstring_view section, std::wstring_view key);
  IniVersionProbe(const IniVersionProbe&) = delete;
  IniVersionProbe& operator=(const IniVersionProbe&) = delete;

  // One row (any section) or two (the section, then its key).
  IniSchema Schema() const noexcept;
  // The first matching key whose value parses as a version; nothing when none does.
  std::optional<VersionParts> Find(const CIniData& data) const;
  // Loads INI file bytes (decoded as LoadIniFile does) and searches them. The
  // entries read before a syntax error still count.
  std::optional<VersionParts> FindInFileBytes(std::string_view bytes) const;

 private:
  std::wstring m_section;
  std::wstring m_key;
  IniSchemaRow m_rows[2];
  std::size_t m_rowCount;
};

// A COM class named by a system probe: "ClassID\[x86\|x64\]{clsid}" or
// "ProgID\[x86\|x64\]name" (prefixes ignoring case).
struct ComClassProbe {
  RegistryView view = RegistryView::kDefault;
  bool byProgId = false;
  std::wstring name;  // the class identifier or the programmatic identifier
};
std::optional<ComClassProbe> ParseComClassProbe(std::wstring_view text);

// The registration subkeys that name a class's server file, in the order
// they are tried.
inline constexpr const wchar_t* kComServerKeys[] = {L"InprocServer32", L"InprocServer", L"LocalServer32",
                                                    L"LocalServer"};

// The files a server registration may name, most likely first: the text in
// quotes when it begins with one; otherwise the whole text, then the text cut
// before each blank from the last to the first (a path with blanks that was
// not quoted, followed by arguments). Empty for a blank registration.
std::vector<std::wstring> ServerFileCandidates(std::wstring_view command);

// Joins a folder and a name with exactly one "\" between them; a leading "\"
// of the name is dropped; an empty name leaves the folder as it is.
std::wstring JoinPath(std::wstring_view folder, std::wstring_view name);

// The folder part of a file path (everything before its last "\" or "/");
// the text itself when it has no separator.
std::wstring FolderOf(std::wstring_view path);

}  // namespace wendrix
