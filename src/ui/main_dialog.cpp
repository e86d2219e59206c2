#include "ui/main_dialog.h"

#include <commctrl.h>
#include <windowsx.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstring>

#include "eventlog/event_log.h"
#include "core/placeholders.h"
#include "frame/dialog_guard.h"
#include "frame/activation_scope.h"
#include "frame/messages.h"
#include "frame/module_state.h"
#include "publisher/builtin_publishers.h"
#include "publisher/windows_environment.h"
#include "registration/branding.h"
#include "registration/main_window.h"
#include "resources/string_ids.h"
#include "resources/ui_ids.h"
#include "setup/product_stop.h"
#include "ui/check_event.h"
#include "ui/about_box.h"
#include "ui/options_dialog.h"
#include "ui/hidden_items.h"
#include "ui/history_rows.h"
#include "ui/list_view.h"
#include "ui/summary_lines.h"
#include "update/check_clients.h"
#include "update/check_engine.h"
#include "update/display.h"
#include "ui/status_report.h"
#include "wallet/wallet_store.h"

namespace wendrix {
namespace {

enum View : int { kViewAllItems, kViewWallet, kViewHistory };

// The control-panel task "check for updates" opens the window and starts
// a check at once.
constexpr std::uint32_t kDisplayCheckNow = 0x4;
// Dialog units of the layout.
constexpr int kMarginDlu = 7, kGapDlu = 4, kButtonHeightDlu = 14, kLineDlu = 9, kSummaryLines = 4;
constexpr int kCheckWidthDlu = 90, kButtonWidthDlu = 64, kCloseWidthDlu = 50;
constexpr int kMinWidthDlu = 360, kMinHeightDlu = 220;
// WM_DPICHANGED, which headers for older systems leave out.
constexpr UINT kDpiChangedMessage = 0x02E0;

const PublisherEnvironment& Environment() {
  static const WindowsPublisherEnvironment env(Module().version);
  return env;
}

std::wstring Text(UINT id) { return MessageString(id); }

BOOL CALLBACK SetChildFont(HWND child, LPARAM font) {
  SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(font), FALSE);
  return TRUE;
}

HRESULT RegisterDialogClass() {
  WNDCLASSEXW c{};
  c.cbSize = sizeof c;
  c.style = CS_DBLCLKS;
  c.lpfnWndProc = DefDlgProcW;
  c.cbWndExtra = DLGWINDOWEXTRA;
  c.hInstance = Module().module;
  c.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  c.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  c.lpszClassName = kMainWindowClass;
  if (!RegisterClassExW(&c) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return LastErrorResult();
  return S_OK;
}

// A rectangle of dialog units in pixels of this window's font.
RECT Dlu(HWND window, int left, int top, int right, int bottom) {
  RECT r{left, top, right, bottom};
  MapDialogRect(window, &r);
  return r;
}

std::wstring SizeText(std::uint64_t bytes) {
  wchar_t buffer[64] = {};
  StrFormatByteSizeW(static_cast<LONGLONG>(bytes), buffer, 64);
  return buffer;
}

std::vector<std::vector<std::wstring>> ItemCells(const std::vector<ItemRow>& rows) {
  std::vector<std::vector<std::wstring>> cells;
  for (const ItemRow& row : rows) {
    const std::wstring status = row.IsPublisher() ? Text(row.status) : Text(WX_STR_ITEM_NOT_INSTALLED + row.status);
    cells.push_back({row.publisher, row.title, row.installed, row.latest, status});
  }
  return cells;
}

std::vector<std::wstring> WalletCells(const WalletRow& row) {
  return {row.name, row.publisher, Text(WX_STR_WALLET_STATUS_FIRST + row.displayStatus), SizeText(row.size),
          std::to_wstring(row.percent) + L"%"};
}

}  // namespace

CMainDialog::CMainDialog(DisplayRequest request, std::vector<RequestedItem> pending)
    : m_request(std::move(request)), m_pending(std::move(pending)) {}

CMainDialog::~CMainDialog() {
  if (m_font) DeleteObject(m_font);
}

HRESULT CMainDialog::Run(HWND owner) {
  // The common controls of version 6 (the system's current look) come with
  // the library's manifest.
  ActivationScope scope;
  INITCOMMONCONTROLSEX controls{sizeof controls,
                                ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES | ICC_PROGRESS_CLASS | ICC_LINK_CLASS};
  InitCommonControlsEx(&controls);
  RETURN_IF_FAILED(RegisterDialogClass());
  m_closeEvent.Reset(CreateEventW(nullptr, TRUE, FALSE, kDialogCloseEvent));
  // A signal left by an earlier window would tell a new waiter that this
  // one closed.
  if (m_closeEvent) ResetEvent(m_closeEvent.Get());
  const HWND foreground = (m_request.flags & kDisplayRememberForeground) ? GetForegroundWindow() : nullptr;
  const INT_PTR result = DialogBoxParamW(Module().module, MAKEINTRESOURCEW(WX_DIALOG_MAIN), owner, &GuardedDialogProc<DialogProc>,
                                         reinterpret_cast<LPARAM>(this));
  // The process may go on after the window (an application's own thread).
  if (!m_onlyPublisher.empty()) SetBrandedName({}, {});
  if (m_closeEvent) SetEvent(m_closeEvent.Get());
  if (foreground && IsWindow(foreground)) SetForegroundWindow(foreground);
  return result == -1 ? E_FAIL : S_OK;
}

INT_PTR CALLBACK CMainDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<CMainDialog*>(lParam);
    SetWindowLongPtrW(window, DWLP_USER, lParam);
    self->m_window = window;
    self->Initialise();
    return TRUE;
  }
  auto* self = reinterpret_cast<CMainDialog*>(GetWindowLongPtrW(window, DWLP_USER));
  return self ? self->Handle(message, wParam, lParam) : FALSE;
}

