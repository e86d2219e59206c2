// wxcli: the library's command-line tool, for publishers and for us.
#include <windows.h>

#include <exception>

#include "console.h"

namespace {

constexpr wchar_t kUsage[] =
    L"usage: wxcli COMMAND ...\n"
    L"  inspect FILE                 what the library makes of a publisher data file\n"
    L"  validate FILE [--strict]     check a publisher data file; errors as FILE:LINE: message\n"
    L"  hash FILE...                 the SHA256 lines that pin the files in an action\n"
    L"  ini dump FILE                the entries of an INI file, one per line\n"
    L"  ini save FILE OUT [--ansi]   load FILE and write it back to OUT (UTF-16)\n"
    L"  version parse TEXT           the components of a version\n"
    L"  version compare A B          older, equal or newer\n"
    L"  version display TEXT [--size N] [--replace PREFIX=TEXT]...\n"
    L"  info [KIND] [--64] [--accept-default]   product folder or product file\n"
    L"  system QUERY                 a system information query (Processor\\0\\Name, OS, ...)\n"
    L"  installed FILE               the installed version of each item of a data file\n"
    L"  history [--publisher ID] [--sort COLUMN] [--descending] [--export FILE] [--clear]\n"
    L"  log TYPE [--origin N] [--result N] [--publisher ID] [--item ID] [--action ID] [--info TEXT]\n"
    L"  fetch URL [--out FILE] [--progress]   fetch as a check would, with the user's settings\n"
    L"  register FILE [--caller NAME [--all-users]]   register a publisher (for the user without --caller)\n"
    L"  unregister [--caller NAME] [--all-users] [--counts-only] [--drop-own] [--missing-ok]\n"
    L"  list                         the registered publishers with their counts\n"
    L"  check [PUBLISHER] [--automatic]   check for updates and show the summary and the new items\n"
    L"  items PUBLISHER              the items of a publisher's last data, with installed and latest versions\n"
    L"  download PUBLISHER ITEM [--generic|--try|--buy|--update]   fetch the item's action into the wallet\n"
    L"  install PUBLISHER ITEM [--generic|--try|--buy|--update]   download the item's action and install it now\n"
    L"  wallet [--prune] [--delete ID] [--resume] [--install ID]   the wallet's entries with status, size and progress\n";

}  // namespace

int Run(wxcli::Args args);

int wmain(int argc, wchar_t** argv) {
  try {
    return Run(wxcli::Args(argv + 1, argv + argc));
  } catch (const std::exception&) {
    wxcli::Err(L"wxcli: bad argument\n");
    return 2;
  }
}

int Run(wxcli::Args args) {
  if (args.empty()) {
    wxcli::Err(kUsage);
    return 2;
  }
  const std::wstring command = args.front();
  args.erase(args.begin());
  if (command == L"ini") return wxcli::CommandIni(args);
  if (command == L"version") return wxcli::CommandVersion(args);
  if (command == L"info") return wxcli::CommandInfo(args);
  if (command == L"inspect") return wxcli::CommandInspect(args);
  if (command == L"system") return wxcli::CommandSystem(args);
  if (command == L"installed") return wxcli::CommandInstalled(args);
  if (command == L"validate") return wxcli::CommandValidate(args);
  if (command == L"hash") return wxcli::CommandHash(args);
  if (command == L"history") return wxcli::CommandHistory(args);
  if (command == L"log") return wxcli::CommandLog(args);
  if (command == L"fetch") return wxcli::CommandFetch(args);
  if (command == L"register") return wxcli::CommandRegister(args);
  if (command == L"unregister") return wxcli::CommandUnregister(args);
  if (command == L"list") return wxcli::CommandList(args);
  if (command == L"check") return wxcli::CommandCheck(args);
  if (command == L"items") return wxcli::CommandItems(args);
  if (command == L"download") return wxcli::CommandDownload(args);
  if (command == L"wallet") return wxcli::CommandWallet(args);
  if (command == L"install") return wxcli::CommandInstall(args);
  wxcli::Err(kUsage);
  return 2;
}
