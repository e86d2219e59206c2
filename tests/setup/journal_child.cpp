// A second process that appends to a journal: journal_child FOLDER FILE KEY.
// It notes the file it then writes and a value under KEY it then sets.
#include <windows.h>

#include "setup/journal.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) return 2;
  wendrix::CJournal journal;
  if (FAILED(journal.Open(argv[1]))) return 3;
  if (FAILED(journal.NoteFileToWrite(argv[2]))) return 4;
  HANDLE file = CreateFileW(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 5;
  CloseHandle(file);
  if (FAILED(journal.NoteValueToSet(HKEY_CURRENT_USER, argv[3], L"Child", 0))) return 6;
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, argv[3], 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS) return 7;
  const DWORD one = 1;
  RegSetValueExW(key, L"Child", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof(one));
  RegCloseKey(key);
  journal.Close();
  return 0;
}