INT_PTR CMainDialog::Answer(LRESULT result) {
  SetWindowLongPtrW(m_window, DWLP_MSGRESULT, result);
  return TRUE;
}

void CMainDialog::Initialise() {
  m_views = GetDlgItem(m_window, WX_CONTROL_MAIN_VIEWS);
  m_items = GetDlgItem(m_window, WX_CONTROL_MAIN_ITEMS);
  m_wallet = GetDlgItem(m_window, WX_CONTROL_MAIN_WALLET);
  m_history = GetDlgItem(m_window, WX_CONTROL_MAIN_HISTORY);
  m_summary = GetDlgItem(m_window, WX_CONTROL_MAIN_SUMMARY);
  m_progress = GetDlgItem(m_window, WX_CONTROL_MAIN_PROGRESS);
  m_progressText = GetDlgItem(m_window, WX_CONTROL_MAIN_PROGRESS_TEXT);
  for (HWND list : {m_items, m_wallet, m_history})
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);

  if (FAILED(LoadSettings(m_settings))) m_settings = std::make_unique<InternetSettings>();
  ReloadPublishers();
  if (!m_request.publisher.empty()) {
    const PublisherRecord* record = m_store->Find(m_request.publisher);
    if (!record) record = m_store->FindByName(m_request.publisher);
    if (record) {
      m_onlyPublisher = record->id;
      // "%an" in every text names the publisher's application from here on.
      BrandForPublisher(m_onlyPublisher);
      ReloadPublishers();
    }
  }
  ApplyFonts(0);
  SetTexts();
  RefreshItems();
  RefreshWallet();
  RefreshHistory();
  RefreshSummary();

  for (const RequestedItem& item : m_pending)
    m_queue.Add({item.publisher, item.item, item.walletItem, item.install});
  if (!m_pending.empty()) PumpQueue();

  if (!m_request.item.empty()) SelectItem(m_request.item);
  DisplayTarget target = TargetOfFlags(m_request.flags);
  if (target == DisplayTarget::kNone && !m_pending.empty()) target = DisplayTarget::kWallet;
  ShowTarget(target);
  Layout();
  SetForegroundWindow(m_window);
  m_ready = true;
  if (m_request.flags & kDisplayCheckNow) StartCheck();
}

void CMainDialog::ApplyFonts(UINT dpi) {
  // The message font the user chose for the system, not the template's; on
  // a monitor of another DPI, that font at the monitor's scale, where the
  // system can give it.
  using MetricsForDpi = BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT);
  static const auto metricsForDpi = reinterpret_cast<MetricsForDpi>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SystemParametersInfoForDpi")));
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  const BOOL got = dpi && metricsForDpi
                       ? metricsForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi)
                       : SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  if (!got) return;
  HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);
  if (!font) return;
  EnumChildWindows(m_window, &SetChildFont, reinterpret_cast<LPARAM>(font));
  if (m_font) DeleteObject(m_font);
  m_font = font;
}

