#include "install/product_files.h"

#include <windows.h>

#include <cstring>
#include <cwchar>
#include <iterator>
#include <optional>
#include <vector>

#include "install/replacement_rule.h"
#include "platform/file_facts.h"
#include "platform/file_version.h"
#include "platform/unique_handle.h"
#include "setup/file_in_use.h"
#include "setup/journal.h"
#include "setup/product_stop.h"

namespace wendrix {
namespace {

constexpr ProductFile kFiles[] = {
    {L"wendrix.exe", 45, Carried::kAlways},
    {L"wendrix.dll", 46, Carried::kWhen32BitLibrary},
    {L"wendrix.cpl", 47, Carried::kIfPresent},
    {L"wendrixc.dll", 48, Carried::kIfPresent},
    {L"wendrixw.ocx", 144, Carried::kIfPresent},
    {L"wendrixu.exe", 49, Carried::kAlways},
    {L"unzip32-license.txt", 50, Carried::kIfPresent},
    {L"wendrixl.exe", 51, Carried::kAlways},
    {L"unicows.dll", 148, Carried::kIfPresent},
    {L"wxsetup.exe", 160, Carried::kAlways},
};

constexpr ProductFile kFiles64[] = {
    {L"wendrix64.dll", 131, Carried::kWhen64BitLibrary},
    {L"wendrix64.cpl", 132, Carried::kIfPresent},
    {L"wendrixc64.dll", 133, Carried::kIfPresent},
    {L"wendrixw64.ocx", 143, Carried::kIfPresent},
};

// The elevated installer program is compared by its fixed version, as are
// files built by the setup-launcher tools, whose version texts are free-form.
constexpr wchar_t kSetupLauncherDescription[] = L"Setup Launcher";

std::vector<BYTE> VersionBlock(const std::wstring& path) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  std::vector<BYTE> block(size);
  if (size == 0 || !GetFileVersionInfoW(path.c_str(), 0, size, block.data())) block.clear();
  return block;
}

// A text of the first translation of the version resource; empty when none.
std::wstring VersionText(std::vector<BYTE>& block, const wchar_t* key) {
  if (block.empty()) return {};
  WORD* translation = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length) ||
      length < 2 * sizeof(WORD))
    return {};
  wchar_t query[64];
  std::swprintf(query, std::size(query), L"\\StringFileInfo\\%04x%04x\\%ls", translation[0], translation[1], key);
  wchar_t* text = nullptr;
  if (!VerQueryValueW(block.data(), query, reinterpret_cast<void**>(&text), &length) || !text) return {};
  return std::wstring(text, wcsnlen(text, length));
}

std::optional<std::wstring> Known(std::wstring text) {
  if (text.empty()) return std::nullopt;
  return text;
}

