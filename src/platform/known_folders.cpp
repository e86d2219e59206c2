#include "platform/known_folders.h"

#include <shlobj.h>

#include <new>
#include <utility>
#include <vector>

namespace wendrix {
namespace {

using Answer = KnownFolderAnswer;

// The answers of the thread's current operation; null outside any scope.
thread_local std::vector<Answer>* t_answers = nullptr;

bool AskShell(int csidl, std::wstring& path) {
  wchar_t buffer[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer)) || !*buffer) return false;
  path = buffer;
  return true;
}

}  // namespace

bool KnownFolderPath(int csidl, std::wstring& path) {
  if (!t_answers) return AskShell(csidl, path);
  for (const Answer& answer : *t_answers) {
    if (answer.csidl != csidl) continue;
    if (answer.found) path = answer.path;
    return answer.found;
  }
  std::wstring found;
  const bool ok = AskShell(csidl, found);
  try {
    t_answers->push_back(Answer{csidl, ok, found});
  } catch (const std::bad_alloc&) {
    // Not remembered: the next lookup asks the shell again.
  }
  if (ok) path = std::move(found);
  return ok;
}

bool KnownFolderAnswers::Watch() {
  // Where the shell reads the folders it is asked for: the user's settings,
  // and the machine's in both registry views (a 32-bit process may be
  // answered from either).
  constexpr wchar_t kSettings[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
  return m_settings.Add(HKEY_CURRENT_USER, kSettings, 0) &&
         m_settings.Add(HKEY_LOCAL_MACHINE, kSettings, KEY_WOW64_64KEY) &&
         m_settings.Add(HKEY_LOCAL_MACHINE, kSettings, KEY_WOW64_32KEY);
}

KnownFolderScope::KnownFolderScope() noexcept : m_enclosing(t_answers), m_owned(nullptr) {
  if (!t_answers) t_answers = m_owned = new (std::nothrow) std::vector<Answer>();
}

KnownFolderScope::KnownFolderScope(KnownFolderAnswers& kept) noexcept : m_enclosing(t_answers), m_owned(nullptr) {
  t_answers = &kept.m_answers;
}

KnownFolderScope::~KnownFolderScope() {
  delete m_owned;
  t_answers = m_enclosing;
}

}  // namespace wendrix