void CMainDialog::SetTexts() {
  SetWindowTextW(m_window, Text(kStrAppNameTitle).c_str());
  int index = 0;
  for (UINT id : {WX_STR_VIEW_ALL_ITEMS, WX_STR_VIEW_WALLET, WX_STR_VIEW_HISTORY}) {
    std::wstring title = Text(id);
    TCITEMW tab{};
    tab.mask = TCIF_TEXT;
    tab.pszText = title.data();
    TabCtrl_InsertItem(m_views, index++, &tab);
  }
  const std::pair<int, UINT> buttons[] = {{WX_CONTROL_MAIN_CHECK, WX_STR_BUTTON_CHECK},
                                          {WX_CONTROL_MAIN_DOWNLOAD, WX_STR_BUTTON_DOWNLOAD},
                                          {WX_CONTROL_MAIN_INSTALL, WX_STR_BUTTON_INSTALL},
                                          {WX_CONTROL_MAIN_SELF_UPDATE, WX_STR_BUTTON_SELF_UPDATE},
                                          {IDCANCEL, WX_STR_BUTTON_CLOSE}};
  for (const auto& [control, id] : buttons) SetDlgItemTextW(m_window, control, Text(id).c_str());

  const RECT w = Dlu(m_window, 80, 110, 60, 40);
  const ListColumn itemColumns[] = {{Text(WX_STR_COLUMN_PUBLISHER), w.left},
                                    {Text(WX_STR_COLUMN_ITEM), w.top},
                                    {Text(WX_STR_COLUMN_INSTALLED), w.right},
                                    {Text(WX_STR_COLUMN_LATEST), w.right},
                                    {Text(WX_STR_COLUMN_STATUS), w.left}};
  SetListColumns(m_items, itemColumns);
  const std::wstring groups[] = {Text(WX_STR_GROUP_UPDATES), Text(WX_STR_GROUP_INSTALLED),
                                 Text(WX_STR_GROUP_NOT_INSTALLED), Text(WX_STR_GROUP_PUBLISHERS)};
  SetListGroups(m_items, groups);
  const ListColumn walletColumns[] = {{Text(WX_STR_COLUMN_ITEM), w.top},
                                      {Text(WX_STR_COLUMN_PUBLISHER), w.left},
                                      {Text(WX_STR_COLUMN_STATUS), w.left},
                                      {Text(WX_STR_COLUMN_SIZE), w.right},
                                      {Text(WX_STR_COLUMN_PROGRESS), w.bottom}};
  SetListColumns(m_wallet, walletColumns);
  std::vector<ListColumn> historyColumns;
  for (HistoryColumn column : HistoryView(m_onlyPublisher).Columns()) {
    const int width = column == HistoryColumn::kDate ? w.left + w.bottom / 2
                      : column == HistoryColumn::kEvent || column == HistoryColumn::kItem ? w.left
                                                                                         : w.right;
    historyColumns.push_back({HistoryColumnTitle(column), width});
  }
  SetListColumns(m_history, historyColumns);
}