// Whether two files hold different bytes; a file that cannot be read differs.
bool FilesDiffer(const std::wstring& a, const std::wstring& b) {
  const UniqueFile first(CreateFileW(a.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  const UniqueFile second(CreateFileW(b.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!first || !second) return true;
  std::vector<char> one(65536), two(65536);
  for (;;) {
    DWORD readOne = 0, readTwo = 0;
    if (!ReadFile(first.Get(), one.data(), static_cast<DWORD>(one.size()), &readOne, nullptr) ||
        !ReadFile(second.Get(), two.data(), static_cast<DWORD>(two.size()), &readTwo, nullptr))
      return true;
    if (readOne != readTwo || std::memcmp(one.data(), two.data(), readOne) != 0) return true;
    if (readOne == 0) return false;
  }
}

// A name beside `target` that nothing uses yet: "~wxXXXXXXXX.tmp".
std::wstring FreeNameBeside(const std::wstring& target) {
  const std::wstring folder = target.substr(0, target.find_last_of(L'\\') + 1);
  DWORD seed = GetTickCount() ^ (GetCurrentProcessId() << 16);
  for (int attempt = 0; attempt < 1000; ++attempt, seed = seed * 1664525u + 1013904223u) {
    wchar_t name[32];
    std::swprintf(name, std::size(name), L"~wx%08X.tmp", static_cast<unsigned>(seed));
    const std::wstring path = folder + name;
    if (!SomethingAt(path)) return path;
  }
  return {};
}

// The target could not be replaced because it is in use: the new file goes
// beside it now and takes its place when the system next starts.
HRESULT ReplaceAtNextRestart(const std::wstring& source, const std::wstring& target, ProductCopy& copy,
                             HRESULT copyError) {
  const std::wstring beside = FreeNameBeside(target);
  if (beside.empty() || beside.size() >= MAX_PATH) return copyError;
  if (copy.journal) RETURN_IF_FAILED(copy.journal->NoteFileToWrite(beside));
  if (!CopyFileW(source.c_str(), beside.c_str(), TRUE)) return copyError;
  if (copy.journal) RETURN_IF_FAILED(copy.journal->NotePendingRenames());
  if (!ReplaceAtRestart(beside.c_str(), target.c_str())) {
    DeleteFileW(beside.c_str());
    return copyError;
  }
  copy.restartNeeded = true;
  return S_OK;
}

}  // namespace

bool HeldByAnotherProcess(const std::wstring& path) {
  const UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
  return !file && GetLastError() == ERROR_SHARING_VIOLATION;
}

std::span<const ProductFile> ProductFiles() noexcept { return kFiles; }
std::span<const ProductFile> ProductFiles64() noexcept { return kFiles64; }

bool MustCarry(const ProductFile& file, bool library64) noexcept {
  switch (file.carried) {
    case Carried::kAlways: return true;
    case Carried::kWhen32BitLibrary: return !library64;
    case Carried::kWhen64BitLibrary: return library64;
    case Carried::kIfPresent: return false;
  }
  return false;
}

std::wstring ProductFileVersion(const std::wstring& path, const wchar_t* name) {
  std::vector<BYTE> block = VersionBlock(path);
  const std::wstring description = VersionText(block, L"FileDescription");
  const bool fixed = _wcsicmp(name, L"wendrixu.exe") == 0 ||
                     description.compare(0, std::size(kSetupLauncherDescription) - 1, kSetupLauncherDescription) == 0;
  if (!fixed) return VersionText(block, L"FileVersion");
  const std::optional<VersionParts> parts = ReadFileVersion(path.c_str());
  return parts ? FormatVersion(*parts) : std::wstring();
}

HRESULT CopyProductFile(const ProductFile& file, const std::wstring& targetFolder, ProductCopy& copy) {
  const std::wstring source = copy.sourceFolder + L"\\" + file.name;
  const std::wstring target = targetFolder + L"\\" + file.name;
  if (source.size() >= MAX_PATH || target.size() >= MAX_PATH) return kBufferTooSmall;
  const DWORD attributes = GetFileAttributesW(source.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return MustCarry(file, copy.library64) ? HResultFromWin32(ERROR_FILE_NOT_FOUND) : S_OK;
  copy.bytes += FileSizeOrZero(source);

  if (_wcsicmp(source.c_str(), target.c_str()) == 0) return S_OK;
  if (SomethingAt(target)) {
    const bool replace = ShouldReplace(Known(ProductFileVersion(target, file.name)),
                                       Known(ProductFileVersion(source, file.name)), copy.force,
                                       [&] { return FilesDiffer(source, target); });
    if (!replace) return S_OK;
    // A running program of the product holds its files; one that does not
    // stop leaves its file to the restart route below.
    if (copy.stopPrograms) copy.stopPrograms(kStopForRestart);
  }
  // A file that a running program holds cannot even be read for the
  // journal's backup: it is left as it is until the restart.
  if (HeldByAnotherProcess(target))
    return ReplaceAtNextRestart(source, target, copy, HResultFromWin32(ERROR_SHARING_VIOLATION));
  if (copy.journal) RETURN_IF_FAILED(copy.journal->NoteFileToWrite(target));
  const DWORD targetAttributes = GetFileAttributesW(target.c_str());
  if (targetAttributes != INVALID_FILE_ATTRIBUTES &&
      (targetAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN)))
    SetFileAttributesW(target.c_str(), targetAttributes & ~(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  if (CopyFileW(source.c_str(), target.c_str(), FALSE)) return S_OK;
  const HRESULT copyError = LastErrorResult();
  return ReplaceAtNextRestart(source, target, copy, copyError);
}

}  // namespace wendrix
