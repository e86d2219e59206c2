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
/* The ANSI twin of WendrixGetInfoEx. Here `size` counts bytes, including the
 * terminating zero: with a null `buffer` *size receives the bytes the ANSI
 * path needs, which in a double-byte code page can exceed its number of
 * characters. A buffer that is too small gives 0x8007006F and leaves *size
 * unchanged; 0x80004005 when the path cannot be converted. */
HRESULT WINAPI WendrixGetInfo(CHAR* buffer, UINT32* size, UINT32 selector);

/*
 * WendrixSystem: answers one question about the machine as a short text.
 * `query` is a path-like text whose first component names the source and
 * whose last names the property; components are separated by one backslash.
 * Sources and properties are written in any letter case:
 *   ComputerSystem\Manufacturer | Model
 *   BIOS\CurrentLanguage | SMBIOSBIOSVersion | Version | ReleaseDate |
 *         Caption | Manufacturer
 *   BaseBoard\Manufacturer | Product | Version
 *   ComputerSystemProduct\INDEX\Name | SKUNumber | Vendor | Version
 *   Processor\INDEX\Manufacturer | Description | Name | CurrentClockSpeed |
 *         MaxClockSpeed                 (central processors only)
 *   PNP\DEVICE\INDEX\DeviceID | DeviceVersion | Caption | Class
 *   PNP\DEVICE\MAKER\INDEX\DriverVersion (MAKER defaults to DEVICE)
 *   DirectX      "major.minor.letter", the letter counted from a = 1
 *   OS, OS-SP    "platform.major.minor.build" / "...servicePack"
 *   Language     the user-interface language, two letters ("en")
 *   Architecture "x86", "x64" or "ia64"
 * INDEX is a zero-based decimal number; left empty (two backslashes in a
 * row) it asks for the number of matching instances. DEVICE and MAKER are
 * case-sensitive patterns matched against the Plug and Play device
 * identifier and the driver's manufacturer: "*" alone matches everything;
 * otherwise the text between an optional leading and an optional trailing
 * "*" must begin the identifier (unless a leading "*" is given) and end it
 * (unless a trailing "*" is given). Example:
 * PNP\PCI*VEN_10DE*\*\0\DriverVersion.
 * `caller` identifies the application and is not used; `reserved` is
 * ignored.
 * On success *answer receives the answer, to be freed with GlobalFree, or
 * null when there is none (for example an index past the last instance).
 * Returns 0; 0x80004003 when `query` or `answer` is null; 0x80070057 for a
 * malformed query or an unknown source or property; 0x80004005 when a driver
 * file has no readable version; 0x80004001 when the system lacks the COM
 * functions the management queries need; other failures of the management
 * service as it reports them. *answer is null after every failure.
 */
HRESULT WINAPI WendrixSystem(const WCHAR* caller, const WCHAR* query, UINT32 reserved, WCHAR** answer);

/*
 * Rollback journals for setup programs. WendrixCreateRollbackEx creates a
 * journal (a folder in the user's temporary folder) and writes its path into
 * `folder`, a buffer of 260 characters (MAX_PATH); hand that path to the
 * setup functions, then either WendrixDestroyRollbackEx (commit: the journal
 * is thrown away) or WendrixRollbackEx (every noted change is undone, newest
 * first, and the journal is thrown away). `flags` is reserved (0).
 * WendrixCreateRollbackEx returns 0x80070057 for a null buffer and 0x8007006F
 * when the path would not fit. WendrixDestroyRollbackEx always returns 0.
 * WendrixRollbackEx returns 0x80070003 when the folder does not exist, E_FAIL
 * or 0x8007000D for a damaged journal (the changes read before the damage
 * are undone), or the error of the first change that could not be undone (the
 * journal then stays and can be rolled back again).
 * A journal may be replayed by an elevated setup, so a record of a kind the
 * library never writes is damage: registry roots other than HKEY_CLASSES_ROOT,
 * HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE and HKEY_USERS, views other than the
 * default, 32-bit and 64-bit ones, paths that are not absolute local drive
 * paths, backups outside the journal's own folder (0x8007000D; newer records
 * have already been undone).
 * WendrixCreateRollback (ANSI): when the journal's path cannot be given in the
 * ANSI code page (over 260 bytes, or a character the code page lacks), the
 * journal is removed, `folder` receives an empty text and the result is
 * 0x80004005.
 */
