#include <windows.h>

#include "archive/zip_archive.h"

#include <clocale>
#include <cstring>
#include <mutex>
#include <string>

// UnZip's interface: the DCL options, the USERFUNCTIONS callbacks and
// Wiz_SingleEntryUnzip, as its windll/ declares them.
#include <windll/structs.h>
#include <windll/decs.h>

#include "archive/zip_result.h"
#include "platform/path_containment.h"

namespace wendrix {
namespace {

constexpr HRESULT kNoAnsiForm = HResultFromWin32(1113);  // ERROR_NO_UNICODE_TRANSLATION

// UnZip's names and paths are in the ANSI code page, as its file calls are.
bool ToAnsi(std::wstring_view text, std::string& ansi) {
  ansi.clear();
  if (text.empty()) return true;
  BOOL lossy = FALSE;
  const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, &lossy);
  if (length <= 0 || lossy) return false;
  ansi.resize(static_cast<std::size_t>(length));
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()), ansi.data(), length,
                      nullptr, nullptr);
  return true;
}

std::wstring FromAnsi(const char* text) {
  std::wstring wide;
  if (text == nullptr || *text == '\0') return wide;
  const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (length <= 1) return wide;
  wide.resize(static_cast<std::size_t>(length));
  MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), length);
  wide.resize(static_cast<std::size_t>(length - 1));
  return wide;
}

std::wstring WithBackslashes(std::wstring path) {
  for (wchar_t& c : path)
    if (c == L'/') c = L'\\';
  return path;
}

// One call of the library in progress: what the plain callbacks need, found
// through the single pointer below while the lock is held.
struct ZipSession {
  std::wstring target;                               // full path of the target folder
  const ZipExtractCallbacks* callbacks = nullptr;    // extraction only
  std::vector<ZipMember>* members = nullptr;         // listing only
  ZipOutcome outcome;
  HRESULT callbackFailure = S_OK;                    // a refused rename, a callback that threw

  bool CancelRequested() const noexcept {
    return callbacks != nullptr && callbacks->cancel != nullptr && callbacks->cancel->load();
  }
};

std::mutex g_unzipLock;
ZipSession* g_session = nullptr;

// Holds the lock for one call, names its session and puts back what UnZip
// changes for the process (the C locale's character type).
class ActiveSession {
 public:
  explicit ActiveSession(ZipSession& session) : m_lock(g_unzipLock) {
    if (const char* locale = std::setlocale(LC_CTYPE, nullptr)) m_locale = locale;
    g_session = &session;
  }
  ActiveSession(const ActiveSession&) = delete;
  ActiveSession& operator=(const ActiveSession&) = delete;
  ~ActiveSession() {
    g_session = nullptr;
    if (!m_locale.empty()) std::setlocale(LC_CTYPE, m_locale.c_str());
  }

 private:
  std::lock_guard<std::mutex> m_lock;
  std::string m_locale;
};

// The callbacks are called from C: nothing may be thrown through them.
int WINAPI OnPrint(LPSTR text, unsigned long size) {
  static constexpr char kDirectoryError[] = "checkdir error:";
  if (g_session != nullptr && text != nullptr && size >= sizeof kDirectoryError - 1 &&
      std::strncmp(text, kDirectoryError, sizeof kDirectoryError - 1) == 0)
    g_session->outcome.directoryError = true;
  return static_cast<int>(size);
}

