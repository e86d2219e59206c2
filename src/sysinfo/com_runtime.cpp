#include "sysinfo/com_runtime.h"

#include <cwchar>

#include "platform/system_library.h"

namespace wendrix {
namespace {

template <typename Fn>
bool Bind(HMODULE module, const char* name, Fn& fn) noexcept {
  fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  return fn != nullptr;
}

}  // namespace

HRESULT ComRuntime::Load() {
  m_ole32 = LoadSystemLibrary(L"ole32.dll");
  m_oleaut32 = LoadSystemLibrary(L"oleaut32.dll");
  if (!m_ole32 || !m_oleaut32) return E_NOTIMPL;
  const HMODULE ole32 = m_ole32.Get();
  const HMODULE oleaut32 = m_oleaut32.Get();
  const bool complete = Bind(ole32, "CoInitializeEx", CoInitializeEx) && Bind(ole32, "CoUninitialize", CoUninitialize) &&
                        Bind(ole32, "CoInitializeSecurity", CoInitializeSecurity) &&
                        Bind(ole32, "CoSetProxyBlanket", CoSetProxyBlanket) &&
                        Bind(ole32, "CoCreateInstance", CoCreateInstance) &&
                        Bind(oleaut32, "SysAllocStringLen", SysAllocStringLen) &&
                        Bind(oleaut32, "SysFreeString", SysFreeString) &&
                        Bind(oleaut32, "VariantClear", VariantClear);
  return complete ? S_OK : E_NOTIMPL;
}

std::optional<std::wstring> VariantText(const VARIANT& value) {
  switch (value.vt) {
    case VT_BSTR: return value.bstrVal ? std::wstring(value.bstrVal, wcslen(value.bstrVal)) : std::wstring();
    case VT_I1: return std::to_wstring(static_cast<int>(value.cVal));
    case VT_UI1: return std::to_wstring(value.bVal);
    case VT_I2: return std::to_wstring(value.iVal);
    case VT_UI2: return std::to_wstring(value.uiVal);
    case VT_I4: return std::to_wstring(value.lVal);
    case VT_UI4: return std::to_wstring(value.ulVal);
    case VT_INT: return std::to_wstring(value.intVal);
    case VT_UINT: return std::to_wstring(value.uintVal);
    case VT_I8: return std::to_wstring(value.llVal);
    case VT_UI8: return std::to_wstring(value.ullVal);
    case VT_BOOL: return std::wstring(value.boolVal != VARIANT_FALSE ? L"True" : L"False");
    default: return std::nullopt;
  }
}

}  // namespace wendrix