HRESULT WINAPI WendrixCreateRollbackEx(WCHAR* folder, UINT32 flags);
HRESULT WINAPI WendrixCreateRollback(CHAR* folder, UINT32 flags);
HRESULT WINAPI WendrixDestroyRollbackEx(const WCHAR* folder);
HRESULT WINAPI WendrixDestroyRollback(const CHAR* folder);
HRESULT WINAPI WendrixRollbackEx(const WCHAR* folder);
HRESULT WINAPI WendrixRollback(const CHAR* folder);

/*
 * The event log. WendrixLogEvent2 records one event in the user's history:
 * `origin` 0 Manual, 1 Application, 2 Scheduled, 3 Startup (4: none);
 * `type` 0 Check, 1 DownloadStarted, 2 DownloadComplete, 3 Download,
 * 4 Install, 5 Open, 6 Buy, 7 System (8: none); `result` 0 Success,
 * 1 PartialSuccess, 2 Aborted, 3 Error, 4 Unknown (5: none). The publisher,
 * group, item and action IDs may be null; the record shows the registered
 * names for them, the item with the version of the Download action given.
 * `resultInfo` is free text (null: none). WendrixLogEvent is the same without
 * a result text. Returns 0; 0x80070020 when another process held the log
 * through ten attempts half a second apart; E_FAIL without a local
 * application-data folder; other file errors wrapped.
 */
#define WENDRIX_ORIGIN_MANUAL 0
#define WENDRIX_ORIGIN_APPLICATION 1
#define WENDRIX_ORIGIN_SCHEDULED 2
#define WENDRIX_ORIGIN_STARTUP 3
#define WENDRIX_ORIGIN_NONE 4

#define WENDRIX_EVENT_CHECK 0
#define WENDRIX_EVENT_DOWNLOAD_STARTED 1
#define WENDRIX_EVENT_DOWNLOAD_COMPLETE 2
#define WENDRIX_EVENT_DOWNLOAD 3
#define WENDRIX_EVENT_INSTALL 4
#define WENDRIX_EVENT_OPEN 5
#define WENDRIX_EVENT_BUY 6
#define WENDRIX_EVENT_SYSTEM 7
#define WENDRIX_EVENT_NONE 8

#define WENDRIX_RESULT_SUCCESS 0
#define WENDRIX_RESULT_PARTIAL_SUCCESS 1
#define WENDRIX_RESULT_ABORTED 2
#define WENDRIX_RESULT_ERROR 3
#define WENDRIX_RESULT_UNKNOWN 4
#define WENDRIX_RESULT_NONE 5

HRESULT WINAPI WendrixLogEvent(UINT32 origin, UINT32 type, const WCHAR* publisherId, const WCHAR* groupId,
                               const WCHAR* itemId, const WCHAR* actionId, UINT32 result);
HRESULT WINAPI WendrixLogEvent2(UINT32 origin, UINT32 type, const WCHAR* publisherId, const WCHAR* groupId,
                                const WCHAR* itemId, const WCHAR* actionId, UINT32 result, const WCHAR* resultInfo);

/*
 * Older versions started the scheduler through a "Wendrix Scheduler" shortcut
 * in the user's Startup folder. WendrixReplacePerUserStartupShortcut deletes
 * that shortcut, when there is one, and writes the per-user startup entry
 * instead (its result is returned); without a shortcut it returns 0 and
 * changes nothing.
 */
HRESULT WINAPI WendrixReplacePerUserStartupShortcut(void);

/*
 * Stopping and restarting the product's running programs, as a setup does
 * before it replaces their files. WendrixStopEx asks, in this order, every
 * main dialog ("WendrixDialog": message WM_APP+1, wParam = flags & 1; flag 1
 * says that a restart follows), every wallet download window
 * ("WendrixWalletDownload": WM_APP) and every scheduler ("WendrixScheduler":
 * WM_APP) to close, waiting up to 10 s for each one's process. It returns 0,
 * or 0x800700AA (ERROR_BUSY) when a window of some class was still there
 * afterwards; the later classes are stopped all the same. `reserved` is
 * ignored (null). WendrixStop is WendrixStopEx(null, 0).
 * WendrixRestart stops the programs (flag 1) and starts the product's main
 * program again for what ran: the dialog (unless a request record waits for
 * the next main program, which then opens it) and the scheduler ("/s"). It
 * acts only for a dialog or scheduler of another process in the caller's
 * session; otherwise it returns 0 and starts nothing. It returns the stop's
 * failure, or the error of a program that could not be started; a window
 * that is slow to appear is not a failure.
 */
HRESULT WINAPI WendrixStopEx(HWND reserved, UINT32 flags);
HRESULT WINAPI WendrixStop(void);
HRESULT WINAPI WendrixRestart(void);

