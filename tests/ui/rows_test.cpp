// What the main window shows, built without a window: the view a request
// opens, the event a check leaves, the rows of All Items and Wallet, and the
// check summary's lines.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "../publisher/fake_environment.h"
#include "eventlog/event_vocabulary.h"
#include "frame/module_state.h"
#include "frame/string_table.h"
#include "publisher/builtin_publishers.h"
#include "publisher/model.h"
#include "registration/publisher_record.h"
#include "resources/string_ids.h"
#include "resources/ui_ids.h"
#include "ui/check_event.h"
#include "ui/display_target.h"
#include "ui/item_rows.h"
#include "ui/self_update_choice.h"
#include "ui/status_report.h"
#include "ui/summary_lines.h"
#include "ui/wallet_rows.h"
#include "update/item_flags.h"
#include "wallet/wallet_entry.h"

namespace wendrix {
namespace {

TEST(DisplayTargetTest, OnlyTheFirstViewInTheirOrderIsOpened) {
  const struct {
    std::uint32_t flags;
    DisplayTarget target;
  } kCases[] = {
      {0, DisplayTarget::kNone},
      {0x400 | 0x10000000, DisplayTarget::kNone},
      {0x80 | 0x800, DisplayTarget::kWallet},
      {0x40 | 0x100, DisplayTarget::kOptions},
      {0x200 | 0x80 | 0x40, DisplayTarget::kAbout},
      {0x40 | 0x800, DisplayTarget::kAllItems},
      {0x800 | 0x4, DisplayTarget::kHistory},
  };
  for (const auto& c : kCases) EXPECT_EQ(TargetOfFlags(c.flags), c.target) << std::hex << c.flags;
  for (DisplayTarget t : {DisplayTarget::kOptions, DisplayTarget::kAbout, DisplayTarget::kAllItems,
                          DisplayTarget::kWallet, DisplayTarget::kHistory})
    EXPECT_EQ(TargetOfFlags(FlagOfTarget(t)), t);
  EXPECT_EQ(FlagOfTarget(DisplayTarget::kNone), 0u);
}

TEST(CheckEventTest, EndedCheckRunsAreLoggedWithTheirFirstOutcome) {
  const struct {
    std::uint32_t runFlags;
    std::optional<std::uint32_t> origin, result;
  } kCases[] = {
      {0x200, kOriginManual, kResultSuccess},
      {0x200 | 0x8000, kOriginStartup, kResultSuccess},
      {0x200 | 0x100 | 0x400, kOriginManual, kResultSuccess},
      {0x200 | 0x1000 | 0x2000 | 0x4000, kOriginManual, kResultAborted},
      {0x200 | 0x2000 | 0x4000, kOriginManual, kResultError},
      {0x200 | 0x4000 | 0x8000, kOriginStartup, kResultPartialSuccess},
      {0x0, std::nullopt, std::nullopt},      // the run was not to be logged
      {0x2000, std::nullopt, std::nullopt},
      {0x201, std::nullopt, std::nullopt},    // a self-update run
  };
  for (const auto& c : kCases) {
    const std::optional<CheckEvent> event = CheckEventOfRun(c.runFlags);
    ASSERT_EQ(event.has_value(), c.origin.has_value()) << std::hex << c.runFlags;
    if (!event) continue;
    EXPECT_EQ(event->origin, *c.origin) << std::hex << c.runFlags;
    EXPECT_EQ(event->result, *c.result) << std::hex << c.runFlags;
  }
}

TEST(ItemRowsTest, StatusFollowsTheVersionsAndTheNewFlag) {
  const std::wstring v20 = L"2.0", v21 = L"2.1", v19 = L"1.9";
  const struct {
    const std::wstring* installed;
    const wchar_t* latest;
    bool isNew;
    ItemStatus status;
    ItemGroup group;
  } kCases[] = {
      {nullptr, L"", false, ItemStatus::kNotInstalled, ItemGroup::kNotInstalled},
      {nullptr, L"2.1", true, ItemStatus::kNew, ItemGroup::kNotInstalled},
      {&v20, L"", false, ItemStatus::kInstalled, ItemGroup::kInstalled},
      {&v20, L"2.0", false, ItemStatus::kUpToDate, ItemGroup::kInstalled},
      {&v21, L"2.0", true, ItemStatus::kUpToDate, ItemGroup::kInstalled},  // newer than on offer
      {&v20, L"2.1", false, ItemStatus::kUpdate, ItemGroup::kUpdates},
      {&v20, L"2.1", true, ItemStatus::kNewUpdate, ItemGroup::kUpdates},
      {&v19, L"1.10", false, ItemStatus::kUpdate, ItemGroup::kUpdates},  // versions, not texts
  };
  for (const auto& c : kCases) {
    const ItemStatus status = StatusOfItem(c.installed, c.latest, c.isNew);
    EXPECT_EQ(status, c.status) << (c.installed ? *c.installed : L"-") << " " << c.latest;
    EXPECT_EQ(GroupOfStatus(status), c.group);
  }
}

TEST(ItemRowsTest, PublisherStatusFromItsLastCheck) {
  const struct {
    std::uint64_t attempted;
    std::int32_t failed;
    std::uint32_t text;
  } kCases[] = {
      {0, 1, kStrPublisherStatusNew},
      {5, 0, kStrPublisherStatusActive},
      {5, 1, kStrPublisherStatusError},
      {5, 2, kStrPublisherStatusNeedsSelfUpdate},
      {5, 3, kStrPublisherStatusError},
  };
  for (const auto& c : kCases) {
    PublisherRecord r;
    r.attempted = c.attempted;
    r.failedLastCheck = c.failed;
    EXPECT_EQ(PublisherStatusString(r), c.text) << c.attempted << "/" << c.failed;
  }
}

PublisherRecord Publisher(const std::wstring& id, std::vector<Item> items, bool loaded = true) {
  PublisherRecord r;
  r.id = id;
  r.name = L"Name " + id;
  if (loaded) {
    r.model = std::make_shared<PublisherData>();
    r.model->items = std::move(items);
  }
  return r;
}

Item MakeItem(const wchar_t* id, const wchar_t* title, std::optional<std::wstring> installed, const wchar_t* latest,
              std::uint32_t flags = 0) {
  Item item;
  item.id = id;
  item.title = title;
  item.installedVersion = std::move(installed);
  item.latestVersion = latest;
  item.flags = flags;
  return item;
}

TEST(ItemRowsTest, PublishersAndTheirVisibleItemsInStoreOrder) {
  std::vector<PublisherRecord> records;
  records.push_back(Publisher(L"1.1", {MakeItem(L"editor", L"Editor", L"2.0", L"2.1", kItemNew),
                                       MakeItem(L"hidden", L"Hidden", std::nullopt, L"1", kItemInvisible),
                                       MakeItem(L"viewer", L"", std::nullopt, L"")}));
  records.push_back(Publisher(DirectoryPublisher().id, {MakeItem(L"x", L"X", std::nullopt, L"1")}));
  PublisherRecord self = Publisher(SelfPublisher().id, {MakeItem(L"wendrix", L"Wendrix", L"1", L"9")});
  self.flags |= kPublisherSelf;
  records.push_back(self);
  records.push_back(Publisher(L"2.2", {}, false));

  const std::vector<ItemRow> rows = BuildItemRows(records, L"").rows;
  ASSERT_EQ(rows.size(), 4u);
  // By group: the update, the item not installed, then the publishers.
  EXPECT_EQ(rows[0].title, L"Editor");
  EXPECT_EQ(rows[0].publisher, L"Name 1.1");
  EXPECT_EQ(rows[0].installed, L"2.0");
  EXPECT_EQ(rows[0].latest, L"2.1");
  EXPECT_EQ(rows[0].status, static_cast<std::uint32_t>(ItemStatus::kNewUpdate));
  EXPECT_EQ(rows[0].group, ItemGroup::kUpdates);
  EXPECT_EQ(rows[1].title, L"viewer") << "an item without a title shows its ID";
  EXPECT_EQ(rows[1].group, ItemGroup::kNotInstalled);
  EXPECT_TRUE(rows[2].IsPublisher());
  EXPECT_EQ(rows[2].publisher, L"Name 1.1");
  EXPECT_EQ(rows[2].status, static_cast<std::uint32_t>(kStrPublisherStatusNew));
  EXPECT_EQ(rows[2].group, ItemGroup::kPublishers);
  EXPECT_EQ(rows[3].publisherId, L"2.2") << "store order within a group";
  EXPECT_TRUE(rows[3].IsPublisher());

  const std::vector<ItemRow> only = BuildItemRows(records, L"2.2").rows;
  ASSERT_EQ(only.size(), 1u);
  EXPECT_EQ(only[0].publisherId, L"2.2");
}

// Hidden items leave the list; those of them that offer an update are
// counted for the summary. Records: "1.1" (an update "editor", an item
// installed and current "tool", one not installed "viewer", an invisible
// update "ghost"), "2.2" (an update "player"), and the self publisher (an
// update "wendrix").
TEST(ItemRowsTest, HiddenItemsLeaveTheListAndTheirUpdatesAreCounted) {
  std::vector<PublisherRecord> records;
  records.push_back(Publisher(L"1.1", {MakeItem(L"editor", L"Editor", L"2.0", L"2.1", kItemNew),
                                       MakeItem(L"tool", L"Tool", L"3", L"3"),
                                       MakeItem(L"viewer", L"Viewer", std::nullopt, L"5"),
                                       MakeItem(L"ghost", L"Ghost", L"1", L"2", kItemInvisible)}));
  records.push_back(Publisher(L"2.2", {MakeItem(L"player", L"Player", L"1.0", L"1.0.1")}));
  PublisherRecord self = Publisher(SelfPublisher().id, {MakeItem(L"wendrix", L"Wendrix", L"1", L"9")});
  self.flags |= kPublisherSelf;
  records.push_back(self);

  const struct {
    std::vector<std::wstring> inactive;  // by record
    const wchar_t* only;
    std::size_t itemRows;
    std::uint32_t hiddenWithUpdates;
  } kCases[] = {
      {{}, L"", 4, 0},
      {{L"editor\r\n"}, L"", 3, 1},
      {{L"EDITOR"}, L"", 3, 1},  // IDs compare ignoring case; no final line end
      {{L"tool\r\nviewer\r\n"}, L"", 2, 0},  // hidden, but no update among them
      {{L"editor\r\ntool\r\n", L"player\n"}, L"", 1, 2},
      {{L"editor\r\n", L"player\r\n"}, L"2.2", 0, 1},  // only the shown publisher's count
      {{L"\r\nedit\r\neditor2\r\n"}, L"", 4, 0},  // empty lines and near names hide nothing
      {{L"", L"editor\r\n"}, L"", 4, 0},  // another publisher's list
      {{L"ghost\r\n"}, L"", 4, 0},  // an invisible item is never counted
      {{L"", L"", L"wendrix\r\n"}, L"", 4, 0},  // nor the self publisher's
  };
  for (const auto& c : kCases) {
    const ItemRows built = BuildItemRows(records, c.only, c.inactive);
    const auto items =
        std::count_if(built.rows.begin(), built.rows.end(), [](const ItemRow& r) { return !r.IsPublisher(); });
    const std::wstring label = (c.inactive.empty() ? std::wstring() : c.inactive[0]) + L"|" + c.only;
    EXPECT_EQ(static_cast<std::size_t>(items), c.itemRows) << testing::PrintToString(label);
    EXPECT_EQ(built.hiddenWithUpdates, c.hiddenWithUpdates) << testing::PrintToString(label);
    for (const ItemRow& row : built.rows) {
      const std::size_t index = row.publisherId == L"1.1" ? 0 : 1;
      const std::wstring_view text = index < c.inactive.size() ? std::wstring_view(c.inactive[index]) : L"";
      EXPECT_FALSE(!row.IsPublisher() && IsInactiveItem(text, row.itemId)) << testing::PrintToString(row.itemId);
    }
  }
}

// The product's own update the window offers, from the self publisher's
// loaded data (module version 3.8.10.0): the Self item at a newer version,
// delivered by its first Download action with an address.
TEST(SelfUpdateChoiceTest, TheSelfItemsNewerVersionWithItsDownloadAction) {
  test::FakeEnvironment env;
  const struct {
    const wchar_t* latest;
    bool self, loaded;
    std::uint32_t firstType;
    bool firstHasAddress;
    const wchar_t* expectedUrl;  // "" : no offer
  } kCases[] = {
      {L"3.9", true, true, kActionDownload, true, L"http://first.example/wx.exe"},
      {L"3.8.10", true, true, kActionDownload, true, L""},  // not newer
      {L"3.8.9", true, true, kActionDownload, true, L""},
      {L"3.9", false, true, kActionDownload, true, L""},  // not the self publisher
      {L"3.9", true, false, kActionDownload, true, L""},  // its data not loaded
      {L"3.9", true, true, kActionOpen, true, L"http://second.example/wx.exe"},  // the first download
      {L"3.9", true, true, kActionDownload, false, L"http://second.example/wx.exe"},  // that has an address
  };
  for (const auto& c : kCases) {
    PublisherRecord record = Publisher(c.self ? SelfPublisher().id : L"1.1", {}, c.loaded);
    if (c.self) record.flags |= kPublisherSelf;
    if (c.loaded) {
      PublisherData& data = *record.model;
      Item& item = data.items.emplace_back();
      item.id = L"wendrix";
      item.type = kItemSelf;
      item.installedVersion = env.moduleVersion;
      item.latestVersion = c.latest;
      Action& first = data.actions.emplace_back();
      first.id = L"first";
      first.type = c.firstType;
      first.subtype = kSubtypeUpdate;
      first.version = c.latest;
      if (c.firstHasAddress) first.urls = {L"http://first.example/wx.exe"};
      first.rename = L"first.exe";
      Action& second = data.actions.emplace_back();
      second.id = L"second";
      second.type = kActionDownload;
      second.subtype = kSubtypeUpdate;
      second.version = c.latest;
      second.urls = {L"http://second.example/wx.exe"};
      second.parameters = L"/quiet";
      second.sha256.push_back(Sha256Digest{1, 2, 3});
      item.actionIds = {L"first", L"second"};
    }
    const std::vector<PublisherRecord> records{Publisher(L"2.2", {}), record};
    const std::optional<SelfUpdateChoice> choice = ChooseSelfUpdate(records, L"", env);
    const std::wstring label = std::wstring(c.latest) + L"/" + std::to_wstring(c.firstType);
    if (!*c.expectedUrl) {
      EXPECT_FALSE(choice.has_value()) << testing::PrintToString(label);
      continue;
    }
    ASSERT_TRUE(choice.has_value()) << testing::PrintToString(label);
    EXPECT_EQ(choice->version, c.latest);
    EXPECT_EQ(choice->url, c.expectedUrl);
    const bool second = choice->url.find(L"second") != std::wstring::npos;
    EXPECT_EQ(choice->rename, second ? L"" : L"first.exe");
    EXPECT_EQ(choice->parameters, second ? L"/quiet" : L"");
    EXPECT_EQ(choice->pin.has_value(), second) << "the action's pin goes with it";
  }
}

TEST(WalletRowsTest, PercentOfEachDisplayStatus) {
  const std::uint32_t reported = 42, over = 130;
  const struct {
    std::uint32_t status;
    const std::uint32_t* reported;
    std::uint32_t percent;
  } kCases[] = {
      {kShowWaitingToDownload, &reported, 0}, {kShowDownloading, nullptr, 0},     {kShowDownloading, &reported, 42},
      {kShowDownloading, &over, 100},         {kShowDownloadError, &reported, 0}, {kShowDownloaded, nullptr, 100},
      {kShowInstalling, nullptr, 100},        {kShowInstalled, nullptr, 100},     {kShowInstallError, nullptr, 100},
  };
  for (const auto& c : kCases) EXPECT_EQ(RowPercent(c.status, c.reported), c.percent) << c.status;
}

TEST(WalletRowsTest, RowsCarryNameStatusAndReportedProgress) {
  std::vector<WalletEntry> entries(2);
  entries[0].wallet.id = L"Acme_-_Editor_2.1";
  entries[0].wallet.status = kWalletDownloading;
  entries[0].displayName = L"Editor 2.1";
  entries[0].data.publisher.name = L"Acme";
  entries[1].wallet.id = L"Other";
  entries[1].wallet.status = kWalletError;
  entries[1].data.publisher.id = L"3.3";
  const std::vector<WalletRow> rows = BuildWalletRows(entries, {{L"Acme_-_Editor_2.1", 37}, {L"Gone", 90}});
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].name, L"Editor 2.1");
  EXPECT_EQ(rows[0].publisher, L"Acme");
  EXPECT_EQ(rows[0].displayStatus, static_cast<std::uint32_t>(kShowDownloading));
  EXPECT_EQ(rows[0].percent, 37u);
  EXPECT_EQ(rows[1].name, L"Other");
  EXPECT_EQ(rows[1].publisher, L"3.3");
  EXPECT_EQ(rows[1].displayStatus, static_cast<std::uint32_t>(kShowDownloadError));
  EXPECT_EQ(rows[1].percent, 0u);
}

