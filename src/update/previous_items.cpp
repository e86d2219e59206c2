#include "update/previous_items.h"

#include <algorithm>
#include <vector>

#include "core/text_lines.h"
#include "core/version.h"

namespace wendrix {
namespace {

struct Entry {
  std::wstring_view id;
  std::wstring_view version;  // empty: the entry has none
};

constexpr bool IsSeparator(wchar_t c) noexcept { return c == L' ' || c == L'\t' || c == L'\r'; }

std::wstring_view Trim(std::wstring_view text) noexcept {
  while (!text.empty() && IsSeparator(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSeparator(text.back())) text.remove_suffix(1);
  return text;
}

// One entry per line: the ID up to the first blank, the version after it.
// A carriage return before the line feed (a file edited by hand) is not part
// of either.
void ReadLines(std::wstring_view text, std::vector<Entry>& entries) {
  CTextLines lines(text);
  std::wstring_view line;
  while (lines.Next(line)) {
    line = Trim(line);
    if (line.empty()) continue;
    const std::size_t blank = line.find_first_of(L" \t");
    if (blank == std::wstring_view::npos) entries.push_back({line, {}});
    else entries.push_back({line.substr(0, blank), Trim(line.substr(blank + 1))});
  }
}

// The older form is a flat run of tokens. IDs never hold a blank, so the only
// question is whether a token is an ID or the version of the ID before it: a
// token that reads as a version and follows an ID still without one is that
// ID's version; anything else starts an entry. An item whose ID itself looks
// like a version could be misread, which old files did not guard against
// either.
void ReadTokens(std::wstring_view text, std::vector<Entry>& entries) {
  bool open = false;  // the last entry has no version yet
  while (true) {
    while (!text.empty() && IsSeparator(text.front())) text.remove_prefix(1);
    if (text.empty()) return;
    std::size_t end = 0;
    while (end < text.size() && !IsSeparator(text[end])) ++end;
    const std::wstring_view token = text.substr(0, end);
    text.remove_prefix(end);
    if (open && IsValidVersionField(token)) {
      entries.back().version = token;
      open = false;
    } else {
      entries.push_back({token, {}});
      open = true;
    }
  }
}

bool ById(const Entry& a, const Entry& b) noexcept { return a.id < b.id; }

// Entries sorted by ID: a publisher with thousands of items would otherwise
// scan the whole text once per item.
std::vector<Entry> ReadEntries(std::wstring_view text) {
  std::vector<Entry> entries;
  if (text.find(L'\n') != std::wstring_view::npos) ReadLines(text, entries);
  else ReadTokens(text, entries);
  std::sort(entries.begin(), entries.end(), ById);
  return entries;
}

bool IsListed(const std::vector<Entry>& entries, const Item& item) {
  const auto [first, last] = std::equal_range(entries.begin(), entries.end(), Entry{item.id, {}}, ById);
  return std::any_of(first, last, [&item](const Entry& entry) {
    return entry.version.empty() || item.latestVersion.empty() ||
           CompareVersions(entry.version, item.latestVersion) == kVersionEqual;
  });
}

bool IsCandidate(const Item& item) {
  return !item.installedVersion || CompareVersions(item.latestVersion, *item.installedVersion) == kVersionNewer;
}

}  // namespace

std::wstring MakePreviousItems(const PublisherData& data) {
  std::wstring text;
  for (const Item& item : data.items) {
    if (item.id.empty()) continue;
    text += L'\n';
    text += item.id;
    if (!item.latestVersion.empty()) {
      text += L' ';
      text += item.latestVersion;
    }
  }
  return text;
}

void MarkNewItems(PublisherData& data, std::wstring_view previousItems) {
  const std::vector<Entry> entries = ReadEntries(previousItems);
  for (Item& item : data.items) {
    if (item.id.empty()) continue;
    if (IsCandidate(item) && !IsListed(entries, item)) item.flags |= kItemNew;
    else item.flags &= ~static_cast<std::uint32_t>(kItemNew);
  }
}

}  // namespace wendrix