/*
 * Installing the product itself. The product's setup calls WendrixInstallEx
 * from the library file it carries, usually with a journal from
 * WendrixCreateRollbackEx. It copies the product files from the library's
 * own folder into the product folder (WENDRIX_INFO_FOLDER; on 64-bit Windows
 * the 64-bit files into the 64-bit product folder), in this order, each with
 * the error location given:
 *   wendrix.exe 45, wendrix.dll 46, wendrix.cpl 47, wendrixc.dll 48,
 *   wendrixw.ocx 144, wendrixu.exe 49, unzip32-license.txt 50,
 *   wendrixl.exe 51, unicows.dll 148, wxsetup.exe 160;
 *   64-bit: wendrix64.dll 131, wendrix64.cpl 132, wendrixc64.dll 133,
 *   wendrixw64.ocx 143.
 * The programs (wendrix.exe, wendrixu.exe, wendrixl.exe, wxsetup.exe) and the
 * library of the setup's own width (wendrix.dll or wendrix64.dll) must be in
 * that folder: a missing one fails with 0x80070002 at its location. The
 * other files are copied when present and passed over when not; the COM
 * classes of wendrixc.dll and wendrixw.ocx are registered only when the file
 * is in place.
 * An installed file is replaced only by a newer one (wendrixu.exe by its
 * fixed version, the others by their FileVersion text); with
 * WENDRIX_INSTALL_FORCE also by one of the same version, never by an older
 * one. The product's running programs are stopped before a file is
 * replaced. A file in use is put in place at the next restart: the result is
 * then 1 (ask the user to restart Windows). Then the control-panel task file
 * (121), the values Size (163, 164) and Path (107, 134; 64-bit view 135-137)
 * under HKLM\SOFTWARE\Kestmoor\Wendrix\3.0, the user's older settings
 * (103), the shared data folder with full access for Everyone (109), the COM
 * classes (125, 142) and the system integrations that registered publishers
 * need; programs that were running are started again (60, 61).
 * WENDRIX_INSTALL_SKIP_REGISTRY leaves out the settings, Path and the
 * shared data folder. Nothing is done, and 0 returned, when the installed
 * copy of the library is newer than this one. *errorLocation (when given)
 * receives the failing step (0 on success); the journal undoes what was done.
 * `reserved` is ignored (null). WendrixInstall takes an ANSI journal folder.
 *
 * WendrixFinalizeEx (called by WendrixUninstall and UninstInitialize) removes
 * the product when no publisher other than the product's own is registered,
 * no program's registration is counted and no other user has publishers
 * (with WENDRIX_FINALIZE_IGNORE_USER_ONLY: publishers that no program
 * registered, and other users' publishers, do not keep it): the running
 * programs are stopped (71), then for the machine and the user the COM
 * classes, the file type, the startup entry and shortcut, the control-panel
 * applet and the uninstall entry go, then the product files, the product
 * folder, the shared data folders and the key trees SOFTWARE\Kestmoor\Wendrix
 * of HKLM and HKCU. A file in use is deleted at the next restart (result 1).
 * When publishers remain, it only makes sure that their integrations are in
 * place. Forwarded to a newer installed copy.
 *
 * WendrixUninstall(caller, flags), for publishers' uninstallers: unregisters
 * `caller` (WendrixUnregister with flags & 1) when given, stopping at a
 * failure, then finalizes (flags & 16 passed on).
 *
 * UninstInitialize looks in the process's command line for an argument
 * "-!ID.flags" (flags decimal, 0x hexadecimal or 0 octal; ID at most 80
 * characters); when there is one it calls WendrixUnregisterEx(ID, null, null,
 * null, flags) and WendrixFinalizeEx(null, null, null, 0). It always returns
 * 0, as UninstUnInitialize does, which does nothing.
 *
 * WendrixSetup shows the setup dialog: what other users of the computer still
 * have registered, and whether to remove the product for this user. OK
 * unregisters the publishers only this user registered and finalizes; it
 * returns that result (1: restart needed) with the failing step in
 * *errorLocation. Cancel returns 0x80004004 (E_ABORT). 167 and 169: the
 * wallet or the publishers could not be read.
 */
#define WENDRIX_INSTALL_FORCE 0x2u
#define WENDRIX_INSTALL_SKIP_REGISTRY 0x8u
#define WENDRIX_FINALIZE_IGNORE_USER_ONLY 0x40000000u
#define WENDRIX_UNINSTALL_CURRENT_USER 0x1u

