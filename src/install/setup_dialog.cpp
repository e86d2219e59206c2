#include "install/setup_dialog.h"

#include "frame/dialog_guard.h"
#include "frame/module_state.h"
#include "frame/string_table.h"
#include "install/install_steps.h"
#include "install/worker_code.h"
#include "registration/publisher_store.h"
#include "registration/step_location.h"
#include "resources/install_dialog_ids.h"
#include "resources/string_ids.h"
#include "wallet/wallet_store.h"

namespace wendrix {
namespace {

struct DialogState {
  const SetupSummary* summary;
};

void FillList(HWND dialog, int list, const std::vector<std::wstring>& lines) {
  const HWND control = GetDlgItem(dialog, list);
  if (lines.empty()) {
    SendMessageW(control, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(LoadStringText(WX_STRING_SETUP_NONE).c_str()));
    return;
  }
  for (const std::wstring& line : lines) SendMessageW(control, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
}

INT_PTR CALLBACK SetupProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      const auto* state = reinterpret_cast<const DialogState*>(lParam);
      SetWindowTextW(dialog, LoadStringText(WX_STRING_SETUP_CAPTION).c_str());
      SetDlgItemTextW(dialog, WX_CONTROL_SETUP_PROGRAMS_HEADING, LoadStringText(kStrOtherUsersPrograms).c_str());
      SetDlgItemTextW(dialog, WX_CONTROL_SETUP_PUBLISHERS_HEADING, LoadStringText(kStrOtherUsersPublishers).c_str());
      SetDlgItemTextW(dialog, WX_CONTROL_SETUP_QUESTION, LoadStringText(WX_STRING_SETUP_QUESTION).c_str());
      FillList(dialog, WX_CONTROL_SETUP_PROGRAMS, state->summary->otherUsersPrograms);
      FillList(dialog, WX_CONTROL_SETUP_PUBLISHERS, state->summary->otherUsersPublishers);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
      }
      break;
  }
  return FALSE;
}

const std::wstring& ShownName(const PublisherRecord& record) { return record.name.empty() ? record.id : record.name; }

}  // namespace

HRESULT GatherSetupSummary(SetupSummary& summary, std::uint32_t& location) {
  CWallet wallet;
  RETURN_IF_FAILED(AtStep(location, kAtSetupReadWallet, wallet.LoadAll()));
  CPublisherStore store;
  RETURN_IF_FAILED(AtStep(location, kAtSetupReadPublishers, store.Open(true, nullptr)));
  // What was registered for everybody stays for the other users: programs
  // counted it there, or a user registered it there by hand.
  for (const PublisherRecord& record : store.Records()) {
    if (IsSelfPublisher(record)) continue;
    if (record.counts[kSlotAllUsers] || record.counts[kSlotOlderAllUsers])
      summary.otherUsersPrograms.push_back(ShownName(record));
    else if (record.flags & (kPublisherCountedAllUsers | kPublisherCountedOlderAllUsers))
      summary.otherUsersPublishers.push_back(ShownName(record));
  }
  return S_OK;
}

HRESULT RunSetupDialog(HWND owner, const SetupSummary& summary, SetupWorker worker, std::uint32_t& location) {
  DialogState state{&summary};
  const INT_PTR answer = DialogBoxParamW(Module().module, MAKEINTRESOURCEW(WX_DIALOG_SETUP), owner, GuardedDialogProc<SetupProc>,
                                         reinterpret_cast<LPARAM>(&state));
  if (answer == -1) return LastErrorResult();
  if (answer != IDOK) return E_ABORT;
  return DecodeWorkerCode(worker(), location);
}

}  // namespace wendrix
