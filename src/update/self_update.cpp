#include "update/self_update.h"

#include <string>

#include "frame/messages.h"
#include "frame/product_folder.h"
#include "platform/file_trust.h"
#include "platform/path_containment.h"
#include "platform/sha256_hash.h"
#include "platform/unique_handle.h"
#include "resources/string_ids.h"
#include "setup/launcher.h"
#include "update/client.h"
#include "update/internet.h"
#include "update/settings.h"
#include "update/transfer.h"

namespace wendrix {
namespace {

constexpr std::size_t kUpdateFolderLimit = 244;
constexpr std::uint32_t kRunStarted = 0x1;
constexpr std::uint32_t kLauncherSettleMs = 2000;
// The parameter that has the main program start again after its update.
constexpr wchar_t kRestartParameter[] = L"/f:0x80000000";
constexpr HRESULT kCancelledByUser = HResultFromWin32(ERROR_CANCELLED);

// A new folder "KWX<number>.tmp" in the temporary "Wendrix" folder, numbered
// from the tick count until a name is free.
HRESULT MakeDownloadFolder(std::wstring& folder) {
  wchar_t temp[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
  if (length == 0 || length > MAX_PATH) return E_FAIL;
  std::wstring parent = temp;
  if (parent.back() != L'\\') parent += L'\\';
  parent += L"Wendrix";
  if (parent.size() > kUpdateFolderLimit) return E_FAIL;
  if (!CreateDirectoryW(parent.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return E_FAIL;
  const UINT start = GetTickCount() & 0xFFFF;
  for (UINT attempt = 0; attempt < 0x10000; ++attempt) {
    // Zero asks GetTempFileNameW to make a file of its own choosing.
    const UINT number = ((start + attempt) & 0xFFFF) ? (start + attempt) & 0xFFFF : 1;
    wchar_t name[MAX_PATH];
    if (!GetTempFileNameW(parent.c_str(), L"KWX", number, name)) return E_FAIL;
    if (CreateDirectoryW(name, nullptr)) {
      folder = std::wstring(name) + L"\\";
      return S_OK;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS) return E_FAIL;
  }
  return E_FAIL;
}

// The file name an address ends in, when it is a plain one.
std::wstring LastSegment(const std::wstring& address) {
  const std::size_t slash = address.find_last_of(L"/\\");
  return slash == std::wstring::npos ? address : address.substr(slash + 1);
}

HRESULT CheckSignature(const std::wstring& file) {
  if (SignedByMaker(file.c_str())) return S_OK;
  const HRESULT trust = VerifyFileTrust(file.c_str(), false, nullptr);
  if (trust == E_NOTIMPL) return kTrustLibrariesMissing;
  return FAILED(trust) ? kSignatureNotVerified : S_OK;
}

HRESULT StartUpdateLauncher(const std::wstring& folder, const std::wstring& file, const wchar_t* parameters,
                            bool interactive) {
  std::wstring copy;
  if (FAILED(CopyLauncherInto(folder, copy))) return kUpdateEnvironmentFailed;
  LauncherCommand command;
  command.mode = LauncherCommand::kLauncherWaitForFile | (interactive ? LauncherCommand::kLauncherInteractive : 0);
  command.processId = static_cast<std::int32_t>(GetCurrentProcessId());
  command.settleMs = kLauncherSettleMs;
  command.file = file;
  command.parameters = parameters ? parameters : L"";
  if (interactive) {
    RETURN_IF_FAILED(GetProductPath(kInfoMainProgram, command.afterProgram));
    command.afterParameters = kRestartParameter;
  }
  UniqueKernelObject launcher;
  return StartLauncher(copy, command, nullptr, launcher);
}

// The pin comes first: a file that is not the one published is refused
// before its signature is even looked at.
HRESULT CheckPin(const std::wstring& file, const Sha256Digest* pin) {
  if (!pin) return S_OK;
  Sha256Digest digest{};
  const HRESULT hashed = HashFileSha256(file.c_str(), digest);
  if (SUCCEEDED(hashed) && digest == *pin) return S_OK;
  DeleteFileW(file.c_str());
  return FAILED(hashed) ? hashed : kBadDigest;
}

HRESULT Update(CTransfer& transfer, const std::wstring& address, const wchar_t* rename, const wchar_t* parameters,
               CClient& client, const InternetSettings& settings, bool interactive, const Sha256Digest* pin) {
  std::wstring folder;
  if (FAILED(MakeDownloadFolder(folder))) return E_FAIL;
  const std::wstring name = LastSegment(address);
  // The address comes from fetched text: its name must stay in the folder.
  if (!IsPlainFileName(name)) return E_FAIL;
  std::wstring file = folder + name;
  client.SetRange(0, 0);
  const LocalText downloading(FormatMessageText(kStrDownloadingSelfUpdate, nullptr, {}));
  client.SetText(downloading ? downloading.get() : L"");
  transfer.Bind(&client, &settings);
  const HRESULT fetched = transfer.Fetch(address.c_str(), file.c_str(), kFetchProgress);
  if (settings.hangUp) HangUpAfterRun(settings);
  client.SetCancellable(false);
  RETURN_IF_FAILED(fetched);
  if (rename && *rename) {
    if (!IsPlainFileName(rename)) return E_INVALIDARG;
    const std::wstring renamed = folder + rename;
    RETURN_LAST_ERROR_IF(!MoveFileExW(file.c_str(), renamed.c_str(), MOVEFILE_REPLACE_EXISTING));
    file = renamed;
  }
  RETURN_IF_FAILED(CheckPin(file, pin));
  RETURN_IF_FAILED(CheckSignature(file));
  return StartUpdateLauncher(folder, file, parameters, interactive);
}

void ShowFailure(CClient& client, HRESULT hr) {
  const DWORD_PTR inserts[] = {static_cast<DWORD_PTR>(static_cast<DWORD>(hr))};
  const LocalText text(FormatMessageText(kStrErrorCode, nullptr, inserts));
  const bool own = HRESULT_FACILITY(hr) == FACILITY_ITF;
  const LocalText title(FormatMessageText(own ? kStrAppNameTitle : kStrUpdateErrorTitle, nullptr, {}));
  if (text) MessageBoxW(client.GetWindow(), text.get(), title ? title.get() : L"", MB_OK | MB_ICONERROR);
}

}  // namespace

HRESULT RunUpdate(CTransfer& transfer, const wchar_t* address, const wchar_t* rename, const wchar_t* parameters,
                  CClient* client, const InternetSettings* settings, bool interactive, const Sha256Digest* pin) {
  if (!address || !*address || !client || !settings) return E_INVALIDARG;
  // A rename that names a folder is refused before anything is fetched.
  if (rename && *rename && std::wstring_view(rename).find(L'\\') != std::wstring_view::npos) return E_INVALIDARG;
  std::uint32_t flags = kRunStarted;
  client->Begin(flags);
  HRESULT hr = E_OUTOFMEMORY;
  try {
    hr = Update(transfer, address, rename, parameters, *client, *settings, interactive, pin);
  } catch (const std::bad_alloc&) {
  }
  if (FAILED(hr)) {
    if (interactive && hr != E_ABORT && hr != kCancelledByUser) ShowFailure(*client, hr);
    flags |= kRunFailed;
  }
  client->End(flags);
  return hr;
}

}  // namespace wendrix
