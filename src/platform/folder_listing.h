#pragma once
// Telling that files are missing from one folder without a look for each.
//
// Under Wine a look for a name that is not there reads the whole folder
// (names match without regard to case on a case-sensitive file system):
// 144 us in a store folder of 600 files, against 7 us for a name that is
// there. A check looks for several usually missing files per publisher
// (the error file, the inactive items, before and after the fetch). While a
// FolderListingScope lives on a thread, the folder's names are read once,
// at the first question, and a name not among them is missing for sure as
// long as the folder keeps the stamp it had before they were read: on a
// volume where the folder's write time follows its names
// (FolderTimeFollowsNames), a file made, renamed or deleted there changes
// it, and a folder changed less than two seconds ago has no stamp
// (file_facts.h). Once the folder has changed, every question goes to the
// file system: a check that writes a file there gains nothing after it.
#include <windows.h>

#include <memory>
#include <string>

namespace wendrix {

class FolderListing;

class FolderListingScope {
 public:
  // Lists `folder` (a full path without a trailing separator) for the
  // operations on this thread; an enclosing scope for the same folder is
  // used instead.
  explicit FolderListingScope(std::wstring folder) noexcept;
  FolderListingScope(const FolderListingScope&) = delete;
  FolderListingScope& operator=(const FolderListingScope&) = delete;
  ~FolderListingScope();

 private:
  FolderListing* m_enclosing;
  std::unique_ptr<FolderListing> m_owned;
};

// True when a listing on this thread tells that nothing is at `path`; false
// when it cannot tell (no listing of the path's folder as spelled there,
// the folder changed, a name not plain ASCII, which only the file system
// may compare), and the caller looks itself.
bool ListedAsMissing(const std::wstring& path) noexcept;

}  // namespace wendrix
