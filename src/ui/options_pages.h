#pragma once
// The pages of the Options dialog: which template each tab shows, the texts
// of their controls in the user's language, and the form's fields in their
// controls. Control numbers are distinct across the pages, so a field is
// found by its number alone.
#include <windows.h>

#include <array>
#include <string>
#include <vector>

#include "ui/options_form.h"

namespace wendrix {

inline constexpr std::size_t kOptionsPageCount = 4;
using OptionsPages = std::array<HWND, kOptionsPageCount>;

struct OptionsPageInfo {
  int dialogTemplate;
  UINT tabText;
};
const OptionsPageInfo& OptionsPageAt(std::size_t index) noexcept;

// The control with number `control` on any of the pages; null when none.
HWND FindPageControl(const OptionsPages& pages, int control) noexcept;

// The string-table text of a control of the pages; 0 for a control whose
// text is not fixed (the fields).
UINT ControlTextId(int control) noexcept;
// Sets every text of a page from the string table and the text limits of
// its fields.
void PreparePage(HWND page);
// Offers the system's dial-up connections in the dial-up choice.
void OfferDialUpEntries(const OptionsPages& pages, const std::vector<std::wstring>& entries);

// Shows `form` in the controls and enables what its switches make usable.
void ShowForm(const OptionsPages& pages, const OptionsForm& form);
// Reads the controls into `form`; a choice with nothing chosen (a stored
// value outside the lists) leaves its field as it was.
void ReadForm(const OptionsPages& pages, OptionsForm& form);
// Enables the controls that the proxy and dial-up switches of `page` make
// usable and disables the rest.
void EnableByChoices(HWND page);

// Where a refused field is typed: its page and control.
struct FieldPlace {
  std::size_t page;
  int control;
};
FieldPlace PlaceOf(OptionsField field) noexcept;
// Why `field` of `form` was refused, in the user's language.
std::wstring RefusalText(OptionsField field, const OptionsForm& form);

}  // namespace wendrix
