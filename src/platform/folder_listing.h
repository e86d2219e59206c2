#pragma once
// Telling that files are missing from one folder from one reading of its
// names.
//
// A check looks for several usually missing files per publisher (the error
// file, the inactive items, before and after the fetch), each a scan of the
// folder under Wine (missing_files.h). While a FolderListingScope lives on
// a thread, the folder's names are read once, at the first question, and a
// name not among them is missing for sure as long as the folder keeps the
// stamp it had before they were read: on a volume where the folder's write
// time follows its names (FolderTimeFollowsNames), a file made, renamed or
// deleted there changes it, and a folder changed less than two seconds ago
// has no stamp (file_facts.h). Once the folder has changed, every question
// goes to the file system: a check that writes a file there gains nothing
// after it.
#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "platform/missing_files.h"

namespace wendrix {

class FolderListing;

class FolderListingScope {
 public:
  // Lists `folder` (a full path without a trailing separator) for the
  // operations on this thread, which ask KnownMissing; an enclosing listing
  // of the same folder is used instead. It answers only for names in the
  // folder as spelled there that are plain ASCII (only the file system may
  // compare others).
  explicit FolderListingScope(std::wstring folder) noexcept;
  FolderListingScope(const FolderListingScope&) = delete;
  FolderListingScope& operator=(const FolderListingScope&) = delete;
  ~FolderListingScope();

 private:
  FolderListing* m_enclosing;
  std::unique_ptr<FolderListing> m_owned;
  std::optional<MissingFileWitnessScope> m_heard;  // ends before m_owned
};

}  // namespace wendrix