HRESULT WINAPI WendrixInstallEx(const WCHAR* journal, UINT32* errorLocation, void* reserved, UINT32 flags);
HRESULT WINAPI WendrixInstall(const CHAR* journal, UINT32* errorLocation, void* reserved, UINT32 flags);
HRESULT WINAPI WendrixFinalizeEx(const WCHAR* journal, UINT32* errorLocation, void* reserved, UINT32 flags);
HRESULT WINAPI WendrixFinalize(const CHAR* journal, UINT32* errorLocation, void* reserved, UINT32 flags);
HRESULT WINAPI WendrixUninstall(const CHAR* caller, UINT32 flags);
HRESULT WINAPI UninstInitialize(UINT_PTR reserved1, UINT_PTR reserved2, UINT32 flags);
HRESULT WINAPI UninstUnInitialize(UINT_PTR reserved1, UINT_PTR reserved2, UINT32 flags);
HRESULT WINAPI WendrixSetup(HWND window, UINT32* errorLocation, UINT_PTR reserved, UINT32 flags, UINT_PTR value1,
                            UINT_PTR value2);

/*
 * Registering publishers. A product's setup hands the publisher data file it
 * ships to WendrixRegisterEx; `caller` names the product (any stable text of
 * its own, or its product code in braces) and is remembered with the
 * publisher, so that WendrixUnregisterEx(caller, ...) on uninstall lowers the
 * counts of exactly the publishers that product registered. Flag 1: the
 * current user's registration; without it, all users'. `journal` is a
 * rollback journal folder (or null) in which every file and registry change
 * is noted. A null caller or data file registers nothing and only brings the
 * startup entry, control-panel entry, uninstall entry and file type in line
 * with the registered publishers. Both return 0 or the failing step's code,
 * and write the number of the failing step into *errorLocation (0 on
 * success): 155 the file does not parse, 156 a required publisher value is
 * missing, 157 the file cannot be read, 173 the caller text is unusable, and
 * the other steps' numbers as documented for setup authors.
 *
 * WendrixRegister builds a minimal data file from four texts (all required:
 * error location 42 and 0x80070057 otherwise) and registers it.
 *
 * WendrixUnregisterEx flags: 1 current user; 16 only lower the counts;
 * 0x40000000 also remove publishers only the user registered; 0x80000000 a
 * product that registered nothing is no error (otherwise 0x80070490, error
 * location 168). A count already at 0 gives 0x8007000D (146, 147).
 *
 * Publisher IDs name files, so an ID is 1 to 64 characters of letters,
 * digits, '.', '-' and '_', neither beginning nor ending with '.', without
 * "..", and no dot-separated part of it a device name (CON, PRN, AUX, NUL,
 * COM0-COM9, LPT0-LPT9). WendrixRegister refuses another `id` with
 * 0x80070057 at location 42; a data file's [Publisher] ID that breaks the
 * rule fails WendrixRegisterEx and WendrixLoadFile with 0x80070057 at step
 * 155, at the ID's line. A data file's ApplicationIcon becomes the
 * registration icon only when it names a file in the data file's folder or
 * below it.
 *
 * WendrixLoadFile opens a data file for the user: flag 2 only asks (0: the
 * file describes an item, 16: its publisher is not registered yet, 4: it is);
 * flag 1 registers the publisher when it is new without asking. Returns 3
 * when the publisher was newly registered (or a newer library is needed to
 * read the file), 0 otherwise, or the failure.
 *
 * WendrixInControlPanel returns 0 when the control-panel applet is to be
 * shown (no publisher is registered, or one asks for it) and 1 when not.
 */
#define WENDRIX_REGISTER_CURRENT_USER 1 /* WendrixRegister(Ex), WendrixUnregister(Ex) */
#define WENDRIX_UNREGISTER_COUNTS_ONLY 16
#define WENDRIX_UNREGISTER_USER_REGISTERED 0x40000000u
#define WENDRIX_UNREGISTER_MISSING_OK 0x80000000u

#define WENDRIX_LOAD_REGISTER_NEW 1 /* WendrixLoadFile flags */
#define WENDRIX_LOAD_ASK_ONLY 2
#define WENDRIX_LOAD_ANSWER_ITEM 0 /* its answers with WENDRIX_LOAD_ASK_ONLY */
#define WENDRIX_LOAD_ANSWER_REGISTERED 4
#define WENDRIX_LOAD_ANSWER_NOT_REGISTERED 16
#define WENDRIX_LOAD_NEWLY_REGISTERED 3 /* its result otherwise */

HRESULT WINAPI WendrixRegisterEx(const WCHAR* caller, const WCHAR* dataFile, const WCHAR* journal,
                                 UINT32* errorLocation, HWND window, UINT32 flags);
