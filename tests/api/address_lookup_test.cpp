// The platform-free side of the publisher queries: which action an address
// kind leads to, the self-update on offer, and what the lists show.
#include "api/address_lookup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../publisher/fake_environment.h"
#include "api/info_selection.h"
#include "api/self_update_offer.h"
#include "publisher/builtin_publishers.h"

namespace wendrix {
namespace {

using test::FakeEnvironment;
using test::Hex;

class AddressTest : public testing::Test {
 protected:
  AddressTest() {
    data.actions.reserve(16);
    item.id = L"Editor";
    item.type = kItemSoftware;
    record.id = L"1.2.3";
    record.homePage = L"http://acme.example/";
  }
  Action& AddAction(const wchar_t* id, std::uint32_t type, std::uint32_t subtype, const wchar_t* version,
                    std::vector<std::wstring> urls, std::uint32_t flags = 0, std::uint32_t architecture = 0) {
    Action& a = data.actions.emplace_back();
    a.id = id;
    a.type = type;
    a.subtype = subtype;
    a.version = version;
    a.urls = std::move(urls);
    a.flags = flags;
    a.architecture = architecture;
    item.actionIds.push_back(id);
    return a;
  }
  void Publish() { data.items = {item}; }
  std::wstring ActionFor(std::uint32_t kind) const {
    const Action* a = ActionForAddress(data, data.items.front(), kind, env);
    return a ? a->id : L"(none)";
  }
  // The address, "(none)" or the failure.
  std::wstring Address(const wchar_t* itemId, std::uint32_t flags, const PublisherRecord* from) const {
    std::optional<std::wstring> address = L"stale";
    const HRESULT hr = FindAddress(from, &data, itemId, flags, env, address);
    if (FAILED(hr)) return L"failed " + std::to_wstring(static_cast<unsigned>(hr));
    return address ? *address : L"(none)";
  }