int WINAPI OnReplace(LPSTR name, unsigned size) {
  ZipSession& session = *g_session;
  if (session.CancelRequested()) {
    session.outcome.cancelled = true;
    return IDM_REPLACE_NONE;
  }
  if (session.callbacks == nullptr || !session.callbacks->replace) return IDM_REPLACE_NO;
  try {
    std::wstring newPath;
    switch (session.callbacks->replace(WithBackslashes(FromAnsi(name)), newPath)) {
      case ZipReplace::kYes: return IDM_REPLACE_YES;
      case ZipReplace::kNo: return IDM_REPLACE_NO;
      case ZipReplace::kYesToAll: return IDM_REPLACE_ALL;
      case ZipReplace::kNoToAll: return IDM_REPLACE_NONE;
      case ZipReplace::kCancel:
        session.outcome.cancelled = true;
        return IDM_REPLACE_NONE;
      case ZipReplace::kRename: break;
    }
    // UnZip takes a new name as it stands, so it is held to the target here.
    std::wstring resolved;
    std::string ansi;
    HRESULT hr = ResolveInsideFolder(session.target, newPath, resolved);
    if (SUCCEEDED(hr) && !ToAnsi(resolved, ansi)) hr = kNoAnsiForm;
    if (SUCCEEDED(hr) && ansi.size() >= size) hr = HResultFromWin32(ERROR_BUFFER_OVERFLOW);
    if (FAILED(hr)) {
      session.callbackFailure = hr;
      return IDM_REPLACE_NO;
    }
    std::memcpy(name, ansi.c_str(), ansi.size() + 1);
    return IDM_REPLACE_RENAME;
  } catch (...) {
    session.callbackFailure = E_OUTOFMEMORY;
    session.outcome.cancelled = true;
    return IDM_REPLACE_NONE;
  }
}

int WINAPI OnPassword(LPSTR buffer, int size, LPCSTR prompt, LPCSTR member) {
  ZipSession& session = *g_session;
  if (session.callbacks == nullptr || !session.callbacks->password) return IZ_PW_CANCELALL;
  try {
    // UnZip asks once, then twice more with this prompt after a wrong one.
    const bool retry = prompt != nullptr && std::strncmp(prompt, "Password incorrect", 18) == 0;
    std::wstring password;
    std::string ansi;
    if (!session.callbacks->password(WithBackslashes(FromAnsi(member)), retry, password) ||
        !ToAnsi(password, ansi) || ansi.size() >= static_cast<std::size_t>(size)) {
      session.outcome.passwordCancelled = true;
      return IZ_PW_CANCELALL;
    }
    std::memcpy(buffer, ansi.c_str(), ansi.size() + 1);
    SecureZeroMemory(ansi.data(), ansi.size());
    SecureZeroMemory(password.data(), password.size() * sizeof(wchar_t));
    return IZ_PW_ENTERED;
  } catch (...) {
    session.callbackFailure = E_OUTOFMEMORY;
    session.outcome.passwordCancelled = true;
    return IZ_PW_CANCELALL;
  }
}

void WINAPI OnListed(z_uint8 size, z_uint8 packedSize, unsigned ratio, unsigned month, unsigned day, unsigned year,
                     unsigned hour, unsigned minute, char caseFlag, LPCSTR name, LPCSTR method, unsigned long crc,
                     char encrypted) {
  ZipSession& session = *g_session;
  if (session.members == nullptr) return;
  try {
    session.members->push_back(ZipMember{FromAnsi(name), size, encrypted == 'E'});
  } catch (...) {
    session.callbackFailure = E_OUTOFMEMORY;
  }
}

// After each member: UnZip's only place to stop (nonzero; it answers 80).
// A cancel asked for meanwhile (by the replace question, the flag, or the
// progress callback itself) stops here, before the next member.
int WINAPI OnMemberDone(LPCSTR path, z_uint8 size) {
  ZipSession& session = *g_session;
  if (!session.outcome.cancelled && session.callbacks != nullptr && session.callbacks->memberDone) {
    try {
      if (!session.callbacks->memberDone(WithBackslashes(FromAnsi(path)), size)) session.outcome.cancelled = true;
    } catch (...) {
      session.callbackFailure = E_OUTOFMEMORY;
      session.outcome.cancelled = true;
    }
  }
  if (session.CancelRequested()) session.outcome.cancelled = true;
  return session.outcome.cancelled ? 1 : 0;
}

