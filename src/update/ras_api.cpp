#include "update/ras_api.h"

#include <raserror.h>

#include "platform/system_library.h"

#include "update/wininet_api.h"

namespace wendrix {
namespace {

constexpr std::size_t kErrorTextLimit = 2000;

bool NotImplemented(DWORD error) noexcept { return error == ERROR_CALL_NOT_IMPLEMENTED || error == ERROR_NOT_SUPPORTED; }

template <std::size_t N>
void CopyNarrow(char (&to)[N], const wchar_t* from) {
  const std::string text = NarrowText(from);
  lstrcpynA(to, text.c_str(), static_cast<int>(N));
}

template <class Fn>
Fn BindFrom(HMODULE module, const char* name) noexcept {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

RasApi::RasApi() : m_module(LoadSystemLibrary(L"rasapi32.dll")) {
  if (!m_module) return;
  HMODULE m = m_module.Get();
  m_dialW = BindFrom<decltype(m_dialW)>(m, "RasDialW");
  m_dialA = BindFrom<decltype(m_dialA)>(m, "RasDialA");
  m_statusW = BindFrom<decltype(m_statusW)>(m, "RasGetConnectStatusW");
  m_statusA = BindFrom<decltype(m_statusA)>(m, "RasGetConnectStatusA");
  m_hangUpW = BindFrom<decltype(m_hangUpW)>(m, "RasHangUpW");
  m_hangUpA = BindFrom<decltype(m_hangUpA)>(m, "RasHangUpA");
  m_errorW = BindFrom<decltype(m_errorW)>(m, "RasGetErrorStringW");
  m_errorA = BindFrom<decltype(m_errorA)>(m, "RasGetErrorStringA");
  m_enumConnectionsW = BindFrom<decltype(m_enumConnectionsW)>(m, "RasEnumConnectionsW");
  m_enumConnectionsA = BindFrom<decltype(m_enumConnectionsA)>(m, "RasEnumConnectionsA");
  m_enumEntriesW = BindFrom<decltype(m_enumEntriesW)>(m, "RasEnumEntriesW");
  m_enumEntriesA = BindFrom<decltype(m_enumEntriesA)>(m, "RasEnumEntriesA");
  m_editW = BindFrom<decltype(m_editW)>(m, "RasEditPhonebookEntryW");
  m_editA = BindFrom<decltype(m_editA)>(m, "RasEditPhonebookEntryA");
  m_available = m_dialW && m_statusW && m_hangUpW && m_errorW && m_enumConnectionsW && m_enumEntriesW && m_editW;
}

DWORD RasApi::ActiveConnections(std::vector<std::pair<std::wstring, HRASCONN>>& connections) const {
  connections.clear();
  if (!m_enumConnectionsW) return ERROR_CALL_NOT_IMPLEMENTED;
  std::vector<RASCONNW> wide(16);
  for (auto& c : wide) c.dwSize = sizeof(RASCONNW);
  DWORD bytes = static_cast<DWORD>(wide.size() * sizeof(RASCONNW)), count = 0;
  DWORD error = m_enumConnectionsW(wide.data(), &bytes, &count);
  if (error == ERROR_BUFFER_TOO_SMALL) {
    wide.resize(bytes / sizeof(RASCONNW) + 1);
    for (auto& c : wide) c.dwSize = sizeof(RASCONNW);
    bytes = static_cast<DWORD>(wide.size() * sizeof(RASCONNW));
    error = m_enumConnectionsW(wide.data(), &bytes, &count);
  }
  if (error == ERROR_SUCCESS) {
    for (DWORD i = 0; i < count; ++i) connections.emplace_back(wide[i].szEntryName, wide[i].hrasconn);
    return ERROR_SUCCESS;
  }
  if (!NotImplemented(error) || !m_enumConnectionsA) return error;
  std::vector<RASCONNA> ansi(64);
  for (auto& c : ansi) c.dwSize = sizeof(RASCONNA);
  bytes = static_cast<DWORD>(ansi.size() * sizeof(RASCONNA));
  error = m_enumConnectionsA(ansi.data(), &bytes, &count);
  if (error != ERROR_SUCCESS) return error;
  for (DWORD i = 0; i < count; ++i) connections.emplace_back(WidenText(ansi[i].szEntryName), ansi[i].hrasconn);
  return ERROR_SUCCESS;
}

DWORD RasApi::Dial(const RASDIALPARAMSW& params, HRASCONN* connection) const {
  if (!m_dialW) return ERROR_CALL_NOT_IMPLEMENTED;
  RASDIALPARAMSW wide = params;
  DWORD error = m_dialW(nullptr, nullptr, &wide, 0, nullptr, connection);
  if (!NotImplemented(error) || !m_dialA) return error;
  RASDIALPARAMSA ansi{};
  ansi.dwSize = sizeof(ansi);
  CopyNarrow(ansi.szEntryName, params.szEntryName);
  CopyNarrow(ansi.szPhoneNumber, params.szPhoneNumber);
  CopyNarrow(ansi.szCallbackNumber, params.szCallbackNumber);
  CopyNarrow(ansi.szUserName, params.szUserName);
  CopyNarrow(ansi.szPassword, params.szPassword);
  CopyNarrow(ansi.szDomain, params.szDomain);
  return m_dialA(nullptr, nullptr, &ansi, 0, nullptr, connection);
}

DWORD RasApi::ConnectState(HRASCONN connection, RASCONNSTATE& state) const {
  if (!m_statusW) return ERROR_CALL_NOT_IMPLEMENTED;
  RASCONNSTATUSW wide{};
  wide.dwSize = sizeof(wide);
  DWORD error = m_statusW(connection, &wide);
  if (error == ERROR_SUCCESS) state = wide.rasconnstate;
  if (!NotImplemented(error) || !m_statusA) return error;
  RASCONNSTATUSA ansi{};
  ansi.dwSize = sizeof(ansi);
  error = m_statusA(connection, &ansi);
  if (error == ERROR_SUCCESS) state = ansi.rasconnstate;
  return error;
}

DWORD RasApi::HangUp(HRASCONN connection) const {
  if (!m_hangUpW) return ERROR_CALL_NOT_IMPLEMENTED;
  const DWORD error = m_hangUpW(connection);
  return NotImplemented(error) && m_hangUpA ? m_hangUpA(connection) : error;
}

std::wstring RasApi::ErrorText(DWORD error) const {
  if (!m_errorW) return {};
  std::wstring text(kErrorTextLimit, L'\0');
  DWORD result = m_errorW(static_cast<UINT>(error), text.data(), static_cast<DWORD>(text.size()));
  if (result == ERROR_SUCCESS) {
    text.resize(wcslen(text.c_str()));
    return text;
  }
  if (!NotImplemented(result) || !m_errorA) return {};
  std::string ansi(kErrorTextLimit, '\0');
  result = m_errorA(static_cast<UINT>(error), ansi.data(), static_cast<DWORD>(ansi.size()));
  return result == ERROR_SUCCESS ? WidenText(ansi.c_str()) : std::wstring();
}

DWORD RasApi::Entries(std::vector<std::wstring>& names) const {
  names.clear();
  if (!m_enumEntriesW) return ERROR_CALL_NOT_IMPLEMENTED;
  std::vector<RASENTRYNAMEW> wide(32);
  for (auto& e : wide) e.dwSize = sizeof(RASENTRYNAMEW);
  DWORD bytes = static_cast<DWORD>(wide.size() * sizeof(RASENTRYNAMEW)), count = 0;
  DWORD error = m_enumEntriesW(nullptr, nullptr, wide.data(), &bytes, &count);
  if (error == ERROR_BUFFER_TOO_SMALL) {
    wide.resize(bytes / sizeof(RASENTRYNAMEW) + 1);
    for (auto& e : wide) e.dwSize = sizeof(RASENTRYNAMEW);
    bytes = static_cast<DWORD>(wide.size() * sizeof(RASENTRYNAMEW));
    error = m_enumEntriesW(nullptr, nullptr, wide.data(), &bytes, &count);
  }
  if (error == ERROR_SUCCESS) {
    for (DWORD i = 0; i < count; ++i) names.emplace_back(wide[i].szEntryName);
    return ERROR_SUCCESS;
  }
  if (!NotImplemented(error) || !m_enumEntriesA) return error;
  std::vector<RASENTRYNAMEA> ansi(128);
  for (auto& e : ansi) e.dwSize = sizeof(RASENTRYNAMEA);
  bytes = static_cast<DWORD>(ansi.size() * sizeof(RASENTRYNAMEA));
  error = m_enumEntriesA(nullptr, nullptr, ansi.data(), &bytes, &count);
  if (error != ERROR_SUCCESS) return error;
  for (DWORD i = 0; i < count; ++i) names.push_back(WidenText(ansi[i].szEntryName));
  return ERROR_SUCCESS;
}

DWORD RasApi::EditEntry(HWND window, const std::wstring& entry) const {
  if (!m_editW) return ERROR_CALL_NOT_IMPLEMENTED;
  const DWORD error = m_editW(window, nullptr, entry.c_str());
  if (!NotImplemented(error) || !m_editA) return error;
  return m_editA(window, nullptr, NarrowText(entry).c_str());
}

}  // namespace wendrix