HRESULT WINAPI WendrixRegister(const CHAR* caller, const CHAR* name, const CHAR* id, const CHAR* homePage,
                               const CHAR* dataSource, const CHAR* journal, UINT32* errorLocation, HWND window,
                               UINT32 flags);
HRESULT WINAPI WendrixUnregisterEx(const WCHAR* caller, const WCHAR* journal, UINT32* errorLocation, HWND window,
                                   UINT32 flags);
HRESULT WINAPI WendrixUnregister(const CHAR* caller, const CHAR* journal, UINT32* errorLocation, HWND window,
                                 UINT32 flags);
HRESULT WINAPI WendrixLoadFile(const WCHAR* path, HWND window, UINT32 flags);
HRESULT WINAPI WendrixInControlPanel(void);

/*
 * Checking for updates. WendrixCheckEx checks every registered publisher (or
 * the one named by ID or name) in the calling thread and answers with a
 * short summary (a GlobalAlloc'ed text the caller frees with GlobalFree),
 * summary flags (1: updates or a self-update are listed, 2: other software is
 * listed) and item flags for the items of `group` / `item` of that publisher
 * (1: an update is available, 8: it can be downloaded, 16: bought; 32: a
 * newer library is needed to read some publisher's data; 4, its download
 * waiting in the wallet, is not reported yet: the library keeps no wallet). `options` bit 31:
 * an automatic (scheduled) check; bit 30: leave the scheduler alone. Returns
 * 0, 2 when only some publishers could be checked, 0x80070490 for an
 * unknown publisher or group, E_ABORT when cancelled. Whenever any
 * publisher is registered, a check of every publisher also checks the
 * library's own publisher, last, from its built-in address; when that fails
 * the result is 2 (no error of its own unless the INIDebug setting is on).
 * The check's state (when it was attempted, whether it succeeded, its error)
 * and the Enabled switch are the current user's: they go to the user's
 * list, also for publishers registered for all users. When the publisher
 * list cannot be saved after a check, a "Save Data" box says so (without an
 * owner when the caller has no window) and the call waits until it is
 * dismissed. WendrixCheck is the ANSI twin (no group; the summary is an
 * ANSI global string).
 */
#define WENDRIX_SUMMARY_UPDATES 1
#define WENDRIX_SUMMARY_OTHER_SOFTWARE 2

#define WENDRIX_ITEM_UPDATE 1
#define WENDRIX_ITEM_IN_WALLET 4
#define WENDRIX_ITEM_DOWNLOADABLE 8
#define WENDRIX_ITEM_BUYABLE 16
#define WENDRIX_ITEM_NEWER_LIBRARY 32

#define WENDRIX_CHECK_LEAVE_SCHEDULER 0x40000000u
#define WENDRIX_CHECK_AUTOMATIC 0x80000000u
#define WENDRIX_CHECK_PARTIAL 2 /* the result when only some publishers could be checked */

HRESULT WINAPI WendrixCheckEx(const WCHAR* publisher, const WCHAR* group, const WCHAR* item, WCHAR** summary,
                              UINT32* summaryFlags, UINT32* itemFlags, UINT32 options);
HRESULT WINAPI WendrixCheck(const CHAR* publisher, const CHAR* item, CHAR** summary, UINT32* summaryFlags,
                            UINT32* itemFlags, UINT32 options);

