#include "wallet/installer_run.h"

#include <string>
#include <vector>

#include "core/insert_template.h"
#include "core/string_util.h"
#include "frame/messages.h"
#include "frame/module_state.h"
#include "platform/file_trust.h"
#include "platform/unique_handle.h"
#include "publisher/installed_version.h"
#include "publisher/windows_environment.h"
#include "registration/load_file.h"
#include "resources/string_ids.h"
#include "wallet/action_message.h"
#include "wallet/archive_route.h"
#include "wallet/encoded_file.h"
#include "wallet/entry_confirmation.h"
#include "wallet/entry_naming.h"
#include "wallet/entry_source.h"
#include "wallet/installer_launch.h"
#include "wallet/status_message.h"
#include "wallet/wallet_store.h"

namespace wendrix {
namespace {

constexpr int kOpenAttempts = 20;
constexpr DWORD kOpenRetryMs = 1000;
constexpr wchar_t kDataFileExtension[] = L".wx-cnf";

HWND ResolveParent(HWND parent) {
  if (parent != kParentMainDialog) return parent;
  HWND dialog = DialogWindow();
  if (!dialog) return nullptr;
  HWND main = reinterpret_cast<HWND>(SendMessageW(dialog, WM_APP, 0, 0));
  if (!main) main = dialog;
  SetForegroundWindow(main);
  return main;
}

// Waits out other readers and writers of a downloaded file.
HRESULT OpenForReading(const std::wstring& path) {
  for (int attempt = 1;; ++attempt) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (file) return S_OK;
    const DWORD error = GetLastError();
    if ((error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION) || attempt == kOpenAttempts)
      return HResultFromWin32(static_cast<long>(error));
    Sleep(kOpenRetryMs);
  }
}

// Decodes the Encoded files for the run and encodes them again afterwards,
// whatever the run's result.
class DecodedFiles {
 public:
  HRESULT Decode(const std::vector<std::wstring>& files) {
    for (const std::wstring& file : files) {
      RETURN_IF_FAILED(ToggleFileEncoding(file.c_str()));
      m_decoded.push_back(file);
    }
    return S_OK;
  }
  ~DecodedFiles() {
    for (const std::wstring& file : m_decoded) ToggleFileEncoding(file.c_str());
  }

 private:
  std::vector<std::wstring> m_decoded;
};

HRESULT RegisterDataFiles(const std::vector<std::wstring>& files) {
  for (const std::wstring& file : files) {
    const std::wstring_view name(file);
    if (name.size() < std::size(kDataFileExtension) - 1 ||
        !CStringUtil::EqualsNoCase(name.substr(name.size() - (std::size(kDataFileExtension) - 1)), kDataFileExtension))
      continue;
    const HRESULT hr = LoadFileForUser(file.c_str(), nullptr, kLoadFileNoDialog);
    RETURN_IF_FAILED(hr);
  }
  return S_OK;
}

// The system's trust, or the user's word where the system cannot judge.
bool ConfirmAndVerify(const std::wstring& file, HWND parent, const std::wstring& host) {
  std::wstring folder = file.substr(0, file.find_last_of(L'\\'));
  wchar_t previous[MAX_PATH] = {};
  const DWORD kept = GetCurrentDirectoryW(MAX_PATH, previous);
  SetCurrentDirectoryW(folder.c_str());
  const HRESULT trust = VerifyFileTrust(file.c_str(), true, parent);
  if (kept > 0 && kept < MAX_PATH) SetCurrentDirectoryW(previous);
  if (SUCCEEDED(trust)) return true;
  if (trust != E_NOTIMPL) return false;
  const std::wstring shownHost = host == L"??" ? L"<Unknown URL>" : host;
  const DWORD_PTR inserts[] = {reinterpret_cast<DWORD_PTR>(shownHost.c_str())};
  const LocalText text(FormatMessageText(kStrRunDownloadedExecutable, nullptr, inserts));
  const std::wstring title = MessageString(kStrAppNameTitle);
  return MessageBoxW(parent, text ? text.get() : L"", title.c_str(), MB_OKCANCEL | MB_ICONWARNING) == IDOK;
}

// The action's Parameters with "%1" the target folder and "%2" the entry ID;
// inserts beyond those two read as empty.
std::wstring FormatParameters(const std::wstring& parameters, const std::wstring& target, const std::wstring& id) {
  if (parameters.empty()) return {};
  const std::wstring format = CheckedInsertTemplate(parameters, 2);
  const DWORD_PTR inserts[] = {reinterpret_cast<DWORD_PTR>(target.c_str()), reinterpret_cast<DWORD_PTR>(id.c_str())};
  wchar_t* text = nullptr;
  if (!FormatMessageW(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ARGUMENT_ARRAY | FORMAT_MESSAGE_ALLOCATE_BUFFER,
                      format.c_str(), 0, 0, reinterpret_cast<wchar_t*>(&text), 0,
                      reinterpret_cast<va_list*>(const_cast<DWORD_PTR*>(inserts))))
    return {};
  const LocalText owned(text);
  return text;
}

HRESULT RunOrdinaryInstaller(const WalletEntry& entry, const std::wstring& file, HWND parent,
                             const PublisherEnvironment& env) {
  const Action& action = *entry.EntryAction();
  const bool accepted = ConfirmAndVerify(file, parent, EntryFileHost(entry, 0));
  SignalEntryConfirmation(entry.Id(), accepted);
  if (!accepted) return E_ABORT;
  std::wstring target;
  if (!action.targetId.empty())
    if (const auto resolved = ResolvePathById(entry.data, action.targetId, env)) target = *resolved;
  return RunThroughLauncher(entry.Id(), file, FormatParameters(action.parameters, target, entry.Id()), parent);
}

}  // namespace

HRESULT RunInstaller(WalletEntry& entry, HWND parent) {
  if (entry.Id().empty() || !entry.EntryItem() || !entry.EntryAction()) return E_INVALIDARG;
  const Item& item = *entry.EntryItem();
  const Action& action = *entry.EntryAction();
  const WindowsPublisherEnvironment env(Module().version);
  parent = ResolveParent(parent);
  if (!UserAcceptsActionMessages(entry, parent, env)) return E_ABORT;

  std::vector<std::wstring> files;
  for (std::uint32_t i = 0; i < EntryFileCount(entry); ++i) {
    std::wstring path;
    RETURN_IF_FAILED(WalletEntryFilePath(entry, i, path));
    RETURN_IF_FAILED(OpenForReading(path));
    files.push_back(std::move(path));
  }
  DecodedFiles decoded;
  if (action.flags & kActionEncoded) RETURN_IF_FAILED(decoded.Decode(files));

  if (item.type == kItemPublisher) return RegisterDataFiles(files);
  if (action.flags & kActionArchive) return RunArchiveRoute(entry, files, parent, env);
  return RunOrdinaryInstaller(entry, files.front(), parent, env);
}

}  // namespace wendrix
