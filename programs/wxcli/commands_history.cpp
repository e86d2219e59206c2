// The event history: list it as the history view would show it, export it
// as a tab-separated file, clear it, or record an event.
#include <windows.h>

#include <string>

#include "console.h"
#include "frame/messages.h"
#include "eventlog/event_log.h"
#include "eventlog/history.h"
#include "publisher_file.h"
#include "registration/publisher_store.h"
#include "wendrix.h"

namespace wxcli {
namespace {

using namespace wendrix;

}  // namespace

int CommandHistory(Args args) {
  std::wstring publisher, sort, exportPath;
  TakeOption(args, L"--publisher", publisher);
  const bool sorted = TakeOption(args, L"--sort", sort);
  const bool exporting = TakeOption(args, L"--export", exportPath);
  const bool descending = TakeFlag(args, L"--descending");
  const bool clear = TakeFlag(args, L"--clear");
  HistoryColumn column = HistoryColumn::kDate;
  if (!args.empty() || (sorted && !ParseHistoryColumn(sort, column))) {
    Err(L"usage: wxcli history [--publisher ID] [--sort date|origin|event|publisher|group|item|result]\n"
        L"                     [--descending] [--export FILE] [--clear]\n");
    return 2;
  }
  InitializeLibraryState();
  CEventList list;
  if (clear) {
    const HRESULT hr = ClearLog(list);
    return FAILED(hr) ? Failed(L"clear", hr) : 0;
  }
  HRESULT hr = LoadEvents(list);
  if (FAILED(hr)) return Failed(L"load", hr);
  CPublisherStore store;
  hr = store.Open(false, nullptr);
  if (FAILED(hr)) return Failed(L"store", hr);

  const HistoryView view(publisher);
  std::vector<const CEventRecord*> rows = view.Select(list, store);
  view.Sort(rows, column, descending);
  if (exporting) {
    hr = view.Export(exportPath, rows);
    if (FAILED(hr)) return Failed(L"export", hr);
    Out(std::to_wstring(rows.size()) + L" events written to " + exportPath + L"\n");
    return 0;
  }
  std::wstring text;
  const std::vector<HistoryColumn> columns = view.Columns();
  for (std::size_t i = 0; i < columns.size(); ++i) text += (i ? L"\t" : L"") + HistoryColumnTitle(columns[i]);
  text += L"\n";
  for (const CEventRecord* r : rows) {
    for (std::size_t i = 0; i < columns.size(); ++i) text += (i ? L"\t" : L"") + HistoryCellText(*r, columns[i]);
    text += L"\n";
  }
  Out(text);
  return 0;
}

int CommandLog(Args args) {
  std::wstring origin = L"4", type, result = L"5", publisher, group, item, action, info;
  TakeOption(args, L"--origin", origin);
  TakeOption(args, L"--result", result);
  TakeOption(args, L"--publisher", publisher);
  TakeOption(args, L"--group", group);
  TakeOption(args, L"--item", item);
  TakeOption(args, L"--action", action);
  const bool hasInfo = TakeOption(args, L"--info", info);
  if (args.size() != 1) {
    Err(L"usage: wxcli log TYPE [--origin N] [--result N] [--publisher ID] [--group ID] [--item ID]\n"
        L"                      [--action ID] [--info TEXT]   (numbers as WendrixLogEvent2 takes them)\n");
    return 2;
  }
  const auto text = [](const std::wstring& s) { return s.empty() ? nullptr : s.c_str(); };
  const HRESULT hr = WendrixLogEvent2(std::stoul(origin), std::stoul(args[0]), text(publisher), text(group),
                                      text(item), text(action), std::stoul(result), hasInfo ? info.c_str() : nullptr);
  return FAILED(hr) ? Failed(L"log", hr) : 0;
}

}  // namespace wxcli