// One Wiz_SingleEntryUnzip call over the whole archive: a listing when
// `listing`, else an extraction into `session.target`.
HRESULT RunUnzip(ZipSession& session, std::wstring_view archive, bool listing) {
  std::string archiveAnsi, targetAnsi;
  if (!ToAnsi(archive, archiveAnsi) || !ToAnsi(session.target, targetAnsi)) return kNoAnsiForm;

  DCL options{};
  options.StructVersID = UZ_DCL_STRUCTVER;
  options.ExtractOnlyNewer = 0;
  options.SpaceToUnderscore = 0;
  options.PromptToOverwrite = 1;
  options.fQuiet = 0;
  options.ncflag = 0;
  options.ntflag = 0;
  options.nvflag = listing ? 1 : 0;
  options.nfflag = 0;
  options.nzflag = 0;
  options.ndflag = 1;  // keep the folders, UnZip's "safe" form: no "../"
  options.noflag = 0;
  options.naflag = 0;
  options.nZIflag = 0;
  options.B_flag = 0;
  options.C_flag = 1;
  options.D_flag = 0;
  options.U_flag = 0;
  options.fPrivilege = 0;
  options.lpszZipFN = archiveAnsi.data();
  options.lpszExtractDir = targetAnsi.data();

  USERFUNCTIONS functions{};
  functions.print = OnPrint;
  functions.sound = nullptr;
  functions.replace = OnReplace;
  functions.password = OnPassword;
  functions.SendApplicationMessage = OnListed;
  functions.ServCallBk = OnMemberDone;

  ActiveSession active(session);
  SetLastError(ERROR_SUCCESS);
  session.outcome.code = Wiz_SingleEntryUnzip(0, nullptr, 0, nullptr, &options, &functions);
  session.outcome.lastError = LastErrorResult();
  const HRESULT result = ZipOutcomeResult(session.outcome);
  if (FAILED(result)) return result;
  return session.callbackFailure;
}

// The target's full path, without a trailing separator.
HRESULT FullFolderPath(std::wstring_view folder, std::wstring& full) {
  if (folder.empty()) return E_INVALIDARG;
  const std::wstring input(folder);
  const DWORD length = GetFullPathNameW(input.c_str(), 0, nullptr, nullptr);
  RETURN_LAST_ERROR_IF(length == 0);
  full.resize(length);
  const DWORD written = GetFullPathNameW(input.c_str(), length, full.data(), nullptr);
  RETURN_LAST_ERROR_IF(written == 0 || written >= length);
  full.resize(written);
  while (full.size() > 3 && (full.back() == L'\\' || full.back() == L'/')) full.pop_back();
  return S_OK;
}

// A member name as a path below the target: "/" becomes "\", a folder's
// trailing separator goes, and what is left must resolve inside.
HRESULT CheckMemberName(const std::wstring& target, const std::wstring& name) {
  std::wstring path = WithBackslashes(name);
  while (!path.empty() && path.back() == L'\\') path.pop_back();
  if (path.empty() || !IsPlainRelativePath(path)) return kPathNotInsideFolder;
  std::wstring resolved;
  return ResolveInsideFolder(target, path, resolved);
}

}  // namespace

HRESULT ListZipMembers(std::wstring_view archive, std::wstring_view targetFolder, std::vector<ZipMember>& members) {
  if (archive.empty()) return E_INVALIDARG;
  ZipSession session;
  RETURN_IF_FAILED(FullFolderPath(targetFolder, session.target));
  std::vector<ZipMember> listed;
  session.members = &listed;
  RETURN_IF_FAILED(RunUnzip(session, archive, true));
  for (const ZipMember& member : listed) RETURN_IF_FAILED(CheckMemberName(session.target, member.name));
  members = std::move(listed);
  return S_OK;
}

HRESULT ExtractZip(std::wstring_view archive, std::wstring_view targetFolder, const ZipExtractCallbacks& callbacks) {
  if (callbacks.cancel != nullptr && callbacks.cancel->load()) return E_ABORT;
  std::vector<ZipMember> members;
  RETURN_IF_FAILED(ListZipMembers(archive, targetFolder, members));
  ZipSession session;
  RETURN_IF_FAILED(FullFolderPath(targetFolder, session.target));
  session.callbacks = &callbacks;
  return RunUnzip(session, archive, false);
}

}  // namespace wendrix
