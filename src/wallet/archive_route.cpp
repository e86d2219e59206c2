#include "wallet/archive_route.h"


#include "frame/product_folder.h"
#include "platform/shell_open.h"
#include "platform/message_wait.h"
#include "platform/unique_handle.h"
#include "publisher/installed_version.h"
#include "publisher/conditions.h"
#include "setup/archive_switches.h"
#include "wallet/archive_install.h"
#include "wallet/entry_source.h"

namespace wendrix {
namespace {

constexpr HRESULT kNoTarget = HResultFromWin32(ERROR_PATH_NOT_FOUND);

// The folder the index-th file unpacks into; empty when it has none.
std::wstring TargetOf(const WalletEntry& entry, std::uint32_t index, const PublisherEnvironment& env) {
  const Action& action = *entry.EntryAction();
  const std::wstring& id = action.resources.empty() ? action.targetId
                           : index < action.resources.size() ? action.resources[index].pathId
                                                             : std::wstring();
  if (id.empty()) return {};
  std::optional<std::wstring> path = ResolvePathById(entry.data, id, env);
  if (!path) return {};
  while (!path->empty() && (path->back() == L'\\' || path->back() == L'/')) path->pop_back();
  return *path;
}

HRESULT ArchivesOf(const WalletEntry& entry, const std::vector<std::wstring>& files, const PublisherEnvironment& env,
                   std::vector<ArchiveToInstall>& archives) {
  for (std::uint32_t i = 0; i < files.size(); ++i) {
    std::wstring target = TargetOf(entry, i, env);
    if (target.empty()) return kNoTarget;
    archives.push_back({files[i], std::move(target), EntryFileHost(entry, i)});
  }
  return archives.empty() ? kNoTarget : S_OK;
}

// Runs the elevated installer program with the switches and waits for it.
HRESULT RunElevated(const ArchiveSwitches& switches, HWND parent) {
  std::wstring program;
  RETURN_IF_FAILED(GetProductPath(kInfoElevatedInstaller, program));
  const std::optional<std::wstring> line = FormatArchiveSwitches(switches);
  if (!line) return E_INVALIDARG;  // an entry ID that would not read back as one word
  UniqueKernelObject process;
  if (FAILED(StartProgram(program, *line, L"", parent, process)) || !process) return E_FAIL;
  const HANDLE waits[] = {process.Get()};
  if (WaitDispatchingMessages(waits) != WAIT_OBJECT_0) return LastErrorResult();
  DWORD code = 0;
  RETURN_LAST_ERROR_IF(!GetExitCodeProcess(process.Get(), &code));
  return static_cast<HRESULT>(code);
}

}  // namespace

HRESULT RunArchiveRoute(const WalletEntry& entry, const std::vector<std::wstring>& files, HWND parent,
                        const PublisherEnvironment& env) {
  const Item& item = *entry.EntryItem();
  const Action& action = *entry.EntryAction();
  std::vector<ArchiveToInstall> archives;
  RETURN_IF_FAILED(ArchivesOf(entry, files, env, archives));
  const std::wstring title = item.title.empty() ? item.id : item.title;

  if (action.privileges != kPrivilegesAdministrator) {
    ArchiveInstallation installation{std::move(archives), entry.Id(), title,
                                     entry.wallet.flags, parent};
    return InstallArchives(installation);
  }
  ArchiveSwitches switches;
  switches.archives = std::move(archives);
  switches.parentWindow = reinterpret_cast<std::uintptr_t>(parent);
  switches.entryId = entry.Id();
  switches.publisherName = entry.data.publisher.name;
  switches.itemTitle = title;
  switches.walletFlags = entry.wallet.flags;
  if (entry.wallet.flags & kWalletExclusivePublisher) {
    if (const std::wstring* name = TextForUserLanguage(entry.data.publisher.applicationNames, env)) {
      switches.applicationName = *name;
      switches.applicationIcon = entry.data.publisher.applicationIcon;
    }
  }
  return RunElevated(switches, parent);
}

}  // namespace wendrix
