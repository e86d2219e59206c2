// inspect: what the library makes of a publisher data file. The file's own
// Publisher section stands in for the registration, as when a publisher is
// registered from this file; then the loader reads it with this machine's
// facts and every item is shown with what it offers.
#include <windows.h>

#include <string>

#include "console.h"
#include "frame/messages.h"
#include "publisher_file.h"
#include "core/date.h"
#include "frame/module_state.h"
#include "publisher/loader.h"
#include "publisher/windows_environment.h"

using namespace wendrix;

namespace wxcli {
namespace {

std::wstring Words(const Vocabulary& vocabulary, std::uint32_t bits) {
  std::wstring out;
  for (const VocabularyWord& w : vocabulary.words) {
    if (w.value && (bits & w.value) == w.value) out += (out.empty() ? L"" : L", ") + std::wstring(w.word);
  }
  return out.empty() ? L"-" : out;
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
  InitializeLibraryState();
  const WindowsPublisherEnvironment env(Module().version);
  LoadedFile file;
  LoadAsRegistered(args[0], 0, env, file);
  const PublisherData& data = file.data;
  const HRESULT hr = file.result;
  if (file.unreadable) {
    Err(L"cannot read " + args[0] + L": " + ErrorText(hr) + L" (" + Hex(static_cast<unsigned long>(hr)) + L")\n");
    return 1;
  }
  Out(L"File: " + args[0] + L"\nLibrary version: " + env.ModuleVersion() + L"\n");
  if (FAILED(hr)) {
    Out(L"Error loading publisher data: " + ErrorText(hr) + L" (" + Hex(static_cast<unsigned long>(hr)) + L")" +
        (file.line ? L" at line " + std::to_wstring(file.line) : L"") + L"\n");
    if (!file.publishers.requiredVersion.empty())
      Out(L"The file requires library version " + file.publishers.requiredVersion + L"\n");
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
