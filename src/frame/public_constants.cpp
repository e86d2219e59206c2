// The numbers callers read in wendrix.h are the numbers the library acts on:
// each internal constant that a documented flag, kind or answer stands for is
// tied to its public name here, so the two cannot drift apart. Nothing here
// produces code.
#include "wendrix.h"

#include "api/address_lookup.h"
#include "api/info_enumeration.h"
#include "api/publisher_queries.h"
#include "eventlog/event_vocabulary.h"
#include "frame/product_folder.h"
#include "registration/load_file.h"
#include "registration/product_unregistration.h"
#include "registration/registration.h"
#include "update/application_check.h"
#include "update/check_engine.h"
#include "update/display_request.h"
#include "update/item_flags.h"
#include "update/summary_text.h"
#include "wallet/wallet_request.h"

namespace wendrix {
namespace {

template <auto Public, auto Internal>
constexpr bool kSame = static_cast<unsigned long long>(Public) == static_cast<unsigned long long>(Internal);

static_assert(kSame<WENDRIX_REQUEST_GENERIC, kRequestGeneric> && kSame<WENDRIX_REQUEST_TRY, kRequestTry> &&
              kSame<WENDRIX_REQUEST_BUY, kRequestBuy> && kSame<WENDRIX_REQUEST_UPDATE, kRequestUpdate> &&
              kSame<WENDRIX_REQUEST_SELF_UPDATE, kRequestSelfUpdate> &&
              kSame<WENDRIX_REQUEST_INSTALL_NOW, kRequestInstallNow> &&
              kSame<WENDRIX_REQUEST_PROGRESS_WINDOW, kRequestProgressWindow> &&
              (WENDRIX_REQUEST_GENERIC | WENDRIX_REQUEST_TRY | WENDRIX_REQUEST_BUY | WENDRIX_REQUEST_UPDATE) ==
                  kRequestSelectorMask);

static_assert(kSame<WENDRIX_INFO_FOLDER, kInfoFolder> && kSame<WENDRIX_INFO_MAIN_PROGRAM, kInfoMainProgram> &&
              kSame<WENDRIX_INFO_LIBRARY, kInfoLibrary> && kSame<WENDRIX_INFO_CONTROL_PANEL, kInfoControlPanelApplet> &&
              kSame<WENDRIX_INFO_COMPANION_LIBRARY, kInfoCompanionLibrary> &&
              kSame<WENDRIX_INFO_CONTROL_PANEL_TASKS, kInfoControlPanelTasks> &&
              kSame<WENDRIX_INFO_LAUNCHER, kInfoLauncher> && kSame<WENDRIX_INFO_ELEVATED_INSTALLER, kInfoElevatedInstaller> &&
              kSame<WENDRIX_INFO_CONTROL, kInfoControl> && kSame<WENDRIX_INFO_UNICODE_LAYER, kInfoUnicodeLayer> &&
              kSame<WENDRIX_INFO_SETUP_PROGRAM, kInfoSetupProgram>);

static_assert(kSame<WENDRIX_ORIGIN_MANUAL, kOriginManual> && kSame<WENDRIX_ORIGIN_APPLICATION, kOriginApplication> &&
              kSame<WENDRIX_ORIGIN_SCHEDULED, kOriginScheduled> && kSame<WENDRIX_ORIGIN_STARTUP, kOriginStartup> &&
              kSame<WENDRIX_ORIGIN_NONE, kOriginNone>);
static_assert(kSame<WENDRIX_EVENT_CHECK, kEventCheck> && kSame<WENDRIX_EVENT_DOWNLOAD_STARTED, kEventDownloadStarted> &&
              kSame<WENDRIX_EVENT_DOWNLOAD_COMPLETE, kEventDownloadComplete> &&
              kSame<WENDRIX_EVENT_DOWNLOAD, kEventDownload> && kSame<WENDRIX_EVENT_INSTALL, kEventInstall> &&
              kSame<WENDRIX_EVENT_OPEN, kEventOpen> && kSame<WENDRIX_EVENT_BUY, kEventBuy> &&
              kSame<WENDRIX_EVENT_SYSTEM, kEventSystem> && kSame<WENDRIX_EVENT_NONE, kEventNone>);
static_assert(kSame<WENDRIX_RESULT_SUCCESS, kResultSuccess> &&
              kSame<WENDRIX_RESULT_PARTIAL_SUCCESS, kResultPartialSuccess> &&
              kSame<WENDRIX_RESULT_ABORTED, kResultAborted> && kSame<WENDRIX_RESULT_ERROR, kResultError> &&
              kSame<WENDRIX_RESULT_UNKNOWN, kResultUnknown> && kSame<WENDRIX_RESULT_NONE, kResultNone>);

static_assert(kSame<WENDRIX_REGISTER_CURRENT_USER, kRegisterCurrentUser> &&
              kSame<WENDRIX_REGISTER_CURRENT_USER, kUnregisterCurrentUser> &&
              kSame<WENDRIX_UNREGISTER_COUNTS_ONLY, kUnregisterCountsOnly> &&
              kSame<WENDRIX_UNREGISTER_USER_REGISTERED, kUnregisterUserOnlyPublishers> &&
              kSame<WENDRIX_UNREGISTER_MISSING_OK, kUnregisterMissingIsNoError>);
static_assert(kSame<WENDRIX_LOAD_REGISTER_NEW, kLoadFileNoDialog> && kSame<WENDRIX_LOAD_ASK_ONLY, kLoadFileQuery> &&
              kSame<WENDRIX_LOAD_ANSWER_ITEM, kLoadFileDescribesItem> &&
              kSame<WENDRIX_LOAD_ANSWER_REGISTERED, kLoadFileRegistered> &&
              kSame<WENDRIX_LOAD_ANSWER_NOT_REGISTERED, kLoadFileNotRegistered> &&
              kSame<WENDRIX_LOAD_NEWLY_REGISTERED, kLoadFileCheckForUpdates>);

static_assert(kSame<WENDRIX_SUMMARY_UPDATES, kSummaryUpdates> &&
              kSame<WENDRIX_SUMMARY_OTHER_SOFTWARE, kSummaryOtherSoftware>);
static_assert(kSame<WENDRIX_ITEM_UPDATE, kItemFlagUpdate> && kSame<WENDRIX_ITEM_IN_WALLET, kItemFlagInWallet> &&
              kSame<WENDRIX_ITEM_DOWNLOADABLE, kItemFlagDownloadable> && kSame<WENDRIX_ITEM_BUYABLE, kItemFlagBuyable> &&
              kSame<WENDRIX_ITEM_NEWER_LIBRARY, kItemFlagNewerLibrary>);
static_assert(kSame<WENDRIX_CHECK_PARTIAL, kCheckPartial> && kSame<WENDRIX_CHECK_AUTOMATIC, kCheckAutomatic> &&
              kSame<WENDRIX_CHECK_LEAVE_SCHEDULER, kCheckLeaveSchedulerAlone>);

static_assert(kSame<WENDRIX_VERSION_SELF_UPDATE, kVersionSelfUpdate> &&
              kSame<WENDRIX_VERSION_REGISTERED, kVersionRegistration>);
static_assert(kSame<WENDRIX_URL_ITEM_HOME_PAGE, kAddressItemHomePage> &&
              kSame<WENDRIX_URL_CURRENT_VERSION_INFO, kAddressCurrentVersionInfo> &&
              kSame<WENDRIX_URL_PUBLISHER_HOME_PAGE, kAddressPublisherHomePage> &&
              kSame<WENDRIX_URL_HISTORY, kAddressHistory> && kSame<WENDRIX_URL_FAQ, kAddressFaq> &&
              kSame<WENDRIX_URL_SUPPORT, kAddressSupport> && kSame<WENDRIX_URL_TROUBLESHOOTING, kAddressTroubleshooting> &&
              kSame<WENDRIX_URL_SOURCE_CODE, kAddressSourceCode> && kSame<WENDRIX_URL_DOWNLOAD, kAddressDownload> &&
              kSame<WENDRIX_URL_PURCHASE, kAddressPurchase>);

static_assert(kSame<WENDRIX_QUERY_PUBLISHERS, kInfoPublishers> && kSame<WENDRIX_QUERY_GROUPS, kInfoGroups> &&
              kSame<WENDRIX_QUERY_GROUP_ITEMS, kInfoUngroupedItems> && kSame<WENDRIX_QUERY_ALL_ITEMS, kInfoAllItems> &&
              kSame<WENDRIX_QUERY_DATA_FILE, kInfoDataFile> && kSame<WENDRIX_QUERY_SET_ENABLED, kInfoSetEnabled>);

static_assert(kSame<WENDRIX_DISPLAY_ALL_ITEMS, kDisplayAllItems> && kSame<WENDRIX_DISPLAY_WALLET, kDisplayWallet> &&
              kSame<WENDRIX_DISPLAY_OPTIONS, kDisplayOptions> && kSame<WENDRIX_DISPLAY_ABOUT, kDisplayAbout> &&
              kSame<WENDRIX_DISPLAY_IN_PROCESS, kDisplayInProcess> && kSame<WENDRIX_DISPLAY_HISTORY, kDisplayHistory> &&
              kSame<WENDRIX_DISPLAY_REMEMBER_FOREGROUND, kDisplayRememberForeground>);

}  // namespace
}  // namespace wendrix
