#include "registration/user_counters.h"

#include <windows.h>

#include <string>

#include "platform/ini_file.h"
#include "registration/list_file.h"
#include "registration/store_folders.h"
#include "setup/journal.h"

namespace wendrix {
namespace {

constexpr wchar_t kSection[] = L"UserCount";

HRESULT CounterFilePath(std::wstring& path) {
  std::wstring folder;
  RETURN_IF_FAILED(StoreFolder(kScopeAllUsers, StoreProduct::kCurrent, folder));
  return StorePath(folder, kUserCountFile, path);
}

}  // namespace

HRESULT ReadUserCounts(UserCounts& counts) {
  std::wstring path;
  RETURN_IF_FAILED(CounterFilePath(path));
  counts.count = GetPrivateProfileIntW(kSection, L"Count", 0, path.c_str());
  counts.count2 = GetPrivateProfileIntW(kSection, L"Count2", 0, path.c_str());
  return S_OK;
}

HRESULT ChangeUserCounter(UserCounter counter, int delta, CJournal* journal) {
  std::wstring folder, path;
  RETURN_IF_FAILED(CreateStoreFolder(kScopeAllUsers, journal, folder));
  RETURN_IF_FAILED(StorePath(folder, kUserCountFile, path));
  UserCounts counts;
  RETURN_IF_FAILED(ReadUserCounts(counts));
  std::uint32_t& value = counter == UserCounter::kCount ? counts.count : counts.count2;
  if (delta < 0) value = value > 0 ? value - 1 : 0;
  else if (delta > 0) ++value;

  if (counts.count == 0 && counts.count2 == 0) return DeleteFileNoted(path, journal);
  if (journal) RETURN_IF_FAILED(journal->NoteFileToWrite(path));
  // Every user's registrations change this file, so it is replaced whole
  // rather than edited in place with the profile API: a writer that dies
  // half-way leaves the old counters, never a cut file.
  char text[64];
  wsprintfA(text, "[%ls]\r\nCount=%lu\r\nCount2=%lu\r\n", kSection, static_cast<unsigned long>(counts.count),
            static_cast<unsigned long>(counts.count2));
  RETURN_IF_FAILED(WriteWholeFile(path.c_str(), text));
  return S_OK;
}

}  // namespace wendrix