/*
 * Versions and addresses for an application's menus. The addresses come from
 * the publisher's data file as last checked, so a publisher can move its
 * pages without shipping a new application. `publisher` is a publisher ID, a
 * publisher name, or the alias of one of the product's own publishers.
 *
 * WendrixVersion: *out (set to null first) receives, as a string to free
 * with GlobalFree, the first of these that applies:
 *  - with no item and without WENDRIX_VERSION_SELF_UPDATE: the library's own
 *    version ("3.8.10.0"), whatever the other flags;
 *  - with WENDRIX_VERSION_REGISTERED: the version text the publisher was
 *    registered with (an empty text when it has none; null when the
 *    publisher is not registered); the item is not used;
 *  - with no item and WENDRIX_VERSION_SELF_UPDATE: the version of the
 *    library's self-update on offer (from the library's last check of
 *    itself, which runs whenever any publisher is registered), or null when
 *    there is none;
 *  - otherwise the installed version of the publisher's item (null when the
 *    item is not installed or does not exist), or its latest version with
 *    WENDRIX_VERSION_SELF_UPDATE (the same bit), formatted for display with
 *    WENDRIX_VERSION_DISPLAY.
 * Returns 0; 0x80004003 when `out` is null; 0x80070057 for an item without a
 * publisher; failures of reading the publisher store or its data. An
 * unregistered publisher is no error (0, null).
 *
 * WendrixURL: the low five bits of `flags` are one of the WENDRIX_URL_
 * kinds. *out (set to null first) receives the address, to free with
 * GlobalFree, or stays null when there is none: WENDRIX_URL_PUBLISHER_HOME_PAGE
 * needs no item and gives the registered home page of a registered publisher
 * (an empty text when it has none); every other kind needs an item that
 * offers such a page. Only the data the kind needs is read: the publisher's
 * data file for an item's page, none for the home page.
 * Returns 0; 0x80070057 for flags 0, a null or empty publisher, or a kind
 * outside 1 to 10 for an existing item; 0x80004003 when `out` is null;
 * failures of reading the publisher store or its data. An unknown publisher
 * or item is no error (0, null).
 *
 * WendrixVersion, WendrixURL, WendrixOpen and WendrixBuy in one process
 * share the publisher store they read and read it again only when it has
 * changed, so an application may call them freely at start-up; a change any
 * process makes to the store is seen by the next call.
 *
 * WendrixOpen looks the address up as WendrixURL does and opens it: a
 * "mailto:" address in the user's mail program, anything else with its
 * registered handler (the browser for web pages). Returns 0 (also when there
 * is no address to open), 0x80070057 for flags 0, WendrixURL's failures, or
 * the shell's error.
 *
 * WendrixBuy opens the item's purchase page: WendrixOpen with kind
 * WENDRIX_URL_PURCHASE (the caller's other flag bits are not passed on);
 * 0x80070057 for flags 0.
 */
#define WENDRIX_VERSION_SELF_UPDATE 4 /* no item: the self-update on offer; an item: its latest version */
#define WENDRIX_VERSION_DISPLAY 8     /* an item's version formatted for display */
#define WENDRIX_VERSION_REGISTERED 16 /* the publisher's registered version text */

#define WENDRIX_URL_ITEM_HOME_PAGE 1
#define WENDRIX_URL_CURRENT_VERSION_INFO 2
#define WENDRIX_URL_PUBLISHER_HOME_PAGE 3
#define WENDRIX_URL_HISTORY 4
#define WENDRIX_URL_FAQ 5
#define WENDRIX_URL_SUPPORT 6
#define WENDRIX_URL_TROUBLESHOOTING 7
#define WENDRIX_URL_SOURCE_CODE 8
#define WENDRIX_URL_DOWNLOAD 9
#define WENDRIX_URL_PURCHASE 10

HRESULT WINAPI WendrixVersion(const WCHAR* publisher, const WCHAR* item, UINT32 flags, WCHAR** out);
HRESULT WINAPI WendrixURL(const WCHAR* publisher, const WCHAR* item, UINT32 flags, WCHAR** out);
HRESULT WINAPI WendrixOpen(const WCHAR* publisher, const WCHAR* item, UINT32 flags);
HRESULT WINAPI WendrixBuy(const WCHAR* publisher, const WCHAR* item, UINT32 flags);