void CMainDialog::Layout() {
  RECT client{};
  GetClientRect(m_window, &client);
  const RECT unit = Dlu(m_window, kMarginDlu, kGapDlu, kButtonHeightDlu, kLineDlu);
  const int margin = unit.left, gap = unit.top, buttonHeight = unit.right, line = unit.bottom;
  const int width = std::max<int>(client.right - 2 * margin, 0);

  const int buttonsTop = client.bottom - margin - buttonHeight;
  const RECT widths = Dlu(m_window, kCheckWidthDlu, kButtonWidthDlu, kCloseWidthDlu, 0);
  HDWP positions = BeginDeferWindowPos(12);
  auto place = [&](HWND control, int x, int y, int cx, int cy) {
    if (positions) positions = DeferWindowPos(positions, control, nullptr, x, y, std::max(cx, 0), std::max(cy, 0),
                                              SWP_NOZORDER | SWP_NOACTIVATE);
  };
  int x = margin;
  place(GetDlgItem(m_window, WX_CONTROL_MAIN_CHECK), x, buttonsTop, widths.left, buttonHeight);
  x += widths.left + gap;
  place(GetDlgItem(m_window, WX_CONTROL_MAIN_DOWNLOAD), x, buttonsTop, widths.top, buttonHeight);
  x += widths.top + gap;
  place(GetDlgItem(m_window, WX_CONTROL_MAIN_INSTALL), x, buttonsTop, widths.top, buttonHeight);
  x += widths.top + gap;
  place(GetDlgItem(m_window, WX_CONTROL_MAIN_SELF_UPDATE), x, buttonsTop, widths.top, buttonHeight);
  place(GetDlgItem(m_window, IDCANCEL), client.right - margin - widths.right, buttonsTop, widths.right, buttonHeight);

  const int progressTop = buttonsTop - gap - line;
  place(m_progressText, margin, progressTop, width / 2 - gap, line);
  place(m_progress, margin + width / 2, progressTop, width - width / 2, line);
  const int summaryTop = progressTop - gap - kSummaryLines * line;
  place(m_summary, margin, summaryTop, width, kSummaryLines * line);
  const int viewsBottom = summaryTop - gap;
  place(m_views, margin, margin, width, viewsBottom - margin);
  if (positions) EndDeferWindowPos(positions);

  // The lists fill the tab control's page, above it in the z-order so that
  // the tab control does not paint over them.
  RECT page{margin, margin, margin + width, viewsBottom};
  TabCtrl_AdjustRect(m_views, FALSE, &page);
  for (HWND list : {m_items, m_wallet, m_history})
    SetWindowPos(list, HWND_TOP, page.left, page.top, std::max<int>(page.right - page.left, 0),
                 std::max<int>(page.bottom - page.top, 0), SWP_NOACTIVATE);
}

void CMainDialog::ShowTarget(DisplayTarget target) {
  switch (target) {
    case DisplayTarget::kWallet:
      ShowView(kViewWallet);
      break;
    case DisplayTarget::kHistory:
      ShowView(kViewHistory);
      break;
    case DisplayTarget::kOptions:
    case DisplayTarget::kAbout:
      // Over the window, once the request that asked for it is answered.
      if (!m_ready) ShowView(kViewAllItems);
      PostMessageW(m_window, kMsgOpenRequested, static_cast<WPARAM>(target), 0);
      break;
    default:
      ShowView(kViewAllItems);
  }
}

void CMainDialog::ShowView(int view) {
  m_view = view;
  TabCtrl_SetCurSel(m_views, view);
  const HWND lists[] = {m_items, m_wallet, m_history};
  for (int i = 0; i < 3; ++i) ShowWindow(lists[i], i == view ? SW_SHOW : SW_HIDE);
  if (view == kViewWallet) RefreshWallet();
  if (view == kViewHistory) RefreshHistory();
  UpdateButtons();
}

void CMainDialog::OpenRequestedDialog(WPARAM target) {
  if (target == static_cast<WPARAM>(DisplayTarget::kOptions)) {
    // The dialog refuses a bad field itself; what it cannot do (load or
    // save the settings) it leaves to its owner to tell.
    if (const HRESULT hr = ShowOptionsDialog(m_window); FAILED(hr))
      MessageBoxW(m_window, ErrorText(hr).c_str(), Text(kStrAppNameTitle).c_str(), MB_OK | MB_ICONWARNING);
    // The options may have changed what checks and downloads do.
    LoadSettings(m_settings);
  } else if (target == static_cast<WPARAM>(DisplayTarget::kAbout)) {
    ShowAboutBox(m_window);
  }
}

void CMainDialog::ReloadPublishers() {
  auto store = std::make_unique<CPublisherStore>();
  if (SUCCEEDED(store->Open(true, nullptr))) LoadStoredData(*store, m_onlyPublisher.empty() ? nullptr : m_onlyPublisher.c_str());
  m_store = std::move(store);
  if (!m_views) return;  // the window is not built yet
  RefreshItems();
  RefreshSummary();
}

void CMainDialog::RefreshItems() {
  const std::vector<std::wstring> hidden = ReadHiddenItems(m_store->Records());
  m_anyHidden = std::any_of(hidden.begin(), hidden.end(), [](const std::wstring& text) { return !text.empty(); });
  ItemRows built = BuildItemRows(m_store->Records(), m_onlyPublisher, hidden);
  m_itemRows = std::move(built.rows);
  m_hiddenWithUpdates = built.hiddenWithUpdates;
  m_selfUpdate = ChooseSelfUpdate(m_store->Records(), m_store->RequiredVersion(), Environment());
  std::vector<int> groups;
  for (const ItemRow& row : m_itemRows) groups.push_back(static_cast<int>(row.group));
  SetListRows(m_items, ItemCells(m_itemRows), groups);
  UpdateButtons();
}

