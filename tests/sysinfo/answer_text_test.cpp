// The answers that need no management query: language, DirectX, architecture.
#include <gtest/gtest.h>

#include <map>

#include "sysinfo/architecture_name.h"
#include "sysinfo/directx_version.h"
#include "sysinfo/language_answer.h"

namespace wendrix::test {
namespace {

struct LanguageCase {
  std::uint16_t languageId;
  const wchar_t* iso639;
  const wchar_t* abbreviation;
  const wchar_t* answer;
};

TEST(LanguageAnswerTest, IsoNameThenTableThenAbbreviationElseEnglish) {
  const LanguageCase cases[] = {
      {0x0409, L"en", L"ENU", L"en"}, {0x0410, L"it", L"ITA", L"it"},
      {0x0414, L"no", L"NOR", L"no"},  // the system's name wins over the table
      {0x0414, L"", L"NOR", L"nb"}, {0x0814, L"", L"NON", L"nn"}, {0x0804, L"", L"CHS", L"zh"},
      {0x044E, L"", L"MAR", L"mr"},
      {0x0407, L"", L"DE", L"DE"},    // a two-character abbreviation is kept as it is
      {0x0407, L"", L"DEU", L"en"}, {0x0475, L"haw", L"HAW", L"en"}, {0x0409, L"e", L"", L"en"},
  };
  for (const LanguageCase& c : cases)
    EXPECT_EQ(c.answer, LanguageAnswer(c.languageId, c.iso639, c.abbreviation)) << std::hex << c.languageId;
}

TEST(DirectXVersionTest, LetterCountsByItsCodeMaskedWith31) {
  for (const auto& [version, text] : {std::pair{DirectXVersion{9, 0, L' '}, L"9.0.0"}, {{9, 0, L'c'}, L"9.0.3"},
                                      {{8, 1, L'A'}, L"8.1.1"}, {{12, 0, L'\0'}, L"12.0.0"}})
    EXPECT_EQ(text, FormatDirectXVersion(version));
}

class DirectXFilesTest : public testing::Test {
 protected:
  std::optional<std::wstring> Infer() {
    reads.clear();
    const std::optional<DirectXVersion> version = DirectXVersionFromFiles([this](std::wstring_view name) {
      reads.emplace_back(name);
      const auto it = files.find(std::wstring(name));
      return it == files.end() ? std::nullopt : std::optional<VersionParts>(it->second);
    });
    return version ? std::optional<std::wstring>(FormatDirectXVersion(*version)) : std::nullopt;
  }

  std::map<std::wstring, VersionParts> files;
  std::vector<std::wstring> reads;
};

TEST_F(DirectXFilesTest, ReleaseThresholds) {
  const std::pair<std::map<std::wstring, VersionParts>, std::optional<std::wstring>> cases[] = {
      {{}, std::nullopt},
      {{{L"\\ddraw.dll", {4, 2, 0, 94}}}, std::nullopt},
      {{{L"\\ddraw.dll", {4, 2, 0, 95}}}, L"1.0.0"},
      {{{L"\\ddraw.dll", {4, 4, 0, 68}}, {L"\\d3drg8x.dll", {4, 4, 0, 70}}}, L"3.0.1"},
      {{{L"\\ddraw.dll", {4, 4, 0, 68}}, {L"\\d3drg8x.dll", {4, 4, 0, 69}}}, L"3.0.0"},
      {{{L"\\ddraw.dll", {4, 6, 0, 436}}}, L"6.1.0"},
      {{{L"\\ddraw.dll", {4, 7, 0, 700}}, {L"\\dinput.dll", {4, 7, 0, 716}}}, L"7.0.1"},
      {{{L"\\ddraw.dll", {4, 8, 0, 0}}}, L"8.0.0"},
      {{{L"\\ddraw.dll", {4, 8, 0, 400}}, {L"\\d3d8.dll", {4, 8, 1, 901}}}, L"8.1.1"},
      {{{L"\\ddraw.dll", {4, 8, 0, 400}}, {L"\\mpg2splt.ax", {6, 3, 1, 885}}}, L"8.1.2"},
      {{{L"\\dpnet.dll", {4, 9, 0, 134}}}, L"8.2.0"},
      {{{L"\\ddraw.dll", {4, 9, 0, 904}}, {L"\\d3d9.dll", {0, 0, 0, 0}}}, L"9.0.0"},
      // Windows 7's files: every marker is met, the last one wins.
      {{{L"\\ddraw.dll", {6, 1, 7600, 16385}},
        {L"\\dinput.dll", {6, 1, 7600, 16385}},
        {L"\\d3d8.dll", {6, 1, 7600, 16385}},
        {L"\\dpnet.dll", {6, 1, 7601, 17514}},
        {L"\\d3d9.dll", {6, 1, 7601, 17514}}},
       L"9.0.0"},
  };
  for (const auto& [installed, answer] : cases) {
    files = installed;
    EXPECT_EQ(answer, Infer()) << testing::PrintToString(answer);
    if (installed.empty()) EXPECT_EQ(8u, reads.size()) << "each file is read once";
  }
}

TEST(ArchitectureNameTest, KnownArchitecturesOnly) {
  EXPECT_EQ(L"x86", ArchitectureName(0));
  EXPECT_EQ(L"ia64", ArchitectureName(6));
  EXPECT_EQ(L"x64", ArchitectureName(9));
  for (std::uint16_t arm : {5, 12, 0xFFFF}) EXPECT_EQ(std::nullopt, ArchitectureName(arm)) << arm;
}

}  // namespace
}  // namespace wendrix::test
