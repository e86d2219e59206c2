// What the main window shows, built without a window: the view a request
// opens, the event a check leaves, the rows of All Items and Wallet, the
// download manager's status reports, and the check summary's lines.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "../publisher/fake_environment.h"
#include "../support/loaded_library.h"
#include "eventlog/event_vocabulary.h"
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
      {0, DisplayTarget::kNone},          {0x400 | 0x10000000, DisplayTarget::kNone},
      {0x80 | 0x800, DisplayTarget::kWallet}, {0x40 | 0x100, DisplayTarget::kOptions},
      {0x200 | 0x80 | 0x40, DisplayTarget::kAbout}, {0x40 | 0x800, DisplayTarget::kAllItems},
      {0x800 | 0x4, DisplayTarget::kHistory},
  };
  for (const auto& c : kCases) EXPECT_EQ(TargetOfFlags(c.flags), c.target) << std::hex << c.flags;
  for (DisplayTarget t : {DisplayTarget::kOptions, DisplayTarget::kAbout, DisplayTarget::kAllItems,
                          DisplayTarget::kWallet, DisplayTarget::kHistory})
    EXPECT_EQ(TargetOfFlags(FlagOfTarget(t)), t);
  EXPECT_EQ(FlagOfTarget(DisplayTarget::kNone), 0u);
}

