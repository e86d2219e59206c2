#pragma once
/* Numbers of the main window's template, its controls and its texts, shared
   by the resource scripts and the code (plain defines: the resource compiler
   reads this file too). */

/* The main window: a view switcher over three lists, the check summary, the
   progress of the worker thread and the buttons. */
#define WX_DIALOG_MAIN 380
#define WX_CONTROL_MAIN_VIEWS 1200
#define WX_CONTROL_MAIN_ITEMS 1201
#define WX_CONTROL_MAIN_WALLET 1202
#define WX_CONTROL_MAIN_HISTORY 1203
#define WX_CONTROL_MAIN_SUMMARY 1204
#define WX_CONTROL_MAIN_PROGRESS 1205
#define WX_CONTROL_MAIN_PROGRESS_TEXT 1206
#define WX_CONTROL_MAIN_CHECK 1207
#define WX_CONTROL_MAIN_DOWNLOAD 1208
#define WX_CONTROL_MAIN_INSTALL 1209
/* Commands of the All Items view's context menu. */
#define WX_COMMAND_MAIN_HIDE_ITEM 1210
#define WX_COMMAND_MAIN_RESTORE_ITEMS 1211
/* Shown only while a newer version of the product is on offer. */
#define WX_CONTROL_MAIN_SELF_UPDATE 1212

/* Texts of the main window. */
#define WX_STR_VIEW_ALL_ITEMS 3100
#define WX_STR_VIEW_WALLET 3101
#define WX_STR_VIEW_HISTORY 3102
#define WX_STR_BUTTON_CHECK 3103
#define WX_STR_BUTTON_DOWNLOAD 3104
#define WX_STR_BUTTON_INSTALL 3105
#define WX_STR_BUTTON_CLOSE 3106
#define WX_STR_BUTTON_STOP 3107
#define WX_STR_BUTTON_SELF_UPDATE 3108

#define WX_STR_COLUMN_PUBLISHER 3110
#define WX_STR_COLUMN_ITEM 3111
#define WX_STR_COLUMN_INSTALLED 3112
#define WX_STR_COLUMN_LATEST 3113
#define WX_STR_COLUMN_STATUS 3114
#define WX_STR_COLUMN_SIZE 3115
#define WX_STR_COLUMN_PROGRESS 3116

/* Groups of the All Items view, in the order of ItemGroup. */
#define WX_STR_GROUP_UPDATES 3120
#define WX_STR_GROUP_INSTALLED 3121
#define WX_STR_GROUP_NOT_INSTALLED 3122
#define WX_STR_GROUP_PUBLISHERS 3123

/* Item statuses, in the order of ItemStatus. */
#define WX_STR_ITEM_NOT_INSTALLED 3130
#define WX_STR_ITEM_NEW 3131
#define WX_STR_ITEM_INSTALLED 3132
#define WX_STR_ITEM_UP_TO_DATE 3133
#define WX_STR_ITEM_UPDATE 3134
#define WX_STR_ITEM_NEW_UPDATE 3135

/* Wallet display statuses, in the order of their values. */
#define WX_STR_WALLET_STATUS_FIRST 3140

#define WX_STR_SELECT_ITEM 3150
#define WX_STR_CHECKING 3151
#define WX_STR_NO_DOWNLOAD 3152
#define WX_STR_QUEUED 3153
#define WX_STR_CHECK_DONE 3154
#define WX_STR_HIDE_ITEM 3155
#define WX_STR_RESTORE_HIDDEN_ITEMS 3156
