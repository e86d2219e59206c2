#pragma once
/* Numbers of the setup dialog, its controls and its own texts (plain
   defines: the resource compiler reads this file too). */

/* Removing the product for this user: what other users still have, and
   the question. */
#define WX_DIALOG_SETUP 365
#define WX_CONTROL_SETUP_PROGRAMS_HEADING 1100
#define WX_CONTROL_SETUP_PROGRAMS 1101
#define WX_CONTROL_SETUP_PUBLISHERS_HEADING 1102
#define WX_CONTROL_SETUP_PUBLISHERS 1103
#define WX_CONTROL_SETUP_QUESTION 1104

#define WX_STRING_SETUP_CAPTION 3000
#define WX_STRING_SETUP_QUESTION 3001
#define WX_STRING_SETUP_NONE 3002
