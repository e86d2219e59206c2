#include "wallet/main_program.h"

#include <windows.h>
#include <shellapi.h>

#include "frame/product_folder.h"

namespace wendrix {

HRESULT StartMainProgram(const std::wstring& parameters, UniqueKernelObject& process) {
  std::wstring program, folder;
  RETURN_IF_FAILED(GetProductPath(kInfoMainProgram, program));
  RETURN_IF_FAILED(GetProductPath(kInfoFolder, folder));
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  info.lpFile = program.c_str();
  info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
  info.lpDirectory = folder.c_str();
  info.nShow = SW_SHOWNORMAL;
  RETURN_LAST_ERROR_IF(!ShellExecuteExW(&info));
  process.Reset(info.hProcess);
  return S_OK;
}

namespace {

// A quoted argument doubles the quotes it holds, as everywhere on the main
// program's command line.
void AppendQuoted(std::wstring& line, const wchar_t* prefix, const wchar_t* text) {
  line.append(L" \"").append(prefix);
  for (const wchar_t* c = text; *c; ++c) {
    if (*c == L'"') line += L'"';
    line += *c;
  }
  line += L'"';
}

}  // namespace

std::wstring EntryCommandLine(const std::wstring& id, const wchar_t* command, const wchar_t* folder) {
  std::wstring line = L"/d:" + id;
  if (command && *command) AppendQuoted(line, L"/x:", command);
  if (folder && *folder) AppendQuoted(line, L"/u:", folder);
  return line;
}

}  // namespace wendrix
