#pragma once
// Telling that a file is missing without a look for it.
//
// Under Wine a look for a name that is not there reads the whole folder
// (names match without regard to case on a case-sensitive file system):
// 144 us in a store folder of 600 files, against 7 us for a name that is
// there, and most side files looked for are missing. An operation that
// already knows some of them (a check lists the store folder, a query's
// kept store saw which of its files were missing) installs a witness on
// its thread for its length. A witness calls a file missing only when that
// is sure now, typically because the folder still has the stamp it had
// when the file was seen missing (FolderTimeFollowsNames in file_facts.h);
// what no witness can tell is left to the caller's own look.
#include <string>

namespace wendrix {

class MissingFileWitness {
 public:
  // True only when nothing is at `path` for sure; false when it cannot
  // tell.
  virtual bool Missing(const std::wstring& path) noexcept = 0;

 protected:
  ~MissingFileWitness() = default;
};

// Makes `witness` heard on this thread while the scope lives; scopes nest.
class MissingFileWitnessScope {
 public:
  explicit MissingFileWitnessScope(MissingFileWitness& witness) noexcept;
  MissingFileWitnessScope(const MissingFileWitnessScope&) = delete;
  MissingFileWitnessScope& operator=(const MissingFileWitnessScope&) = delete;
  ~MissingFileWitnessScope();

 private:
  friend bool KnownMissing(const std::wstring& path) noexcept;
  MissingFileWitness& m_witness;
  MissingFileWitnessScope* m_enclosing;
};

// True when a witness on this thread tells that nothing is at `path`.
bool KnownMissing(const std::wstring& path) noexcept;

}  // namespace wendrix
