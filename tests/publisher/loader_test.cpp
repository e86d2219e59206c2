// The loader's main pass and the work after it: record checks, key rules,
// lenient and strict loads, cross-references, target checks, conditions,
// installed versions, what each item offers, groups, Self items and the
// wallet entry. Every file starts with a header that agrees with the
// registered publisher; an expected error line is marked "; <<" in the text.
#include "publisher/loader.h"

#include <gtest/gtest.h>

#include <cwctype>
#include <string>
#include <string_view>

#include "core/date.h"
#include "loader_fixture.h"

namespace wendrix {
namespace {

using test::kInvalidArg;
using test::kInvalidData;
using test::kMissingId;
using Ids = std::vector<std::wstring>;

constexpr HRESULT kNotFound = static_cast<HRESULT>(0x80070490);
constexpr HRESULT kDuplicate = static_cast<HRESULT>(0x80040152);
constexpr HRESULT kMissingTitle = static_cast<HRESULT>(0x800400CF);
constexpr HRESULT kMissingGroupTitle = static_cast<HRESULT>(0x800400D0);
constexpr HRESULT kMissingType = static_cast<HRESULT>(0x80040155);
constexpr HRESULT kMissingSubtype = static_cast<HRESULT>(0x80040156);
constexpr HRESULT kLoop = static_cast<HRESULT>(0x80040127);

constexpr wchar_t kHeader[] =
    L"[Publisher]\nID=1.3.6.1.4.1.99999.7\nName=\"Acme Tools\"\nHomePage=http://www.acme.example/\n"
    L"Application=\"Kestmoor(R) Wendrix(TM)\"\n";
// The title text that the items of most tests name.
constexpr wchar_t kTitle[] = L"[Text]\nID=T\nText=en,Title\nText=it,Titolo\n";
constexpr wchar_t kGeneric[] = L"Type=Download\nSubtype=Generic\n";

using test::IsEmpty;

class LoaderTest : public test::LoaderFixture {
 protected:
  LoaderTest() : LoaderFixture(L"1.3.6.1.4.1.99999.7") {}

  // Loads the header followed by `body`; in wallet mode with `w`.
  HRESULT Load(std::wstring_view body, std::uint32_t options = 0, WalletFields* w = nullptr, bool withList = true) {
    return LoadText(kHeader + std::wstring(body), options, w, withList);
  }
  HRESULT LoadWallet(std::wstring_view body) { return Load(body, 0, &wallet); }
  // The title text, then `body`.
  HRESULT LoadTitled(std::wstring_view body, std::uint32_t options = 0) {
    return Load(std::wstring(kTitle) + std::wstring(body), options);
  }

