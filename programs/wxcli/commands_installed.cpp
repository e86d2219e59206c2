// installed: which version of each item of a publisher data file this
// machine has, as the item's InstalledVersion definition finds it, with what
// each of the definition's probes finds on its own. The file is loaded as
// when its publisher registers it, with every item kept whatever its
// conditions say.
#include <windows.h>

#include <string>

#include "console.h"
#include "frame/messages.h"
#include "publisher_file.h"
#include "frame/module_state.h"
#include "publisher/loader.h"
#include "publisher/vocabulary.h"
#include "publisher/windows_environment.h"

using namespace wendrix;

namespace wxcli {
namespace {

std::wstring Found(const std::optional<std::wstring>& version) {
  if (!version) return L"nothing";
  return version->empty() ? L"an empty answer" : *version;
}

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

// Each probe of the definition on its own, through the same detection.
void ShowProbes(const InstalledVersionDefinition& definition, const WindowsPublisherEnvironment& env,
                const PublisherList& publishers) {
  for (const ApplicationProbe& probe : definition.applications) {
    InstalledVersionDefinition single;
    single.applications.push_back(probe);
    std::wstring text = L"    Application " + Quoted(probe.location) + L", " + Quoted(probe.name);
    if (!probe.iniSection.empty() || !probe.iniKey.empty())
      text += L", " + Quoted(probe.iniSection) + L", " + Quoted(probe.iniKey);
    Out(text + L": " + Found(env.DetermineInstalledVersion(single, &publishers)) + L"\n");
  }
  for (const std::wstring& system : definition.systems) {
    InstalledVersionDefinition single;
    single.systems.push_back(system);
    Out(L"    System " + Quoted(system) + L": " + Found(env.DetermineInstalledVersion(single, &publishers)) + L"\n");
  }
  if (!definition.publisher.empty())
    Out(L"    Publisher " + Quoted(definition.publisher) + L": not registered on this machine\n");
}

}  // namespace

int CommandInstalled(Args args) {
  if (args.size() != 1) {
    Err(L"usage: wxcli installed FILE\n");
    return 2;
  }
  InitializeLibraryState();
  const WindowsPublisherEnvironment env(Module().version);
  LoadedFile file;
  LoadAsRegistered(args[0], kLoadNoConditions, env, file);
  if (FAILED(file.result)) {
    Err(L"cannot load " + args[0] + L": " + ErrorText(file.result) + L" (" +
        Hex(static_cast<unsigned long>(file.result)) + L")" +
        (file.line ? L" at line " + std::to_wstring(file.line) : L"") + L"\n");
    return 1;
  }
  const PublisherData& data = file.data;
  const PublisherList& publishers = file.publishers;
  Out(L"Publisher: " + data.publisher.name + L" (" + data.publisher.id + L")\n");
  for (const Item& item : data.items) {
    const wchar_t* type = WordOf(kItemTypes, item.type);
    Out(L"Item " + item.id + L" (" + (type ? type : L"?") + L"): ");
    if (item.type == kItemSelf) {
      Out(L"the library itself, " + env.ModuleVersion() + L"\n");
      continue;
    }
    const InstalledVersionDefinition* definition = data.FindInstalledVersion(item.installedVersionId);
    if (definition == nullptr) {
      Out(item.installedVersionId.empty() ? L"no InstalledVersion\n"
                                          : L"InstalledVersion " + item.installedVersionId + L" does not exist\n");
      continue;
    }
    Out((item.installedVersion ? L"installed, version " + Found(item.installedVersion) : L"not installed") +
        L" (InstalledVersion " + definition->id + L")\n");
    ShowProbes(*definition, env, publishers);
  }
  return 0;
}

}  // namespace wxcli
