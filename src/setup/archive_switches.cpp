#include "setup/archive_switches.h"

#include <cwchar>
#include <string_view>

#include "setup/command_words.h"

namespace wendrix {
namespace {

constexpr std::size_t kSwitchLength = 3;  // "/z:"

void AppendQuoted(std::wstring& line, const wchar_t* name, const std::wstring& value) {
  line += QuoteCommandText(name + value);
  line += L' ';
}

void AppendPlain(std::wstring& line, const wchar_t* name, const std::wstring& value) {
  line += name;
  line += value;
  line += L' ';
}

bool ParseWindow(std::wstring_view text, std::uint64_t& value) noexcept {
  if (text.empty() || text.size() > 16) return false;
  value = 0;
  for (const wchar_t c : text) {
    const int digit = c >= L'0' && c <= L'9' ? c - L'0' : c >= L'a' && c <= L'f' ? c - L'a' + 10 : -1;
    if (digit < 0) return false;
    value = value << 4 | static_cast<std::uint64_t>(digit);
  }
  return true;
}

// Takes a once-only switch's value; false when it came before.
bool TakeOnce(std::optional<std::wstring>& slot, std::wstring_view value) {
  if (slot) return false;
  slot.emplace(value);
  return true;
}

}  // namespace

bool IsPlainEntryId(std::wstring_view id) noexcept {
  if (id.empty() || id == L"." || id == L"..") return false;
  for (const wchar_t c : id)
    if (c < 0x20 || c == L' ' || c == L'"' || c == L'\\' || c == L'/' || c == L':') return false;
  return true;
}

std::optional<std::wstring> FormatArchiveSwitches(const ArchiveSwitches& s) {
  if (!s.entryId.empty() && !IsPlainEntryId(s.entryId)) return std::nullopt;
  std::wstring line;
  for (const ArchiveToInstall& archive : s.archives) {
    AppendQuoted(line, L"/z:", archive.file);
    AppendQuoted(line, L"/t:", archive.target);
    AppendQuoted(line, L"/h:", archive.host);
  }
  wchar_t number[24];
  std::swprintf(number, std::size(number), L"%016llx", static_cast<unsigned long long>(s.parentWindow));
  AppendPlain(line, L"/p:", number);
  // The library always has an entry to name; a line read without one must
  // not come back with an empty "/w:", which reads as no entry ID at all.
  if (!s.entryId.empty()) AppendPlain(line, L"/w:", s.entryId);
  AppendQuoted(line, L"/u:", s.publisherName);
  AppendQuoted(line, L"/i:", s.itemTitle);
  std::swprintf(number, std::size(number), L"0x%X", static_cast<unsigned>(s.walletFlags));
  AppendPlain(line, L"/f:", number);
  if (!s.applicationName.empty()) {
    AppendQuoted(line, L"/a:", s.applicationName);
    if (!s.applicationIcon.empty()) AppendQuoted(line, L"/o:", s.applicationIcon);
  }
  return line;
}

std::optional<ArchiveSwitches> ParseArchiveSwitches(std::span<const std::wstring> words) {
  ArchiveSwitches s;
  std::optional<std::wstring> window, entry, publisher, title, flags, application, icon;
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::wstring_view word = words[i];
    if (word.size() < kSwitchLength || word[0] != L'/' || word[2] != L':') return std::nullopt;
    const std::wstring_view value = word.substr(kSwitchLength);
    switch (word[1] | 0x20) {  // the switch letter, either case
      case L'z': {
        if (i + 2 >= words.size()) return std::nullopt;
        const std::wstring_view target = words[i + 1], host = words[i + 2];
        if (!target.starts_with(L"/t:") || !host.starts_with(L"/h:")) return std::nullopt;
        ArchiveToInstall archive{std::wstring(value), std::wstring(target.substr(kSwitchLength)),
                                 std::wstring(host.substr(kSwitchLength))};
        if (archive.file.empty() || archive.target.empty()) return std::nullopt;
        s.archives.push_back(std::move(archive));
        i += 2;
        break;
      }
      case L'p':
        if (!TakeOnce(window, value) || !ParseWindow(value, s.parentWindow)) return std::nullopt;
        break;
      case L'w':
        if (!TakeOnce(entry, value) || !IsPlainEntryId(value)) return std::nullopt;
        break;
      case L'u':
        if (!TakeOnce(publisher, value)) return std::nullopt;
        break;
      case L'i':
        if (!TakeOnce(title, value)) return std::nullopt;
        break;
      case L'f':
        if (!TakeOnce(flags, value) || !ParseHexNumber(value, s.walletFlags)) return std::nullopt;
        break;
      case L'a':
        if (!TakeOnce(application, value)) return std::nullopt;
        break;
      case L'o':
        if (!TakeOnce(icon, value)) return std::nullopt;
        break;
      default:
        return std::nullopt;  // "/t:" or "/h:" outside a group, or an unknown switch
    }
  }
  // The icon belongs to the application's name: an empty name is none.
  if (s.archives.empty() || (icon && (!application || application->empty()))) return std::nullopt;
  s.entryId = entry.value_or(L"");
  s.publisherName = publisher.value_or(L"");
  s.itemTitle = title.value_or(L"");
  s.applicationName = application.value_or(L"");
  s.applicationIcon = icon.value_or(L"");
  return s;
}

}  // namespace wendrix
