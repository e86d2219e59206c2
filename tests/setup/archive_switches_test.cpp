// The command line of the program that installs archives with administrator
// rights: the exact line the library writes, fetched texts that cannot add a
// switch, and lines the program refuses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "setup/archive_switches.h"
#include "setup/command_words.h"

namespace wendrix {
namespace {

std::optional<ArchiveSwitches> ReadBack(const std::wstring& line) {
  const std::vector<std::wstring> words = SplitCommandWords(line);
  return ParseArchiveSwitches(words);
}

ArchiveSwitches TwoArchives() {
  ArchiveSwitches s;
  s.archives = {{L"C:\\W\\E_1\\a.zip", L"C:\\Program Files\\Acme", L"dl.example.com"},
                {L"C:\\W\\E_1\\b.zip", L"D:", L"??"}};
  s.parentWindow = 0x1a2b;
  s.entryId = L"Acme_-_Tool_1.0";
  s.publisherName = L"Acme";
  s.itemTitle = L"Tool";
  s.walletFlags = 0x14;
  return s;
}

TEST(ArchiveSwitchesTest, TheLineTheLibraryWrites) {
  ArchiveSwitches s = TwoArchives();
  EXPECT_EQ(FormatArchiveSwitches(s),
            L"\"/z:C:\\W\\E_1\\a.zip\" \"/t:C:\\Program Files\\Acme\" \"/h:dl.example.com\" "
            L"\"/z:C:\\W\\E_1\\b.zip\" \"/t:D:\" \"/h:??\" "
            L"/p:0000000000001a2b /w:Acme_-_Tool_1.0 \"/u:Acme\" \"/i:Tool\" /f:0x14 ");
  s.applicationName = L"Acme Center";
  s.applicationIcon = L"C:\\a.ico";
  EXPECT_TRUE(FormatArchiveSwitches(s)->ends_with(L"/f:0x14 \"/a:Acme Center\" \"/o:C:\\a.ico\" "));
  s.applicationName.clear();  // no icon without its application
  EXPECT_TRUE(FormatArchiveSwitches(s)->ends_with(L"/f:0x14 "));
  // A line read without an entry ID writes back without "/w:": an empty
  // value there would make the line unreadable.
  ArchiveSwitches none = TwoArchives();
  none.entryId.clear();
  const std::wstring line = FormatArchiveSwitches(none).value();
  EXPECT_EQ(line.find(L"/w:"), std::wstring::npos) << line;
  EXPECT_EQ(ReadBack(line), none);
}

// Entry IDs are wallet folder names, which any process of the user can
// choose: one that would not read back as the same one word is not written.
TEST(ArchiveSwitchesTest, AnEntryIdThatWouldSplitIsNotWritten) {
  for (const wchar_t* id : {L"two words", L"a\tb", L"a\"b", L"..", L"a\\b", L"C:x", L"a\x01"}) {
    ArchiveSwitches s = TwoArchives();
    s.entryId = id;
    EXPECT_FALSE(FormatArchiveSwitches(s).has_value()) << id;
  }
}

TEST(ArchiveSwitchesTest, FetchedTextsReadBackAsTheyWereAndAddNoSwitch) {
  for (const wchar_t* text : {L"", L"T\" \"/t:C:\\Windows", L"ends in \\", L"a\\\\\"b", L"\t/w:x"}) {
    ArchiveSwitches s = TwoArchives();
    s.publisherName = s.itemTitle = s.applicationName = s.applicationIcon = text;
    s.archives[0].host = text;
    s.archives[1].target = std::wstring(L"C:\\x") + text;
    if (!*text) s.applicationIcon.clear();
    const auto read = ReadBack(FormatArchiveSwitches(s).value());
    ASSERT_TRUE(read.has_value()) << text;
    EXPECT_EQ(*read, s) << text;
  }
}

TEST(ArchiveSwitchesTest, LinesNotWrittenByTheLibraryAreRefused) {
  const std::wstring group = L"/z:a.zip /t:C:\\t /h:h ";
  ASSERT_TRUE(ReadBack(group).has_value());
  EXPECT_EQ(ReadBack(group + L"/P:00ff /F:0X1F")->walletFlags, 0x1Fu);
  for (const std::wstring& line : std::vector<std::wstring>{
           std::wstring(),                           // no archive
           std::wstring(L"/p:0 /w:E"),               // still none
           L"/z:a.zip /t:C:\\t",                     // a group cut short
           L"/z:a.zip /h:h /t:C:\\t",                // out of order
           L"/t:C:\\t " + group,                     // a target outside its group
           L"/z: /t:C:\\t /h:h",                     // an empty archive
           L"/z:a.zip /t: /h:h",                     // an empty target
           group + L"/x:1",                          // unknown switch
           group + L"/w",                            // no colon
           group + L"/w:E /w:F",                     // twice
           group + L"/w:.", group + L"/w:..", group + L"/w:a\\b", group + L"/w:C:x", group + L"/w:",
           group + L"\"/w:a b\"", group + L"/w:a\\\"b",  // a blank or a quote in the entry ID
           group + L"/p:12345678901234567",          // more than 16 digits
           group + L"/p:00FF",                       // written in lowercase
           group + L"/p:", group + L"/f:14", group + L"/f:0x100000000",
           group + L"/o:x.ico",                      // an icon without its application
           group + L"/a: /o:x.ico",                  // or with an empty one
       })
    EXPECT_FALSE(ReadBack(line).has_value()) << line;
}

}  // namespace
}  // namespace wendrix