std::vector<std::uint8_t> Payload(std::vector<std::uint32_t> values, std::wstring id, std::size_t cut = 0) {
  std::vector<std::uint8_t> bytes(values.size() * 4 + id.size() * 2);
  std::memcpy(bytes.data(), values.data(), values.size() * 4);
  std::memcpy(bytes.data() + values.size() * 4, id.data(), id.size() * 2);
  bytes.resize(bytes.size() - cut);
  return bytes;
}

TEST(StatusReportTest, ReadsOnlyWhatTheSenderReallySent) {
  const std::wstring terminated(L"Acme_1\0junk", 11);
  const struct {
    ULONG_PTR kind;
    std::vector<std::uint8_t> bytes;
    bool read;
    StatusKind expected;
    std::wstring id;
  } kCases[] = {
      {0x8012, Payload({5, 0, 10, 0}, terminated), true, StatusKind::kProgress, L"Acme_1"},
      {0x8011, Payload({1, 0, 0, 0}, L"unterminated"), true, StatusKind::kStarted, L"unterminated"},
      {0x8013, Payload({3, 0, 0, 0}, L"ab", 1), true, StatusKind::kChanged, L"a"},  // half a character dropped
      {0x8013, Payload({3, 0, 0, 0}, L""), true, StatusKind::kChanged, L""},
      {0x8012, Payload({5, 0, 10, 0}, L"", 1), false, StatusKind::kStarted, L""},  // shorter than the values
      {0x8014, Payload({5, 0, 10, 0}, terminated), false, StatusKind::kStarted, L""},
      {WM_APP + 6, Payload({5, 0, 10, 0}, terminated), false, StatusKind::kStarted, L""},
  };
  for (const auto& c : kCases) {
    COPYDATASTRUCT data{c.kind, static_cast<DWORD>(c.bytes.size()), const_cast<std::uint8_t*>(c.bytes.data())};
    StatusReport report;
    ASSERT_EQ(ReadStatusReport(data, report), c.read) << std::hex << c.kind << " " << c.bytes.size();
    if (!c.read) continue;
    EXPECT_EQ(report.kind, c.expected);
    EXPECT_EQ(report.entryId, c.id);
  }
  COPYDATASTRUCT empty{0x8012, 40, nullptr};
  StatusReport report;
  EXPECT_FALSE(ReadStatusReport(empty, report));
}

