#pragma once
// COM as the system queries use it: ole32 and oleaut32 bound at run time (so
// the library loads on systems without them and answers E_NOTIMPL there),
// and owners for what COM hands out.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <optional>
#include <string>
#include <string_view>

#include "platform/unique_handle.h"

namespace wendrix {

// The COM functions of one evaluation. The libraries stay loaded as long as
// the object lives, so it must outlive every COM object and apartment made
// with it.
class ComRuntime {
 public:
  // Loads ole32 and oleaut32 and looks up every function below. E_NOTIMPL
  // when a library or a function is missing; the object is then unusable.
  HRESULT Load();

  decltype(&::CoInitializeEx) CoInitializeEx = nullptr;
  decltype(&::CoUninitialize) CoUninitialize = nullptr;
  // Looked up only to make sure the system has DCOM security: the library
  // never calls it, because it sets process-wide defaults that belong to the
  // host application; the blanket set on each proxy is enough.
  decltype(&::CoInitializeSecurity) CoInitializeSecurity = nullptr;
  decltype(&::CoSetProxyBlanket) CoSetProxyBlanket = nullptr;
  decltype(&::CoCreateInstance) CoCreateInstance = nullptr;
  decltype(&::SysAllocStringLen) SysAllocStringLen = nullptr;
  decltype(&::SysFreeString) SysFreeString = nullptr;
  decltype(&::VariantClear) VariantClear = nullptr;

 private:
  UniqueModule m_ole32;
  UniqueModule m_oleaut32;
};

// COM initialised on the calling thread for the object's lifetime and
// uninitialised when it goes. A thread that already runs COM in the other
// threading model keeps it: the call then works in that model and leaves
// the thread's COM alone.
class ComApartment {
 public:
  ComApartment(const ComRuntime& com, DWORD model) noexcept : m_com(com), m_result(com.CoInitializeEx(nullptr, model)) {}
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  ~ComApartment() {
    if (SUCCEEDED(m_result)) m_com.CoUninitialize();
  }
  // S_OK when COM can be used on this thread, else the failure.
  HRESULT Result() const noexcept { return m_result == RPC_E_CHANGED_MODE ? S_OK : m_result; }

 private:
  const ComRuntime& m_com;
  HRESULT m_result;
};

template <typename Interface>
struct ComReleaseTraits {
  using Type = Interface*;
  static Type Invalid() noexcept { return nullptr; }
  static bool IsValid(Type p) noexcept { return p != nullptr; }
  static void Close(Type p) noexcept { p->Release(); }
};
// An owned interface pointer (one reference).
template <typename Interface>
using ComPtr = UniqueHandle<ComReleaseTraits<Interface>>;

// An owned BSTR; null after an allocation failure.
class Bstr {
 public:
  Bstr(const ComRuntime& com, std::wstring_view text) noexcept
      : m_com(com), m_text(com.SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  ~Bstr() { m_com.SysFreeString(m_text); }
  BSTR Get() const noexcept { return m_text; }
  explicit operator bool() const noexcept { return m_text != nullptr; }

 private:
  const ComRuntime& m_com;
  BSTR m_text;
};

// An owned VARIANT, cleared when replaced or destroyed.
class UniqueVariant {
 public:
  explicit UniqueVariant(const ComRuntime& com) noexcept : m_com(com) { m_value.vt = VT_EMPTY; }
  UniqueVariant(const UniqueVariant&) = delete;
  UniqueVariant& operator=(const UniqueVariant&) = delete;
  ~UniqueVariant() { m_com.VariantClear(&m_value); }
  // For out-parameters: clears the old value first.
  VARIANT* Put() noexcept {
    m_com.VariantClear(&m_value);
    return &m_value;
  }
  const VARIANT& Get() const noexcept { return m_value; }

 private:
  const ComRuntime& m_com;
  VARIANT m_value{};
};

// A property value as text: strings as they are, integers in decimal,
// Booleans as "True" or "False". Nothing for empty and null values and for
// kinds without a text form (arrays, objects).
std::optional<std::wstring> VariantText(const VARIANT& value);

}  // namespace wendrix
