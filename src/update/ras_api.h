#pragma once
// Remote access (dial-up) bound at run time on first use, wide entry points
// first with their ANSI twins as the fallback.
#include <windows.h>
#include <ras.h>

#include <string>
#include <vector>

#include "platform/unique_handle.h"

namespace wendrix {

class RasApi {
 public:
  RasApi();  // loads RASAPI32.DLL
  RasApi(const RasApi&) = delete;
  RasApi& operator=(const RasApi&) = delete;

  // All seven wide entry points were found.
  bool Available() const noexcept { return m_available; }

  // The entry names of the active connections, with their handles.
  DWORD ActiveConnections(std::vector<std::pair<std::wstring, HRASCONN>>& connections) const;
  // Dials synchronously; *connection receives the (maybe half-made) connection.
  DWORD Dial(const RASDIALPARAMSW& params, HRASCONN* connection) const;
  // The connection's state, or an error.
  DWORD ConnectState(HRASCONN connection, RASCONNSTATE& state) const;
  DWORD HangUp(HRASCONN connection) const;
  std::wstring ErrorText(DWORD error) const;
  DWORD Entries(std::vector<std::wstring>& names) const;
  DWORD EditEntry(HWND window, const std::wstring& entry) const;

 private:
  UniqueModule m_module;
  bool m_available = false;
  decltype(&RasDialW) m_dialW = nullptr;
  decltype(&RasDialA) m_dialA = nullptr;
  decltype(&RasGetConnectStatusW) m_statusW = nullptr;
  decltype(&RasGetConnectStatusA) m_statusA = nullptr;
  decltype(&RasHangUpW) m_hangUpW = nullptr;
  decltype(&RasHangUpA) m_hangUpA = nullptr;
  decltype(&RasGetErrorStringW) m_errorW = nullptr;
  decltype(&RasGetErrorStringA) m_errorA = nullptr;
  decltype(&RasEnumConnectionsW) m_enumConnectionsW = nullptr;
  decltype(&RasEnumConnectionsA) m_enumConnectionsA = nullptr;
  decltype(&RasEnumEntriesW) m_enumEntriesW = nullptr;
  decltype(&RasEnumEntriesA) m_enumEntriesA = nullptr;
  decltype(&RasEditPhonebookEntryW) m_editW = nullptr;
  decltype(&RasEditPhonebookEntryA) m_editA = nullptr;
};

}  // namespace wendrix