void CMainDialog::ShowItemMenu(POINT at) {
  const int row = SelectedListRow(m_items);
  const bool item = row >= 0 && static_cast<std::size_t>(row) < m_itemRows.size() &&
                    !m_itemRows[static_cast<std::size_t>(row)].IsPublisher();
  if (at.x == -1 && at.y == -1) {
    RECT bounds{};
    if (!item || !ListView_GetItemRect(m_items, row, &bounds, LVIR_LABEL)) GetClientRect(m_items, &bounds);
    at = {bounds.left, bounds.bottom};
    ClientToScreen(m_items, &at);
  }
  const HMENU menu = CreatePopupMenu();
  if (!menu) return;
  AppendMenuW(menu, MF_STRING | (item ? 0 : MF_GRAYED), WX_COMMAND_MAIN_HIDE_ITEM, Text(WX_STR_HIDE_ITEM).c_str());
  AppendMenuW(menu, MF_STRING | (m_anyHidden ? 0 : MF_GRAYED), WX_COMMAND_MAIN_RESTORE_ITEMS,
              Text(WX_STR_RESTORE_HIDDEN_ITEMS).c_str());
  // The command comes back as WM_COMMAND, as a test may send it.
  TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, m_window, nullptr);
  DestroyMenu(menu);
}

const ItemRow* CMainDialog::SelectedItemRow() {
  const int row = SelectedListRow(m_items);
  if (row < 0 || static_cast<std::size_t>(row) >= m_itemRows.size() ||
      m_itemRows[static_cast<std::size_t>(row)].IsPublisher()) {
    SetProgressText(Text(WX_STR_SELECT_ITEM));
    return nullptr;
  }
  return &m_itemRows[static_cast<std::size_t>(row)];
}

void CMainDialog::HideSelectedItem() {
  const ItemRow* selected = SelectedItemRow();
  if (!selected) return;
  const ItemRow& chosen = *selected;
  const PublisherRecord* record = m_store->Find(chosen.publisherId);
  const HRESULT hr = record ? HideItem(*record, chosen.itemId) : E_INVALIDARG;
  if (FAILED(hr)) SetProgressText(ErrorText(hr));
  RefreshItems();
  RefreshSummary();
}

void CMainDialog::RestoreHiddenItems() {
  HRESULT failed = S_OK;
  for (const PublisherRecord& record : m_store->Records()) {
    if (!m_onlyPublisher.empty() && record.id != m_onlyPublisher) continue;
    if (const HRESULT hr = wendrix::RestoreHiddenItems(record); FAILED(hr) && SUCCEEDED(failed)) failed = hr;
  }
  if (FAILED(failed)) SetProgressText(ErrorText(failed));
  RefreshItems();
  RefreshSummary();
}