TEST(StatusReportTest, PercentOfDoneOverTotal) {
  const struct {
    std::uint32_t values[4];
    std::uint32_t percent;
  } kCases[] = {
      {{0, 0, 0, 0}, 0},          {{50, 0, 0, 0}, 0},       {{50, 0, 200, 0}, 25},
      {{199, 0, 200, 0}, 99},     {{300, 0, 200, 0}, 100},  {{0, 1, 0, 2}, 50},
      {{0, 0x80000000u, 0xFFFFFFFFu, 0xFFFFFFFFu}, 50},  // sizes near 2^64 do not overflow
  };
  for (const auto& c : kCases) {
    StatusReport report;
    std::copy(std::begin(c.values), std::end(c.values), report.values);
    EXPECT_EQ(StatusPercent(report), c.percent) << c.values[0] << "/" << c.values[2];
  }
}

// The summary's texts come from the library's string table.
class SummaryLinesTest : public testing::Test {
 protected:
  void SetUp() override {
    m_library = LoadLibraryW(sizeof(void*) == 8 ? L"wendrix64.dll" : L"wendrix.dll");
    ASSERT_NE(m_library, nullptr);
    ASSERT_TRUE(InitializeModuleState(m_library));
  }
  void TearDown() override {
    if (m_library) FreeLibrary(m_library);
  }
  HMODULE m_library = nullptr;
};