/*
 * The wallet: downloaded items, one folder each under the user's local
 * application-data folder ("Kestmoor\Wendrix\Wallet").
 *
 * WendrixDownload downloads the best action of `item` for the request that
 * `flags` names (exactly one of WENDRIX_REQUEST_GENERIC, _TRY, _BUY, _UPDATE)
 * into the wallet, in the calling thread. `publisher` is a registered
 * publisher's ID or the path of its data file. `callback`, when given, hears
 * the progress (bytes done and bytes in all as decimal texts, the percentage,
 * `context`) and returns 0 to stop the download. An action that is only a
 * link (External) is opened instead. Returns 0; 0x80070057 for no or several
 * request bits or WENDRIX_REQUEST_SELF_UPDATE; 0x80070490 for an unknown
 * publisher, item or action; 0x80004004 when stopped; the transfer's error
 * otherwise (the failed entry is deleted). WENDRIX_REQUEST_PROGRESS_WINDOW is
 * accepted, but no progress window is shown yet: the download runs without
 * one.
 *
 * An action may pin its files by SHA-256 (one "SHA256" line of 64 hexadecimal
 * digits per file, in the order of its files). Each pinned file is hashed as
 * it arrives (a file found complete is hashed on disk) and again right before
 * an installation: a file whose digest differs is deleted, the entry ends in
 * Error and the download or installation fails with 0x80096010
 * (TRUST_E_BAD_DIGEST); nothing is run.
 *
 * WendrixInstallItem downloads the same way and installs the entry: at once
 * with WENDRIX_REQUEST_INSTALL_NOW, otherwise through the main program, which
 * asks the user (0 when confirmed, 0x80004004 when not, 0x80004005 when the
 * main program ends without an answer). `command` (run in `folder`) starts
 * after a successful installation. An installer program runs through a copy
 * of the product's launcher once the system trusts its signature (or, where
 * the system has no trust libraries, once the user accepts it); refused, the
 * installation ends with 0x80004004. Downloaded publisher data files are
 * registered. An action's messages come first; No to one ends with
 * 0x80004004. Archives are unpacked into their targets (which must resolve to
 * full paths on a local drive; 0x80070003 when one does not resolve) after the
 * user confirms where files from which hosts go (unless the entry is Silent),
 * with every change journalled and rolled back on failure; an action that
 * needs administrator rights runs the product's "wendrixu.exe", whose exit
 * code is the result. A file in use is replaced at the next restart, and the
 * user is asked to restart now.
 *
 * WendrixInstallItem with WENDRIX_REQUEST_SELF_UPDATE updates the product
 * itself: `publisher` (an ID or a name) must be registered, and the product's
 * own publisher must offer its Self item with a Download action (0x80070490
 * otherwise). Only when that item's version is newer than this library's is
 * the file downloaded (progress to `callback`) into a new "KWX" folder of the
 * temporary "Wendrix" folder and checked: signed by the maker, or trusted by
 * the system (0x80040064 when the trust libraries are missing, 0x80040065
 * when the signature does not hold); a pinned file must also have its
 * SHA-256, checked first (0x80096010). A copy of the launcher then waits for
 * the calling process to end and runs it. 0 when nothing newer is offered.
 *
 * WendrixWallet serves the main program: operation 0 runs the wallet entry
 * `id` in this process (the main program's "/d:" argument, with "/x:" as
 * `command` and "/u:" as `folder`); operation 1 restarts interrupted entries
 * (downloads from their first byte) and hands the pending request records to
 * the main program. Other operations give 0x80070057.
 */
#define WENDRIX_REQUEST_GENERIC 1
#define WENDRIX_REQUEST_TRY 2
#define WENDRIX_REQUEST_BUY 4
#define WENDRIX_REQUEST_UPDATE 8
#define WENDRIX_REQUEST_SELF_UPDATE 0x20
#define WENDRIX_REQUEST_INSTALL_NOW 0x40
#define WENDRIX_REQUEST_PROGRESS_WINDOW 0x400
#define WENDRIX_WALLET_RUN_ENTRY 0
#define WENDRIX_WALLET_RESUME 1

typedef int(CALLBACK* WENDRIX_PROGRESS_CALLBACK)(const WCHAR* done, const WCHAR* total, int percent, void* context);

HRESULT WINAPI WendrixDownload(const WCHAR* publisher, const WCHAR* item, UINT32 flags,
                               WENDRIX_PROGRESS_CALLBACK callback, void* context);
HRESULT WINAPI WendrixInstallItem(const WCHAR* publisher, const WCHAR* item, UINT32 flags, const WCHAR* command,
                                  const WCHAR* folder, WENDRIX_PROGRESS_CALLBACK callback, void* context);
HRESULT WINAPI WendrixWallet(UINT32 operation, UINT32 reserved, const WCHAR* id, const WCHAR* command,
                             const WCHAR* folder);

/*
 * WendrixInfo: for the product's own components, which are built with the
 * library's own list type (an ordered list of record pointers, outside this
 * C interface). Operation 0 gets, operation 1 frees:
 *  10 the registered publishers (WENDRIX_PUBLISHER_INFO records; the
 *     product's directory of publishers, publishers whose data hides them
 *     and the library's own publisher, unless a list registers it, are left
 *     out; no publisher's data is read);
 *  11 the groups of `publisher` (WENDRIX_GROUP_INFO);
 *  12 the items of `group` of `publisher`, or with a null or empty group the
 *     items that belong to no group (WENDRIX_ITEM_INFO);
 *  13 every item of `publisher` (WENDRIX_ITEM_INFO);
 *  14 the identity of the data file whose path is `publisher`, written into
 *     the WENDRIX_DATA_FILE_INFO that `out` points to (its texts are the
 *     caller's, to free with GlobalFree);
 *  15 switches `publisher` on or off for the current user's checks: `out`
 *     points to a UINT32, 0 off, anything else on; written to the user's
 *     list, also for a publisher registered for all users.
 * For queries 10 to 13 `out` is the list; records are appended to it (in
 * store or data-file order) and stay the library's: free them with
 * operation 1 and the same query, which destroys every record in the list
 * and empties it. Record texts are never null. `publisher` is an ID or name;
 * `value` is not used.
 * Returns 0; 0x80070057 for another operation or, for operation 0, another
 * query (operation 1 with another query does nothing and returns 0);
 * 0x80004003 when `out`, or the publisher a query needs, is null;
 * 0x80070490 when the publisher or the group does not exist; failures of the
 * publisher store, its data, the data file or the list file. When memory
 * runs out while records are appended (0x8007000E), those appended before
 * stay in the list.
 */
