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

namespace wendrix {

// The folder's path (SHGetFolderPathW with SHGFP_TYPE_CURRENT; CSIDL_FLAG_CREATE
// may be given); false when the shell has none.
bool KnownFolderPath(int csidl, std::wstring& path);

class KnownFolderScope {
 public:
  KnownFolderScope() noexcept;
  KnownFolderScope(const KnownFolderScope&) = delete;
  KnownFolderScope& operator=(const KnownFolderScope&) = delete;
  ~KnownFolderScope();

 private:
  bool m_outermost;
};

}  // namespace wendrix
