// Registering publishers from the command line, as a product's setup or the
// user would, and listing what is registered.
#include <windows.h>

#include <string>

#include "console.h"
#include "frame/messages.h"
#include "publisher_file.h"
#include "registration/publisher_store.h"
#include "wendrix.h"

namespace wxcli {
namespace {

using namespace wendrix;

std::wstring FullPath(const std::wstring& path) {
  wchar_t full[MAX_PATH];
  const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
  return length > 0 && length < MAX_PATH ? std::wstring(full, length) : path;
}

}  // namespace

int CommandRegister(Args args) {
  std::wstring caller;
  const bool counted = TakeOption(args, L"--caller", caller);
  const bool allUsers = TakeFlag(args, L"--all-users");
  if (args.size() != 1 || (allUsers && !counted)) {
    Err(L"usage: wxcli register FILE [--caller NAME [--all-users]]\n"
        L"  without --caller the publisher is registered for the user, as opening the file would\n");
    return 2;
  }
  const std::wstring file = FullPath(args[0]);
  if (!counted) {
    const HRESULT hr = WendrixLoadFile(file.c_str(), nullptr, WENDRIX_LOAD_REGISTER_NEW);
    if (FAILED(hr)) return Failed(L"register", hr);
    Out(hr == 3 ? L"registered for the user\n" : L"already registered\n");
    return 0;
  }
  UINT32 location = 0;
  const HRESULT hr = WendrixRegisterEx(caller.c_str(), file.c_str(), nullptr, &location, nullptr,
                                       allUsers ? 0 : WENDRIX_REGISTER_CURRENT_USER);
  if (FAILED(hr)) return Failed(L"register", hr, location);
  Out(std::wstring(L"registered for ") + (allUsers ? L"all users" : L"the user") + L" by " + caller + L"\n");
  return 0;
}

int CommandUnregister(Args args) {
  std::wstring caller;
  const bool counted = TakeOption(args, L"--caller", caller);
  UINT32 flags = TakeFlag(args, L"--all-users") ? 0 : WENDRIX_REGISTER_CURRENT_USER;
  if (TakeFlag(args, L"--counts-only")) flags |= WENDRIX_UNREGISTER_COUNTS_ONLY;
  if (TakeFlag(args, L"--drop-own")) flags |= WENDRIX_UNREGISTER_USER_REGISTERED;
  if (TakeFlag(args, L"--missing-ok")) flags |= WENDRIX_UNREGISTER_MISSING_OK;
  if (!args.empty() || (!counted && !(flags & WENDRIX_UNREGISTER_USER_REGISTERED))) {
    Err(L"usage: wxcli unregister [--caller NAME] [--all-users] [--counts-only] [--drop-own] [--missing-ok]\n"
        L"  --drop-own also removes the publishers only the user registered\n");
    return 2;
  }
  UINT32 location = 0;
  const HRESULT hr = WendrixUnregisterEx(counted ? caller.c_str() : nullptr, nullptr, &location, nullptr, flags);
  if (FAILED(hr)) return Failed(L"unregister", hr, location);
  Out(L"unregistered\n");
  return 0;
}

int CommandList(Args args) {
  if (!args.empty()) {
    Err(L"usage: wxcli list\n");
    return 2;
  }
  InitializeLibraryState();
  CPublisherStore store;
  const HRESULT hr = store.Open(true, nullptr);
  if (FAILED(hr)) return Failed(L"list", hr);
  for (const PublisherRecord& r : store.Records()) {
    std::wstring line = r.id + L"\t" + r.name + L"\t" + (r.version.empty() ? L"-" : r.version);
    line += L"\tuser " + std::to_wstring(r.counts[kSlotCurrentUser]);
    if (r.flags & kPublisherUserRegistered) line += L" (own)";
    line += L", all users " + std::to_wstring(r.counts[kSlotAllUsers]);
    line += L"\t" + r.dataSource + L"\n";
    Out(line);
  }
  Out(std::to_wstring(store.Records().size()) + L" publishers registered\n");
  return 0;
}

}  // namespace wxcli
