#pragma once
/* Numbers of the library's dialog templates and their controls, shared by
   the resource script and the code (plain defines: the resource compiler
   reads this file too). */

/* The progress of an archive installation: two lines of text, a bar and
   Cancel. */
#define WX_DIALOG_ARCHIVE_PROGRESS 360
#define WX_CONTROL_PROGRESS_TEXT 1001
#define WX_CONTROL_PROGRESS_DETAIL 1002
#define WX_CONTROL_PROGRESS_BAR 1003

/* The password of an encrypted archive member. */
#define WX_DIALOG_ARCHIVE_PASSWORD 361
#define WX_CONTROL_PASSWORD_MEMBER 1011
#define WX_CONTROL_PASSWORD_EDIT 1012

/* A message of an action shown before its installation: the text in a
   scrolling box (a licence agreement can be long) and one or two buttons,
   IDYES and IDNO, whose captions the publisher may set. */
#define WX_DIALOG_ACTION_MESSAGE 362
#define WX_CONTROL_MESSAGE_TEXT 1021
