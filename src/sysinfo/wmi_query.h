#pragma once
// Management queries: a connection to the management service's ROOT\CIMV2
// namespace for one evaluation, and one enumeration that every query goes
// through, so that matching, counting and picking an instance live in one
// place.
#include <windows.h>
#include <wbemidl.h>

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "sysinfo/com_runtime.h"

namespace wendrix {

// Decides whether an instance is one the query asks about.
using InstanceMatcher = std::function<HRESULT(IWbemClassObject& instance, bool& matches)>;
// Reads the answer from the picked instance; leaving it empty means the
// instance has no value.
using InstanceReader = std::function<HRESULT(IWbemClassObject& instance, std::optional<std::wstring>& answer)>;

// Instances are fetched one at a time, each waited for at most this long.
inline constexpr long kInstanceTimeoutMs = 30000;

// One session at a time per process: the management service's in-process
// provider is not safe against concurrent sessions everywhere (under Wine,
// concurrent ones fail or crash), and a query is a one-off that gains
// nothing from running beside another. Callers on several threads simply
// take turns.
class WmiSession {
 public:
  WmiSession();
  WmiSession(const WmiSession&) = delete;
  WmiSession& operator=(const WmiSession&) = delete;

  // Binds COM, initialises it on the calling thread (until the session is
  // destroyed), connects to ROOT\CIMV2 and sets the proxy's security blanket.
  // E_NOTIMPL when the COM entry points are missing; COM and service failures
  // as they come.
  HRESULT Connect();

  // Runs a WQL statement and selects among its instances: counts those
  // `matches` accepts (all when it is empty) and, when `index` names one,
  // hands that one to `read` and stops. With no index `answer` receives the
  // count. When fewer instances match than the index asks for, `answer` is
  // left empty and the result is S_OK. An instance that does not arrive in
  // time ends the enumeration.
  HRESULT Select(std::wstring_view statement, std::optional<std::uint32_t> index, const InstanceMatcher& matches,
                 const InstanceReader& read, std::optional<std::wstring>& answer);

  // One property of an instance as text (see VariantText); nothing for a
  // null value. Fails when the instance has no such property.
  HRESULT Property(IWbemClassObject& instance, const wchar_t* name, std::optional<std::wstring>& value) const;

  // A property of the object that a reference property of `instance` names
  // (the ends of an association). Nothing, with S_OK, when the reference is
  // null or its object cannot be opened: a device that has gone since the
  // association was listed is no device the query can match.
  HRESULT ReferencedProperty(IWbemClassObject& instance, const wchar_t* reference, const wchar_t* name,
                             std::optional<std::wstring>& value) const;

 private:
  std::unique_lock<std::mutex> m_turn;  // declared first: released after COM is gone
  ComRuntime m_com;  // everything below is released before COM goes
  std::optional<ComApartment> m_apartment;
  ComPtr<IWbemLocator> m_locator;
  ComPtr<IWbemServices> m_services;
};

}  // namespace wendrix
