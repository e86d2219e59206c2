#include "ui/options_pages.h"

#include <commctrl.h>

#include "frame/messages.h"
#include "resources/options_ids.h"
#include "resources/string_ids.h"
#include "ui/formatted_text.h"

namespace wendrix {
namespace {

enum PageIndex : std::size_t { kSchedulePage, kConnectionPage, kDownloadsPage, kPromptsPage };

constexpr OptionsPageInfo kPages[kOptionsPageCount] = {
    {WX_DIALOG_OPTIONS_SCHEDULE, WX_STRING_TAB_SCHEDULE},
    {WX_DIALOG_OPTIONS_CONNECTION, WX_STRING_TAB_CONNECTION},
    {WX_DIALOG_OPTIONS_DOWNLOADS, WX_STRING_TAB_DOWNLOADS},
    {WX_DIALOG_OPTIONS_PROMPTS, WX_STRING_TAB_PROMPTS},
};

constexpr struct {
  int control;
  UINT text;
} kControlTexts[] = {
    {WX_CONTROL_PERIOD_LABEL, WX_STRING_PERIOD_LABEL},
    {WX_CONTROL_CHECK_WHEN_LAUNCHED, WX_STRING_CHECK_WHEN_LAUNCHED},
    {WX_CONTROL_ATTEMPTS_LABEL, WX_STRING_ATTEMPTS_LABEL},
    {WX_CONTROL_RETRY_PAUSE_LABEL, WX_STRING_RETRY_PAUSE_LABEL},
    {WX_CONTROL_PROXY_GROUP, WX_STRING_PROXY_GROUP},
    {WX_CONTROL_PROXY_DIRECT, WX_STRING_PROXY_DIRECT},
    {WX_CONTROL_PROXY_SYSTEM, WX_STRING_PROXY_SYSTEM},
    {WX_CONTROL_PROXY_EXPLICIT, WX_STRING_PROXY_EXPLICIT},
    {WX_CONTROL_PROXY_BYPASS_LOCAL, WX_STRING_PROXY_BYPASS_LOCAL},
    {WX_CONTROL_PROXY_USER_LABEL, WX_STRING_PROXY_USER_LABEL},
    {WX_CONTROL_PROXY_PASSWORD_LABEL, WX_STRING_PROXY_PASSWORD_LABEL},
    {WX_CONTROL_COOKIES, WX_STRING_COOKIES},
    {WX_CONTROL_DIAL_GROUP, WX_STRING_DIAL_GROUP},
    {WX_CONTROL_DIAL_UP, WX_STRING_DIAL_UP},
    {WX_CONTROL_DIAL_USER_LABEL, WX_STRING_DIAL_USER_LABEL},
    {WX_CONTROL_DIAL_PASSWORD_LABEL, WX_STRING_DIAL_PASSWORD_LABEL},
    {WX_CONTROL_DIAL_DOMAIN_LABEL, WX_STRING_DIAL_DOMAIN_LABEL},
    {WX_CONTROL_HANG_UP, WX_STRING_HANG_UP},
    {WX_CONTROL_WORK_OFFLINE, WX_STRING_WORK_OFFLINE},
    {WX_CONTROL_WALLET_SPACE_LABEL, WX_STRING_WALLET_SPACE_LABEL},
    {WX_CONTROL_WALLET_SPACE_NOTE, WX_STRING_WALLET_SPACE_NOTE},
    {WX_CONTROL_DOWNLOADS_LABEL, WX_STRING_DOWNLOADS_LABEL},
    {WX_CONTROL_PROMPT, WX_STRING_PROMPT},
    {WX_CONTROL_NOTIFY_GROUP, WX_STRING_NOTIFY_GROUP},
    {WX_CONTROL_NOTIFY_UPDATES, WX_STRING_NOTIFY_UPDATES},
    {WX_CONTROL_NOTIFY_OTHER_SOFTWARE, WX_STRING_NOTIFY_OTHER_SOFTWARE},
    {WX_CONTROL_NOTIFY_NOTE, kStrNotifyChoiceExplanation},
    {WX_CONTROL_STRICT_DATA_FILES, WX_STRING_STRICT_DATA_FILES},
};

// The check periods in the order the list shows them.
constexpr struct {
  std::uint32_t period;
  UINT text;
} kPeriods[] = {
    {kPeriodManual, kStrPeriodManual},
    {kPeriodDaily, kStrPeriodDaily},
    {kPeriodWeekly, kStrPeriodWeekly},
    {kPeriodMonthly, kStrPeriodMonthly},
};

// The fields typed as text; the numbers among them are typed as digits.
constexpr struct {
  OptionsField field;
  std::size_t page;
  int control;
  std::wstring OptionsForm::*member;
} kTextFields[] = {
    {OptionsField::kCheckAttempts, kSchedulePage, WX_CONTROL_ATTEMPTS, &OptionsForm::checkAttempts},
    {OptionsField::kCheckRetryPause, kSchedulePage, WX_CONTROL_RETRY_PAUSE, &OptionsForm::checkRetryPause},
    {OptionsField::kProxyServer, kConnectionPage, WX_CONTROL_PROXY_SERVER, &OptionsForm::proxyServer},
    {OptionsField::kProxyUser, kConnectionPage, WX_CONTROL_PROXY_USER, &OptionsForm::proxyUser},
    {OptionsField::kProxyPassword, kConnectionPage, WX_CONTROL_PROXY_PASSWORD, &OptionsForm::proxyPassword},
    {OptionsField::kDialUpEntry, kConnectionPage, WX_CONTROL_DIAL_ENTRY, &OptionsForm::dialUpEntry},
    {OptionsField::kDialUser, kConnectionPage, WX_CONTROL_DIAL_USER, &OptionsForm::dialUser},
    {OptionsField::kDialPassword, kConnectionPage, WX_CONTROL_DIAL_PASSWORD, &OptionsForm::dialPassword},
    {OptionsField::kDialDomain, kConnectionPage, WX_CONTROL_DIAL_DOMAIN, &OptionsForm::dialDomain},
    {OptionsField::kMaxWalletDiskSpace, kDownloadsPage, WX_CONTROL_WALLET_SPACE, &OptionsForm::maxWalletDiskSpace},
    {OptionsField::kMaxConcurrentDownloads, kDownloadsPage, WX_CONTROL_DOWNLOADS,
     &OptionsForm::maxConcurrentDownloads},
};
constexpr int kNumberLength = 10;  // digits of the largest 32-bit number

constexpr struct {
  int control;
  bool OptionsForm::*member;
} kSwitches[] = {
    {WX_CONTROL_CHECK_WHEN_LAUNCHED, &OptionsForm::checkWhenLaunched},
    {WX_CONTROL_PROXY_BYPASS_LOCAL, &OptionsForm::bypassLocal},
    {WX_CONTROL_COOKIES, &OptionsForm::cookies},
    {WX_CONTROL_DIAL_UP, &OptionsForm::dialUp},
    {WX_CONTROL_HANG_UP, &OptionsForm::hangUp},
    {WX_CONTROL_PROMPT, &OptionsForm::prompt},
    {WX_CONTROL_STRICT_DATA_FILES, &OptionsForm::strictDataFiles},
};

constexpr struct {
  int control;
  std::uint32_t mode;
} kProxyModes[] = {
    {WX_CONTROL_PROXY_DIRECT, kProxyDirect},
    {WX_CONTROL_PROXY_SYSTEM, kProxySystem},
    {WX_CONTROL_PROXY_EXPLICIT, kProxyExplicit},
};

// What each switch makes usable.
constexpr int kExplicitProxyControls[] = {
    WX_CONTROL_PROXY_SERVER,         WX_CONTROL_PROXY_BYPASS_LOCAL, WX_CONTROL_PROXY_USER_LABEL,
    WX_CONTROL_PROXY_USER,           WX_CONTROL_PROXY_PASSWORD_LABEL, WX_CONTROL_PROXY_PASSWORD,
};
constexpr int kDialUpControls[] = {
    WX_CONTROL_DIAL_ENTRY,          WX_CONTROL_DIAL_USER_LABEL,   WX_CONTROL_DIAL_USER,
    WX_CONTROL_DIAL_PASSWORD_LABEL, WX_CONTROL_DIAL_PASSWORD,     WX_CONTROL_DIAL_DOMAIN_LABEL,
    WX_CONTROL_DIAL_DOMAIN,         WX_CONTROL_HANG_UP,
};

std::wstring ControlText(HWND control) {
  const int length = GetWindowTextLengthW(control);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(control, text.data(), length + 1)));
  return text;
}

