#include "install/com_classes.h"

#include <iterator>
#include <set>

#include "install/com_identifiers.h"
#include "platform/registry.h"
#include "setup/journal.h"

namespace wendrix {
namespace {

constexpr wchar_t kClassesRoot[] = L"Software\\Classes\\";

// The system's marshalers: the type-library one for dual interfaces and the
// dispatch one for event interfaces.
#define WX_AUTOMATION_MARSHALER L"{00020424-0000-0000-C000-000000000046}"
#define WX_DISPATCH_MARSHALER L"{00020420-0000-0000-C000-000000000046}"

constexpr ComRow kCompanionRows[] = {
    {L"AppID\\{A}", nullptr, L"Wendrix"},
    {L"AppID\\wendrixc.dll", L"AppID", L"{A}"},
    {L"Wendrix.Application", nullptr, L"Application Object"},
    {L"Wendrix.Application\\CLSID", nullptr, L"{C}"},
    {L"Wendrix.Application\\CurVer", nullptr, L"Wendrix.Application.3"},
    {L"Wendrix.Application.3", nullptr, L"Application Object"},
    {L"Wendrix.Application.3\\CLSID", nullptr, L"{C}"},
    {L"CLSID\\{C}", nullptr, L"Application Object"},
    {L"CLSID\\{C}", L"AppID", L"{A}"},
    {L"CLSID\\{C}\\InprocServer32", nullptr, L"{path}"},
    {L"CLSID\\{C}\\InprocServer32", L"ThreadingModel", L"apartment"},
    {L"CLSID\\{C}\\ProgID", nullptr, L"Wendrix.Application.3"},
    {L"CLSID\\{C}\\TypeLib", nullptr, L"{A}"},
    {L"CLSID\\{C}\\VersionIndependentProgID", nullptr, L"Wendrix.Application"},
    {L"Interface\\{I}", nullptr, L"IApplication"},
    {L"Interface\\{I}\\ProxyStubClsid", nullptr, WX_AUTOMATION_MARSHALER},
    {L"Interface\\{I}\\ProxyStubClsid32", nullptr, WX_AUTOMATION_MARSHALER},
    {L"Interface\\{I}\\TypeLib", nullptr, L"{A}"},
    {L"Interface\\{I}\\TypeLib", L"Version", L"3.7"},
    {L"Interface\\{E}", nullptr, L"_IApplicationEvents"},
    {L"Interface\\{E}\\ProxyStubClsid", nullptr, WX_DISPATCH_MARSHALER},
    {L"Interface\\{E}\\ProxyStubClsid32", nullptr, WX_DISPATCH_MARSHALER},
    {L"Interface\\{E}\\TypeLib", nullptr, L"{A}"},
    {L"Interface\\{E}\\TypeLib", L"Version", L"3.7"},
    {L"TypeLib\\{A}\\3.7", nullptr, L"Wendrix 3.7 Type Library"},
    {L"TypeLib\\{A}\\3.7\\0\\win32", nullptr, L"{path}"},
    {L"TypeLib\\{A}\\3.7\\FLAGS", nullptr, L"0"},
    {L"TypeLib\\{A}\\3.7\\HELPDIR", nullptr, L""},
};
static_assert(std::size(kCompanionRows) == 28);

// The control also declares itself a scriptable control that is safe to
// script and to initialise, through the standard component categories.
constexpr ComRow kControlRows[] = {
    {L"AppID\\{A}", nullptr, L"WendrixWebCheck"},
    {L"AppID\\wendrixw.ocx", L"AppID", L"{A}"},
    {L"Wendrix.WebCheck", nullptr, L"WebCheck Object"},
    {L"Wendrix.WebCheck\\CLSID", nullptr, L"{C}"},
    {L"Wendrix.WebCheck\\CurVer", nullptr, L"Wendrix.WebCheck.3"},
    {L"Wendrix.WebCheck.3", nullptr, L"WebCheck Object"},
    {L"Wendrix.WebCheck.3\\CLSID", nullptr, L"{C}"},
    {L"CLSID\\{C}", nullptr, L"WebCheck Object"},
    {L"CLSID\\{C}", L"AppID", L"{A}"},
    {L"CLSID\\{C}\\Control", nullptr, nullptr},
    {L"CLSID\\{C}\\Programmable", nullptr, nullptr},
    {L"CLSID\\{C}\\Implemented Categories\\{40FC6ED4-2438-11CF-A3DB-080036F12502}", nullptr, nullptr},
    {L"CLSID\\{C}\\Implemented Categories\\{40FC6ED5-2438-11CF-A3DB-080036F12502}", nullptr, nullptr},
    {L"CLSID\\{C}\\Implemented Categories\\{7DD95801-9882-11CF-9FA9-00AA006C42C4}", nullptr, nullptr},
    {L"CLSID\\{C}\\Implemented Categories\\{7DD95802-9882-11CF-9FA9-00AA006C42C4}", nullptr, nullptr},
    {L"CLSID\\{C}\\InprocServer32", nullptr, L"{path}"},
    {L"CLSID\\{C}\\InprocServer32", L"ThreadingModel", L"apartment"},
    {L"CLSID\\{C}\\MiscStatus", nullptr, L"0"},
    {L"CLSID\\{C}\\MiscStatus\\1", nullptr, L"131473"},
    {L"CLSID\\{C}\\ToolBoxBitmap32", nullptr, L"{path}, 1"},
    {L"CLSID\\{C}\\ProgID", nullptr, L"Wendrix.WebCheck.1"},
    {L"CLSID\\{C}\\TypeLib", nullptr, L"{A}"},
    {L"CLSID\\{C}\\Version", nullptr, L"3.7"},
    {L"CLSID\\{C}\\VersionIndependentProgID", nullptr, L"Wendrix.WebCheck"},
    {L"Interface\\{I}", nullptr, L"IWebCheck"},
    {L"Interface\\{I}\\ProxyStubClsid", nullptr, WX_AUTOMATION_MARSHALER},
    {L"Interface\\{I}\\ProxyStubClsid32", nullptr, WX_AUTOMATION_MARSHALER},
    {L"Interface\\{I}\\TypeLib", nullptr, L"{A}"},
    {L"Interface\\{I}\\TypeLib", L"Version", L"3.7"},
    {L"TypeLib\\{A}\\3.7", nullptr, L"Wendrix Web Check 3.7 Type Library"},
    {L"TypeLib\\{A}\\3.7\\0\\win32", nullptr, L"{path}"},
    {L"TypeLib\\{A}\\3.7\\FLAGS", nullptr, L"0"},
    {L"TypeLib\\{A}\\3.7\\HELPDIR", nullptr, L""},
};
static_assert(std::size(kControlRows) == 33);

const ComTable kCompanion{kCompanionAppId, kCompanionClassId, kCompanionInterfaceId, kCompanionEventsId,
                          kCompanionRows};
const ComTable kControl{kControlAppId, kControlClassId, kControlInterfaceId, nullptr, kControlRows};

void ReplaceAll(std::wstring& text, std::wstring_view token, std::wstring_view value) {
  for (std::size_t at = text.find(token); at != std::wstring::npos; at = text.find(token, at + value.size()))
    text.replace(at, token.size(), value);
}

// The key of a row that belongs to the library alone: the identifier's key
// under AppID, CLSID, Interface or TypeLib, else the program identifier.
std::wstring OwnKey(const std::wstring& key) {
  const std::size_t first = key.find(L'\\');
  if (first == std::wstring::npos) return key;
  const std::wstring top = key.substr(0, first);
  if (top != L"AppID" && top != L"CLSID" && top != L"Interface" && top != L"TypeLib") return top;
  const std::size_t second = key.find(L'\\', first + 1);
  return second == std::wstring::npos ? key : key.substr(0, second);
}

}  // namespace

const ComTable& CompanionClasses() noexcept { return kCompanion; }
const ComTable& ControlClasses() noexcept { return kControl; }

std::wstring ExpandComText(const ComTable& table, const wchar_t* text, const std::wstring& path) {
  std::wstring result = text ? text : L"";
  ReplaceAll(result, L"{A}", table.appId);
  ReplaceAll(result, L"{C}", table.classId);
  ReplaceAll(result, L"{I}", table.interfaceId);
  if (table.eventsId) ReplaceAll(result, L"{E}", table.eventsId);
  ReplaceAll(result, L"{path}", path);
  return result;
}

HRESULT RegisterComClasses(const ComTable& table, const std::wstring& path, HKEY root, REGSAM view,
                           CJournal* journal) {
  for (const ComRow& row : table.rows) {
    const std::wstring key = kClassesRoot + ExpandComText(table, row.key, path);
    if (!row.data) {
      if (journal) RETURN_IF_FAILED(journal->NoteKeyToCreate(root, key, view));
      RegistryKey created;
      if (const LONG rc = created.Create(root, key.c_str(), KEY_SET_VALUE, view); rc != ERROR_SUCCESS)
        return HResultFromWin32(rc);
      continue;
    }
    const std::wstring name = row.value ? row.value : L"";
    if (journal) RETURN_IF_FAILED(journal->NoteValueToSet(root, key, name, view));
    RegistryKey opened;
    LONG rc = opened.Create(root, key.c_str(), KEY_SET_VALUE, view);
    if (rc == ERROR_SUCCESS) rc = opened.WriteString(name.c_str(), ExpandComText(table, row.data, path));
    if (rc != ERROR_SUCCESS) return HResultFromWin32(rc);
  }
  return S_OK;
}

HRESULT UnregisterComClasses(const ComTable& table, HKEY root, REGSAM view, CJournal* journal) {
  std::set<std::wstring> keys;
  for (const ComRow& row : table.rows) keys.insert(OwnKey(ExpandComText(table, row.key, L"")));
  for (const std::wstring& key : keys) {
    const std::wstring full = kClassesRoot + key;
    if (journal) RETURN_IF_FAILED(journal->NoteKeyTreeToDelete(root, full, view));
    if (const LONG rc = DeleteRegistryTree(root, full, view); rc != ERROR_SUCCESS) return HResultFromWin32(rc);
  }
  return S_OK;
}

}  // namespace wendrix