TEST_F(SummaryLinesTest, MessagesBecomePlainLines) {
  const StringId messages[] = {kStrSummarySelfUpdateRequired, kStrSummaryCheckErrors, kStrSummaryNoUpdates};
  const std::vector<std::wstring> lines = SummaryMessageLines(messages);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], L"The Wendrix self-update is required.");
  EXPECT_EQ(lines[1], L"The check for updates returned errors (click here for details).");
  EXPECT_EQ(lines[2], L"No updates were found.");
  EXPECT_EQ(JoinLines(lines), lines[0] + L"\r\n" + lines[1] + L"\r\n" + lines[2]);
}

TEST_F(SummaryLinesTest, LinksAreMarkedForTheLinkControl) {
  const StringId messages[] = {kStrSummaryHiddenPublishers, kStrSummaryCheckErrors};
  EXPECT_EQ(SummaryLinkText(messages), L"Items for hidden publishers are not checked.\r\n"
                                       L"The check for updates returned errors (<a>click here for details</a>).");
}

TEST_F(SummaryLinesTest, ErrorDetailsNameTheFailedPublishers) {
  std::vector<PublisherRecord> records;
  const struct {
    const wchar_t* id;
    std::int32_t failed;
    std::uint32_t error;
  } kPublishers[] = {{L"1.1", 1, 0x80070002}, {L"2.2", 0, 0}, {L"3.3", 2, 0x800400EA}, {L"4.4", 1, 0x80070005}};
  for (const auto& p : kPublishers) {
    records.push_back(Publisher(p.id, {}));
    records.back().failedLastCheck = p.failed;
    records.back().lastCheckError = p.error;
    records.back().attempted = 5;
  }
  records.back().name.clear();
  PublisherRecord self = Publisher(SelfPublisher().id, {});
  self.flags |= kPublisherSelf;
  self.name = L"Wendrix";
  self.failedLastCheck = 1;
  self.lastCheckError = 0x80070005;
  records.push_back(self);

  CheckSummaryScope scope;
  const std::wstring details = CheckErrorDetails(records, scope);
  EXPECT_EQ(details.rfind(L"Name 1.1: ", 0), 0u) << std::string(details.begin(), details.end());
  EXPECT_NE(details.find(L"\r\n4.4: "), std::wstring::npos) << "a publisher without a name shows its ID";
  EXPECT_EQ(details.find(L"2.2"), std::wstring::npos);
  EXPECT_EQ(details.find(L"3.3"), std::wstring::npos) << "needing a self-update is no error";
  EXPECT_EQ(details.find(L"Wendrix"), std::wstring::npos);
  scope.iniDebug = true;
  EXPECT_NE(CheckErrorDetails(records, scope).find(L"\r\nWendrix: "), std::wstring::npos);
  scope.onlyPublisherId = L"2.2";
  EXPECT_EQ(CheckErrorDetails(records, scope), L"");
}

