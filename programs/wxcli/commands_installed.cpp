// installed: which version of each item of a publisher data file this
// machine has, as the item's InstalledVersion definition finds it, with what
// each of the definition's probes finds on its own. The file is loaded as
// when its publisher registers it, with every item kept whatever its
// conditions say.
#include <windows.h>

#include <string>

#include "console.h"
#include "core/ini_file.h"
#include "frame/module_state.h"
#include "publisher/loader.h"
#include "publisher/vocabulary.h"
#include "publisher/windows_environment.h"

using namespace wendrix;

namespace wxcli {
namespace {

// No store here: no publisher is registered, so Publisher probes find nothing.
class NoPublishers final : public PublisherList {
 public:
  bool Contains(std::wstring_view) const override { return false; }
  std::optional<std::wstring> PublisherVersion(std::wstring_view) const override { return std::nullopt; }
  void RecordRequiredVersion(std::wstring_view) override {}
};

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
  if (HMODULE library = GetModuleHandleW(sizeof(void*) == 8 ? L"wendrix64.dll" : L"wendrix.dll"))
    InitializeModuleState(library);
  std::wstring text;
  HRESULT hr = ReadTextFile(args[0].c_str(), text);
  if (FAILED(hr)) {
    Err(L"cannot read " + args[0] + L" (" + Hex(static_cast<unsigned long>(hr)) + L")\n");
    return 1;
  }
  PublisherHeader header;
  hr = ReadPublisherHeaderText(text, header);
  PublisherData data;
  data.publisher.id = header.id;
  data.publisher.name = header.name;
  data.publisher.homePage = header.homePage;
  data.publisher.dataSource = header.dataSource;
  const WindowsPublisherEnvironment env(Module().version);
  NoPublishers publishers;
  std::uint32_t line = 0;
  if (SUCCEEDED(hr)) hr = LoadPublisherData(text.c_str(), &data, &publishers, nullptr, &line, kLoadNoConditions, env);
  if (FAILED(hr)) {
    Err(L"cannot load " + args[0] + L" (" + Hex(static_cast<unsigned long>(hr)) + L")" +
        (line ? L" at line " + std::to_wstring(line) : L"") + L"\n");
    return 1;
  }
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
