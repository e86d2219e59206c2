// The journal exports: create a journal for a setup, commit it, roll it back.
#include <windows.h>

#include "frame/ansi.h"
#include "frame/export_guard.h"
#include "frame/installed_copy.h"
#include "setup/journal.h"
#include "setup/product_programs.h"
#include "wallet/request_record.h"
#include "wendrix.h"

using namespace wendrix;

extern "C" HRESULT WINAPI WendrixCreateRollbackEx(WCHAR* folder, UINT32 flags) {
  return GuardedCall([&]() -> HRESULT {
    HRESULT forwarded = S_OK;
    if (ForwardToInstalledCopy<decltype(&WendrixCreateRollbackEx)>("WendrixCreateRollbackEx", &forwarded, folder, flags))
      return forwarded;
    if (!folder) return E_INVALIDARG;
    CJournal journal;
    RETURN_IF_FAILED(journal.Create());
    journal.Close();
    if (journal.Folder().size() >= MAX_PATH) {
      journal.Commit();
      return HResultFromWin32(ERROR_BUFFER_OVERFLOW);
    }
    journal.Folder().copy(folder, journal.Folder().size());
    folder[journal.Folder().size()] = L'\0';
    return S_OK;
  });
}

extern "C" HRESULT WINAPI WendrixCreateRollback(CHAR* folder, UINT32 flags) {
  return GuardedCall([&]() -> HRESULT {
    if (!folder) return E_INVALIDARG;
    WCHAR wide[MAX_PATH];
    RETURN_IF_FAILED(WendrixCreateRollbackEx(wide, flags));
    if (PathToAnsi(wide, folder, MAX_PATH)) return S_OK;
    // A caller that is not told the folder can never remove it.
    folder[0] = '\0';
    WendrixDestroyRollbackEx(wide);
    return E_FAIL;
  });
}

extern "C" HRESULT WINAPI WendrixDestroyRollbackEx(const WCHAR* folder) {
  return GuardedCall([&]() -> HRESULT {
    HRESULT forwarded = S_OK;
    if (ForwardToInstalledCopy<decltype(&WendrixDestroyRollbackEx)>("WendrixDestroyRollbackEx", &forwarded, folder))
      return forwarded;
    if (folder) CJournal().Commit(folder);
    return S_OK;
  });
}

extern "C" HRESULT WINAPI WendrixDestroyRollback(const CHAR* folder) {
  return GuardedCall([&]() -> HRESULT {
    const AnsiArg wide(folder);
    return WendrixDestroyRollbackEx(wide.Get());
  });
}

extern "C" HRESULT WINAPI WendrixRollbackEx(const WCHAR* folder) {
  return GuardedCall([&]() -> HRESULT {
    HRESULT forwarded = S_OK;
    if (ForwardToInstalledCopy<decltype(&WendrixRollbackEx)>("WendrixRollbackEx", &forwarded, folder)) return forwarded;
    if (!folder) return HResultFromWin32(ERROR_PATH_NOT_FOUND);
    // The product's running programs hold files a rollback may restore.
    const RunningProductPrograms running = PauseProductPrograms();
    CJournal journal;
    const HRESULT hr = journal.Rollback(folder);
    ResumeProductPrograms(running, &RequestRecordPending);
    return hr;
  });
}

extern "C" HRESULT WINAPI WendrixRollback(const CHAR* folder) {
  return GuardedCall([&]() -> HRESULT {
    const AnsiArg wide(folder);
    return WendrixRollbackEx(wide.Get());
  });
}