TEST_F(SummaryLinesTest, TheWindowsTextsComeInEnglishAndItalian) {
  const struct {
    UINT id;
    const wchar_t *english, *italian;
  } kCases[] = {
      {WX_STR_VIEW_ALL_ITEMS, L"All Items", L"Tutti gli elementi"},
      {WX_STR_VIEW_WALLET, L"Wallet", L"Portafoglio"},
      {WX_STR_BUTTON_CHECK, L"&Check for Updates", L"&Cerca aggiornamenti"},
      {WX_STR_ITEM_NEW_UPDATE, L"New update available", L"Nuovo aggiornamento disponibile"},
      {WX_STR_WALLET_STATUS_FIRST + kShowInstallError, L"Installation error", L"Errore di installazione"},
      {WX_STR_CHECK_DONE, L"The check for updates has finished.", L"La ricerca di aggiornamenti \u00e8 terminata."},
      {WX_STR_HIDE_ITEM, L"&Hide Item", L"&Nascondi elemento"},
      {WX_STR_RESTORE_HIDDEN_ITEMS, L"&Restore Hidden Items", L"&Ripristina elementi nascosti"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(LoadStringText(c.id, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)), c.english) << c.id;
    EXPECT_EQ(LoadStringText(c.id, MAKELANGID(LANG_ITALIAN, SUBLANG_ITALIAN)), c.italian) << c.id;
  }
}

TEST_F(SummaryLinesTest, LinesFollowThePublishers) {
  std::vector<PublisherRecord> records;
  EXPECT_EQ(BuildSummaryLines(records, {}),
            std::vector<std::wstring>{L"The list of publishers is empty. To explore and install publishers that can be "
                                      L"checked for updates, click the Add Publishers button below."});
  records.push_back(Publisher(L"1.1", {MakeItem(L"editor", L"Editor", std::nullopt, L"2.1", kItemNew)}));
  records.back().attempted = 5;
  EXPECT_EQ(BuildSummaryLines(records, {}), std::vector<std::wstring>{L"New items are available."});
  CheckSummaryScope other;
  other.onlyPublisherId = L"9.9";
  EXPECT_EQ(BuildSummaryLines(records, other).size(), 1u);
  EXPECT_NE(BuildSummaryLines(records, other).front(), L"New items are available.");
}

}  // namespace
}  // namespace wendrix
