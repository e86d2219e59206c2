#include "platform/ini_file.h"

#include <windows.h>

#include <new>
#include <string>

#include "core/text_encoding.h"
#include "platform/unique_handle.h"

namespace wendrix {
namespace {

HRESULT ReadWholeFile(const wchar_t* path, std::string& bytes) {
  UniqueFile file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  RETURN_LAST_ERROR_IF(!file);
  LARGE_INTEGER size{};
  RETURN_LAST_ERROR_IF(!GetFileSizeEx(file.Get(), &size));
  if (size.QuadPart > 0x7FFFFFFF) return E_OUTOFMEMORY;
  bytes.resize(static_cast<std::size_t>(size.QuadPart));
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD read = 0;
    if (!ReadFile(file.Get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &read, nullptr))
      return LastErrorResult();
    if (read == 0) break;  // the file shrank while we read it
    done += read;
  }
  bytes.resize(done);
  return S_OK;
}

// A new file beside the one it is to replace, under a name of its own, and
// deleted again unless it took the other's place.
//
// Other processes read the store's files at any moment and a writer may die
// half-way: rewriting a file where it stands would leave it cut short, and
// every later open would fail on it. The new content is therefore written
// whole and then moved over the old file in one step, so a reader
// finds the old file or the new one and never part of either.
class ReplacementFile {
 public:
  ReplacementFile() = default;
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;
  ~ReplacementFile() { Discard(); }

  // Creates the file in `target`'s folder, open for writing and shared with
  // nobody. The name is "~wx" + 8 hexadecimal digits + ".tmp"; a name taken
  // by another writer is skipped.
  HRESULT Create(const wchar_t* target) {
    const std::wstring_view path(target);
    const std::size_t slash = path.find_last_of(L"\\/");
    const std::wstring folder(slash == std::wstring_view::npos ? std::wstring_view() : path.substr(0, slash + 1));
    if (folder.size() + kNameLength >= MAX_PATH) return kBufferTooSmall;
    static LONG counter = 0;
    const std::uint32_t process = GetCurrentProcessId() * 0x9E3779B1u;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
      const std::uint32_t unique =
          process ^ (static_cast<std::uint32_t>(InterlockedIncrement(&counter)) * 0x85EBCA6Bu) ^ GetTickCount();
      m_path = folder + L"~wx";
      for (int shift = 28; shift >= 0; shift -= 4) m_path.push_back(L"0123456789abcdef"[(unique >> shift) & 0xF]);
      m_path += L".tmp";
      m_file.Reset(CreateFileW(m_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
      if (m_file) return S_OK;
      const DWORD error = GetLastError();
      m_path.clear();
      if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return HResultFromWin32(static_cast<long>(error));
    }
    return HResultFromWin32(ERROR_FILE_EXISTS);
  }

  HRESULT Write(std::string_view bytes) {
    // In pieces: one call per gigabyte keeps each length within a DWORD.
    while (!bytes.empty()) {
      const DWORD piece = static_cast<DWORD>(bytes.size() < kPiece ? bytes.size() : kPiece);
      DWORD written = 0;
      RETURN_LAST_ERROR_IF(!WriteFile(m_file.Get(), bytes.data(), piece, &written, nullptr));
      if (written != piece) return HResultFromWin32(ERROR_WRITE_FAULT);
      bytes.remove_prefix(piece);
    }
    // Not flushed: the replacement protects readers from a writer that dies
    // half-way, which the move alone does. A flush per file would make a
    // check of a few hundred publishers seconds slower (several milliseconds
    // for each of its two files per publisher), for the power-loss case only.
    return S_OK;
  }

  // Closes the file and moves it over `target`.
  HRESULT Replace(const wchar_t* target) {
    m_file.Reset();
    RETURN_LAST_ERROR_IF(!MoveFileExW(m_path.c_str(), target, MOVEFILE_REPLACE_EXISTING));
    m_path.clear();
    return S_OK;
  }

 private:
  static constexpr std::size_t kNameLength = 15;  // "~wx" + 8 digits + ".tmp"
  static constexpr int kAttempts = 64;
  static constexpr std::size_t kPiece = 0x40000000;

  void Discard() noexcept {
    m_file.Reset();
    if (m_path.empty()) return;
    const DWORD lastError = GetLastError();
    DeleteFileW(m_path.c_str());
    SetLastError(lastError);
    m_path.clear();
  }

  UniqueFile m_file;
  std::wstring m_path;
};

}  // namespace

HRESULT LoadIniFile(const wchar_t* path, CIniDataBuffer& target, IniSchema schema, std::uint32_t* errorLine) {
  if (errorLine) *errorLine = 0;
  if (!path) return E_INVALIDARG;
  try {
    std::string bytes;
    RETURN_IF_FAILED(ReadWholeFile(path, bytes));
    return LoadIniText(bytes, target, schema, errorLine);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT ReadTextFile(const wchar_t* path, std::wstring& text) {
  if (!path) return E_INVALIDARG;
  try {
    std::string bytes;
    RETURN_IF_FAILED(ReadWholeFile(path, bytes));
    text = DecodeTextFile(bytes, SystemCodePage(kThreadAnsiCodePage));
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT WriteUnicodeTextFile(const wchar_t* path, std::wstring_view text) {
  if (!path) return E_INVALIDARG;
  std::string bytes;
  try {
    bytes = EncodeUtf16LeFile(text);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return WriteWholeFile(path, bytes);
}

HRESULT WriteWholeFile(const wchar_t* path, std::string_view bytes) {
  if (!path) return E_INVALIDARG;
  try {
    ReplacementFile replacement;
    RETURN_IF_FAILED(replacement.Create(path));
    RETURN_IF_FAILED(replacement.Write(bytes));
    return replacement.Replace(path);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace wendrix