TEST(CheckEventTest, EndedCheckRunsAreLoggedWithTheirFirstOutcome) {
  constexpr std::uint32_t kNone = 0;  // no event
  const struct {
    std::uint32_t runFlags, origin, result;
  } kCases[] = {
      {0x200, kOriginManual, kResultSuccess},
      {0x200 | 0x8000, kOriginStartup, kResultSuccess},
      {0x200 | 0x100 | 0x400, kOriginManual, kResultSuccess},
      {0x200 | 0x1000 | 0x2000 | 0x4000, kOriginManual, kResultAborted},
      {0x200 | 0x2000 | 0x4000, kOriginManual, kResultError},
      {0x200 | 0x4000 | 0x8000, kOriginStartup, kResultPartialSuccess},
      {0x0, kNone, kNone},  // the run was not to be logged
      {0x2000, kNone, kNone},
      {0x201, kNone, kNone},  // a self-update run
  };
  for (const auto& c : kCases) {
    const std::optional<CheckEvent> event = CheckEventOfRun(c.runFlags);
    EXPECT_EQ(event ? event->origin : kNone, c.origin) << std::hex << c.runFlags;
    EXPECT_EQ(event ? event->result : kNone, c.result) << std::hex << c.runFlags;
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
  // A publisher's own status, from its last check: attempted, FailedLastCheck.
  const struct {
    std::uint64_t attempted;
    std::int32_t failed;
    std::uint32_t text;
  } kPublishers[] = {{0, 1, kStrPublisherStatusNew}, {5, 0, kStrPublisherStatusActive},
                     {5, 1, kStrPublisherStatusError}, {5, 2, kStrPublisherStatusNeedsSelfUpdate},
                     {5, 3, kStrPublisherStatusError}};
  for (const auto& c : kPublishers) {
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
  if (id == SelfPublisher().id) r.flags |= kPublisherSelf;
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

// A row as one text: group|publisher ID|item ID|publisher|title|installed|latest|status.
std::wstring Show(const ItemRow& r) {
  return std::to_wstring(static_cast<int>(r.group)) + L"|" + r.publisherId + L"|" + r.itemId + L"|" + r.publisher +
         L"|" + r.title + L"|" + r.installed + L"|" + r.latest + L"|" + std::to_wstring(r.status);
}

// Rows come in group order, then in store order: an item without a title
// shows its ID; invisible items, a publisher without data, and the directory
// and self publishers have no item rows. Hidden items leave the list too;
// those of them that offer an update are counted for the summary. Records:
// "1.1" (an update "editor", an item installed and current "tool", one not
// installed without a title "viewer", an invisible update "ghost"), the
// directory publisher, "2.2" (an update "player"), the self publisher (an
// update "wendrix") and "3.3" (no data).
TEST(ItemRowsTest, VisibleItemsInGroupAndStoreOrderAndHiddenOnesCounted) {
  const std::vector<PublisherRecord> records{
      Publisher(L"1.1", {MakeItem(L"editor", L"Editor", L"2.0", L"2.1", kItemNew), MakeItem(L"tool", L"Tool", L"3", L"3"),
                         MakeItem(L"viewer", L"", std::nullopt, L"5"),
                         MakeItem(L"ghost", L"Ghost", L"1", L"2", kItemInvisible)}),
      Publisher(DirectoryPublisher().id, {MakeItem(L"x", L"X", std::nullopt, L"1")}),
      Publisher(L"2.2", {MakeItem(L"player", L"Player", L"1.0", L"1.0.1")}),
      Publisher(SelfPublisher().id, {MakeItem(L"wendrix", L"Wendrix", L"1", L"9")}), Publisher(L"3.3", {}, false)};
  std::vector<std::wstring> shown;
  for (const ItemRow& row : BuildItemRows(records, L"").rows) shown.push_back(Show(row));
  const std::wstring publisherNew = std::to_wstring(kStrPublisherStatusNew);
  EXPECT_EQ(shown, (std::vector<std::wstring>{
                       L"0|1.1|editor|Name 1.1|Editor|2.0|2.1|5", L"0|2.2|player|Name 2.2|Player|1.0|1.0.1|4",
                       L"1|1.1|tool|Name 1.1|Tool|3|3|3", L"2|1.1|viewer|Name 1.1|viewer||5|0",
                       L"3|1.1||Name 1.1||||" + publisherNew, L"3|2.2||Name 2.2||||" + publisherNew,
                       L"3|3.3||Name 3.3||||" + publisherNew}));
  const struct {
    std::vector<std::wstring> inactive;  // by record
    const wchar_t* only;
    std::size_t rows;  // publisher rows too
    std::uint32_t hiddenWithUpdates;
  } kCases[] = {
      {{L"editor\r\n"}, L"", 6, 1},
      {{L"EDITOR"}, L"", 6, 1},  // IDs compare ignoring case; no final line end
      {{L"tool\r\nviewer\r\n"}, L"", 5, 0},  // hidden, but no update among them
      {{L"editor\r\ntool\r\n", L"", L"player\n"}, L"", 4, 2},
      {{L"editor\r\n", L"", L"player\r\n"}, L"2.2", 1, 1},  // only the shown publisher's count
      {{L"\r\nedit\r\neditor2\r\n"}, L"", 7, 0},  // empty lines and near names hide nothing
      {{L"", L"editor\r\n"}, L"", 7, 0},  // another publisher's list
      {{L"ghost\r\n"}, L"", 7, 0},  // an invisible item is never counted
      {{L"", L"", L"", L"wendrix\r\n"}, L"", 7, 0},  // nor the self publisher's
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::PrintToString((c.inactive.empty() ? std::wstring() : c.inactive[0]) + L"|" + c.only));
    const ItemRows built = BuildItemRows(records, c.only, c.inactive);
    EXPECT_EQ(built.rows.size(), c.rows);
    EXPECT_EQ(built.hiddenWithUpdates, c.hiddenWithUpdates);
    for (const ItemRow& row : built.rows) {
      const std::size_t index = row.publisherId == L"1.1" ? 0 : 2;
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
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.latest) + L"/" + std::to_wstring(c.firstType)));
    PublisherRecord record = Publisher(c.self ? SelfPublisher().id : L"1.1", {}, c.loaded);
    if (c.loaded) {
      PublisherData& data = *record.model;
      Item& item = data.items.emplace_back(MakeItem(L"wendrix", L"", env.moduleVersion, c.latest));
      item.type = kItemSelf;
      item.actionIds = {L"first", L"second"};
      for (const wchar_t* id : {L"first", L"second"}) {
        Action& action = data.actions.emplace_back();
        action.id = id;
        action.type = action.id == L"first" ? c.firstType : kActionDownload;
        action.subtype = kSubtypeUpdate;
        action.version = c.latest;
        if (action.id == L"second" || c.firstHasAddress) action.urls = {L"http://" + action.id + L".example/wx.exe"};
      }
      data.actions[0].rename = L"first.exe";
      data.actions[1].parameters = L"/quiet";
      data.actions[1].sha256.push_back(Sha256Digest{1, 2, 3});
    }
    const std::vector<PublisherRecord> records{Publisher(L"2.2", {}), record};
    const std::optional<SelfUpdateChoice> choice = ChooseSelfUpdate(records, L"", env);
    ASSERT_EQ(choice.has_value(), *c.expectedUrl != 0);
    if (!choice) continue;
    const bool second = choice->url.find(L"second") != std::wstring::npos;
    EXPECT_EQ(choice->version, c.latest);
    EXPECT_EQ(choice->url, c.expectedUrl);
    EXPECT_EQ(choice->rename, second ? L"" : L"first.exe");
    EXPECT_EQ(choice->parameters, second ? L"/quiet" : L"");
    EXPECT_EQ(choice->pin.has_value(), second) << "the action's pin goes with it";
  }
}

