/*
 * The Wendrix Library: the exported functions, for application developers.
 *
 * Every function returns an HRESULT-style code: 0 (S_OK) on success, 1
 * (S_FALSE) for a successful negative answer, negative values on failure.
 * Windows errors are wrapped as 0x8007xxxx; the library's own failures use
 * facility 4 (0x8004xxxx). Strings returned through out-pointers are
 * allocated with GlobalAlloc and freed by the caller with GlobalFree.
 *
 * Functions ending in Ex take wide (UTF-16) strings; the plain names take
 * ANSI strings in the ANSI code page and convert them.
 *
 * Load wendrix.dll (32-bit) or wendrix64.dll (64-bit) shipped with your
 * application. When a newer copy of the library is installed in the product
 * folder, some functions pass the call on to it.
 */
#ifndef WENDRIX_H
#define WENDRIX_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Selector of WendrixGetInfoEx: the low 16 bits are one of these kinds. */
#define WENDRIX_INFO_FOLDER 0             /* the product folder itself */
#define WENDRIX_INFO_MAIN_PROGRAM 1       /* wendrix.exe */
#define WENDRIX_INFO_LIBRARY 2            /* wendrix.dll / wendrix64.dll */
#define WENDRIX_INFO_CONTROL_PANEL 3      /* wendrix.cpl / wendrix64.cpl */
#define WENDRIX_INFO_COMPANION_LIBRARY 4  /* wendrixc.dll / wendrixc64.dll */
#define WENDRIX_INFO_CONTROL_PANEL_TASKS 5 /* wendrixcpl.xml */
#define WENDRIX_INFO_LAUNCHER 6           /* wendrixl.exe */
#define WENDRIX_INFO_ELEVATED_INSTALLER 7 /* wendrixu.exe */
#define WENDRIX_INFO_CONTROL 8            /* wendrixw.ocx / wendrixw64.ocx */
#define WENDRIX_INFO_UNICODE_LAYER 9      /* unicows.dll */
#define WENDRIX_INFO_SETUP_PROGRAM 10     /* wxsetup.exe */
/* Selector flags. */
#define WENDRIX_INFO_64BIT 0x80000000u          /* 64-bit file names and registry view */
#define WENDRIX_INFO_ACCEPT_DEFAULT 0x40000000u /* the default folder need not exist */

/*
 * WendrixGetInfoEx: the path of the product folder or of one product file.
 * `size` is in characters and counts the terminating zero. With a null
 * `buffer` only the needed size is stored in *size. With a buffer, the path is
 * copied when it fits and *size receives its length + 1.
 * Returns 0; 0x80070057 when `size` is null or the kind is above 10;
 * 0x80070003 when no product folder is found; 0x8007006F when the path does
 * not fit (*size is then left unchanged).
 */
HRESULT WINAPI WendrixGetInfoEx(WCHAR* buffer, UINT32* size, UINT32 selector);
/* The ANSI twin of WendrixGetInfoEx; 0x80004005 when the path cannot be
 * converted into the buffer. */
HRESULT WINAPI WendrixGetInfo(CHAR* buffer, UINT32* size, UINT32 selector);

#ifdef __cplusplus
}
#endif

#endif /* WENDRIX_H */
