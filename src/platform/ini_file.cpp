#include "platform/ini_file.h"

#include <windows.h>

#include <new>
#include <string>

#include "core/text_encoding.h"
#include "platform/temporary_file.h"
#include "platform/unique_handle.h"

namespace wendrix {
namespace {

HRESULT ReadWholeFile(const wchar_t* path, std::string& bytes) {
  const HRESULT hr = ReadFileBytes(path, 0x7FFFFFFF, bytes);
  return hr == kInvalidData ? E_OUTOFMEMORY : hr;
}

}  // namespace

HRESULT ReadFileBytes(const wchar_t* path, std::size_t limit, std::string& bytes) {
  // Delete sharing lets a writer replace the file while we hold it; the bytes
  // we read stay those of the old one.
  UniqueFile file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  RETURN_LAST_ERROR_IF(!file);
  LARGE_INTEGER size{};
  RETURN_LAST_ERROR_IF(!GetFileSizeEx(file.Get(), &size));
  if (static_cast<unsigned long long>(size.QuadPart) > limit) return kInvalidData;
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
    // Other processes read the store's files at any moment and a writer may
    // die half-way: rewriting a file where it stands would leave it cut
    // short, and every later open would fail on it. The new content is
    // written whole beside it and then moved over it.
    CTemporaryFile replacement;
    RETURN_IF_FAILED(replacement.CreateBeside(path));
    RETURN_IF_FAILED(replacement.Write(bytes));
    return replacement.MoveOver(path);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace wendrix
