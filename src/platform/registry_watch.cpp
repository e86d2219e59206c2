#include "platform/registry_watch.h"

#include <new>

namespace wendrix {
namespace {

#ifndef REG_NOTIFY_THREAD_AGNOSTIC
#define REG_NOTIFY_THREAD_AGNOSTIC 0x10000000L
#endif

LONG Notify(HKEY key, bool subtree, DWORD filter, HANDLE event) noexcept {
  // A watch that outlives the thread setting it, where the system offers one
  // (Windows 8 and later); elsewhere it ends with the thread, which signals
  // the event, and the next look sees a change.
  const LONG rc = RegNotifyChangeKeyValue(key, subtree, filter | REG_NOTIFY_THREAD_AGNOSTIC, event, TRUE);
  if (rc != ERROR_INVALID_PARAMETER) return rc;
  return RegNotifyChangeKeyValue(key, subtree, filter, event, TRUE);
}

}  // namespace

bool RegistryWatch::Add(HKEY root, const std::wstring& path, REGSAM view) {
  try {
    Watch watch;
    std::wstring at = path;
    bool missing = false;
    for (;;) {
      const LONG rc = watch.key.Open(root, at.c_str(), KEY_NOTIFY, view);
      if (rc == ERROR_SUCCESS) break;
      if (rc != ERROR_FILE_NOT_FOUND || at.empty()) return false;
      missing = true;
      const std::size_t slash = at.rfind(L'\\');
      at.resize(slash == std::wstring::npos ? 0 : slash);
    }
    watch.event.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!watch.event) return false;
    const DWORD filter = missing ? REG_NOTIFY_CHANGE_NAME : REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET;
    if (Notify(watch.key.Get(), !missing, filter, watch.event.Get()) != ERROR_SUCCESS) return false;
    m_watches.push_back(std::move(watch));
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool RegistryWatch::Changed() const noexcept {
  HANDLE events[MAXIMUM_WAIT_OBJECTS];
  for (std::size_t from = 0; from < m_watches.size(); from += MAXIMUM_WAIT_OBJECTS) {
    DWORD count = 0;
    for (std::size_t i = from; i < m_watches.size() && count < MAXIMUM_WAIT_OBJECTS; ++i)
      events[count++] = m_watches[i].event.Get();
    if (WaitForMultipleObjects(count, events, FALSE, 0) != WAIT_TIMEOUT) return true;
  }
  return false;
}

}  // namespace wendrix
