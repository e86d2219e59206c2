#include "ui/user_interface.h"

#include <utility>
#include <vector>

#include "ui/display_target.h"
#include "ui/main_dialog.h"
#include "wallet/request_record.h"

namespace wendrix {
namespace {

// Records that cannot be read are dropped by TakeRequestRecord; a failure
// to take one (a folder that cannot be read) ends the taking, since the
// same record would fail again.
void TakeRequestRecords(DisplayRequest& request, std::vector<RequestedItem>& items) {
  bool first = true;
  for (;;) {
    RequestRecord record;
    bool found = false;
    if (FAILED(TakeRequestRecord(record, found)) || !found) return;
    if (first && TargetOfFlags(request.flags) == DisplayTarget::kNone) {
      request.flags |= NormaliseDisplayFlags(record.flags);
      if (request.publisher.empty()) request.publisher = std::move(record.publisher);
    }
    first = false;
    if (record.list)
      for (RequestedItem& item : record.list->items) items.push_back(std::move(item));
  }
}

}  // namespace

HRESULT RunUserInterface(HWND owner, const DisplayRequest& request) {
  DisplayRequest shown = request;
  std::vector<RequestedItem> items;
  TakeRequestRecords(shown, items);
  CMainDialog dialog(std::move(shown), std::move(items));
  return dialog.Run(owner);
}

}  // namespace wendrix