  WalletFields wallet;
};

// Refused at the line marked "; <<" (a record check, at its section header).
TEST_F(LoaderTest, BadRecordsAndValuesFailAtTheirLine) {
  const std::wstring pin = L"[Action]\nID=A\nSHA256=";
  const struct {
    std::wstring body;
    HRESULT code;
  } kCases[] = {
      {L"[Item] ; <<\nTitle=T\n", kMissingId}, {L"[Item] ; <<\nID=\nTitle=T\n", kMissingId},
      {L"[Item] ; <<\nType=Software\n", kMissingId},
      {L"[Item]\nID=Tool\nTitle=T\n[Item] ; <<\nID=TOOL\nTitle=T\n", kDuplicate},
      {L"[Item]\nID=I\nTitle=T\n[Item] ; <<\nID=i\n", kDuplicate},  // duplicate before title
      {L"[Item] ; <<\nID=I\nDescription=T\n", kMissingTitle},
      {L"[Action] ; <<\nType=Open\nSubtype=HomePage\n", kMissingId},
      {L"[Action] ; <<\nID=A\nSubtype=HomePage\n", kMissingType}, {L"[Action] ; <<\nID=A\n", kMissingType},
      {L"[Action] ; <<\nID=A\nType=Open\n", kMissingSubtype},
      {L"[Action]\nID=A\nType=Open\nSubtype=HomePage\n[Action] ; <<\nID=A\nType=Open\n", kMissingSubtype},
      {L"[Action]\nID=Get\nType=Open\nSubtype=HomePage\n[Action] ; <<\nID=gET\nType=Open\nSubtype=FAQ\n", kDuplicate},
      {L"[Message] ; <<\nType=OneButton\n", kMissingId}, {L"[Message] ; <<\nID=M\n", kMissingType},
      {L"[Message]\nID=M\nType=EULA\n[Message] ; <<\nID=m\nType=EULA\n", kDuplicate},
      {L"[Group] ; <<\nTitle=T\n", kMissingId}, {L"[Group]\nID=G\nTitle=T\n[Group] ; <<\nID=g\n", kDuplicate},
      {L"[Group] ; <<\nID=G\n", kMissingGroupTitle},
      {L"[Icon]\nID=Logo\nVersion=1\n[Icon]\nID=LOGO ; <<\nVersion=2\n", kDuplicate},
      {L"[Text]\nID=X\nText=en,x\n[Item] ; <<\nID=I", kMissingTitle},  // the last record, at the end
      {L"[Item]\nID=My Tool ; <<\nTitle=T\n", kInvalidArg},
      {L"[Action]\nID=\"a\\tb\" ; <<\nType=Open\nSubtype=FAQ\n", kInvalidArg},
      {L"[Text]\nID=\" T\" ; <<\nText=en,x\n", kInvalidArg},
      {L"[Item]\nID=I\nTitle=T\nType=Self ; <<\n", kInvalidArg},  // Self outside the self publisher
      {L"[Item]\nID=I\nTitle=T\nRequiredVersion=Newer ; <<\n", kInvalidArg},
      {L"[Action]\nID=A\nDate=2013-02-30 ; <<\n", kInvalidArg}, {L"[Action]\nID=A\nDate=2013-05-07T10:00:00 ; <<\n", kInvalidArg},
      {L"[Action]\nID=A\nBytes=many ; <<\n", kInvalidArg}, {L"[Action]\nID=A\nBytes=100,2k ; <<\n", kInvalidArg},
      {L"[Action]\nID=A\nBytes= ; <<\n", kInvalidArg}, {L"[Action]\nID=A\nBytes=018 ; <<\n", kInvalidArg},
      {L"[Action]\nID=A\nBytes=08 ; <<\n", kInvalidArg},
      {L"[Action]\nID=A\nBytes=18446744073709551616 ; <<\n", kInvalidArg},
      {L"[Action]\nID=A\nRename=bin/tool.exe ; <<\n", kInvalidArg}, {L"[Action]\nID=A\nRename=bin\\\\tool.exe ; <<\n", kInvalidArg},
      {L"[Action]\nID=A\nType=Download\nFlags=Install,Archive\nResource=tool.zip ; <<\n", kInvalidArg},
      {L"[Text]\nID=X\nText=en ; <<\n", kInvalidArg}, {L"[Path]\nID=P\nPath=C:\\Tools ; <<\n", kInvalidArg},
      {L"[Path]\nID=P\nPath=HKEY_LOCAL_MACHIN\\Software\\Acme\\Dir,Bin ; <<\n", kInvalidArg},
      {L"[Path]\nID=P\nPath=HKEY_CURRENT_USER,Bin ; <<\n", kInvalidArg},
      {L"[Path]\nID=P\nPath=HKLM\\Software\\Acme\\Dir,Bin ; <<\n", kInvalidArg},
      {L"[Path]\nID=P\nPath=X86\\,Bin ; <<\n", kInvalidArg}, {L"[Path]\nID=P\nPath=C:\\Acme,Bin ; <<\n", kInvalidArg},
      {L"[FreeUpdates]\nID=F\nType=Sometimes ; <<\n", kInvalidArg},
      {L"[DisplayVersionStyle]\nID=D\nSize=0 ; <<\n", kInvalidArg}, {L"[DisplayVersionStyle]\nID=D\nSize=5 ; <<\n", kInvalidArg},
      {L"[DisplayVersionStyle]\nID=D\nSize=-1 ; <<\n", kInvalidArg},
      {L"[DisplayVersionStyle]\nID=D\nReplace=5.x,Gold ; <<\n", kInvalidArg},
      {L"[DisplayVersionStyle]\nID=D\nReplace=5.,Gold ; <<\n", kInvalidArg},
      {L"[DisplayVersionStyle]\nID=D\nReplace=05,Gold ; <<\n", kInvalidArg},
      {L"[DisplayVersionStyle]\nID=D\nReplace=5.1 ; <<\n", kInvalidArg},
      {L"[Icon]\nID=my icon ; <<\nVersion=1\n", kInvalidArg}, {L"[Icon]\nID=a\\\\b ; <<\nVersion=1\n", kInvalidArg},
      {L"[Icon]\nID=a/b ; <<\nVersion=1\n", kInvalidArg}, {L"[Icon]\nID=c:logo ; <<\nVersion=1\n", kInvalidArg},
      {L"[Icon]\nID=" + std::wstring(101, L'i') + L" ; <<\nVersion=1\n", kInvalidArg},
      // Pins: 63 and 65 digits, a letter past f, a blank inside, a prefix, two on one line, none.
      {pin + std::wstring(63, L'a') + L" ; <<\n", kInvalidArg}, {pin + std::wstring(65, L'A') + L" ; <<\n", kInvalidArg},
      {pin + std::wstring(63, L'0') + L"g ; <<\n", kInvalidArg},
      {pin + std::wstring(31, L'0') + L" " + std::wstring(32, L'0') + L" ; <<\n", kInvalidArg},
      {pin + L"0x" + std::wstring(62, L'0') + L" ; <<\n", kInvalidArg},
      {pin + std::wstring(64, L'0') + L"," + std::wstring(64, L'0') + L" ; <<\n", kInvalidArg}, {pin + L" ; <<\n", kInvalidArg},
      // References to records that do not exist, beyond those of ReferencesResolveInKindOrder.
      {L"[Item]\nID=I\nTitle=Untitled ; <<\n", kNotFound},
      {L"[Message]\nID=M\nType=OneButton\nMessage=T\nHeader=Nothing ; <<\n", kNotFound},
      {L"[Message]\nID=M\nType=TwoButton\nYes=T\nNo=Nothing ; <<\n", kNotFound},
      {L"[Message]\nID=M\nType=TwoButton\nCondition=Nothing ; <<\n", kNotFound},
      {L"[Group]\nID=G\nTitle=Nothing ; <<\n", kNotFound},
      {L"[Action]\nID=A\nType=Open\nSubtype=FAQ\n[Item]\nID=I\nTitle=T\nAction=a\nAction=B ; <<\n", kNotFound},
      {L"[Message]\nID=M\nType=EULA\n[Action]\nID=A\nType=Open\nSubtype=FAQ\nMessage=M\nMessage=N ; <<\n", kNotFound},
      {L"[Action]\nID=A\nType=Open\nSubtype=FAQ\nCondition=Nothing ; <<\n", kNotFound},
      {L"[Action]\nID=A\nType=Download\nSubtype=Generic\nTarget=Nowhere ; <<\n", kNotFound},
      {L"[Item]\nID=I\nTitle=T\nInstalledVersion=Nothing ; <<\n", kNotFound},
      {L"[Condition]\nID=C\nOr=c,Nothing ; <<\n", kNotFound}, {L"[Condition]\nID=C\nAnd=Nothing ; <<\n", kNotFound},
      {L"[Icon]\nID=Half\n[Item]\nID=I\nTitle=T\nIcon=Half ; <<\n", kNotFound},  // an icon without a version
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::PrintToString(c.body));
    EXPECT_TRUE(FailedAt(LoadTitled(c.body), c.code));
    // A pin that does not parse fails every load, the wallet's too.
    if (c.body.starts_with(pin)) {
      EXPECT_TRUE(FailedAt(Load(c.body, kLoadStrict), kInvalidArg));
      EXPECT_TRUE(FailedAt(LoadWallet(c.body), kInvalidArg));
    }
  }
  for (const wchar_t* section :
       {L"Condition", L"Text", L"Path", L"FreeUpdates", L"InstalledVersion", L"DisplayVersionStyle"}) {
    SCOPED_TRACE(testing::Message() << section);
    const std::wstring s = std::wstring(L"[") + section + L"]";
    EXPECT_TRUE(FailedAt(Load(s + L" ; <<\n"), kMissingId));
    EXPECT_TRUE(FailedAt(Load(s + L"\nID=Same\n" + s + L" ; <<\nID=sAME\n"), kDuplicate));
    // One identifier may name records of different kinds.
    EXPECT_TRUE(Loaded(Load(s + L"\nID=Shared\n[Icon]\nID=Shared\nVersion=1\n[Group]\nID=Shared\nTitle=Shared\n" +
                            (s == L"[Text]" ? L"" : L"[Text]\nID=Shared\nText=en,x\n"))));
  }
}

TEST_F(LoaderTest, KeyValuesAtTheirLimitsLoad) {
  const std::wstring icon100(100, L'i');
  ASSERT_TRUE(Loaded(LoadTitled(
      L"[DisplayVersionStyle]\nID=One\nSize=1\nReplace=5.1,\"5.1 Gold\"\nReplace=6,Six\n"
      L"[DisplayVersionStyle]\nID=Four\nSize=4\n[Icon]\nID=" + icon100 + L"\nVersion=1\n"
      L"[Icon]\nID=Half\n[Icon]\nID=half\nVersion=1\n"  // without a version an icon is never registered
      L"[Action]\nID=A\nType=Download\nSubtype=Generic\nFlags=Install\nResource=setup.exe\n"
      L"Bytes=0xFFFFFFFFFFFFFFFF\nDate=1601-01-02\nRename=tool-1.0.exe\n"
      L"[Path]\nID=P\nPath=,C:\\Acme\nPath={8B1A3C55-1111-2222-3333-444455556666}/{0A1B2C3D-1111-2222-3333-444455556666},\"\"\n"
      L"Path=x86\\hkey_local_machine\\Software\\Acme\\Dir,Bin\nPath=X64\\HKEY_USERS\\.DEFAULT\\Acme,\\Bin\n"
      L"[Item]\nID=I\nTitle=T\nIcon=" + icon100 + L"\nAction=a\nDisplayVersionStyle=one\n")));
  ASSERT_EQ(data.displayStyles.size(), 2u);
  EXPECT_EQ(data.displayStyles[0].size, 1u);
  ASSERT_EQ(data.displayStyles[0].replacements.size(), 2u);
  EXPECT_EQ(data.displayStyles[0].replacements[0].prefixCount, 2u);
  EXPECT_EQ(data.displayStyles[0].replacements[0].text, L"5.1 Gold");
  EXPECT_EQ(data.displayStyles[0].replacements[1].prefixCount, 1u);
  EXPECT_EQ(data.displayStyles[1].size, 4u);
  ASSERT_EQ(data.icons.size(), 2u);
  EXPECT_EQ(data.icons[1].id, L"half");
  const Action& action = data.actions.at(0);
  ASSERT_EQ(action.resources.size(), 1u);
  EXPECT_EQ(action.resources[0].pathId, L"");
  EXPECT_EQ(action.size.smallest, UINT64_MAX);
  EXPECT_EQ(action.date, 86400ull * 10'000'000);
  EXPECT_EQ(data.paths.at(0).alternatives,
            (std::vector<PathAlternative>{
                {L"", L"C:\\Acme"},
                {L"{8B1A3C55-1111-2222-3333-444455556666}/{0A1B2C3D-1111-2222-3333-444455556666}", L""},
                {L"x86\\hkey_local_machine\\Software\\Acme\\Dir", L"Bin"},
                {L"X64\\HKEY_USERS\\.DEFAULT\\Acme", L"\\Bin"}}));
}

// Invalid records (named X), unknown words, keys and sections: a lenient
// load drops the record or skips the word; the strict load fails.
TEST_F(LoaderTest, LenientLoadSkipsWhatTheStrictLoadRefuses) {
  constexpr std::uint32_t kDropped = 0xFFFFFFFF;
  const struct {
    const wchar_t* body;
    std::uint32_t expected;  // the record's field after a lenient load, or kDropped
    std::uint32_t Action::*actionField = nullptr;  // null: the item's flags
    HRESULT strict = kInvalidArg;
  } kCases[] = {
      {L"[Action]\nID=X\nType=Teleport ; <<\nSubtype=Generic\nDate=never\n", kDropped},
      {L"[Action]\nID=X\nType=Open\nSubtype=HomePage,Update ; <<\n", kDropped},
      {L"[Action]\nID=X\nType=Open\nSubtype=HomePage\nFlags=Install ; <<\n", kDropped},
      {L"[Action]\nID=X\nType=Open\nSubtype=HomePage\nFlags=External ; <<\n", kDropped},
      {L"[Action]\nID=X\nSubtype=Try\nType=Open ; <<\n", kDropped},  // the line that completes the fault
      {L"[Action]\nID=X\nType=Download\nSubtype=Generic,FAQ ; <<\n", kDropped},
      {L"[Action]\nID=X\nType=Download\nSubtype=Upgrade ; <<\n", kDropped},
      {L"[Action]\nID=X\nType=Buy\nSubtype=Try ; <<\n", kDropped},
      {L"[Action]\nID=X\nType=Buy\nSubtype=Generic\nFlags=NoWallet ; <<\n", kDropped},
      {L"[Action]\nID=X\nFlags=Encoded\nType=Buy ; <<\nSubtype=Generic\n", kDropped},
      {L"[Action]\nID=X\nType=Download\nSubtype=Generic\nPrivileges=Root ; <<\n", kDropped},
      {L"[Item]\nID=X\nTitle=T\nType=Gadget ; <<\nRequiredVersion=bogus\n", kDropped},
      {L"[Message]\nID=X\nType=ThreeButton ; <<\n", kDropped},
      {L"[InstalledVersion]\nID=X\nApplication=tool.exe ; <<\n", kDropped},
      {L"[InstalledVersion]\nID=X\nApplication=HKEY_NOWHERE\\Acme\\Dir,tool.exe ; <<\n", kDropped},
      {L"[Action]\nID=A\nType=Download\nSubtype=Generic\nFlags=Install,Foo ; <<\n", 4, &Action::flags},
      {L"[Action]\nID=A\nType=Download\nSubtype=generic,Bogus,TRY ; <<\n", 257, &Action::subtype},
      {L"[Action]\nID=A\nType=Download\nSubtype=Generic\nArchitecture=x86,arm ; <<\n", 1, &Action::architecture},
      {L"[Item]\nID=I\nTitle=T\nFlags=Invisible,Shiny ; <<\n", 4},
      {L"[Item]\nID=I\nTitle=T\nColour=Blue ; <<\n", 0, nullptr, kInvalidData},
      {L"[Gadget] ; <<\nID=G\nColour=Blue\nTitle=Nothing\n[Item]\nID=I\nTitle=T\n", 0, nullptr, kInvalidData},
      {L"[Item]\nID=I\nTitle=T\n[Text]\nID=U\nText=en,x\nSubtype=Generic ; <<\n", 0, nullptr, kInvalidData},
      {L"[Item]\nID=I\nTitle=T\n[Wendrix]\nLoopCount=3\nApplication=Other ; <<\n", 0, nullptr, kInvalidData},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.body)));
    const bool dropped = c.expected == kDropped;
    const std::wstring body = std::wstring(c.body) + (dropped ? L"[Item]\nID=Kept\nTitle=T\n" : L"");
    ASSERT_TRUE(Loaded(LoadTitled(body)));
    if (dropped) {
      EXPECT_TRUE(!data.FindAction(L"X") && !data.FindItem(L"X") && !data.FindMessage(L"X") &&
                  !data.FindInstalledVersion(L"X"));
      EXPECT_NE(data.FindItem(L"Kept"), nullptr);
    } else if (c.actionField) {
      ASSERT_EQ(data.actions.size(), 1u);
      EXPECT_EQ(data.actions[0].*c.actionField, c.expected);
    } else {
      ASSERT_EQ(data.items.size(), 1u);
      EXPECT_EQ(data.items[0].flags, c.expected);
    }
    EXPECT_TRUE(FailedAt(LoadTitled(body, kLoadStrict), c.strict));
  }
  // Combinations that the rules allow.
  ASSERT_TRUE(Loaded(Load(
      L"[Action]\nID=O\nType=Open\nSubtype=Generic,HomePage,CurrentVersionInfo,FAQ,Support,Troubleshooting,History,"
      L"SourceCode\nFlags=CDSet,Installer,Archive\n"
      L"[Action]\nID=D\nType=Download\nSubtype=Generic,Try,Buy,Update,BuyUpgrade\nFlags=Install,NoWallet,External,"
      L"CDSet,Installer,Archive,Encoded\nResource=a.zip,P\nPrivileges=administrator\n"
      L"[Action]\nID=B\nType=Buy\nSubtype=Generic,Upgrade\nFlags=CDSet,Installer,Archive\n[Path]\nID=P\nPath=,C:\\P\n",
      kLoadStrict)));
  EXPECT_EQ(data.FindAction(L"O")->subtype, 0xFFu);
  EXPECT_EQ(data.FindAction(L"D")->subtype, 0xF01u);
  EXPECT_EQ(data.FindAction(L"D")->flags & ~2u, 0x1FCu);
  EXPECT_EQ(data.FindAction(L"D")->privileges, 1u);
  EXPECT_EQ(data.FindAction(L"B")->subtype, 0x1001u);
}