// Passwords pass through the heap; the copies left behind are wiped.
void WipeText(std::wstring& text) noexcept {
  SecureZeroMemory(text.data(), text.size() * sizeof(wchar_t));
  text.clear();
}

bool IsChecked(HWND control) noexcept {
  return control && SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Check(HWND control, bool checked) noexcept {
  if (control) SendMessageW(control, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

template <std::size_t N>
void EnableControls(HWND page, const int (&controls)[N], bool enabled) noexcept {
  for (const int control : controls)
    if (HWND window = GetDlgItem(page, control)) EnableWindow(window, enabled);
}

}  // namespace

const OptionsPageInfo& OptionsPageAt(std::size_t index) noexcept { return kPages[index % kOptionsPageCount]; }

HWND FindPageControl(const OptionsPages& pages, int control) noexcept {
  for (HWND page : pages)
    if (HWND window = page ? GetDlgItem(page, control) : nullptr) return window;
  return nullptr;
}

UINT ControlTextId(int control) noexcept {
  for (const auto& entry : kControlTexts)
    if (entry.control == control) return entry.text;
  return 0;
}

void PreparePage(HWND page) {
  for (const auto& entry : kControlTexts)
    if (HWND control = GetDlgItem(page, entry.control)) SetWindowTextW(control, MessageString(entry.text).c_str());
  for (const auto& field : kTextFields) {
    HWND control = GetDlgItem(page, field.control);
    if (!control) continue;
    const std::size_t length = FieldMaxLength(field.field);
    const WPARAM limit = length ? length : kNumberLength;
    SendMessageW(control, field.control == WX_CONTROL_DIAL_ENTRY ? CB_LIMITTEXT : EM_LIMITTEXT, limit, 0);
  }
  if (HWND periods = GetDlgItem(page, WX_CONTROL_PERIOD)) {
    for (const auto& period : kPeriods) {
      const LRESULT index =
          SendMessageW(periods, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(MessageString(period.text).c_str()));
      if (index >= 0) SendMessageW(periods, CB_SETITEMDATA, static_cast<WPARAM>(index), period.period);
    }
  }
}

void OfferDialUpEntries(const OptionsPages& pages, const std::vector<std::wstring>& entries) {
  HWND combo = FindPageControl(pages, WX_CONTROL_DIAL_ENTRY);
  if (!combo) return;
  for (const std::wstring& entry : entries)
    if (entry.size() <= kMaxDialUpEntryLength)
      SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
}

void ShowForm(const OptionsPages& pages, const OptionsForm& form) {
  if (HWND periods = FindPageControl(pages, WX_CONTROL_PERIOD)) {
    SendMessageW(periods, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    const LRESULT count = SendMessageW(periods, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i)
      if (SendMessageW(periods, CB_GETITEMDATA, static_cast<WPARAM>(i), 0) == static_cast<LRESULT>(form.checkPeriod))
        SendMessageW(periods, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
  }
  for (const auto& field : kTextFields)
    if (HWND control = FindPageControl(pages, field.control)) SetWindowTextW(control, (form.*field.member).c_str());
  for (const auto& entry : kSwitches) Check(FindPageControl(pages, entry.control), form.*entry.member);
  for (const auto& entry : kProxyModes) Check(FindPageControl(pages, entry.control), form.proxyMode == entry.mode);
  Check(FindPageControl(pages, WX_CONTROL_NOTIFY_UPDATES), !form.otherSoftware);
  Check(FindPageControl(pages, WX_CONTROL_NOTIFY_OTHER_SOFTWARE), form.otherSoftware);
  for (HWND page : pages)
    if (page) EnableByChoices(page);
}

void ReadForm(const OptionsPages& pages, OptionsForm& form) {
  if (HWND periods = FindPageControl(pages, WX_CONTROL_PERIOD)) {
    const LRESULT chosen = SendMessageW(periods, CB_GETCURSEL, 0, 0);
    if (chosen != CB_ERR)
      form.checkPeriod = static_cast<std::uint32_t>(SendMessageW(periods, CB_GETITEMDATA, static_cast<WPARAM>(chosen), 0));
  }
  for (const auto& field : kTextFields) {
    HWND control = FindPageControl(pages, field.control);
    if (!control) continue;
    std::wstring& value = form.*field.member;
    WipeText(value);
    value = ControlText(control);
  }
  for (const auto& entry : kSwitches)
    if (HWND control = FindPageControl(pages, entry.control)) form.*entry.member = IsChecked(control);
  for (const auto& entry : kProxyModes)
    if (IsChecked(FindPageControl(pages, entry.control))) form.proxyMode = entry.mode;
  if (IsChecked(FindPageControl(pages, WX_CONTROL_NOTIFY_UPDATES))) form.otherSoftware = false;
  if (IsChecked(FindPageControl(pages, WX_CONTROL_NOTIFY_OTHER_SOFTWARE))) form.otherSoftware = true;
}

void EnableByChoices(HWND page) {
  if (HWND explicitProxy = GetDlgItem(page, WX_CONTROL_PROXY_EXPLICIT))
    EnableControls(page, kExplicitProxyControls, IsChecked(explicitProxy));
  if (HWND dialUp = GetDlgItem(page, WX_CONTROL_DIAL_UP)) EnableControls(page, kDialUpControls, IsChecked(dialUp));
}

FieldPlace PlaceOf(OptionsField field) noexcept {
  for (const auto& entry : kTextFields)
    if (entry.field == field) return {entry.page, entry.control};
  return {kSchedulePage, WX_CONTROL_PERIOD};
}

std::wstring RefusalText(OptionsField field, const OptionsForm& form) {
  if (const NumberRange* range = FieldRange(field)) return FormattedText(WX_STRING_NUMBER_OUT_OF_RANGE, {range->low, range->high});
  if (field == OptionsField::kProxyServer && form.proxyMode == kProxyExplicit)
    return MessageString(WX_STRING_BAD_PROXY_SERVER);
  if (field == OptionsField::kDialUpEntry && form.dialUp && form.dialUpEntry.empty())
    return MessageString(WX_STRING_NO_DIAL_ENTRY);
  return FormattedText(WX_STRING_TEXT_TOO_LONG, {FieldMaxLength(field)});
}

}  // namespace wendrix
