#pragma once
// The main window of the product's user interface (class "WendrixDialog"):
// All Items, Wallet and History behind a view switcher, the check summary,
// the progress of the worker thread, buttons to check for updates, to
// download or install the selected item and, while a newer version of the
// product is on offer, to update it; All Items' context menu hides the
// selected item and restores the hidden ones.
//
// Other processes talk to it through window messages: WM_APP asks for the
// main window (0 until it is ready), WM_COPYDATA of kind WM_APP+6 carries a
// display request, WM_APP+4 and WM_APP+5 say the publishers changed, WM_APP+1
// closes it (a restart first leaves its view to a request record), the
// worker thread reports with WM_APP+0x64 ... 0x6C, and the download manager
// with its status messages.
#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/result.h"
#include "eventlog/event_record.h"
#include "platform/unique_handle.h"
#include "registration/publisher_store.h"
#include "ui/display_target.h"
#include "ui/download_queue.h"
#include "ui/item_rows.h"
#include "ui/self_update_choice.h"
#include "ui/status_report.h"
#include "ui/wallet_rows.h"
#include "update/check_summary.h"
#include "update/director_thread.h"
#include "update/display_request.h"
#include "update/settings.h"
#include "wallet/request_record.h"

namespace wendrix {

// Messages the window posts itself.
inline constexpr UINT kMsgOpenRequested = WM_APP + 0x20;  // open the Options dialog or the About box

class CMainDialog {
 public:
  // `pending` are items of request records to show in the Wallet view and
  // queue for download.
  CMainDialog(DisplayRequest request, std::vector<RequestedItem> pending);
  CMainDialog(const CMainDialog&) = delete;
  CMainDialog& operator=(const CMainDialog&) = delete;
  ~CMainDialog();

  // Runs the window modally over `owner` until it closes; E_FAIL when it
  // cannot be created.
  HRESULT Run(HWND owner);

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Answer(LRESULT result);

  void Initialise();
  // `dpi` 0: the system's.
  void ApplyFonts(UINT dpi);
  void SetTexts();
  void Layout();
  void ShowTarget(DisplayTarget target);
  void ShowView(int view);
  void OpenRequestedDialog(WPARAM target);

  void ReloadPublishers();
  void RefreshItems();
  // The All Items view's context menu at `at` (screen; -1,-1: the keyboard's
  // menu key, under the selected row).
  void ShowItemMenu(POINT at);
  // Hides the selected item (its row goes, its update joins the summary's
  // count of hidden ones) or lists every hidden item of the shown
  // publishers again.
  void HideSelectedItem();
  void RestoreHiddenItems();
  void RefreshWallet();
  // Selects the row of the item with that ID (of the publisher shown, when
  // the window shows one).
  void SelectItem(const std::wstring& itemId);
  void RefreshHistory();
  void RefreshSummary();
  CheckSummaryScope SummaryScope() const;
  // The details behind the summary's error link.
  void ShowCheckErrors();
  void UpdateButtons();

  void StartCheck();
  // The product's own update on offer, run on the worker thread; the window
  // closes once it has handed the new version to the launcher, which waits
  // for this process to end.
  void StartSelfUpdate();
  void OnSelfUpdateDone(HRESULT result);
  // The item row selected in All Items; null (and the user told to choose
  // an item) when none is, or a publisher's row is.
  const ItemRow* SelectedItemRow();
  void QueueSelected(bool install);
  void PumpQueue();
  LRESULT OnCopyData(HWND sender, const COPYDATASTRUCT& data);
  LRESULT OnStatusReport(const StatusReport& report);
  void OnCheckEnded(std::uint32_t runFlags);
  void OnJobDone();
  void Close(bool forRestart);
  void LeaveRequestRecord();
  void SetProgressText(const std::wstring& text);

  DisplayRequest m_request;
  std::vector<RequestedItem> m_pending;
  HWND m_window = nullptr;
  HWND m_views = nullptr, m_items = nullptr, m_wallet = nullptr, m_history = nullptr;
  HWND m_summary = nullptr, m_progress = nullptr, m_progressText = nullptr;
  bool m_ready = false;
  int m_view = 0;
  std::wstring m_onlyPublisher;  // a user interface for one registered publisher

  UniqueKernelObject m_closeEvent;
  HFONT m_font = nullptr;

  // The worker thread's job uses the settings and the store: both outlive it
  // (the thread is declared after them, so it ends first), and the store is
  // only replaced between jobs.
  std::unique_ptr<InternetSettings> m_settings;
  std::unique_ptr<CPublisherStore> m_store;
  bool m_reloadAfterJob = false;
  bool m_cancelRequested = false;
  std::vector<ItemRow> m_itemRows;
  std::uint32_t m_hiddenWithUpdates = 0;
  bool m_anyHidden = false;
  std::optional<SelfUpdateChoice> m_selfUpdate;
  std::vector<WalletRow> m_walletRows;
  DownloadProgress m_downloadProgress;
  CEventList m_events;
  CDownloadQueue m_queue;
  CDirectorThread m_director;
};

}  // namespace wendrix
