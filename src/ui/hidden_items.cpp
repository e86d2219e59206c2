#include "ui/hidden_items.h"

#include <windows.h>

#include "registration/side_files.h"
#include "registration/store_mutex.h"
#include "update/item_flags.h"

namespace wendrix {

std::vector<std::wstring> ReadHiddenItems(std::span<const PublisherRecord> records) {
  std::vector<std::wstring> texts(records.size());
  for (std::size_t i = 0; i < records.size(); ++i)
    if (FAILED(ReadSideFile(records[i], SideFile::kInactiveItems, texts[i]))) texts[i].clear();
  return texts;
}

HRESULT HideItem(const PublisherRecord& record, std::wstring_view itemId) {
  if (itemId.empty() || itemId.find_first_of(L"\r\n") != std::wstring_view::npos) return E_INVALIDARG;
  // The read and the write take the same mutex again: a mutex is held
  // recursively by its thread, and the outer hold makes them one step.
  NamedMutexLock lock;
  RETURN_IF_FAILED(lock.Acquire(kInactiveItemsMutex, MutexUsers::kThisUser));
  std::wstring text;
  // A missing file: no item hidden yet. A file that is there but cannot be
  // read is not overwritten, which would show its hidden items again.
  const HRESULT read = ReadSideFile(record, SideFile::kInactiveItems, text);
  if (FAILED(read) && read != HResultFromWin32(ERROR_FILE_NOT_FOUND) && read != HResultFromWin32(ERROR_PATH_NOT_FOUND))
    return read;
  if (IsInactiveItem(text, itemId)) return S_OK;
  if (!text.empty() && text.back() != L'\n') text += L"\r\n";
  text.append(itemId);
  text += L"\r\n";
  return WriteSideFile(record, SideFile::kInactiveItems, text, nullptr);
}

HRESULT RestoreHiddenItems(const PublisherRecord& record) {
  return WriteSideFile(record, SideFile::kInactiveItems, L"", nullptr);
}

}  // namespace wendrix
