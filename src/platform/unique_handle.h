#pragma once
// UniqueHandle<Traits>: one RAII owner for every kind of Windows handle.
// Closing never changes GetLastError(), so an error path can close what it
// opened and still report the failure that made it give up.
#include <windows.h>

#include <utility>

namespace wendrix {

template <typename Traits>
class UniqueHandle {
 public:
  using Type = typename Traits::Type;

  UniqueHandle() noexcept = default;
  explicit UniqueHandle(Type h) noexcept : m_h(h) {}
  UniqueHandle(UniqueHandle&& o) noexcept : m_h(o.Release()) {}
  UniqueHandle& operator=(UniqueHandle&& o) noexcept {
    if (this != &o) Reset(o.Release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { Reset(); }

  Type Get() const noexcept { return m_h; }
  explicit operator bool() const noexcept { return Traits::IsValid(m_h); }
  // For out-parameters of the API that opens the handle.
  Type* Put() noexcept {
    Reset();
    return &m_h;
  }
  Type Release() noexcept { return std::exchange(m_h, Traits::Invalid()); }
  void Reset(Type h = Traits::Invalid()) noexcept {
    if (Traits::IsValid(m_h)) {
      const DWORD lastError = GetLastError();
      Traits::Close(m_h);
      SetLastError(lastError);
    }
    m_h = h;
  }

 private:
  Type m_h = Traits::Invalid();
};

struct KernelHandleTraits {  // CreateFile & co. use INVALID_HANDLE_VALUE
  using Type = HANDLE;
  static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static bool IsValid(Type h) noexcept { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static void Close(Type h) noexcept { CloseHandle(h); }
};
struct RegistryKeyTraits {
  using Type = HKEY;
  static Type Invalid() noexcept { return nullptr; }
  static bool IsValid(Type h) noexcept { return h != nullptr; }
  static void Close(Type h) noexcept { RegCloseKey(h); }
};
struct ModuleTraits {
  using Type = HMODULE;
  static Type Invalid() noexcept { return nullptr; }
  static bool IsValid(Type h) noexcept { return h != nullptr; }
  static void Close(Type h) noexcept { FreeLibrary(h); }
};
struct FindHandleTraits {
  using Type = HANDLE;
  static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static bool IsValid(Type h) noexcept { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static void Close(Type h) noexcept { FindClose(h); }
};

using UniqueFile = UniqueHandle<KernelHandleTraits>;
using UniqueKernelObject = UniqueHandle<KernelHandleTraits>;
using UniqueHkey = UniqueHandle<RegistryKeyTraits>;
using UniqueModule = UniqueHandle<ModuleTraits>;
using UniqueFind = UniqueHandle<FindHandleTraits>;

}  // namespace wendrix