#define WENDRIX_INFO_GET 0
#define WENDRIX_INFO_FREE 1

#define WENDRIX_QUERY_PUBLISHERS 10
#define WENDRIX_QUERY_GROUPS 11
#define WENDRIX_QUERY_GROUP_ITEMS 12
#define WENDRIX_QUERY_ALL_ITEMS 13
#define WENDRIX_QUERY_DATA_FILE 14
#define WENDRIX_QUERY_SET_ENABLED 15

typedef struct WENDRIX_PUBLISHER_INFO {
  WCHAR* id;
  WCHAR* name;
  WCHAR* homePage;
  UINT32 disabled; /* 1 when the publisher is switched off for checks */
} WENDRIX_PUBLISHER_INFO;

typedef struct WENDRIX_GROUP_INFO {
  WCHAR* id;
  WCHAR* title;
} WENDRIX_GROUP_INFO;

#define WENDRIX_ITEM_STATUS_NEW 1

typedef struct WENDRIX_ITEM_INFO {
  WCHAR* id;
  WCHAR* title;
  UINT32 status; /* WENDRIX_ITEM_STATUS_NEW when the item's latest version is
                    new since the publisher's previous check, else 0 */
} WENDRIX_ITEM_INFO;

typedef struct WENDRIX_DATA_FILE_INFO {
  WCHAR* id;
  WCHAR* name;
  WCHAR* homePage;
} WENDRIX_DATA_FILE_INFO;

HRESULT WINAPI WendrixInfo(UINT32 operation, UINT32 query, const WCHAR* publisher, const WCHAR* group,
                           UINT_PTR value, void* out);

/*
 * Showing the product's user interface. WendrixDisplayEx opens the main
 * window at the view that `flags` selects. With `publisher` (a registered
 * publisher's ID or name) the window shows that publisher only, under its
 * application name; with `item` as well, that item is selected in All
 * Items (`group` is handed on as it is). When the main program runs already,
 * its window takes the request and is brought to the front; otherwise the
 * main program (wendrix.exe in the product folder) is started with the
 * request and the call returns once its window is ready, or once the
 * library has stopped waiting for it (20 looks for the window and 20
 * questions to it, 500 ms apart) or seen it end.
 * Only the first view flag in the order OPTIONS, ABOUT, ALL_ITEMS, WALLET,
 * HISTORY counts; the others are ignored.
 * WENDRIX_DISPLAY_IN_PROCESS is for the main program itself: it hands the
 * request to an already open window and waits until that window closes;
 * when none is open it runs the main window in the calling thread, modal
 * over `owner`, until the user closes it (its result, or 0x80004005 when
 * the window cannot be made). Pending request records are taken up by it.
 * `commandLine` and `currentDirectory` are handed to the user interface as
 * they are (null: none).
 * Returns 0; a negative answer of the running main window; 0x80004005 when
 * the main program cannot be started (once started, a main program that
 * ends early or whose window never gets ready is no failure of the call); a
 * wrapped Windows error (0x800705B4 on a time-out) when a running window
 * does not take the request. WendrixDisplay is the ANSI twin (no group,
 * command line or current directory).
 */
#define WENDRIX_DISPLAY_ALL_ITEMS 0x40
#define WENDRIX_DISPLAY_WALLET 0x80
#define WENDRIX_DISPLAY_OPTIONS 0x100
#define WENDRIX_DISPLAY_ABOUT 0x200
#define WENDRIX_DISPLAY_IN_PROCESS 0x400
#define WENDRIX_DISPLAY_HISTORY 0x800
#define WENDRIX_DISPLAY_REMEMBER_FOREGROUND 0x10000000 /* return to the window that was in front */

HRESULT WINAPI WendrixDisplayEx(HWND owner, const WCHAR* publisher, const WCHAR* group, const WCHAR* item,
                                UINT32 flags, const WCHAR* commandLine, const WCHAR* currentDirectory);
HRESULT WINAPI WendrixDisplay(HWND owner, const CHAR* publisher, const CHAR* item, UINT32 flags);

#ifdef __cplusplus
}
#endif

#endif /* WENDRIX_H */
