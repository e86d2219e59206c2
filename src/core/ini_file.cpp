#include "core/ini_file.h"

#include <windows.h>

#include <new>
#include <string>

#include "core/text_encoding.h"
#include "platform/unique_handle.h"

namespace wendrix {
namespace {

HRESULT LastError() { return HResultFromWin32(static_cast<long>(GetLastError())); }

HRESULT ReadWholeFile(const wchar_t* path, std::string& bytes) {
  UniqueFile file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return LastError();
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.Get(), &size)) return LastError();
  if (size.QuadPart > 0x7FFFFFFF) return E_OUTOFMEMORY;
  bytes.resize(static_cast<std::size_t>(size.QuadPart));
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD read = 0;
    if (!ReadFile(file.Get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &read, nullptr))
      return LastError();
    if (read == 0) break;  // the file shrank while we read it
    done += read;
  }
  bytes.resize(done);
  return S_OK;
}

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
  UniqueFile file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return LastError();
  DWORD written = 0;
  const BOOL ok = WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  const HRESULT hr = !ok ? LastError() : written != bytes.size() ? HResultFromWin32(ERROR_WRITE_FAULT) : S_OK;
  if (FAILED(hr)) {
    // Never leave a half-written file behind.
    file.Reset();
    DeleteFileW(path);
  }
  return hr;
}

}  // namespace wendrix
