#include "wallet/main_program.h"

#include <windows.h>

namespace wendrix {
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