void CMainDialog::SelectItem(const std::wstring& itemId) {
  for (std::size_t i = 0; i < m_itemRows.size(); ++i) {
    if (m_itemRows[i].IsPublisher() || m_itemRows[i].itemId != itemId) continue;
    ListView_SetItemState(m_items, static_cast<int>(i), LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(m_items, static_cast<int>(i), FALSE);
    return;
  }
}

void CMainDialog::RefreshWallet() {
  CWallet wallet;
  wallet.LoadAll();
  std::vector<WalletEntry>& entries = wallet.Entries();
  // Newest first: the download the user just asked for heads the list.
  std::stable_sort(entries.begin(), entries.end(),
                   [](const WalletEntry& a, const WalletEntry& b) { return a.wallet.date > b.wallet.date; });
  m_walletRows = BuildWalletRows(entries, m_downloadProgress);
  std::vector<std::vector<std::wstring>> cells;
  for (const WalletRow& row : m_walletRows) cells.push_back(WalletCells(row));
  SetListRows(m_wallet, cells);
}

void CMainDialog::RefreshHistory() {
  LoadEvents(m_events);
  const HistoryRows rows = BuildHistoryRows(HistoryView(m_onlyPublisher), m_events, *m_store);
  SetListRows(m_history, rows.cells);
}

CheckSummaryScope CMainDialog::SummaryScope() const {
  CheckSummaryScope scope;
  scope.excludedId = DirectoryPublisher().id;
  scope.onlyPublisherId = m_onlyPublisher;
  scope.iniDebug = m_settings && m_settings->iniDebug != 0;
  scope.hiddenItemsWithUpdates = m_hiddenWithUpdates;
  return scope;
}

void CMainDialog::ShowCheckErrors() {
  const std::wstring details = CheckErrorDetails(m_store->Records(), SummaryScope());
  if (!details.empty())
    MessageBoxW(m_window, details.c_str(), Text(kStrAppNameTitle).c_str(), MB_OK | MB_ICONWARNING);
}

void CMainDialog::RefreshSummary() {
  const CheckSummaryScope scope = SummaryScope();
  const std::vector<StringId> messages = CheckSummaryMessages(CollectSummaryFacts(m_store->Records(), scope));
  SetWindowTextW(m_summary, SummaryLinkText(messages).c_str());
}

void CMainDialog::UpdateButtons() {
  const int row = SelectedListRow(m_items);
  const bool item = m_view == kViewAllItems && row >= 0 && static_cast<std::size_t>(row) < m_itemRows.size() &&
                    !m_itemRows[static_cast<std::size_t>(row)].IsPublisher();
  EnableWindow(GetDlgItem(m_window, WX_CONTROL_MAIN_DOWNLOAD), item);
  EnableWindow(GetDlgItem(m_window, WX_CONTROL_MAIN_INSTALL), item);
  // While a check runs its button stops it, once.
  const bool busy = m_director.Busy();
  SetDlgItemTextW(m_window, WX_CONTROL_MAIN_CHECK, Text(busy ? WX_STR_BUTTON_STOP : WX_STR_BUTTON_CHECK).c_str());
  EnableWindow(GetDlgItem(m_window, WX_CONTROL_MAIN_CHECK), !busy || !m_cancelRequested);
  const HWND selfUpdate = GetDlgItem(m_window, WX_CONTROL_MAIN_SELF_UPDATE);
  ShowWindow(selfUpdate, m_selfUpdate ? SW_SHOW : SW_HIDE);
  EnableWindow(selfUpdate, m_selfUpdate && !busy);
}

void CMainDialog::SetProgressText(const std::wstring& text) { SetWindowTextW(m_progressText, text.c_str()); }

void CMainDialog::StartCheck() {
  if (m_director.Busy()) return;
  m_cancelRequested = false;
  SendMessageW(m_progress, PBM_SETPOS, 0, 0);
  SetProgressText(Text(WX_STR_CHECKING));
  const HRESULT hr = m_director.StartCheck(m_settings.get(), m_store.get(),
                                           m_onlyPublisher.empty() ? nullptr : m_onlyPublisher.c_str(),
                                           kRunLogged, m_window);
  if (FAILED(hr)) SetProgressText(ErrorText(hr));
  UpdateButtons();
}

void CMainDialog::StartSelfUpdate() {
  if (m_director.Busy() || !m_selfUpdate) return;
  m_cancelRequested = false;
  SendMessageW(m_progress, PBM_SETPOS, 0, 0);
  const SelfUpdateChoice& choice = *m_selfUpdate;
  const HRESULT hr = m_director.StartUpdate(choice.url.c_str(), choice.rename.empty() ? nullptr : choice.rename.c_str(),
                                            choice.parameters.empty() ? nullptr : choice.parameters.c_str(),
                                            m_settings.get(), m_window, choice.pin ? &*choice.pin : nullptr);
  if (FAILED(hr)) SetProgressText(ErrorText(hr));
  UpdateButtons();
}

void CMainDialog::OnSelfUpdateDone(HRESULT result) {
  if (SUCCEEDED(result)) {
    // The launcher runs the new version only once this process has ended,
    // and starts the main program again afterwards.
    Close(false);
    return;
  }
  // The update has shown its own error box; the window stays as it was.
  SetProgressText(ErrorText(result));
  UpdateButtons();
}

void CMainDialog::QueueSelected(bool install) {
  const ItemRow* selected = SelectedItemRow();
  if (!selected) return;
  const ItemRow& chosen = *selected;
  const PublisherRecord* record = m_store->Find(chosen.publisherId);
  const Item* item = record && record->model ? record->model->FindItem(chosen.itemId) : nullptr;
  if (!item || !ChooseAction(*record->model, *item, install, Environment())) {
    SetProgressText(Text(WX_STR_NO_DOWNLOAD));
    return;
  }
  m_queue.Add({chosen.publisherId, chosen.itemId, {}, install});
  PumpQueue();
  SetProgressText(Text(WX_STR_QUEUED));
}

void CMainDialog::PumpQueue() {
  m_queue.Pump(*m_store, m_settings->maxConcurrentDownloads, !m_onlyPublisher.empty(), Environment());
  RefreshWallet();
}

LRESULT CMainDialog::OnCopyData(HWND, const COPYDATASTRUCT& data) {
  switch (data.dwData) {
    case kDisplayRequestCopyData: {
      DisplayRequest request;
      if (FAILED(DecodeDisplayRequest(static_cast<const std::uint8_t*>(data.lpData), data.cbData, request)))
        return E_INVALIDARG;
      request.flags = NormaliseDisplayFlags(request.flags);
      ShowTarget(TargetOfFlags(request.flags));
      if (request.flags & kDisplayCheckNow) StartCheck();
      return S_OK;
    }
    case kCopyDataSetText: {
      // The text is the sender's: it need not be terminated within its size.
      const auto* text = static_cast<const wchar_t*>(data.lpData);
      const std::size_t units = text ? data.cbData / sizeof(wchar_t) : 0;
      SetProgressText(std::wstring(text, std::find(text, text + units, L'\0')));
      return TRUE;
    }
    default: {
      StatusReport report;
      return ReadStatusReport(data, report) ? OnStatusReport(report) : FALSE;
    }
  }
}

LRESULT CMainDialog::OnStatusReport(const StatusReport& report) {
  if (report.kind == StatusKind::kProgress) {
    const std::uint32_t percent = StatusPercent(report);
    m_downloadProgress[report.entryId] = percent;
    // A progress message changes one cell; the list is not rebuilt for it.
    for (std::size_t i = 0; i < m_walletRows.size(); ++i) {
      if (m_walletRows[i].id != report.entryId) continue;
      m_walletRows[i].percent = RowPercent(m_walletRows[i].displayStatus, &percent);
      std::wstring cell = std::to_wstring(m_walletRows[i].percent) + L"%";
      ListView_SetItemText(m_wallet, static_cast<int>(i), 4, cell.data());
    }
    return StatusGoOn();
  }
  if (report.kind == StatusKind::kChanged) {
    m_downloadProgress.erase(report.entryId);
    // A download that ended frees a slot for the next queued item.
    if (m_queue.Waiting()) {
      PumpQueue();
      return StatusGoOn();
    }
  }
  RefreshWallet();
  return StatusGoOn();
}

void CMainDialog::OnCheckEnded(std::uint32_t runFlags) {
  if (const std::optional<CheckEvent> event = CheckEventOfRun(runFlags))
    AppendEvent(event->origin, kEventCheck, nullptr, nullptr, nullptr, nullptr, event->result, nullptr);
}

void CMainDialog::OnJobDone() {
  SetProgressText(Text(WX_STR_CHECK_DONE));
  if (m_reloadAfterJob) {
    m_reloadAfterJob = false;
    ReloadPublishers();
  } else {
    RefreshItems();
    RefreshSummary();
  }
  RefreshHistory();
  UpdateButtons();
}

void CMainDialog::LeaveRequestRecord() {
  RequestRecord record;
  record.publisher = m_request.publisher;
  record.group = m_request.group;
  record.item = m_request.item;
  const DisplayTarget views[] = {DisplayTarget::kAllItems, DisplayTarget::kWallet, DisplayTarget::kHistory};
  record.flags = FlagOfTarget(views[m_view]);
  record.commandLine = m_request.commandLine;
  record.currentDirectory = m_request.currentDirectory;
  if (m_queue.Waiting()) {
    RequestedItems list;
    for (const QueuedItem& queued : m_queue.Items()) {
      RequestedItem item;
      item.publisher = queued.publisherId;
      item.item = queued.itemId;
      item.walletItem = queued.walletItem;
      item.install = queued.install;
      list.items.push_back(std::move(item));
    }
    record.list = std::move(list);
  }
  std::wstring path;
  SaveRequestRecord(record, path);
}

void CMainDialog::Close(bool forRestart) {
  if (forRestart) LeaveRequestRecord();
  m_ready = false;
  EndDialog(m_window, 0);
}

INT_PTR CMainDialog::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kMsgMainWindow:
      return Answer(m_ready ? reinterpret_cast<LRESULT>(m_window) : 0);
    case kDialogStopMessage:
      Close((wParam & kStopForRestart) != 0);
      return Answer(1);
    case kPublishersChangedMessage:
    case kRegistrationsChangedMessage:
      if (m_director.Busy())
        m_reloadAfterJob = true;
      else
        ReloadPublishers();
      return Answer(0);
    case kMsgOpenRequested:
      OpenRequestedDialog(wParam);
      return Answer(0);
    case WM_COPYDATA:
      return Answer(OnCopyData(reinterpret_cast<HWND>(wParam), *reinterpret_cast<const COPYDATASTRUCT*>(lParam)));

    case kMsgBegin:
      SendMessageW(m_progress, PBM_SETPOS, 0, 0);
      return Answer(0);
    case kMsgEnd:
      OnCheckEnded(static_cast<std::uint32_t>(wParam));
      return Answer(0);
    case kMsgJobDone:
      if (wParam == kJobUpdate)
        OnSelfUpdateDone(static_cast<HRESULT>(lParam));
      else
        OnJobDone();
      return Answer(0);
    case kMsgIsCancelled:
      // The user's stop, or a window that is closing, ends the check after
      // the current transfer.
      return Answer(m_cancelRequested || !m_ready);
    case kMsgSetCancellable:
      return Answer(0);
    case kMsgSetRange:
      SendMessageW(m_progress, PBM_SETRANGE32, wParam, lParam);
      return Answer(TRUE);
    case kMsgSetPosition:
      SendMessageW(m_progress, PBM_SETPOS, wParam, 0);
      return Answer(0);
    case kMsgStep:
      SendMessageW(m_progress, PBM_DELTAPOS, 1, 0);
      return Answer(0);

    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case WX_CONTROL_MAIN_CHECK:
          if (m_director.Busy()) {
            m_cancelRequested = true;
            UpdateButtons();
          } else {
            StartCheck();
          }
          return TRUE;
        case WX_CONTROL_MAIN_DOWNLOAD:
          QueueSelected(false);
          return TRUE;
        case WX_CONTROL_MAIN_INSTALL:
          QueueSelected(true);
          return TRUE;
        case WX_CONTROL_MAIN_SELF_UPDATE:
          StartSelfUpdate();
          return TRUE;
        case WX_COMMAND_MAIN_HIDE_ITEM:
          HideSelectedItem();
          return TRUE;
        case WX_COMMAND_MAIN_RESTORE_ITEMS:
          RestoreHiddenItems();
          return TRUE;
        case IDCANCEL:
          Close(false);
          return TRUE;
      }
      return FALSE;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->idFrom == WX_CONTROL_MAIN_VIEWS && header->code == TCN_SELCHANGE)
        ShowView(TabCtrl_GetCurSel(m_views));
      else if (header->idFrom == WX_CONTROL_MAIN_ITEMS && header->code == LVN_ITEMCHANGED)
        UpdateButtons();
      else if (header->idFrom == WX_CONTROL_MAIN_SUMMARY && (header->code == NM_CLICK || header->code == NM_RETURN))
        ShowCheckErrors();
      return FALSE;
    }
    case WM_CONTEXTMENU:
      if (reinterpret_cast<HWND>(wParam) != m_items) return FALSE;
      ShowItemMenu({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      return TRUE;
    case WM_SIZE:
      Layout();
      return TRUE;
    case WM_GETMINMAXINFO: {
      const RECT minimum = Dlu(m_window, kMinWidthDlu, kMinHeightDlu, 0, 0);
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      info->ptMinTrackSize = {minimum.left, minimum.top};
      return TRUE;
    }
    case kDpiChangedMessage: {
      const auto* suggested = reinterpret_cast<const RECT*>(lParam);
      ApplyFonts(HIWORD(wParam));
      SetWindowPos(m_window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      return TRUE;
    }
  }
  return FALSE;
}

}  // namespace wendrix
