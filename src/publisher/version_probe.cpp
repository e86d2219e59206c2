#include "publisher/version_probe.h"

#include <array>

#include "core/ini_data_buffer.h"
#include "core/string_util.h"

namespace wendrix {
namespace {

constexpr std::array<std::wstring_view, 7> kRootNames = {
    L"HKEY_CLASSES_ROOT", L"HKEY_CURRENT_USER",    L"HKEY_LOCAL_MACHINE", L"HKEY_USERS",
    L"HKEY_PERFORMANCE_DATA", L"HKEY_CURRENT_CONFIG", L"HKEY_DYN_DATA",
};

// Removes `prefix` (ignoring case) from the front of `text`; false when it is not there.
bool TakePrefixNoCase(std::wstring_view& text, std::wstring_view prefix) noexcept {
  if (!CStringUtil::StartsWithNoCase(text, prefix)) return false;
  text.remove_prefix(prefix.size());
  return true;
}

RegistryView TakeView(std::wstring_view& text, std::wstring_view x86, std::wstring_view x64) noexcept {
  if (TakePrefixNoCase(text, x86)) return RegistryView::k32;
  if (TakePrefixNoCase(text, x64)) return RegistryView::k64;
  return RegistryView::kDefault;
}

// Reads "digits" at `text[pos]` modulo 2^32; false when there is no digit.
bool ReadNumber(std::wstring_view text, std::size_t& pos, std::uint32_t& value) noexcept {
  const std::size_t start = pos;
  value = 0;
  while (pos < text.size() && IsDecimalDigit(text[pos])) value = value * 10u + static_cast<std::uint32_t>(text[pos++] - L'0');
  return pos > start;
}

bool IsTagBlank(char c) noexcept { return c == ' ' || c == '\t' || c == '>'; }

}  // namespace

std::optional<RegistryLocation> ParseRegistryLocation(std::wstring_view location) {
  RegistryLocation result;
  result.view = TakeView(location, L"X86\\", L"X64\\");
  for (std::size_t i = 0; i < kRootNames.size(); ++i) {
    if (!TakePrefixNoCase(location, kRootNames[i])) continue;
    result.root = static_cast<RegistryRoot>(i);
    if (!location.empty()) location.remove_prefix(1);  // the separator
    result.keyPath.assign(location);
    return result;
  }
  return std::nullopt;
}

RegistryValuePath SplitValuePath(std::wstring_view keyPath) {
  const std::size_t last = keyPath.rfind(L'\\');
  if (last == std::wstring_view::npos) return {std::wstring(), std::wstring(keyPath)};
  return {std::wstring(keyPath.substr(0, last)), std::wstring(keyPath.substr(last + 1))};
}

bool CanNameKey(std::wstring_view keyPath) noexcept { return !keyPath.empty() && keyPath.back() != L'\\'; }

bool IsInstallerLocation(std::wstring_view location) noexcept { return !location.empty() && location.front() == L'{'; }

std::optional<InstallerLocation> ParseInstallerLocation(std::wstring_view location) {
  constexpr std::size_t kMaxLength = 99;
  if (!IsInstallerLocation(location) || location.size() > kMaxLength) return std::nullopt;
  const std::size_t slash = location.find(L'/');
  if (slash == std::wstring_view::npos) return InstallerLocation{std::wstring(location), std::wstring()};
  return InstallerLocation{std::wstring(location.substr(0, slash)), std::wstring(location.substr(slash + 1))};
}

std::optional<std::uint64_t> VersionNamedRank(std::wstring_view name) noexcept {
  std::size_t pos = 0;
  std::uint32_t first = 0, second = 0;
  if (!ReadNumber(name, pos, first) || pos >= name.size() || name[pos] != L'.') return std::nullopt;
  ++pos;
  if (!ReadNumber(name, pos, second) || pos != name.size()) return std::nullopt;
  return static_cast<std::uint64_t>(first) * 65536u + (second % 65536u);
}

std::optional<std::size_t> HighestVersionNamed(std::span<const std::wstring> names) noexcept {
  std::optional<std::size_t> best;
  std::uint64_t bestRank = 0;
  for (std::size_t i = 0; i < names.size(); ++i) {
    const std::optional<std::uint64_t> rank = VersionNamedRank(names[i]);
    if (!rank) continue;
    if (!best || *rank > bestRank) {
      best = i;
      bestRank = *rank;
    }
  }
  return best;
}

std::optional<std::wstring> ExpandVersionComponents(
    std::wstring_view keyPath, const std::function<std::optional<std::wstring>(const std::wstring&)>& highest) {
  std::wstring expanded;
  bool first = true;
  for (;;) {
    const std::size_t end = keyPath.find(L'\\');
    const std::wstring_view component = keyPath.substr(0, end);
    if (!first) expanded += L'\\';
    if (component == kHighestVersionComponent) {
      // The key before this component: the expanded path without the separator just added.
      const std::optional<std::wstring> name = highest(first ? std::wstring() : expanded.substr(0, expanded.size() - 1));
      if (!name) return std::nullopt;
      expanded += *name;
    } else {
      expanded += component;
    }
    first = false;
    if (end == std::wstring_view::npos) return expanded;
    keyPath.remove_prefix(end + 1);
  }
}

std::optional<VersionParts> FindVersionTag(std::string_view bytes) noexcept {
  constexpr std::string_view kTag = "$VER:";
  const std::size_t tag = bytes.find(kTag);
  if (tag == std::string_view::npos) return std::nullopt;
  std::string_view rest = bytes.substr(tag + kTag.size());
  rest = rest.substr(0, rest.find('\0'));
  std::size_t pos = 0;
  for (;;) {
    while (pos < rest.size() && IsTagBlank(rest[pos])) ++pos;
    if (pos >= rest.size() || rest[pos] == '(') return std::nullopt;
    // The run is at most a few dozen characters for any version; a longer
    // one cannot parse, so it is cut rather than copied whole.
    wchar_t run[64];
    std::size_t length = 0;
    while (pos < rest.size() && (IsDecimalDigit(rest[pos]) || rest[pos] == '.')) {
      if (length < std::size(run)) run[length] = static_cast<wchar_t>(rest[pos]);
      ++length;
      ++pos;
    }
    VersionParts parts{};
    if (length > 0 && length <= std::size(run) && ParseVersion(std::wstring_view(run, length), &parts) == length)
      return parts;
    while (pos < rest.size() && !IsTagBlank(rest[pos])) ++pos;
  }
}

std::optional<VersionParts> TextFileVersion(std::string_view bytes, const CodePage& ansi) {
  const std::wstring text = DecodeTextFile(bytes, ansi);
  VersionParts parts{};
  // ParseVersion skips the leading blanks and tabs itself.
  if (ParseVersion(text, &parts) == 0) return std::nullopt;
  return parts;
}

bool IsIniProbe(std::wstring_view file, std::wstring_view section, std::wstring_view key) noexcept {
  return file.size() >= 5 && CStringUtil::EndsWithNoCase(file, L".ini") && !section.empty() && !key.empty();
}

IniVersionProbe::IniVersionProbe(std::wstring_view section, std::wstring_view key) : m_key(key) {
  constexpr std::int32_t kSectionRow = 0, kKeyRow = 1;
  if (section == L"*") {
    m_rows[0] = {kIniAny, m_key.c_str(), kKeyRow, kIniText};
    m_rowCount = 1;
    return;
  }
  if (!section.empty() && section.front() == L'[') section.remove_prefix(1);
  m_section.assign(section.substr(0, section.find(L']')));
  m_rows[0] = {m_section.c_str(), nullptr, kSectionRow, kIniSection};
  m_rows[1] = {m_section.c_str(), m_key.c_str(), kKeyRow, kIniText};
  m_rowCount = 2;
}

IniSchema IniVersionProbe::Schema() const noexcept { return IniSchema(m_rows, m_rowCount); }

std::optional<VersionParts> IniVersionProbe::Find(const CIniData& data) const {
  const wchar_t* section = nullptr;  // keys before the first section belong to none
  for (const IniEntry entry : data.Entries()) {
    if (entry.Kind() == kIniSection) {
      section = entry.Name();
      continue;
    }
    if (entry.Count() == 0 || SchemaLookup(section, entry.NameView(), Schema()) != m_rows[m_rowCount - 1].id)
      continue;
    VersionParts parts{};
    if (ParseVersion(entry.ValueView(0), &parts) != 0) return parts;
  }
  return std::nullopt;
}

std::optional<VersionParts> IniVersionProbe::FindInFileBytes(std::string_view bytes) const {
  CIniDataBuffer data;
  const HRESULT hr = LoadIniText(bytes, data, Schema(), nullptr);
  if (FAILED(hr) && hr != kInvalidData) return std::nullopt;
  return Find(data);
}

std::optional<ComClassProbe> ParseComClassProbe(std::wstring_view text) {
  ComClassProbe probe;
  if (TakePrefixNoCase(text, L"ClassID\\")) {
    probe.byProgId = false;
  } else if (TakePrefixNoCase(text, L"ProgID\\")) {
    probe.byProgId = true;
  } else {
    return std::nullopt;
  }
  probe.view = TakeView(text, L"x86\\", L"x64\\");
  probe.name.assign(text);
  return probe;
}

std::vector<std::wstring> ServerFileCandidates(std::wstring_view command) {
  while (!command.empty() && IsBlank(command.front())) command.remove_prefix(1);
  while (!command.empty() && IsBlank(command.back())) command.remove_suffix(1);
  std::vector<std::wstring> candidates;
  if (command.empty()) return candidates;
  if (command.front() == L'"') {
    command.remove_prefix(1);
    const std::wstring_view quoted = command.substr(0, command.find(L'"'));
    if (!quoted.empty()) candidates.emplace_back(quoted);
    return candidates;
  }
  candidates.emplace_back(command);
  // A cut before the first blank of each run of blanks, from the right.
  for (std::size_t i = command.size() - 1; i > 0; --i) {
    if (IsBlank(command[i]) && !IsBlank(command[i - 1])) candidates.emplace_back(command.substr(0, i));
  }
  return candidates;
}

std::wstring JoinPath(std::wstring_view folder, std::wstring_view name) {
  if (!name.empty() && name.front() == L'\\') name.remove_prefix(1);
  std::wstring path(folder);
  if (name.empty()) return path;
  if (!path.empty() && path.back() != L'\\') path += L'\\';
  path += name;
  return path;
}

std::wstring FolderOf(std::wstring_view path) {
  const std::size_t last = path.find_last_of(L"\\/");
  if (last == std::wstring_view::npos) return std::wstring(path);
  // Keep the separator of a drive's root ("C:\"), which is a folder of its own.
  if (last == 0 || path[last - 1] == L':') return std::wstring(path.substr(0, last + 1));
  return std::wstring(path.substr(0, last));
}

}  // namespace wendrix
