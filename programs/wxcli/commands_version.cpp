#include <string>

#include "console.h"
#include "core/version.h"

using namespace wendrix;

namespace wxcli {

int CommandVersion(Args args) {
  if (args.size() == 2 && args[0] == L"parse") {
    VersionParts parts{};
    const std::size_t consumed = ParseVersion(args[1], &parts);
    if (!consumed) {
      Out(L"not a version\n");
      return 1;
    }
    Out(FormatVersion(parts) + L" (" + std::to_wstring(consumed) + L" characters" +
        (IsValidVersionField(args[1]) ? L"" : L", not a whole version field") + L")\n");
    return 0;
  }
  if (args.size() == 3 && args[0] == L"compare") {
    static const wchar_t* const words[] = {L"", L"older", L"equal", L"newer"};
    Out(args[1] + L" is " + words[CompareVersions(std::wstring_view(args[1]), std::wstring_view(args[2]))] +
        L" than " + args[2] + L"\n");
    return 0;
  }
  if (!args.empty() && args[0] == L"display") {
    DisplayVersionStyle style;
    std::wstring value;
    if (TakeOption(args, L"--size", value)) style.size = static_cast<std::uint32_t>(std::stoul(value));
    while (TakeOption(args, L"--replace", value)) {
      const std::size_t eq = value.find(L'=');
      VersionReplacement r;
      if (eq == std::wstring::npos || !IsValidVersionField(value.substr(0, eq)) ||
          !ParseVersion(value.substr(0, eq), &r.prefix)) {
        Err(L"--replace needs PREFIX=TEXT with a version prefix\n");
        return 2;
      }
      r.prefixCount = CountPrefixComponents(value.substr(0, eq));
      r.text = value.substr(eq + 1);
      style.replacements.push_back(std::move(r));
    }
    VersionParts parts{};
    if (args.size() != 2 || !ParseVersion(args[1], &parts)) {
      Err(L"usage: wxcli version display VERSION [--size N] [--replace PREFIX=TEXT]...\n");
      return 2;
    }
    Out(FormatVersionForDisplay(&style, parts) + L"\n");
    return 0;
  }
  Err(L"usage: wxcli version parse TEXT | compare A B | display VERSION [--size N] [--replace PREFIX=TEXT]...\n");
  return 2;
}

}  // namespace wxcli
