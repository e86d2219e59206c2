// The lexical rules for texts read from files others may have written:
// addresses compared without their scheme and host prefix, what a relative
// path may hold, what counts as an absolute local path, and which names open
// devices.
#include <gtest/gtest.h>

#include <string>

#include "platform/path_containment.h"
#include "publisher/address.h"

namespace wendrix {
namespace {

TEST(PathRulesTest, AddressesLoseTheirSchemeAndOneHostPrefix) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"http://www.x.example/a.wx-cnf", L"x.example/a.wx-cnf"}, {L"https://secure.x.example/a", L"x.example/a"},
      {L"http://secure.x.example/a", L"secure.x.example/a"},     {L"ftp://ftp.x.example/a", L"x.example/a"},
      {L"http://ftp.x.example/a", L"ftp.x.example/a"},
      {L"https://www.secure.x.example/a", L"secure.x.example/a"},  // only one host prefix
      {L"ftp://update.ftp.x.example/a", L"ftp.x.example/a"},       {L"HTTPS://SECURE.x.example/a", L"x.example/a"},
      {L"file://download.x.example/a", L"x.example/a"},
      {L"Update.x.example/a", L"x.example/a"},         // host prefix without a scheme
      {L"secure.x.example/a", L"secure.x.example/a"},  // "secure." needs https
      {L"https://", L""}, {L"http://www.", L""}, {L"", L""},
      {L"http:/www.x.example", L"http:/www.x.example"}, {L"C:\\Data\\x.wx-cnf", L"C:\\Data\\x.wx-cnf"},
  };
  for (const auto& [address, normalised] : cases) EXPECT_EQ(std::wstring(NormaliseAddress(address)), normalised) << address;
}

TEST(PathRulesTest, DeviceNames) {
  for (const wchar_t* name : {L"CON", L"nul", L"Aux.txt", L"prn.x.y", L"COM1", L"com9.log", L"LPT0", L"lpt3 ",
                              L"NUL .txt", L"CONIN$", L"conout$.x", L"COM\u00B9", L"LPT\u00B3.txt"})
    EXPECT_TRUE(IsDosDeviceName(name)) << testing::PrintToString(std::wstring(name));
  for (const wchar_t* name : {L"", L"CONSOLE", L"COM10", L"COM", L"LPTX", L"xNUL", L"NUL-1", L"a.CON", L"COM\u00B4"})
    EXPECT_FALSE(IsDosDeviceName(name)) << testing::PrintToString(std::wstring(name));
}

TEST(PathRulesTest, RelativePathsStayBelow) {
  for (const wchar_t* path : {L"x.ini", L"sub\\x.ini", L"sub/x.ini", L"a\\\\b", L"dir\\", L"x.ini.", L"..x", L"x..y",
                              L"caf\u00E9.ico"})
    EXPECT_TRUE(IsPlainRelativePath(path)) << testing::PrintToString(std::wstring(path));
  for (const wchar_t* path : {L"", L"..", L"..\\x", L"a\\..\\..\\x", L"a/../x", L".\\x", L"...\\x", L".. \\x",
                              L"\\x", L"/x", L"\\\\server\\share", L"C:x", L"C:\\x", L"x:stream", L"x.ini::$DATA",
                              L"NUL", L"sub\\con.txt", L"a*b", L"a?b", L"a\"b", L"a<b", L"a>b", L"a|b", L"a\tb"})
    EXPECT_FALSE(IsPlainRelativePath(path)) << testing::PrintToString(std::wstring(path));
}

TEST(PathRulesTest, AbsolutePathsOnALocalDrive) {
  for (const wchar_t* path : {L"C:\\", L"c:\\x", L"D:/a/b.txt", L"Z:\\Program Files\\Acme\\\u4E2D.dll",
                              L"C:\\Temp\\RBF1.tmp\\1", L"C:\\dir\\"})
    EXPECT_TRUE(IsLocalDrivePath(path)) << testing::PrintToString(std::wstring(path));
  for (const wchar_t* path : {L"", L"C:", L"C:x", L"\\x", L"x\\y", L"1:\\x", L"\\\\server\\share\\x",
                              L"\\\\?\\C:\\x", L"\\\\.\\PhysicalDrive0", L"//server/share", L"C:\\\\server\\x",
                              L"C:\\x:stream", L"C:\\a\\..\\..\\Windows", L"C:\\a\\.\\b", L"C:\\NUL",
                              L"C:\\dir\\com1.txt", L"C:\\a?b"})
    EXPECT_FALSE(IsLocalDrivePath(path)) << testing::PrintToString(std::wstring(path));
}

}  // namespace
}  // namespace wendrix
