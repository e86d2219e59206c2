#include "sysinfo/system_query.h"

#include <windows.h>

#include "platform/system_facts.h"
#include "sysinfo/architecture_name.h"
#include "sysinfo/directx_query.h"
#include "sysinfo/language_answer.h"
#include "sysinfo/os_version_win.h"
#include "sysinfo/pnp_query.h"
#include "sysinfo/query_text.h"
#include "sysinfo/wmi_query.h"

namespace wendrix {
namespace {

std::wstring UserLanguage() {
  const LANGID language = UserUiLanguageId();
  return LanguageAnswer(language, LocaleText(language, LOCALE_SISO639LANGNAME),
                        LocaleText(language, LOCALE_SABBREVLANGNAME));
}

std::optional<std::wstring> Architecture() {
  // A 32-bit process on 64-bit Windows sees an x86 processor in the ordinary
  // system information; the native one tells the truth.
  std::optional<WORD> architecture = NativeProcessorArchitecture();
  if (!architecture) {
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    architecture = info.wProcessorArchitecture;
  }
  const std::optional<std::wstring_view> name = ArchitectureName(*architecture);
  return name ? std::optional<std::wstring>(*name) : std::nullopt;
}

std::optional<std::wstring> OsVersion(bool servicePack) {
  const std::optional<OsVersionRecord> record = ReadOsVersionRecord();
  return record ? OsVersionText(*record, servicePack) : std::nullopt;
}

HRESULT ManagementAnswer(const ParsedQuery& query, std::optional<std::wstring>& answer) {
  WmiSession session;
  RETURN_IF_FAILED(session.Connect());
  if (query.source == QuerySource::kPnp) return AnswerPnpQuery(session, query, answer);
  const InstanceReader reader = [&](IWbemClassObject& instance, std::optional<std::wstring>& value) {
    return session.Property(instance, query.property.c_str(), value);
  };
  return session.Select(query.statement, query.index, nullptr, reader, answer);
}

}  // namespace

HRESULT EvaluateSystemQuery(std::wstring_view query, std::optional<std::wstring>& answer) {
  answer.reset();
  ParsedQuery parsed;
  RETURN_IF_FAILED(ParseSystemQuery(query, parsed));
  HRESULT hr = S_OK;
  switch (parsed.source) {
    case QuerySource::kDirectX: answer = DirectXVersionAnswer(); break;
    case QuerySource::kLanguage: answer = UserLanguage(); break;
    case QuerySource::kOs: answer = OsVersion(false); break;
    case QuerySource::kOsServicePack: answer = OsVersion(true); break;
    case QuerySource::kArchitecture: answer = Architecture(); break;
    default: hr = ManagementAnswer(parsed, answer); break;
  }
  if (FAILED(hr)) answer.reset();
  return hr;
}

}  // namespace wendrix
