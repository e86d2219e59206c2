#pragma once
// Registry keys watched on behalf of something kept across calls, so that a
// change any process makes to them is noticed with one wait.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/unique_handle.h"

namespace wendrix {

class RegistryWatch {
 public:
  RegistryWatch() = default;
  RegistryWatch(const RegistryWatch&) = delete;
  RegistryWatch& operator=(const RegistryWatch&) = delete;
  RegistryWatch(RegistryWatch&&) noexcept = default;
  RegistryWatch& operator=(RegistryWatch&&) noexcept = default;

  // Watches the key for values set and subkeys added or removed, below it
  // too. Where it is missing, its nearest existing parent is watched for
  // subkeys added or removed, which is how the key would come to be. False
  // when no watch could be set (the caller then keeps nothing).
  bool Add(HKEY root, const std::wstring& path, REGSAM view);
  // True when a watched key changed since it was added, or its watch ended
  // (before Windows 8 a watch ends with the thread that set it).
  bool Changed() const noexcept;

 private:
  struct Watch {
    RegistryKey key;
    UniqueKernelObject event;
  };
  std::vector<Watch> m_watches;
};

}  // namespace wendrix
