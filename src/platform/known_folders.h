#pragma once
// The shell's special folders (CSIDL values), asked once per operation.
//
// Asking the shell costs about a tenth of a millisecond, and a check asks
// for the store's folders several times per publisher. While a
// KnownFolderScope lives on a thread, each folder is asked for once and the
// answer reused: one operation sees one set of folders, and the next one
// sees any change the user made in between.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/registry_watch.h"

namespace wendrix {

// The folder's path (SHGetFolderPathW with SHGFP_TYPE_CURRENT; CSIDL_FLAG_CREATE
// may be given); false when the shell has none.
bool KnownFolderPath(int csidl, std::wstring& path);

struct KnownFolderAnswer {
  int csidl;
  bool found;
  std::wstring path;
};

// The shell's answers kept across operations, for a caller that keeps what
// it built from them: they stand while the shell's folder settings in the
// registry, which any process may change, have not changed since Watch.
class KnownFolderAnswers {
 public:
  // Call before the first answer is asked; false when the settings cannot be
  // watched, and then nothing may be kept.
  bool Watch();
  bool Current() const noexcept { return !m_settings.Changed(); }

 private:
  friend class KnownFolderScope;
  std::vector<KnownFolderAnswer> m_answers;
  RegistryWatch m_settings;
};

class KnownFolderScope {
 public:
  KnownFolderScope() noexcept;
  // An operation that uses and keeps the answers in `kept` for its length,
  // whatever scope encloses it (the enclosing one's answers come back at its
  // end): the kept answers stand while their watch says so.
  explicit KnownFolderScope(KnownFolderAnswers& kept) noexcept;
  KnownFolderScope(const KnownFolderScope&) = delete;
  KnownFolderScope& operator=(const KnownFolderScope&) = delete;
  ~KnownFolderScope();

 private:
  std::vector<KnownFolderAnswer>* m_enclosing;  // the answers to restore
  std::vector<KnownFolderAnswer>* m_owned;      // made by this scope, or null
};

}  // namespace wendrix