// SHA256 lines: digits of either case; one per file, in file order, which
// only the strict load holds the publisher to; a reader that does not know
// the key skips it in a lenient load.
TEST_F(LoaderTest, PinsPairWithTheActionsFiles) {
  const std::wstring lower = L"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
  std::wstring upper = lower;
  for (wchar_t& c : upper) c = static_cast<wchar_t>(std::towupper(c));
  const std::wstring other(64, L'0');
  const struct {
    const char* name;
    std::wstring files, pins;
    std::size_t loaded;  // pins kept by the lenient load
    bool strictLoads;
  } kCases[] = {
      {"one file, mirrors", L"URL=http://a/x.exe\nURL=http://b/x.exe\n", L"SHA256=" + upper + L" ; <<\n", 1, true},
      {"two resources", L"Resource=http://a/x.zip\nResource=y.zip\n",
       L"SHA256=" + lower + L" ; <<\nSHA256=" + other + L"\n", 2, true},
      {"pins before the files", L"", L"SHA256=" + lower + L" ; <<\nResource=a.cab\nResource=b.cab\nSHA256=" + other + L"\n",
       2, true},
      {"a resource without its pin", L"Resource=a.cab\nResource=b.cab\n", L"SHA256=" + lower + L" ; <<\n", 1, false},
      {"two pins for one file", L"URL=http://a/x.exe\n", L"SHA256=" + lower + L" ; <<\nSHA256=" + lower + L"\n", 2,
       false},
      {"a pin without a file", L"", L"SHA256=" + lower + L" ; <<\n", 1, false},
      {"no pin", L"Resource=a.cab\nResource=b.cab\n", L"", 0, true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const std::wstring body = L"[Action]\nID=A\n" + std::wstring(kGeneric) + c.files + c.pins;
    ASSERT_TRUE(Loaded(Load(body)));
    const Action action = data.actions.at(0);
    ASSERT_EQ(action.sha256.size(), c.loaded);
    if (c.loaded) {
      EXPECT_TRUE(PinMatches(action, 0, action.sha256[0]));
      for (const std::size_t at : {0u, 31u}) {  // every byte counts, the first and the last
        Sha256Digest changed = action.sha256[0];
        changed[at] ^= 1;
        EXPECT_FALSE(PinMatches(action, 0, changed));
      }
      EXPECT_EQ(FormatSha256Text(action.sha256[0]), lower);
    }
    // A file past the last pin matches nothing, not even the empty digest.
    EXPECT_FALSE(PinMatches(action, c.loaded, Sha256Digest{}));
    EXPECT_TRUE(c.strictLoads ? Loaded(Load(body, kLoadStrict)) : FailedAt(Load(body, kLoadStrict), kInvalidArg));
    // An older reader: the key is one it does not know.
    std::wstring old = body;
    for (std::size_t at = old.find(L"SHA256="); at != std::wstring::npos; at = old.find(L"SHA256=", at))
      old.replace(at, 6, L"Digest");
    ASSERT_TRUE(Loaded(Load(old)));
    Action skipped = data.actions.at(0);
    EXPECT_TRUE(skipped.sha256.empty());
    skipped.sha256 = action.sha256;
    EXPECT_EQ(skipped, action);
    if (!c.pins.empty()) {
      EXPECT_TRUE(FailedAt(Load(old, kLoadStrict), kInvalidData));
    }
  }
}

TEST_F(LoaderTest, ReferencesResolveInKindOrder) {
  // One missing target of each kind, in the order the kinds are resolved; the
  // text places them in the opposite order, so the file order cannot decide.
  const struct {
    const wchar_t* section;
    const wchar_t* referringLine;
  } kRefs[] = {
      {L"[Group]\nID=G\nTitle=T\nItems=Nobody\n", L"Items=Nobody"},
      {L"[Item]\nID=I1\nTitle=T\nDescription=NoText\n", L"Description=NoText"},
      {L"[Item]\nID=I2\nTitle=T\nAction=NoAction\n", L"Action=NoAction"},
      {L"[Action]\nID=A1\nType=Open\nSubtype=HomePage\nMessage=NoMessage\n", L"Message=NoMessage"},
      {L"[Condition]\nID=C1\nNot=C1,NoCondition\n", L"Not=C1,NoCondition"},
      {L"[Item]\nID=I3\nTitle=T\nFreeUpdates=NoStyle\n", L"FreeUpdates=NoStyle"},
      {L"[Condition]\nID=C2\nPath=NoPath\n", L"Path=NoPath"},
      {L"[Condition]\nID=C3\nInstalledVersion=NoDefinition,1.0\n", L"InstalledVersion=NoDefinition"},
      {L"[Item]\nID=I4\nTitle=T\nDisplayVersionStyle=NoStyle\n", L"DisplayVersionStyle=NoStyle"},
      {L"[Item]\nID=I5\nTitle=T\nIcon=NoIcon\n", L"Icon=NoIcon"},
  };
  constexpr std::size_t kKinds = std::size(kRefs);
  for (std::size_t first = 0; first < kKinds; ++first) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(kRefs[first].referringLine)));
    std::wstring body = kTitle;
    for (std::size_t k = kKinds; k-- > first;) body += kRefs[k].section;
    EXPECT_TRUE(FailedAt(Load(body), kNotFound, kRefs[first].referringLine));
  }
}

