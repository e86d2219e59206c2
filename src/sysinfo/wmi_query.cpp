#include "sysinfo/wmi_query.h"

#include "sysinfo/query_text.h"

namespace wendrix {

namespace {
std::mutex& SessionTurns() {
  static std::mutex turns;
  return turns;
}
}  // namespace

WmiSession::WmiSession() : m_turn(SessionTurns()) {}

HRESULT WmiSession::Connect() {
  RETURN_IF_FAILED(m_com.Load());
  m_apartment.emplace(m_com, COINIT_MULTITHREADED);
  RETURN_IF_FAILED(m_apartment->Result());
  RETURN_IF_FAILED(m_com.CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                          reinterpret_cast<void**>(m_locator.Put())));
  const Bstr space(m_com, L"ROOT\\CIMV2");
  if (!space) return E_OUTOFMEMORY;
  RETURN_IF_FAILED(m_locator.Get()->ConnectServer(space.Get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                                                  m_services.Put()));
  return m_com.CoSetProxyBlanket(m_services.Get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                                 RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
}

HRESULT WmiSession::Select(std::wstring_view statement, std::optional<std::uint32_t> index,
                           const InstanceMatcher& matches, const InstanceReader& read,
                           std::optional<std::wstring>& answer) {
  answer.reset();
  const Bstr language(m_com, L"WQL");
  const Bstr text(m_com, statement);
  if (!language || !text) return E_OUTOFMEMORY;
  ComPtr<IEnumWbemClassObject> enumerator;
  RETURN_IF_FAILED(m_services.Get()->ExecQuery(language.Get(), text.Get(),
                                               WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY, nullptr,
                                               enumerator.Put()));
  InstancePicker picker(index);
  for (;;) {
    ComPtr<IWbemClassObject> instance;
    ULONG returned = 0;
    const HRESULT hr = enumerator.Get()->Next(kInstanceTimeoutMs, 1, instance.Put(), &returned);
    RETURN_IF_FAILED(hr);
    // WBEM_S_FALSE is the end; WBEM_S_TIMEDOUT an instance that did not come.
    if (returned == 0 || !instance) break;
    bool accepted = true;
    if (matches) RETURN_IF_FAILED(matches(*instance.Get(), accepted));
    if (accepted && picker.Pick()) return read(*instance.Get(), answer);
  }
  if (picker.CountForm()) answer = picker.CountText();
  return S_OK;
}

HRESULT WmiSession::Property(IWbemClassObject& instance, const wchar_t* name,
                             std::optional<std::wstring>& value) const {
  UniqueVariant variant(m_com);
  RETURN_IF_FAILED(instance.Get(name, 0, variant.Put(), nullptr, nullptr));
  value = VariantText(variant.Get());
  return S_OK;
}

HRESULT WmiSession::ReferencedProperty(IWbemClassObject& instance, const wchar_t* reference, const wchar_t* name,
                                       std::optional<std::wstring>& value) const {
  value.reset();
  std::optional<std::wstring> path;
  RETURN_IF_FAILED(Property(instance, reference, path));
  if (!path || path->empty()) return S_OK;
  const Bstr objectPath(m_com, *path);
  if (!objectPath) return E_OUTOFMEMORY;
  ComPtr<IWbemClassObject> object;
  if (FAILED(m_services.Get()->GetObject(objectPath.Get(), 0, nullptr, object.Put(), nullptr)) || !object)
    return S_OK;
  return Property(*object.Get(), name, value);
}

}  // namespace wendrix