TEST(WalletRowsTest, RowsCarryNameStatusAndTheReportedPercentOfTheirStatus) {
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

  std::vector<WalletEntry> entries(2);
  entries[0].wallet.id = L"Acme_-_Editor_2.1";
  entries[0].wallet.status = kWalletDownloading;
  entries[0].displayName = L"Editor 2.1";
  entries[0].data.publisher.name = L"Acme";
  entries[1].wallet.id = L"Other";
  entries[1].wallet.status = kWalletError;
  entries[1].data.publisher.id = L"3.3";
  std::vector<std::wstring> shown;
  for (const WalletRow& r : BuildWalletRows(entries, {{L"Acme_-_Editor_2.1", 37}, {L"Gone", 90}}))
    shown.push_back(r.name + L"|" + r.publisher + L"|" + std::to_wstring(r.displayStatus) + L"|" +
                    std::to_wstring(r.percent));
  EXPECT_EQ(shown, (std::vector<std::wstring>{L"Editor 2.1|Acme|" + std::to_wstring(kShowDownloading) + L"|37",
                                              L"Other|3.3|" + std::to_wstring(kShowDownloadError) + L"|0"}));
}

std::vector<std::uint8_t> Payload(std::vector<std::uint32_t> values, std::wstring id, std::size_t cut = 0) {
  std::vector<std::uint8_t> bytes(values.size() * 4 + id.size() * 2);
  std::memcpy(bytes.data(), values.data(), values.size() * 4);
  std::memcpy(bytes.data() + values.size() * 4, id.data(), id.size() * 2);
  bytes.resize(bytes.size() - cut);
  return bytes;
}

TEST(StatusReportTest, ReadsOnlyWhatTheSenderReallySentAndItsPercent) {
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

  // Done over total, in 64 bits each (low, high).
  const struct {
    std::uint32_t values[4];
    std::uint32_t percent;
  } kPercents[] = {
      {{0, 0, 0, 0}, 0},      {{50, 0, 0, 0}, 0},      {{50, 0, 200, 0}, 25},
      {{199, 0, 200, 0}, 99}, {{300, 0, 200, 0}, 100}, {{0, 1, 0, 2}, 50},
      {{0, 0x80000000u, 0xFFFFFFFFu, 0xFFFFFFFFu}, 50},  // sizes near 2^64 do not overflow
  };
  for (const auto& c : kPercents) {
    std::copy(std::begin(c.values), std::end(c.values), report.values);
    EXPECT_EQ(StatusPercent(report), c.percent) << c.values[0] << "/" << c.values[2];
  }
}

// The summary's texts come from the library's string table.
class SummaryLinesTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_library.Loaded()); }
  test::LoadedLibrary m_library;
};

TEST_F(SummaryLinesTest, MessagesBecomePlainLinesOrLinkText) {
  const StringId messages[] = {kStrSummarySelfUpdateRequired, kStrSummaryCheckErrors, kStrSummaryNoUpdates};
  const std::vector<std::wstring> lines = SummaryMessageLines(messages);
  EXPECT_EQ(lines, (std::vector<std::wstring>{L"The Wendrix self-update is required.",
                                              L"The check for updates returned errors (click here for details).",
                                              L"No updates were found."}));
  EXPECT_EQ(JoinLines(lines), lines[0] + L"\r\n" + lines[1] + L"\r\n" + lines[2]);
  const StringId links[] = {kStrSummaryHiddenPublishers, kStrSummaryCheckErrors};
  EXPECT_EQ(SummaryLinkText(links), L"Items for hidden publishers are not checked.\r\n"
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
  records.push_back(Publisher(SelfPublisher().id, {}));
  records.back().name = L"Wendrix";
  records.back().failedLastCheck = 1;
  records.back().lastCheckError = 0x80070005;

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

// The main window's own texts, in every language of the string table.
TEST_F(SummaryLinesTest, TheWindowsTextsComeInEnglishAndItalian) {
  for (UINT id = WX_STR_VIEW_ALL_ITEMS; id <= WX_STR_RESTORE_HIDDEN_ITEMS; ++id) {
    const std::wstring english = LoadStringText(id, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    const std::wstring italian = LoadStringText(id, MAKELANGID(LANG_ITALIAN, SUBLANG_ITALIAN));
    EXPECT_EQ(english.empty(), italian.empty()) << id;
    if (!english.empty()) {
      EXPECT_NE(english, italian) << id;
    }
  }
  EXPECT_EQ(LoadStringText(WX_STR_HIDE_ITEM, MAKELANGID(LANG_ITALIAN, SUBLANG_ITALIAN)), L"&Nascondi elemento");
}

}  // namespace
}  // namespace wendrix