TEST_F(LoaderTest, InstallingActionsWithoutTheirFolderAreUnavailable) {
  const struct {
    const wchar_t* lines;
    bool unavailable;
  } kCases[] = {
      {L"Flags=Install,Archive\nResource=tool.zip,Nowhere\n", true},
      {L"Flags=Install,Archive\nResource=a.zip,There\nResource=b.zip,Nowhere\n", true},  // every resource
      {L"Flags=Install\nParameters=/D=%1\nResource=setup.exe\n", true},
      {L"Flags=Install,Archive\nTarget=There\nResource=tool.zip,Nowhere\n", true},  // resources before target
      {L"Flags=Install\nExecuteParameters=/D=%1\nURL=http://x/s.exe\nTarget=There\n", false},
      {L"Flags=Install\nParameters=/D=%1\nURL=http://x/s.exe\nTarget=Nowhere\n", true},
      {L"Flags=Install,Archive\nURL=http://x/tool.zip\n", true},
      {L"Flags=Install\nURL=http://x/setup.exe\nTarget=Nowhere\n", false},  // a plain installer is not checked
      {L"Flags=Archive\nResource=tool.zip,Nowhere\n", false},
      {L"Flags=Install,Archive\nURL=http://x/NEW.WX-CNF\nTarget=Nowhere\n", false},  // publisher data file
      {L"Flags=Install,Archive\nURL=http://x/tool.zip\nRename=acme.wx-cnf\nTarget=Nowhere\n", false},
      {L"Flags=Install,Archive\nURL=http://x/acme.wx-cnf\nRename=acme.zip\nTarget=Nowhere\n", true},
      {L"Flags=Install,Archive\nResource=tool.zip,there\n", false},  // last: its folder is kept below
  };
  env.folders[L"There"] = L"C:\\There";
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.lines)));
    ASSERT_TRUE(Loaded(Load(std::wstring(L"[Path]\nID=There\nPath=,C:\\There\n[Path]\nID=Nowhere\nPath=,C:\\No\n"
                                         L"[Action]\nID=A\n") + kGeneric + c.lines)));
    ASSERT_EQ(data.actions.size(), 1u);
    EXPECT_EQ((data.actions[0].flags & kActionUnavailable) != 0, c.unavailable);
  }
  EXPECT_EQ(data.FindPath(L"There")->result, std::optional<std::wstring>(L"C:\\There"));
}

