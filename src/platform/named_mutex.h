#pragma once
// The one way this library holds a named mutex. Every named mutex it uses is
// opened once per process and kept until the library is unloaded (creating a
// named object is a round trip to the system's object manager, and a check
// takes several locks per publisher). The holder waits without time-out, and
// an abandoned mutex counts as held: its previous owner died, and the data it
// guards is ours to repair.
#include <windows.h>

#include "core/result.h"

namespace wendrix {

// Who may open the mutex besides this user's processes.
enum class MutexUsers {
  kThisUser,  // the default security of the creating process
  kAnyUser,   // it guards files of every user: a null access list lets any user's process open it
};

// Holds a named mutex from a successful Acquire until destroyed (or the next
// Acquire). Locks of one thread on the same mutex share one hold: the first
// waits for the mutex and the last to end releases it. A lock ends on the
// thread that took it.
class NamedMutexLock {
 public:
  NamedMutexLock() = default;
  NamedMutexLock(const NamedMutexLock&) = delete;
  NamedMutexLock& operator=(const NamedMutexLock&) = delete;
  ~NamedMutexLock() { Release(); }

  // Opens or creates the mutex `name` and waits for it. The wrapped Windows
  // error when it cannot be created or waited for (never S_OK unheld).
  HRESULT Acquire(const wchar_t* name, MutexUsers users);
  void Release() noexcept;

 private:
  HANDLE m_held = nullptr;  // owned by the process-wide table, not by the lock
  bool m_listed = false;    // among the thread's held locks (it may share a hold)
};

}  // namespace wendrix
