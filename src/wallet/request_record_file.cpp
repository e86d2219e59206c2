#include <windows.h>

#include <cwchar>
#include <string_view>
#include <new>

#include "core/string_util.h"
#include "core/text_encoding.h"
#include "platform/ini_file.h"
#include "platform/temporary_file.h"
#include "platform/unique_handle.h"
#include "registration/store_folders.h"
#include "wallet/request_record.h"

namespace wendrix {
namespace {

constexpr int kRecordNumbers = 999;

std::wstring RecordName(int number) {
  wchar_t name[16];
  std::swprintf(name, 16, L"Resume%03d.ini", number);
  return name;
}

// The number of a record's file name ("Resume" + three digits + ".ini", case
// ignored), or 0 for a name that is not one.
int RecordNumber(std::wstring_view name) noexcept {
  if (name.size() != 13 || !CStringUtil::EqualsNoCase(name.substr(0, 6), L"Resume") ||
      !CStringUtil::EqualsNoCase(name.substr(9), L".ini"))
    return 0;
  int number = 0;
  for (const wchar_t c : name.substr(6, 3)) {
    if (c < L'0' || c > L'9') return 0;
    number = number * 10 + (c - L'0');
  }
  return number;
}

// The lowest-numbered record of the folder, or 0.
int LowestRecord(const std::wstring& folder) {
  int lowest = 0;
  WIN32_FIND_DATAW found;
  UniqueFind find(FindFirstFileW((folder + L"Resume*.ini").c_str(), &found));
  if (!find) return 0;
  do {
    const int number = RecordNumber(found.cFileName);
    if (number > 0 && (lowest == 0 || number < lowest)) lowest = number;
  } while (FindNextFileW(find.Get(), &found));
  return lowest;
}

}  // namespace

HRESULT SaveRequestRecord(const RequestRecord& record, std::wstring& path) {
  try {
    std::wstring text;
    RETURN_IF_FAILED(WriteRequestRecordText(record, text));
    std::wstring folder;
    RETURN_IF_FAILED(UserProductFolder(folder));
    if (folder.size() + RecordName(1).size() >= MAX_PATH) return HResultFromWin32(ERROR_BUFFER_OVERFLOW);
    RETURN_IF_FAILED(CreateUserProductFolder(folder));
    // The record is written whole beside its final name and moved into a free
    // name: a main program looking for records never sees part of one, and
    // two writers never take the same name.
    CTemporaryFile file;
    const std::wstring first = folder + RecordName(1);
    RETURN_IF_FAILED(file.CreateBeside(first.c_str()));
    RETURN_IF_FAILED(file.Write(EncodeUtf16LeFile(text)));
    file.Close();
    for (int number = 1; number <= kRecordNumbers; ++number) {
      const std::wstring target = folder + RecordName(number);
      const HRESULT hr = file.MoveToFreeName(target.c_str());
      if (hr == HResultFromWin32(ERROR_ALREADY_EXISTS)) continue;
      RETURN_IF_FAILED(hr);
      path = target;
      return S_OK;
    }
    return E_FAIL;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT TakeRequestRecord(RequestRecord& record, bool& found) {
  found = false;
  try {
    std::wstring folder;
    RETURN_IF_FAILED(UserProductFolder(folder));
    // Each turn deletes one file: the bound only guards against a file that
    // will not go away.
    for (int turn = 0, number; turn < kRecordNumbers && (number = LowestRecord(folder)) != 0; ++turn) {
      const std::wstring path = folder + RecordName(number);
      std::string bytes;
      const HRESULT read = ReadFileBytes(path.c_str(), kRequestRecordLimit, bytes);
      // A record another process is still holding is left for a later turn.
      if (read == HResultFromWin32(ERROR_SHARING_VIOLATION)) return read;
      RETURN_LAST_ERROR_IF(!DeleteFileW(path.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND);
      if (SUCCEEDED(read) &&
          SUCCEEDED(ReadRequestRecordText(DecodeTextFile(bytes, SystemCodePage(kThreadAnsiCodePage)), record))) {
        found = true;
        return S_OK;
      }
    }
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

bool RequestRecordPending() noexcept {
  try {
    std::wstring folder;
    return SUCCEEDED(UserProductFolder(folder)) && LowestRecord(folder) != 0;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace wendrix