constexpr wchar_t kConditional[] =
    L"[Condition]\nID=Never\nWendrixVersion=3.8.10.1\n[Condition]\nID=Always\nWendrixVersion=3.8.10.0\n"
    L"[Action]\nID=Gone\nType=Download\nSubtype=Generic\nVersion=2.0\nCondition=Never\n"
    L"[Action]\nID=Kept\nType=Download\nSubtype=Generic\nVersion=1.0\nCondition=Always\n"
    L"[Item]\nID=Gone\nTitle=T\nCondition=never\n[Item]\nID=Kept\nTitle=T\nAction=Gone\nAction=Kept\nCondition=Always\n"
    L"[Message]\nID=Gone\nType=OneButton\nCondition=Never\n[Message]\nID=Kept\nType=OneButton\nCondition=ALWAYS\n";

TEST_F(LoaderTest, FalseConditionsRemoveRecordsUnlessConditionsAreOff) {
  ASSERT_TRUE(Loaded(LoadTitled(kConditional)));
  EXPECT_EQ(data.actions.size() + data.items.size() + data.messages.size(), 3u);
  EXPECT_NE(data.FindAction(L"Kept"), nullptr);
  EXPECT_NE(data.FindMessage(L"Kept"), nullptr);
  EXPECT_EQ(data.FindItem(L"Kept")->latestVersion, L"1.0");  // the removed action offers nothing
  EXPECT_EQ(data.conditions.size(), 2u);
  // Option 4, or no publisher list: nothing is evaluated, not even a loop.
  const std::wstring body = std::wstring(kTitle) + kConditional + L"[Condition]\nID=L\nOr=L\n[Item]\nID=Loop\nTitle=T\nCondition=L\n";
  for (bool withList : {true, false}) {
    SCOPED_TRACE(withList);
    ASSERT_TRUE(Loaded(Load(body, withList ? kLoadNoConditions : 0, nullptr, withList)));
    EXPECT_EQ(data.actions.size() + data.items.size() + data.messages.size(), 7u);
    EXPECT_EQ(data.FindItem(L"Kept")->latestVersion, L"2.0");
  }
}

