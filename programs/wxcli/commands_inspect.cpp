// inspect: what the library makes of a publisher data file. The file's own
// Publisher section stands in for the registration, as when a publisher is
// registered from this file; then the loader reads it with this machine's
// facts and every item is shown with what it offers.
#include <windows.h>

#include <string>

#include "console.h"
#include "core/date.h"
#include "core/ini_file.h"
#include "frame/module_state.h"
#include "frame/string_table.h"
#include "publisher/loader.h"
#include "publisher/windows_environment.h"

using namespace wendrix;

namespace wxcli {
namespace {

// No store yet: no publisher is registered besides the one inspected.
class NoOtherPublishers final : public PublisherList {
 public:
  bool Contains(std::wstring_view) const override { return false; }
  std::optional<std::wstring> PublisherVersion(std::wstring_view) const override { return std::nullopt; }
  void RecordRequiredVersion(std::wstring_view version) override { required.assign(version); }
  std::wstring required;
};

std::wstring Words(const Vocabulary& vocabulary, std::uint32_t bits) {
  std::wstring out;
  for (const VocabularyWord& w : vocabulary.words) {
    if (w.value && (bits & w.value) == w.value) out += (out.empty() ? L"" : L", ") + std::wstring(w.word);
  }
  return out.empty() ? L"-" : out;
}

std::wstring Describe(HRESULT hr) {
  // The library's own failures carry the number of their message.
  if ((static_cast<std::uint32_t>(hr) & 0xFFFF0000u) == 0x80040000u) {
    const std::wstring text = LoadStringText(static_cast<UINT>(hr) & 0xFFFF);
    if (!text.empty()) return text;
  }
  wchar_t* system = nullptr;
  FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                 static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&system), 0, nullptr);
  std::wstring text = system ? system : L"";
  if (system) LocalFree(system);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r')) text.pop_back();
  return text;
}

std::wstring Size(const SizeRange& size) {
  if (!size.known) return L"";
  return L", " + std::to_wstring(size.smallest) +
         (size.largest != size.smallest ? L" to " + std::to_wstring(size.largest) : L"") + L" bytes";
}

}  // namespace

int CommandInspect(Args args) {
  if (args.size() != 1) {
    Err(L"usage: wxcli inspect FILE\n");
    return 2;
  }
  if (HMODULE library = GetModuleHandleW(sizeof(void*) == 8 ? L"wendrix64.dll" : L"wendrix.dll"))
    InitializeModuleState(library);
  std::wstring text;
  HRESULT hr = ReadTextFile(args[0].c_str(), text);
  if (FAILED(hr)) {
    Err(L"cannot read " + args[0] + L": " + Describe(hr) + L" (" + Hex(static_cast<unsigned long>(hr)) + L")\n");
    return 1;
  }
  PublisherHeader header;
  hr = ReadPublisherHeaderText(text, header);
  PublisherData data;
  data.publisher.id = header.id;
  data.publisher.name = header.name;
  data.publisher.homePage = header.homePage;
  data.publisher.dataSource = header.dataSource;

  WindowsPublisherEnvironment env(Module().version);
  NoOtherPublishers publishers;
  std::uint32_t line = 0;
  if (SUCCEEDED(hr)) hr = LoadPublisherData(text.c_str(), &data, &publishers, nullptr, &line, 0, env);
  Out(L"File: " + args[0] + L"\nLibrary version: " + env.ModuleVersion() + L"\n");
  if (FAILED(hr)) {
    Out(L"Error loading publisher data: " + Describe(hr) + L" (" + Hex(static_cast<unsigned long>(hr)) + L")" +
        (line ? L" at line " + std::to_wstring(line) : L"") + L"\n");
    if (!publishers.required.empty()) Out(L"The file requires library version " + publishers.required + L"\n");
    return 1;
  }
  if (hr == S_FALSE) Out(L"The publisher has moved to " + data.publisher.dataSource + L"\n");
  Out(L"Publisher: " + data.publisher.name + L" (" + data.publisher.id + L")\n  home page " +
      data.publisher.homePage + L"\n  data source " + data.publisher.dataSource + L"\n");

  for (const Item& item : data.items) {
    const DisplayVersionStyle* style = data.FindDisplayStyle(item.displayStyleId);
    VersionParts parts{};
    const std::wstring latest = item.latestVersion.empty() ? L"none"
                                : ParseVersion(item.latestVersion, &parts)
                                    ? FormatVersionForDisplay(style, parts)
                                    : item.latestVersion;
    Out(L"Item " + item.id + L": \"" + item.title + L"\" (" + (WordOf(kItemTypes, item.type) ? WordOf(kItemTypes, item.type) : L"?") +
        L")\n  installed " + (item.installedVersion ? *item.installedVersion : L"no") + L", latest " + latest +
        (item.latestDate ? L", released " + FormatDate(item.latestDate).substr(0, 10) : L"") + Size(item.size) +
        ((item.flags & kItemGrouped) ? L", in a group" : L"") + L"\n");
    for (const std::wstring& id : item.actionIds) {
      const Action* action = data.FindAction(id);
      if (!action) continue;
      Out(L"  action " + action->id + L": " + WordOf(kActionTypes, action->type) + L" [" +
          Words(kSubtypes, EffectiveSubtype(&data, *action, &item, env)) + L"]" +
          (action->version.empty() ? L"" : L" version " + action->version) +
          (action->flags ? L" flags " + Words(kActionFlags, action->flags) : L"") +
          ((action->flags & kActionUnavailable) ? L" (unavailable: its target folder is missing)" : L"") +
          (action->urls.empty() ? L"" : L" " + action->urls.front()) + L"\n");
    }
    if (const Action* update = BestAction(data, item, kRequestUpdate, false, true, env))
      Out(L"  update on offer: " + update->id + L" " + update->version + L"\n");
  }
  for (const Group& group : data.groups)
    Out(L"Group " + group.id + L": \"" + group.title + L"\", " + std::to_wstring(group.itemIds.size()) + L" items\n");
  Out(std::to_wstring(data.items.size()) + L" items, " + std::to_wstring(data.actions.size()) + L" actions, " +
      std::to_wstring(data.messages.size()) + L" messages\n");
  return 0;
}

}  // namespace wxcli
