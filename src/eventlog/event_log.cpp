#include <atomic>
#include "eventlog/event_log.h"

#include <windows.h>
#include <shlobj.h>

#include <new>

#include "core/date.h"
#include "platform/ini_file.h"
#include "core/text_encoding.h"
#include "eventlog/event_names.h"
#include "frame/module_state.h"
#include "platform/unique_handle.h"
#include "platform/system_library.h"
#include "publisher/loader.h"
#include "publisher/windows_environment.h"
#include "registration/publisher_store.h"
#include "registration/side_files.h"

namespace wendrix {
namespace {

constexpr int kAttempts = 10;
constexpr DWORD kRetryPause = 500;
constexpr wchar_t kLogFolder[] = L"\\Kestmoor\\Wendrix\\";
constexpr wchar_t kLogName[] = L"Wendrix.log";

bool LocalAppDataFolder(wchar_t (&path)[MAX_PATH]) {
  path[0] = L'\0';
  LPITEMIDLIST list = nullptr;
  if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_LOCAL_APPDATA, &list)) && list) {
    const BOOL found = SHGetPathFromIDListW(list, path);
    CoTaskMemFree(list);
    if (found && path[0]) return true;
  }
  // Older shells: the redistributable folder library.
  UniqueModule shfolder = LoadSystemLibrary(L"shfolder.dll");
  if (!shfolder) return false;
  using GetFolderPath = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPWSTR);
  const auto get = reinterpret_cast<GetFolderPath>(reinterpret_cast<void*>(GetProcAddress(shfolder.Get(), "SHGetFolderPathW")));
  return get && SUCCEEDED(get(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, path)) && path[0];
}

void SleepPause(std::uint32_t milliseconds) { Sleep(milliseconds); }

// Set only by tests, read by any thread that writes the log.
std::atomic<LogRetryPause> g_retryPause{SleepPause};

// Runs `attempt` until it gives something other than a sharing violation,
// at most kAttempts times with a pause between.
template <class Attempt>
HRESULT RetryWhileShared(Attempt attempt) {
  HRESULT hr = S_OK;
  for (int i = 0; i < kAttempts; ++i) {
    if (i > 0) g_retryPause.load()(kRetryPause);
    hr = attempt();
    if (hr != HResultFromWin32(ERROR_SHARING_VIOLATION)) break;
  }
  return hr;
}

HRESULT ReadAll(HANDLE file, std::string& bytes) {
  LARGE_INTEGER size{};
  RETURN_LAST_ERROR_IF(!GetFileSizeEx(file, &size));
  if (size.QuadPart > 0x7FFFFFFF) return E_OUTOFMEMORY;
  bytes.resize(static_cast<std::size_t>(size.QuadPart));
  LARGE_INTEGER start{};
  RETURN_LAST_ERROR_IF(!SetFilePointerEx(file, start, nullptr, FILE_BEGIN));
  DWORD read = 0;
  if (!bytes.empty() && !ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
    return LastErrorResult();
  bytes.resize(read);
  return S_OK;
}

// The names of the publisher, group and item that the record shows.
HRESULT ResolveNames(const wchar_t* publisherId, const wchar_t* groupId, const wchar_t* itemId,
                     const wchar_t* actionId, EventFields& fields) {
  fields.publisherId = publisherId;
  if (groupId) fields.group = groupId;
  if (itemId) fields.item = itemId;
  // The names are a courtesy: a store that cannot be read (a damaged list)
  // leaves the IDs as passed rather than lose the event.
  CPublisherStore store;
  if (FAILED(store.Open(false, nullptr))) return S_OK;
  PublisherRecord* record = store.Find(publisherId);
  if (!record) return S_OK;
  fields.publisherName = record->name;
  if (!groupId && !itemId) return S_OK;
  PublisherData data;
  // Without its stored data the record names the group and item by ID.
  if (SUCCEEDED(LoadDataFile(*record))) {
    data.publisher.id = record->id;
    data.publisher.name = record->name;
    data.publisher.homePage = record->homePage;
    data.publisher.dataSource = record->dataSource;
    const WindowsPublisherEnvironment env(Module().version);
    LoadPublisherData(record->dataText.c_str(), &data, &store, nullptr, nullptr, 0, env);
  }
  if (groupId) fields.group = EventGroupName(data, groupId);
  if (itemId) fields.item = EventItemName(data, itemId, actionId);
  return S_OK;
}

}  // namespace

void SetLogRetryPause(LogRetryPause pause) { g_retryPause = pause ? pause : SleepPause; }