TEST_F(LoaderTest, ConditionLoopFailsAtTheNamedConditionsSection) {
  for (const wchar_t* referrer : {L"[Item]\nID=I\nTitle=T\nCondition=A\n",
                                  L"[Action]\nID=X\nType=Open\nSubtype=FAQ\nCondition=a\n",
                                  L"[Message]\nID=M\nType=OneButton\nCondition=A\n"}) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(referrer)));
    EXPECT_TRUE(FailedAt(LoadTitled(std::wstring(L"[Condition]\nID=B\nAnd=A\n[Condition] ; <<\nID=A\nAnd=B\n") + referrer),
                         kLoop));
  }
  // LoopCount bounds the visits of one condition: D is visited twice.
  const std::wstring twice = std::wstring(kTitle) + L"[Condition] ; <<\nID=C\nAnd=D,D\n[Condition]\nID=D\n"
                                                    L"[Item]\nID=I\nTitle=T\nCondition=C\n";
  EXPECT_TRUE(Loaded(Load(L"[Wendrix]\nLoopCount=2\n" + twice)));
  EXPECT_TRUE(FailedAt(Load(L"[Wendrix]\nLoopCount=1\n" + twice), kLoop));
  EXPECT_TRUE(FailedAt(Load(L"[Wendrix]\nLoopCount=0\n" + twice), kLoop));
  // The budget is the load's, not each evaluation's: many items naming a
  // tree that alone fits still end the load.
  std::wstring shallow = L"[Wendrix]\nLoopCount=4294967295\n" + std::wstring(kTitle);
  for (int i = 0; i < 16; ++i) {
    const std::wstring next = L"s" + std::to_wstring(i + 1);
    shallow += L"[Condition]\nID=s" + std::to_wstring(i) + L"\nAnd=" + next + L"," + next + L"\n";
  }
  shallow += L"[Condition]\nID=s16\n";
  ASSERT_TRUE(Loaded(Load(shallow + L"[Item]\nID=I\nTitle=T\nCondition=s0\n")));
  for (int i = 0; i < 100; ++i) shallow += L"[Item]\nID=I" + std::to_wstring(i) + L"\nTitle=T\nCondition=s0\n";
  EXPECT_EQ(Load(shallow), kLoop);
}

// Each definition is asked of the system once per load, however many items
// and conditions name it.
TEST_F(LoaderTest, InstalledVersionsComeFromTheirDefinitionsOncePerLoad) {
  env.installed[L"Tool"] = L"2.5";
  publishers.versions[L"1.2.3"] = L"";
  std::wstring body = std::wstring(kTitle) +
                      L"[InstalledVersion]\nID=Tool\nApplication=HKEY_LOCAL_MACHINE\\Software\\Acme\\Dir,tool.exe\n"
                      L"[InstalledVersion]\nID=Absent\nApplication=,C:\\Acme\\absent.exe\n"
                      L"[InstalledVersion]\nID=Registered\nPublisher=1.2.3\n"
                      L"[Condition]\nID=Installed\nInstalledVersion=Tool,1.0\n"
                      L"[Item]\nID=Missing\nTitle=T\nInstalledVersion=Absent\n"
                      L"[Item]\nID=ByPublisher\nTitle=T\nInstalledVersion=Registered\n[Item]\nID=Unprobed\nTitle=T\n";
  for (int i = 0; i < 20; ++i)
    body += L"[Item]\nID=I" + std::to_wstring(i) + L"\nTitle=T\nInstalledVersion=TOOL\nCondition=Installed\n";
  ASSERT_TRUE(Loaded(Load(body)));
  EXPECT_EQ(data.FindItem(L"I19")->installedVersion, std::optional<std::wstring>(L"2.5"));
  EXPECT_EQ(data.FindInstalledVersion(L"Tool")->result, std::optional<std::wstring>(L"2.5"));
  EXPECT_FALSE(data.FindItem(L"Missing")->installedVersion.has_value());
  EXPECT_EQ(data.FindItem(L"ByPublisher")->installedVersion, std::optional<std::wstring>(L"0.0"));
  EXPECT_FALSE(data.FindItem(L"Unprobed")->installedVersion.has_value());
  EXPECT_EQ(env.determinations, 3);
  EXPECT_EQ(data.FindInstalledVersion(L"Tool")->applications,
            (std::vector<ApplicationProbe>{{L"HKEY_LOCAL_MACHINE\\Software\\Acme\\Dir", L"tool.exe", L"", L""}}));
  ASSERT_TRUE(Loaded(Load(body)));
  EXPECT_EQ(env.determinations, 6) << "a new load asks again";
}

TEST_F(LoaderTest, LatestVersionDateAndSizeComeFromTheItemsActions) {
  const std::wstring body = std::wstring(kTitle) +
                            L"[Action]\nID=X86\nType=Download\nSubtype=Generic\nVersion=1.9\nArchitecture=x86\n"
                            L"Date=2014-01-01T12:00:00Z\nBytes=100,200\n"
                            L"[Action]\nID=Any\nType=Download\nSubtype=Generic\nVersion=1.2\nArchitecture=Neutral\n"
                            L"Date=2013-05-07\nBytes=0x10\n"
                            L"[Action]\nID=X64\nType=Download\nSubtype=Generic\nVersion=1.10\nArchitecture=x64\nBytes=300\n"
                            L"[Action]\nID=Page\nType=Open\nSubtype=HomePage\n"
                            L"[Action]\nID=Elsewhere\nType=Download\nSubtype=Generic\nVersion=9.0\nBytes=010\n"
                            L"[Item]\nID=I\nTitle=T\nAction=X86\nAction=Any\nAction=X64\nAction=Page\n"
                            L"[Item]\nID=Bare\nTitle=T\nAction=Page\n";
  for (const bool is64Bit : {true, false}) {
    SCOPED_TRACE(is64Bit ? "64-bit system" : "32-bit system");
    env.is64Bit = is64Bit;
    ASSERT_TRUE(Loaded(Load(body)));
    const Item& item = data.items.at(0);
    EXPECT_EQ(item.latestVersion, is64Bit ? L"1.10" : L"1.9");
    EXPECT_EQ(item.latestDate, FileTimeFromParts(2014, 1, 1, 12, 0, 0));
    EXPECT_TRUE(item.size.known);
    EXPECT_EQ(item.size.smallest, 16u);
    EXPECT_EQ(item.size.largest, 300u);
    EXPECT_EQ(data.FindAction(L"X86")->size.smallest, 100u);
    EXPECT_EQ(data.FindAction(L"X86")->size.largest, 200u);
    EXPECT_EQ(data.FindAction(L"Elsewhere")->size.largest, 8u);
    // An item without versioned actions has neither version nor size.
    const Item& bare = data.items.at(1);
    EXPECT_TRUE(bare.latestVersion.empty() && bare.latestDate == 0 && !bare.size.known);
  }
}

