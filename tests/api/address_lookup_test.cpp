// The publisher queries on loaded data: the action an address kind leads to,
// the self-update on offer, and the items a list shows.
#include "api/address_lookup.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "../publisher/fake_environment.h"
#include "api/info_selection.h"
#include "api/self_update_offer.h"
#include "publisher/builtin_publishers.h"
#include "registration/publisher_record.h"

namespace wendrix {
namespace {

using test::FakeEnvironment;

Action& AddAction(PublisherData& data, Item& item, const wchar_t* id, std::uint32_t type, std::uint32_t subtype,
                  const wchar_t* version, std::vector<std::wstring> urls = {L"http://acme.example/"}) {
  Action& a = data.actions.emplace_back();
  a.id = id;
  a.type = type;
  a.subtype = subtype;
  a.version = version;
  a.urls = std::move(urls);
  item.actionIds.push_back(id);
  return a;
}

TEST(AddressLookupTest, EachKindLeadsToItsActionTypeAndSubtype) {
  FakeEnvironment env;  // 64-bit
  PublisherData data;
  data.actions.reserve(8);
  Item item;
  AddAction(data, item, L"home", kActionOpen, kSubtypeHomePage, L"");
  AddAction(data, item, L"help", kActionOpen, kSubtypeFaq | kSubtypeSupport, L"");
  AddAction(data, item, L"get-1", kActionDownload, kSubtypeGeneric, L"1.0");
  AddAction(data, item, L"get-2", kActionDownload, kSubtypeTry, L"2.0");
  Action& x86 = AddAction(data, item, L"get-x86", kActionDownload, kSubtypeGeneric, L"3.0");
  x86.flags = kActionInstall;
  x86.architecture = kArchitectureX86;
  AddAction(data, item, L"buy-old", kActionBuy, kSubtypeGeneric, L"");
  AddAction(data, item, L"buy", kActionBuy, kSubtypeUpgrade, L"2.0");
  const auto actionFor = [&](std::uint32_t kind) {
    const Action* a = ActionForAddress(data, item, kind, env);
    return a ? a->id : L"(none)";
  };
  const wchar_t* const kExpected[] = {L"(none)", L"home",  L"(none)", L"(none)", L"(none)", L"help",
                                      L"help",   L"(none)", L"(none)", L"get-2",  L"buy",    L"(none)"};
  for (std::uint32_t kind = 0; kind < std::size(kExpected); ++kind) EXPECT_EQ(actionFor(kind), kExpected[kind]) << kind;
  env.is64Bit = false;  // the x86 installer now applies and is the newest
  EXPECT_EQ(actionFor(kAddressDownload), L"get-x86");
}

TEST(AddressLookupTest, FindAddressClearsTheAnswerAndChecksTheKind) {
  FakeEnvironment env;
  PublisherData data;
  Item& item = data.items.emplace_back();
  item.id = L"editor";
  AddAction(data, item, L"buy", kActionBuy, kSubtypeGeneric, L"2.0", {L"http://shop.example/"});
  PublisherRecord record;
  record.homePage = L"http://acme.example/";
  const struct {
    const char* name;
    const PublisherRecord* record;
    const wchar_t* itemId;
    std::uint32_t flags;
    HRESULT result;
    std::optional<std::wstring> address;
  } cases[] = {
      {"no publisher", nullptr, L"editor", kAddressPurchase, S_OK, std::nullopt},
      {"the publisher's home page", &record, nullptr, kAddressPublisherHomePage, S_OK, L"http://acme.example/"},
      {"no such item", &record, L"viewer", kAddressPurchase, S_OK, std::nullopt},
      {"the last kind", &record, L"Editor", kAddressPurchase, S_OK, L"http://shop.example/"},
      {"no action of the kind", &record, L"editor", kAddressFaq, S_OK, std::nullopt},
      {"kind 0", &record, L"editor", 0, E_INVALIDARG, std::nullopt},
      {"past the last kind", &record, L"editor", kAddressPurchase + 1, E_INVALIDARG, std::nullopt},
  };
  for (const auto& c : cases) {
    std::optional<std::wstring> address = L"stale";
    EXPECT_EQ(FindAddress(c.record, &data, c.itemId, c.flags, env, address), c.result) << c.name;
    EXPECT_EQ(address, c.address) << c.name;
  }

  // Mirrors are handed out in turn, from the tick count on.
  env.tickCount = 1;
  AddAction(data, item, L"get", kActionDownload, kSubtypeGeneric, L"1.0", {L"http://a.example/", L"http://b.example/"});
  for (const wchar_t* mirror : {L"http://b.example/", L"http://a.example/"}) {
    std::optional<std::wstring> address;
    ASSERT_EQ(FindAddress(&record, &data, L"Editor", kAddressDownload, env, address), S_OK);
    EXPECT_EQ(address.value_or(L""), mirror);
  }
}

TEST(SelfUpdateOfferTest, NewerSelfItemUnlessQuieted) {
  FakeEnvironment env;  // module version 3.8.10.0
  const struct {
    std::uint32_t type;
    const wchar_t *latest, *quietFrom, *required, *expected;
  } kCases[] = {
      {kItemSelf, L"3.9", L"", L"", L"3.9"},          {kItemSelf, L"3.8.10", L"", L"", L"(none)"},
      {kItemSoftware, L"3.9", L"", L"", L"(none)"},   {kItemSelf, L"3.9", L"3.8", L"", L"(none)"},
      {kItemSelf, L"3.9", L"3.8.10", L"", L"(none)"}, {kItemSelf, L"3.9", L"3.8.11", L"", L"3.9"},
      {kItemSelf, L"3.9", L"3.8", L"4.0", L"3.9"},  // some data file needs a newer library anyway
  };
  for (const auto& c : kCases) {
    PublisherData data;
    Item& item = data.items.emplace_back();
    item.type = c.type;
    item.installedVersion = env.moduleVersion;
    item.latestVersion = c.latest;
    AddAction(data, item, L"update", kActionDownload, kSubtypeUpdate, c.latest).quietFromVersion = c.quietFrom;
    EXPECT_EQ(SelfUpdateOnOffer(data, c.required, env).value_or(L"(none)"), c.expected)
        << c.latest << " quiet from " << c.quietFrom << " required " << c.required;
  }
}

// The library's own publisher is listed only where a list registers it;
// hidden and directory publishers never are.
TEST(InfoSelectionTest, ListedPublishers) {
  const struct {
    const char* name;
    bool self;
    std::uint32_t present;
    std::wstring id, dataText;
    bool listed;
  } cases[] = {
      {"self, only in the table", true, 0, SelfPublisher().id, L"", false},
      {"self, with check state only", true, KeyBit(kKeyAttempted), SelfPublisher().id, L"", false},
      {"self, registered", true, KeyBit(kKeyCount) | KeyBit(kKeyAttempted), SelfPublisher().id, L"", true},
      {"ordinary", false, 0, L"1.2.3", L"", true},
      {"hidden", false, KeyBit(kKeyCount), L"1.2.3", L"[FreeUpdates]\r\nType = Hide\r\n", false},
      {"directory", false, KeyBit(kKeyCount), DirectoryPublisher().id, L"", false},
  };
  for (const auto& c : cases) {
    PublisherRecord record;
    record.id = c.id;
    record.present = c.present;
    record.dataText = c.dataText;
    if (c.self) LinkBuiltinRow(record, SelfPublisher());
    EXPECT_EQ(IsListedPublisher(record), c.listed) << c.name;
  }
}

TEST(InfoSelectionTest, ItemsOfAGroupOfNoGroupOrAll) {
  PublisherData data;
  using Row = std::tuple<const wchar_t*, std::uint32_t, std::uint32_t>;
  for (auto [id, type, flags] : {Row{L"editor", kItemSoftware, kItemGrouped}, Row{L"manual", kItemDocument, 0},
                                 Row{L"untyped", kItemInvalid, 0}, Row{L"viewer", kItemSoftware, kItemGrouped}}) {
    Item& item = data.items.emplace_back();
    item.id = id;
    item.type = type;
    item.flags = flags;
  }
  data.groups.push_back(Group{L"tools", L"t", L"Tools", {L"viewer", L"gone", L"untyped", L"EDITOR"}, 0});
  const auto ids = [&](const wchar_t* group, bool all) {
    std::vector<const Item*> items;
    std::wstring text = FAILED(SelectItems(data, group, all, items)) ? L"failed" : L"";
    for (const Item* item : items) text += item->id + L" ";
    return text;
  };
  EXPECT_EQ(ids(nullptr, false), L"manual ");
  EXPECT_EQ(ids(L"", false), L"manual ");
  EXPECT_EQ(ids(L"Tools", false), L"viewer editor ") << "group order; missing and untyped items left out";
  EXPECT_EQ(ids(L"none", false), L"failed");
  EXPECT_EQ(ids(L"none", true), L"editor manual viewer ");
}

}  // namespace
}  // namespace wendrix
