#include "install/task_file.h"

#include <cwchar>
#include <iterator>

#include "core/text_encoding.h"
#include "frame/string_table.h"
#include "install/com_identifiers.h"
#include "platform/temporary_file.h"
#include "resources/string_ids.h"
#include "setup/journal.h"

namespace wendrix {
namespace {

// The display flags of the main program's command line ("/f:") that open
// each task's page.
constexpr unsigned kCheckFlags = 0x4;
constexpr unsigned kSettingsFlags = 0x100;
constexpr unsigned kHistoryFlags = 0x800;
// The control-panel category the applet lives in.
constexpr int kCategory = 5;

std::wstring EscapeXml(const std::wstring& text) {
  std::wstring escaped;
  for (const wchar_t c : text) {
    switch (c) {
      case L'&': escaped += L"&amp;"; break;
      case L'<': escaped += L"&lt;"; break;
      case L'>': escaped += L"&gt;"; break;
      case L'"': escaped += L"&quot;"; break;
      case L'\'': escaped += L"&apos;"; break;
      default: escaped += c;
    }
  }
  return escaped;
}

std::wstring Task(const wchar_t* id, const std::wstring& name, const std::wstring& program, unsigned flags) {
  wchar_t command[32];
  std::swprintf(command, std::size(command), L" /f:0x%X", flags);
  return L"    <sh:task id=\"" + std::wstring(id) + L"\">\r\n      <sh:name>" + EscapeXml(name) +
         L"</sh:name>\r\n      <sh:command>" + EscapeXml(L"\"" + program + L"\"" + command) +
         L"</sh:command>\r\n    </sh:task>\r\n";
}

}  // namespace

std::wstring BuildControlPanelTasks(const std::wstring& program, const ControlPanelTaskTexts& texts) {
  std::wstring xml =
      L"<?xml version=\"1.0\" encoding=\"utf-16\"?>\r\n"
      L"<applications xmlns=\"http://schemas.microsoft.com/windows/cpltasks/v1\" "
      L"xmlns:sh=\"http://schemas.microsoft.com/windows/tasks/v1\">\r\n"
      L"  <application id=\"" + std::wstring(kControlPanelAppId) + L"\">\r\n";
  xml += Task(kTaskCheckId, texts.check, program, kCheckFlags);
  xml += Task(kTaskSettingsId, texts.settings, program, kSettingsFlags);
  xml += Task(kTaskHistoryId, texts.history, program, kHistoryFlags);
  xml += L"    <category id=\"" + std::to_wstring(kCategory) + L"\">\r\n";
  for (const wchar_t* id : {kTaskCheckId, kTaskSettingsId, kTaskHistoryId})
    xml += L"      <sh:task idref=\"" + std::wstring(id) + L"\"/>\r\n";
  xml += L"    </category>\r\n  </application>\r\n</applications>\r\n";
  return xml;
}

HRESULT WriteControlPanelTasks(const std::wstring& path, const std::wstring& program, CJournal* journal) {
  const ControlPanelTaskTexts texts{LoadStringText(kStrTaskCheckForUpdates), LoadStringText(kStrTaskChangeSettings),
                                    LoadStringText(kStrTaskViewHistory)};
  if (journal) RETURN_IF_FAILED(journal->NoteFileToWrite(path));
  CTemporaryFile file;
  RETURN_IF_FAILED(file.CreateBeside(path.c_str()));
  RETURN_IF_FAILED(file.Write(EncodeUtf16LeFile(BuildControlPanelTasks(program, texts))));
  return file.MoveOver(path.c_str());
}

}  // namespace wendrix