TEST_F(LoaderTest, ActionsWithoutEffectiveSubtypeLeaveTheItem) {
  env.installed[L"Old"] = L"1.0";
  env.installed[L"Current"] = L"2.0.1";
  const std::wstring body = std::wstring(kTitle) +
                            L"[InstalledVersion]\nID=Old\n[InstalledVersion]\nID=Current\n[InstalledVersion]\nID=None\n"
                            L"[FreeUpdates]\nID=Minor\nType=MinorOnly\n"
                            L"[Action]\nID=Upd\nType=Download\nSubtype=Update\nVersion=2.3\n"
                            L"[Action]\nID=Full\nType=Download\nSubtype=Generic,Update\nVersion=2.3\n"
                            L"[Item]\nID=New\nTitle=T\nAction=Upd\nAction=Full\nInstalledVersion=None\n"
                            L"[Item]\nID=Old\nTitle=T\nAction=Upd\nAction=Full\nInstalledVersion=Old\n"
                            L"[Item]\nID=OldMinor\nTitle=T\nAction=Upd\nInstalledVersion=Old\nFreeUpdates=Minor\n"
                            L"[Item]\nID=CurrentMinor\nTitle=T\nAction=Upd\nInstalledVersion=Current\nFreeUpdates=Minor\n";
  ASSERT_TRUE(Loaded(Load(body)));
  EXPECT_EQ(data.FindItem(L"New")->actionIds, (Ids{L"Full"}));
  EXPECT_EQ(data.FindItem(L"Old")->actionIds, (Ids{L"Upd", L"Full"}));
  EXPECT_EQ(data.FindItem(L"OldMinor")->actionIds, Ids{});
  EXPECT_EQ(data.FindItem(L"OldMinor")->latestVersion, L"");
  EXPECT_EQ(data.FindItem(L"CurrentMinor")->actionIds, (Ids{L"Upd"}));
  EXPECT_NE(data.FindAction(L"Upd"), nullptr);  // the action itself stays
  // A wallet keeps what it holds.
  ASSERT_TRUE(Loaded(LoadWallet(body)));
  EXPECT_EQ(data.FindItem(L"New")->actionIds, (Ids{L"Upd", L"Full"}));
  EXPECT_EQ(data.FindItem(L"OldMinor")->latestVersion, L"2.3");
}

TEST_F(LoaderTest, InstalledStateRequirementsKeepOrRemoveItems) {
  const struct {
    const wchar_t* requirement;
    const wchar_t* installed;  // null: not installed
    bool kept;
  } kCases[] = {
      {L"None", nullptr, true},   {L"none", L"1.0", false}, {L"Any", nullptr, false},  {L"ANY", L"0.1", true},
      {L"Older", nullptr, false}, {L"Older", L"1.0", true}, {L"Older", L"1.1", false}, {L"Neutral", nullptr, true},
      {L"Neutral", L"9.0", true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::Message() << c.requirement << " installed " << (c.installed ? c.installed : L"-"));
    env.installed.clear();
    if (c.installed) env.installed[L"IV"] = c.installed;
    const std::wstring item = std::wstring(kTitle) + L"[InstalledVersion]\nID=IV\n[Item]\nID=I\nTitle=T\n"
                              L"InstalledVersion=IV\nRequiredVersion=" + c.requirement + L"\n";
    const std::wstring action = L"Action=A\n[Action]\nID=A\nType=Download\nSubtype=Generic\nVersion=1.1\n";
    ASSERT_TRUE(Loaded(Load(item + action)));
    EXPECT_EQ(data.items.size(), c.kept ? 1u : 0u);
    // Without any action, and in wallet mode, the requirement does not apply.
    ASSERT_TRUE(Loaded(Load(item)));
    EXPECT_EQ(data.items.size(), 1u);
    ASSERT_TRUE(Loaded(LoadWallet(item + action)));
    EXPECT_EQ(data.items.size(), 1u);
  }
}

TEST_F(LoaderTest, TitlesResolveAndGroupsMarkTheirItems) {
  env.uiLanguage = 0x410;
  ASSERT_TRUE(Loaded(LoadTitled(L"[Text]\nID=GT\nText=en,Tools\nText=it,Strumenti\n"
                                L"[Group]\nID=G\nTitle=gt\nItems=A,Ghost\nItems=b\n"  // only the first must exist
                                L"[Item]\nID=A\nTitle=T\nFlags=Invisible\n[Item]\nID=B\nTitle=T\n[Item]\nID=C\nTitle=T\n")));
  EXPECT_EQ(data.groups.at(0).title, L"Strumenti");
  EXPECT_EQ(data.groups.at(0).itemIds, (Ids{L"A", L"Ghost", L"b"}));
  EXPECT_EQ(data.FindItem(L"A")->flags, kItemGrouped | kItemInvisible);
  EXPECT_EQ(data.FindItem(L"B")->flags, kItemGrouped);
  EXPECT_EQ(data.FindItem(L"C")->flags, 0u);
  EXPECT_EQ(data.FindItem(L"C")->title, L"Titolo");
  EXPECT_EQ(data.FindItem(L"C")->line, LineOf(L"ID=C") - 1);
}

TEST_F(LoaderTest, OnlyTheNewestSelfItemSurvives) {
  data.publisher.flags |= kPublisherSelf;
  const std::wstring actions = std::wstring(kTitle) + L"[Action]\nID=V38\nType=Download\nSubtype=Generic\nVersion=3.8\n"
                                                      L"[Action]\nID=V39\nType=Download\nSubtype=Generic\nVersion=3.9\n";
  const std::wstring old = L"[Item]\nID=Old\nTitle=T\nType=Self\nAction=V38\n";
  const std::wstring fresh = L"[Item]\nID=New\nTitle=T\nType=self\nAction=V39\n";
  const std::wstring other = L"[Item]\nID=Other\nTitle=T\nType=Software\nAction=V38\n";
  for (const std::wstring& body : {actions + old + other + fresh, actions + fresh + old + other}) {
    ASSERT_TRUE(Loaded(Load(body)));
    ASSERT_EQ(data.items.size(), 2u);
    const Item* self = data.FindItem(L"New");
    ASSERT_NE(self, nullptr);
    EXPECT_EQ(self->installedVersion, std::optional<std::wstring>(L"3.8.10.0"));
    EXPECT_EQ(self->latestVersion, L"3.9");
    EXPECT_NE(data.FindItem(L"Other"), nullptr);
  }
  // Among equal versions the last one stays.
  ASSERT_TRUE(Loaded(Load(actions + old + L"[Item]\nID=Twin\nTitle=T\nType=Self\nAction=V38\n")));
  ASSERT_EQ(data.items.size(), 1u);
  EXPECT_EQ(data.items[0].id, L"Twin");
}

