#pragma once
// The product's files: which ones a setup carries, in which order they are
// copied into the product folders, and the copy of one of them.
#include <cstdint>
#include <span>
#include <string>

#include "core/result.h"
#include "setup/product_programs.h"

namespace wendrix {

class CJournal;

// Whether a setup must carry a file. The build makes the programs and the
// library of its own width; the other files (the control-panel applet, the
// COM libraries, the Unicode layer, the other width's library, the licence
// text) are copied when the setup folder has them and passed over when not.
enum class Carried { kAlways, kWhen32BitLibrary, kWhen64BitLibrary, kIfPresent };

struct ProductFile {
  const wchar_t* name;
  std::uint32_t location;  // the error location when its copy fails
  Carried carried;
};

// The files of the product folder, in copying order, and those of the
// 64-bit product folder.
std::span<const ProductFile> ProductFiles() noexcept;
std::span<const ProductFile> ProductFiles64() noexcept;

// Whether the setup folder must hold `file`, for a library of 64 bits or not.
bool MustCarry(const ProductFile& file, bool library64) noexcept;

// What the copies of one installation share.
struct ProductCopy {
  std::wstring sourceFolder;  // without a trailing backslash
  CJournal* journal = nullptr;
  bool force = false;
  bool library64 = false;
  std::uint64_t bytes = 0;     // the sizes of the files found in the source folder
  bool restartNeeded = false;  // a file waits for the next restart
  // Stops the product's running programs before a file is replaced.
  StopProgramsCall stopPrograms = nullptr;
};

// Copies `file` from the source folder into `targetFolder` when it should
// replace what is there (ShouldReplace; equal paths are never copied),
// the target noted in the journal first. A file that is in use is copied
// beside the target under a temporary name and put in place at the next
// restart (the system's pending renames noted): that sets restartNeeded.
// A missing source is passed over unless MustCarry, then it is the
// file-not-found code.
HRESULT CopyProductFile(const ProductFile& file, const std::wstring& targetFolder, ProductCopy& copy);

// Whether another process holds `path` open so that it cannot even be read.
bool HeldByAnotherProcess(const std::wstring& path);

// The version a product file is compared by: the fixed version for the
// elevated installer program and for files described as "Setup Launcher",
// else the FileVersion text of the first translation. Empty when none.
std::wstring ProductFileVersion(const std::wstring& path, const wchar_t* name);

}  // namespace wendrix
