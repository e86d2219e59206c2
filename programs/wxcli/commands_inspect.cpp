// inspect: what the library makes of a publisher data file. For now it reads
// the file as INI data and applies the version rules; it grows with the
// publisher loader into a full check.
#include <windows.h>

#include <map>
#include <string>

#include "console.h"
#include "core/ini_file.h"
#include "core/string_util.h"
#include "core/version.h"
#include "platform/file_version.h"

using namespace wendrix;

namespace wxcli {
namespace {

// The version of the library this tool runs with (the DLL beside it).
std::wstring LibraryVersion() {
  for (const wchar_t* name : {L"wendrix64.dll", L"wendrix.dll"}) {
    if (HMODULE module = GetModuleHandleW(name)) {
      if (auto path = ModuleFileName(module))
        if (auto version = ReadFileVersion(path->c_str())) return FormatVersion(*version);
    }
  }
  return L"";
}

struct Section {
  std::wstring kind, id;
  std::map<std::wstring, std::vector<std::wstring>> values;  // key (lowercase) -> first value of each line
  std::uint32_t line = 0;
};

std::wstring Lower(std::wstring_view text) {
  std::wstring out;
  for (wchar_t c : text) out.push_back(CStringUtil::FoldAscii(c));
  return out;
}

}  // namespace

int CommandInspect(Args args) {
  if (args.size() != 1) {
    Err(L"usage: wxcli inspect FILE\n");
    return 2;
  }
  CIniDataBuffer data;
  std::uint32_t errorLine = 0;
  const HRESULT hr = LoadIniFile(args[0].c_str(), data, {}, &errorLine);
  if (FAILED(hr)) {
    Err(L"cannot read " + args[0] + L": error " + Hex(static_cast<unsigned long>(hr)) +
        (errorLine ? L" at line " + std::to_wstring(errorLine) : L"") + L"\n");
    return 1;
  }

  std::vector<Section> sections;
  for (IniEntry e : data.Entries()) {
    if (e.Kind() == kIniSection) {
      sections.push_back({std::wstring(e.NameView()), L"", {}, e.Line()});
    } else if (!sections.empty() && e.Count() > 0) {
      sections.back().values[Lower(e.NameView())].push_back(e.Value(0));
      if (CStringUtil::EqualsNoCase(e.NameView(), L"ID")) sections.back().id = e.Value(0);
    }
  }
  const std::wstring library = LibraryVersion();
  Out(L"File: " + args[0] + L"\n" + std::to_wstring(data.EntryCount()) + L" entries in " +
      std::to_wstring(sections.size()) + L" sections\nLibrary version: " + library + L"\n");

  for (const Section& s : sections) {
    auto value = [&](const wchar_t* key) {
      auto it = s.values.find(key);
      return it == s.values.end() ? std::wstring() : it->second.front();
    };
    if (CStringUtil::EqualsNoCase(s.kind, L"Publisher")) {
      Out(L"Publisher: " + value(L"name") + L" (" + value(L"id") + L"), data source " + value(L"datasource") + L"\n");
    } else if (CStringUtil::EqualsNoCase(s.kind, L"Wendrix") && !value(L"requiredversion").empty()) {
      const std::wstring required = value(L"requiredversion");
      const bool refused = CompareVersions(std::wstring_view(required), std::wstring_view(library)) == kVersionNewer;
      Out(L"Requires library " + required + (refused ? L": refused, a newer library is needed\n" : L": accepted\n"));
    } else if (CStringUtil::EqualsNoCase(s.kind, L"Action") && !value(L"version").empty()) {
      const std::wstring version = value(L"version");
      VersionParts parts{};
      const bool valid = ParseVersion(version, &parts) != 0 && IsValidVersionField(version);
      Out(L"Action " + s.id + L" (line " + std::to_wstring(s.line) + L"): version " + version +
          (valid ? L" = " + FormatVersion(parts) : L" is not a version number; compared as text") + L"\n");
    }
  }
  // Each item's newest action version, shown under the item's display style.
  auto find = [&](const wchar_t* kind, const std::wstring& id) -> const Section* {
    for (const Section& s : sections)
      if (CStringUtil::EqualsNoCase(s.kind, kind) && CStringUtil::EqualsNoCase(s.id, id)) return &s;
    return nullptr;
  };
  auto first = [](const Section& s, const wchar_t* key) {
    auto it = s.values.find(key);
    return it == s.values.end() ? std::wstring() : it->second.front();
  };
  for (const Section& item : sections) {
    if (!CStringUtil::EqualsNoCase(item.kind, L"Item")) continue;
    std::wstring newest;
    if (auto actions = item.values.find(L"action"); actions != item.values.end()) {
      for (const std::wstring& actionId : actions->second) {
        const Section* action = find(L"Action", actionId);
        const std::wstring version = action ? first(*action, L"version") : std::wstring();
        if (!version.empty() && (newest.empty() || CompareVersions(std::wstring_view(version),
                                                                   std::wstring_view(newest)) == kVersionNewer))
          newest = version;
      }
    }
    std::wstring shown = newest.empty() ? L"(none)" : newest;
    VersionParts parts{};
    const Section* styleSection = find(L"DisplayVersionStyle", first(item, L"displayversionstyle"));
    if (styleSection && ParseVersion(newest, &parts)) {
      DisplayVersionStyle style;
      if (auto size = first(*styleSection, L"size"); !size.empty()) style.size = static_cast<std::uint32_t>(std::stoul(size));
      shown += L", shown as " + FormatVersionForDisplay(&style, parts);
    }
    Out(L"Item " + item.id + L": latest version " + shown + L"\n");
  }
  return 0;
}

}  // namespace wxcli