  FakeEnvironment env;
  PublisherData data;
  Item item;
  PublisherRecord record;
};

TEST_F(AddressTest, EachKindLeadsToItsActionTypeAndSubtype) {
  AddAction(L"home", kActionOpen, kSubtypeHomePage, L"", {L"http://acme.example/editor/"});
  AddAction(L"help", kActionOpen, kSubtypeFaq | kSubtypeSupport, L"", {L"mailto:help@acme.example"});
  AddAction(L"get-1", kActionDownload, kSubtypeGeneric, L"1.0", {L"http://acme.example/e1.exe"});
  AddAction(L"get-2", kActionDownload, kSubtypeTry, L"2.0", {L"http://acme.example/e2.exe"});
  AddAction(L"get-x86", kActionDownload, kSubtypeGeneric, L"3.0", {L"http://acme.example/e3.exe"}, kActionInstall,
            kArchitectureX86);
  AddAction(L"buy-old", kActionBuy, kSubtypeGeneric, L"", {L"http://shop.acme.example/old"});
  AddAction(L"buy", kActionBuy, kSubtypeUpgrade, L"2.0", {L"http://shop.acme.example/"});
  Publish();
  const struct {
    std::uint32_t kind;
    const wchar_t* expected;
  } kCases[] = {
      {kAddressItemHomePage, L"home"},   {kAddressCurrentVersionInfo, L"(none)"}, {kAddressPublisherHomePage, L"(none)"},
      {kAddressHistory, L"(none)"},      {kAddressFaq, L"help"},                  {kAddressSupport, L"help"},
      {kAddressSourceCode, L"(none)"},   {kAddressDownload, L"get-2"},            {kAddressPurchase, L"buy"},
      {0, L"(none)"},                    {11, L"(none)"},                         {31, L"(none)"},
  };
  for (const auto& c : kCases) EXPECT_EQ(ActionFor(c.kind), c.expected) << "kind " << c.kind;

  // On an x86 system the installing download applies and is the newest.
  env.is64Bit = false;
  EXPECT_EQ(ActionFor(kAddressDownload), L"get-x86");
}

TEST_F(AddressTest, AnUnknownPublisherOrItemIsNoErrorButABadKindForAnItemIs) {
  AddAction(L"home", kActionOpen, kSubtypeHomePage, L"", {L"http://acme.example/editor/"});
  AddAction(L"history", kActionOpen, kSubtypeHistory, L"", {});
  Publish();
  EXPECT_EQ(Address(L"editor", kAddressItemHomePage, &record), L"http://acme.example/editor/");
  EXPECT_EQ(Address(L"editor", kAddressItemHomePage, nullptr), L"(none)");
  EXPECT_EQ(Address(L"editor", kAddressHistory, &record), L"(none)") << "an action without an address";
  EXPECT_EQ(Address(L"editor", kAddressSupport, &record), L"(none)");
  EXPECT_EQ(Address(L"other", kAddressItemHomePage, &record), L"(none)");
  EXPECT_EQ(Address(L"", kAddressItemHomePage, &record), L"(none)");
  EXPECT_EQ(Address(nullptr, kAddressItemHomePage, &record), L"(none)");
  // Kind 3 needs no item; the other bits of the flags do not change the kind.
  EXPECT_EQ(Address(nullptr, kAddressPublisherHomePage, &record), L"http://acme.example/");
  EXPECT_EQ(Address(L"editor", 0x100 | kAddressPublisherHomePage, &record), L"http://acme.example/");
  record.homePage.clear();
  EXPECT_EQ(Address(nullptr, kAddressPublisherHomePage, &record), L"(none)");

  const std::wstring invalid = L"failed " + std::to_wstring(static_cast<unsigned>(E_INVALIDARG));
  EXPECT_EQ(Address(L"editor", 12, &record), invalid);
  EXPECT_EQ(Address(L"editor", 0x20, &record), invalid) << "kind 0 with other bits";
  EXPECT_EQ(Address(L"other", 12, &record), L"(none)") << "a missing item answers first";
}

TEST_F(AddressTest, MirrorsAreHandedOutInTurn) {
  AddAction(L"get", kActionDownload, kSubtypeGeneric, L"1.0", {L"http://a.example/e.exe", L"http://b.example/e.exe"});
  Publish();
  env.tickCount = 1;
  EXPECT_EQ(Address(L"editor", kAddressDownload, &record), L"http://b.example/e.exe");
  EXPECT_EQ(Address(L"editor", kAddressDownload, &record), L"http://a.example/e.exe");
}

TEST(SelfUpdateOfferTest, NewerSelfItemUnlessQuieted) {
  FakeEnvironment env;  // module version 3.8.10.0
  const struct {
    std::uint32_t type;
    const wchar_t* latest;
    const wchar_t* quietFrom;
    const wchar_t* required;
    const wchar_t* expected;
  } kCases[] = {
      {kItemSelf, L"3.9", L"", L"", L"3.9"},
      {kItemSelf, L"3.8.10", L"", L"", nullptr},
      {kItemSoftware, L"3.9", L"", L"", nullptr},
      {kItemSelf, L"3.9", L"3.8", L"", nullptr},
      {kItemSelf, L"3.9", L"3.8.10", L"", nullptr},
      {kItemSelf, L"3.9", L"3.8.11", L"", L"3.9"},
      {kItemSelf, L"3.9", L"3.8", L"4.0", L"3.9"},  // some data file needs a newer library anyway
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::Message() << "latest " << c.latest << ", quiet from " << c.quietFrom);
    PublisherData data;
    Item& item = data.items.emplace_back();
    item.id = L"Wendrix";
    item.type = c.type;
    item.installedVersion = env.moduleVersion;
    item.latestVersion = c.latest;
    item.actionIds = {L"update"};
    Action& update = data.actions.emplace_back();
    update.id = L"update";
    update.type = kActionDownload;
    update.subtype = kSubtypeUpdate;
    update.version = c.latest;
    update.quietFromVersion = c.quietFrom;
    const std::optional<std::wstring> offer = SelfUpdateOnOffer(data, c.required, env);
    if (c.expected) EXPECT_EQ(offer.value_or(L"(none)"), c.expected);
    else EXPECT_FALSE(offer.has_value()) << *offer;
  }
}

TEST(InfoSelectionTest, ItemsOfAGroupOfNoGroupOrAll) {
  PublisherData data;
  const auto add = [&](const wchar_t* id, std::uint32_t type, std::uint32_t flags) {
    Item& item = data.items.emplace_back();
    item.id = id;
    item.type = type;
    item.flags = flags;
  };
  add(L"editor", kItemSoftware, kItemGrouped);
  add(L"manual", kItemDocument, 0);
  add(L"untyped", kItemInvalid, 0);
  add(L"viewer", kItemSoftware, kItemGrouped);
  data.groups.push_back(Group{L"tools", L"t", L"Tools", {L"viewer", L"gone", L"untyped", L"EDITOR"}, 0});
  const auto ids = [&](const wchar_t* group, bool all) {
    std::vector<const Item*> items;
    const HRESULT hr = SelectItems(data, group, all, items);
    if (FAILED(hr)) return "failed " + Hex(hr);
    std::string text;
    for (const Item* item : items) text += std::string(item->id.begin(), item->id.end()) + " ";
    return text;
  };
  EXPECT_EQ(ids(nullptr, false), "manual ");
  EXPECT_EQ(ids(L"", false), "manual ");
  EXPECT_EQ(ids(L"Tools", false), "viewer editor ") << "group order; missing and untyped items left out";
  EXPECT_EQ(ids(L"none", false), "failed 0x80070490");
  EXPECT_EQ(ids(nullptr, true), "editor manual viewer ");
  EXPECT_EQ(ids(L"none", true), "editor manual viewer ") << "the group does not matter for all items";
}

TEST(InfoSelectionTest, HiddenPublishersAndTheDirectoryAreNotListed) {
  PublisherRecord record;
  record.id = L"1.2.3";
  EXPECT_TRUE(IsListedPublisher(record));
  record.dataText = L"[FreeUpdates]\r\nID = x\r\nType = Hide\r\n";
  EXPECT_FALSE(IsListedPublisher(record));
  record.dataText.clear();
  record.id = FindBuiltinPublisher(L"KestmoorDirectory")->id;
  EXPECT_FALSE(IsListedPublisher(record));
  record.id = SelfPublisher().id;
  EXPECT_TRUE(IsListedPublisher(record));
}

}  // namespace
}  // namespace wendrix