HRESULT GetLogPath(std::wstring& path) {
  wchar_t folder[MAX_PATH];
  if (!LocalAppDataFolder(folder)) return E_FAIL;
  std::wstring full = std::wstring(folder) + kLogFolder + kLogName;
  if (full.size() >= MAX_PATH) return HResultFromWin32(ERROR_BUFFER_OVERFLOW);
  const std::wstring logFolder = std::wstring(folder) + kLogFolder;
  const int created = SHCreateDirectoryExW(nullptr, logFolder.c_str(), nullptr);
  if (created != ERROR_SUCCESS && created != ERROR_ALREADY_EXISTS && created != ERROR_FILE_EXISTS)
    return HResultFromWin32(created);
  path = std::move(full);
  return S_OK;
}

HRESULT AppendRecordText(const std::wstring& path, std::wstring_view recordText) {
  UniqueFile file;
  RETURN_IF_FAILED(RetryWhileShared([&] {
    file.Reset(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr));
    return file ? S_OK : LastErrorResult();
  }));

  std::wstring text;
  unsigned char mark[2] = {};
  DWORD read = 0;
  RETURN_LAST_ERROR_IF(!ReadFile(file.Get(), mark, sizeof(mark), &read, nullptr));
  if (read == 2 && !(mark[0] == 0xFF && mark[1] == 0xFE)) {
    // An older log (ANSI or UTF-8): rewritten whole as UTF-16, old records first.
    std::string old;
    RETURN_IF_FAILED(ReadAll(file.Get(), old));
    text = DecodeTextFile(old, SystemCodePage(CP_ACP));
    LARGE_INTEGER start{};
    RETURN_LAST_ERROR_IF(!SetFilePointerEx(file.Get(), start, nullptr, FILE_BEGIN) || !SetEndOfFile(file.Get()));
  }
  text.append(recordText);

  LARGE_INTEGER end{};
  RETURN_LAST_ERROR_IF(!SetFilePointerEx(file.Get(), LARGE_INTEGER{}, &end, FILE_END));
  // One write of the whole record, so that a record is there whole or not at
  // all; the byte-order mark goes only into an empty file.
  const std::string bytes = EncodeUtf16LeFile(text);
  const std::string_view record = end.QuadPart == 0 ? std::string_view(bytes) : std::string_view(bytes).substr(2);
  DWORD written = 0;
  RETURN_LAST_ERROR_IF(!WriteFile(file.Get(), record.data(), static_cast<DWORD>(record.size()), &written, nullptr));
  if (written != record.size()) return HResultFromWin32(ERROR_WRITE_FAULT);
  return S_OK;
}

HRESULT AppendEvent(std::uint32_t origin, std::uint32_t type, const wchar_t* publisherId, const wchar_t* groupId,
                    const wchar_t* itemId, const wchar_t* actionId, std::uint32_t result, const wchar_t* resultInfo) {
  try {
    EventFields fields;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    fields.date = (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    fields.origin = origin;
    fields.type = type;
    fields.result = result;
    if (resultInfo) fields.resultInfo = resultInfo;
    if (publisherId) {
      RETURN_IF_FAILED(ResolveNames(publisherId, groupId, itemId, actionId, fields));
    } else {
      if (groupId) fields.group = groupId;
      if (itemId) fields.item = itemId;
    }
    std::wstring text, path;
    RETURN_IF_FAILED(BuildEventText(fields, text));
    RETURN_IF_FAILED(GetLogPath(path));
    return AppendRecordText(path, text);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT LoadEvents(CEventList& list) {
  list.Clear();
  std::wstring path;
  RETURN_IF_FAILED(GetLogPath(path));
  return LoadEventsFrom(path, list);
}

HRESULT LoadEventsFrom(const std::wstring& path, CEventList& list) {
  list.Clear();
  if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return S_OK;
  CIniDataBuffer data;
  const HRESULT hr = RetryWhileShared([&] {
    list.Clear();
    return LoadIniFile(path.c_str(), data, EventLogSchema(), nullptr);
  });
  if (hr == HResultFromWin32(ERROR_FILE_NOT_FOUND)) return S_OK;  // cleared meanwhile
  RETURN_IF_FAILED(hr);
  return ParseEvents(list, data);
}

HRESULT ClearLog(CEventList& list) {
  std::wstring path;
  RETURN_IF_FAILED(GetLogPath(path));
  RETURN_IF_FAILED(RetryWhileShared([&] {
    if (DeleteFileW(path.c_str())) return S_OK;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? S_OK : HResultFromWin32(error);
  }));
  list.Clear();
  return S_OK;
}

}  // namespace wendrix