TEST_F(LoaderTest, FailedLoadEmptiesEveryCollectionAndTheWrapperResets) {
  data.publisher.flags = kPublisherLoadFlag | kPublisherControlPanel;
  const std::wstring full = std::wstring(kTitle) +
                            L"[Item]\nID=I\nTitle=T\nAction=A\n[Action]\nID=A\nType=Download\nSubtype=Generic\n"
                            L"Message=M\n[Message]\nID=M\nType=EULA\n[Condition]\nID=C\n[Group]\nID=G\nTitle=T\n"
                            L"[Path]\nID=P\n[FreeUpdates]\nID=F\n[InstalledVersion]\nID=IV\n"
                            L"[DisplayVersionStyle]\nID=D\n[Icon]\nID=Ico\nVersion=1\n";
  ASSERT_TRUE(Loaded(Load(full)));
  EXPECT_EQ(data.publisher.flags, kPublisherControlPanel);
  ASSERT_EQ(data.groups.size() + data.paths.size() + data.freeUpdates.size() + data.installedVersions.size() +
                data.displayStyles.size() + data.icons.size() + data.conditions.size(),
            7u);
  // Every record is finished before the bad reference is found.
  EXPECT_TRUE(FailedAt(Load(full + L"[Item]\nID=J\nTitle=T\nAction=Gone ; <<\n"), kNotFound));
  EXPECT_TRUE(FailedAt(Load(full + L"[Item]\nID=J\nTitle T ; <<\n"), kInvalidData));

  // An absent text loads nothing; no data to fill is a bad argument; the out line is optional.
  ASSERT_TRUE(Loaded(Load(full)));
  line = 7;
  EXPECT_EQ(LoadPublisherData(nullptr, &data, &publishers, nullptr, &line, 0, env), S_OK);
  EXPECT_EQ(line, 0u);
  EXPECT_TRUE(IsEmpty(data));
  line = 7;
  EXPECT_EQ(LoadPublisherData(text.c_str(), nullptr, &publishers, nullptr, &line, 0, env), kInvalidArg);
  EXPECT_EQ(line, 0u);
  EXPECT_EQ(LoadPublisherData(nullptr, nullptr, &publishers, nullptr, nullptr, 0, env), S_OK);
  EXPECT_EQ(LoadPublisherData(L"[Publisher]\nID=x y\n", &data, &publishers, nullptr, nullptr, 0, env), kInvalidArg);
}

TEST_F(LoaderTest, WalletSectionFillsTheWalletEntry) {
  wallet.status = 0;
  wallet.url = L"stale";
  wallet.resources.push_back({L"stale", 1, 1});
  ASSERT_TRUE(Loaded(LoadWallet(L"[Item]\nID=I\nTitle=T\n" + std::wstring(kTitle))));
  EXPECT_EQ(wallet.status, kWalletDownloaded);
  EXPECT_EQ(wallet.origin, kOriginNone);
  EXPECT_EQ(wallet.url, L"");
  EXPECT_TRUE(wallet.resources.empty());

  ASSERT_TRUE(Loaded(LoadWallet(L"[Wallet]\nID=Entry1\nStatus=waitingtoinstall\nOrigin=Scheduled\n"
                                L"Date=2013-05-07T10:00:00Z\nLastModified=2013-05-06\nBytes=5\nFlags=Silent,Bogus\n"
                                L"Flags=NoCache\nInstall=yes\nURL=http://x/a.zip\n"
                                L"Resource=http://x/a.zip,100,2013-05-01\nResource=http://x/b.zip,0x20,someday\n"
                                L"Error=0x80070005\n")));
  EXPECT_EQ(wallet.id, L"Entry1");
  EXPECT_EQ(wallet.status, kWalletWaitingToInstall);
  EXPECT_EQ(wallet.origin, kOriginScheduled);
  EXPECT_EQ(wallet.date, FileTimeFromParts(2013, 5, 7, 10, 0, 0));
  EXPECT_EQ(wallet.lastModified, FileTimeFromParts(2013, 5, 6, 0, 0, 0));
  EXPECT_EQ(wallet.flags, kWalletSilent | kWalletNoCache | kWalletInstall);
  EXPECT_EQ(wallet.url, L"http://x/a.zip");
  ASSERT_EQ(wallet.resources.size(), 2u);
  EXPECT_EQ(wallet.resources[0].size, 100u);
  EXPECT_EQ(wallet.resources[0].date, FileTimeFromParts(2013, 5, 1, 0, 0, 0));
  EXPECT_EQ(wallet.resources[1].size, 32u);
  EXPECT_EQ(wallet.resources[1].date, 0u);
  EXPECT_EQ(wallet.bytes, 137u);
  EXPECT_EQ(wallet.error, 0x80070005u);

  ASSERT_TRUE(Loaded(LoadWallet(L"[Wallet]\nFlags=Install,DeferredInstall\nInstall=0\n")));
  EXPECT_EQ(wallet.flags, kWalletDeferredInstall);
  EXPECT_TRUE(Loaded(Load(L"[Wallet]\nStatus=Paused\n"))) << "outside wallet mode the section is ignored";
  for (const wchar_t* bad : {L"ID=My Entry", L"Status=Paused", L"Origin=Email", L"Date=2013-13-01",
                             L"LastModified=yesterday", L"Resource=http://x/a.zip,100"}) {
    SCOPED_TRACE(testing::Message() << bad);
    EXPECT_TRUE(FailedAt(LoadWallet(std::wstring(L"[Wallet]\nID=E\n") + bad + L" ; <<\n"), kInvalidArg));
  }
}

}  // namespace
}  // namespace wendrix
