// The launcher's command line: the exact line the library writes, texts that
// survive the quoting whatever they hold, and lines the launcher refuses.
#include <gtest/gtest.h>

#include <string>

#include "setup/command_words.h"
#include "setup/launcher_command.h"

namespace wendrix {
namespace {

TEST(LauncherCommandTest, AWalletInstallationsLine) {
  LauncherCommand command;
  command.file = L"C:\\Users\\a b\\Wallet\\E_1\\setup.exe";
  command.parameters = L"/S /D=\"C:\\Program Files\\Acme\\\"";
  command.mutexName = L"Installing_E_1";
  EXPECT_EQ(FormatLauncherCommand(command),
            L"0x2 0 0x0 \"C:\\Users\\a b\\Wallet\\E_1\\setup.exe\" \"/S /D=\\\"C:\\Program Files\\Acme\\\\\\\"\" "
            L"0xFFFFFFFF 0 \"\" \"\" 0x0 0 \"Installing_E_1\"");
}

TEST(LauncherCommandTest, QuotingKeepsEveryText) {
  struct Case {
    const wchar_t* text;
    const wchar_t* quoted;
  } cases[] = {
      {L"", L"\"\""},
      {L"a b", L"\"a b\""},
      {L"say \"hi\"", L"\"say \\\"hi\\\"\""},
      {L"C:\\dir\\", L"\"C:\\dir\\\\\""},        // a closing quote follows
      {L"a\\\\\"b", L"\"a\\\\\\\\\\\"b\""},      // two backslashes before a quote
      {L"a\\b\\\\c", L"\"a\\b\\\\c\""},          // backslashes elsewhere stay single
      {L"\t tab\t", L"\"\t tab\t\""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(QuoteCommandText(c.text), c.quoted);
    LauncherCommand command;
    command.mode = 3;
    command.processId = -7;
    command.settleMs = 2000;
    command.file = command.parameters = command.afterProgram = command.afterParameters = command.mutexName = c.text;
    const auto read = ParseLauncherCommand(FormatLauncherCommand(command));
    ASSERT_TRUE(read.has_value()) << FormatLauncherCommand(command).size();
    EXPECT_EQ(read->mode, 3u);
    EXPECT_EQ(read->processId, -7);
    EXPECT_EQ(read->settleMs, 2000u);
    EXPECT_EQ(read->fileWaitMs, 0xFFFFFFFFu);
    for (const std::wstring* text :
         {&read->file, &read->parameters, &read->afterProgram, &read->afterParameters, &read->mutexName})
      EXPECT_EQ(*text, c.text);
  }
}

TEST(LauncherCommandTest, LinesNotWrittenByTheLibraryAreRefused) {
  const std::wstring good = L"0x2 0 0x0 f p 0xFFFFFFFF 0 \"\" \"\" 0x0 0 m";
  ASSERT_TRUE(ParseLauncherCommand(good).has_value());
  const auto spaced = ParseLauncherCommand(L"  0xa\t19 0x7DA \"a\" \"\" 0xffffffff 0 x y 0x0 -1 \"\"  ");
  ASSERT_TRUE(spaced.has_value());
  EXPECT_EQ(spaced->mode, 0xAu);
  EXPECT_EQ(spaced->processId, 19);
  EXPECT_EQ(spaced->settleMs, 0x7DAu);
  for (const wchar_t* line : {
           L"",
           L"0x2 0 0x0 f p 0xFFFFFFFF 0 \"\" \"\" 0x0 0",           // eleven values
           L"0x2 0 0x0 f p 0xFFFFFFFF 0 \"\" \"\" 0x0 0 m extra",   // thirteen
           L"2 0 0x0 f p 0xFFFFFFFF 0 \"\" \"\" 0x0 0 m",           // hexadecimal without 0x
           L"0x 0 0x0 f p 0xFFFFFFFF 0 \"\" \"\" 0x0 0 m",
           L"0x100000000 0 0x0 f p 0xFFFFFFFF 0 \"\" \"\" 0x0 0 m", // over 32 bits
           L"0x2 0x1 0x0 f p 0xFFFFFFFF 0 \"\" \"\" 0x0 0 m",       // decimal as hexadecimal
           L"0x2 2147483648 0x0 f p 0xFFFFFFFF 0 \"\" \"\" 0x0 0 m",
           L"0x2 - 0x0 f p 0xFFFFFFFF 0 \"\" \"\" 0x0 0 m",
           L"0x2 0 0xG f p 0xFFFFFFFF 0 \"\" \"\" 0x0 0 m",
           L"0x2 0 0x0 \"f p 0xFFFFFFFF 0 \"\" \"\" 0x0 0 m",       // the quotes pair up wrongly
       })
    EXPECT_FALSE(ParseLauncherCommand(line).has_value()) << std::wstring(line).size();
  EXPECT_TRUE(ParseLauncherCommand(L"0x2 -2147483648 0x0 f p 0x0 0 a b 0x0 0 m").has_value());
}

}  // namespace
}  // namespace wendrix
