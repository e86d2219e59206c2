#include "publisher/vocabulary.h"

#include "core/string_util.h"

namespace wendrix {
namespace {

constexpr VocabularyWord kItemTypeWords[] = {{L"Software", 1}, {L"Document", 2}, {L"Publisher", 3}, {L"Self", 4}};
constexpr VocabularyWord kActionTypeWords[] = {{L"Open", 2}, {L"Download", 3}, {L"Buy", 4}};
constexpr VocabularyWord kSubtypeWords[] = {
    {L"Generic", 1}, {L"HomePage", 2},  {L"CurrentVersionInfo", 4}, {L"FAQ", 8},     {L"Support", 16},
    {L"Troubleshooting", 32}, {L"History", 64}, {L"SourceCode", 128}, {L"Try", 256}, {L"Buy", 512},
    {L"Update", 1024}, {L"BuyUpgrade", 2048}, {L"Upgrade", 4096}};
constexpr VocabularyWord kItemFlagWords[] = {{L"Invisible", 4}};
constexpr VocabularyWord kActionFlagWords[] = {{L"Install", 4}, {L"NoWallet", 8},   {L"External", 16}, {L"CDSet", 32},
                                               {L"Installer", 64}, {L"Archive", 128}, {L"Encoded", 256}};
constexpr VocabularyWord kArchitectureWords[] = {{L"Neutral", 0}, {L"x86", 1}, {L"x64", 2}};
constexpr VocabularyWord kMessageTypeWords[] = {{L"OneButton", 2}, {L"TwoButton", 3}, {L"EULA", 4}};
constexpr VocabularyWord kFreeUpdateWords[] = {{L"All", 0}, {L"MinorOnly", 1}, {L"Custom", 2}};
constexpr VocabularyWord kRequirementWords[] = {{L"Neutral", 0}, {L"None", 1}, {L"Any", 2}, {L"Older", 3}};
constexpr VocabularyWord kWalletFlagWords[] = {
    {L"Install", 1}, {L"NoCache", 2}, {L"Silent", 4}, {L"DeferredInstall", 8}, {L"ExclusivePublisher", 16}};
constexpr VocabularyWord kPrivilegeWordList[] = {{L"Standard", 0}, {L"Administrator", 1}};
constexpr VocabularyWord kWalletStatusWords[] = {{L"Downloading", 0},      {L"Stopped", 1},    {L"Error", 2},
                                                 {L"Downloaded", 3},       {L"WaitingToInstall", 4},
                                                 {L"Installing", 5},       {L"Installed", 6}};
constexpr VocabularyWord kWalletOriginWords[] = {
    {L"Manual", 0}, {L"Application", 1}, {L"Scheduled", 2}, {L"Startup", 3}};

const VocabularyWord* Find(const Vocabulary& vocabulary, std::wstring_view word) noexcept {
  // Words of another length are ruled out before a character is compared.
  for (const VocabularyWord& w : vocabulary.words)
    if (w.word.size() == word.size() && CStringUtil::EqualsNoCase(w.word, word)) return &w;
  return nullptr;
}

}  // namespace

const Vocabulary kItemTypes{kItemTypeWords, kItemInvalid};
const Vocabulary kActionTypes{kActionTypeWords, kActionInvalid};
const Vocabulary kSubtypes{kSubtypeWords, kUnknownWordBit};
const Vocabulary kItemFlags{kItemFlagWords, kUnknownWordBit};
const Vocabulary kActionFlags{kActionFlagWords, kUnknownWordBit};
const Vocabulary kArchitectures{kArchitectureWords, kUnknownWordBit};
const Vocabulary kMessageTypes{kMessageTypeWords, kMessageInvalid};
const Vocabulary kFreeUpdateTypes{kFreeUpdateWords, kFreeUpdatesInvalid};
const Vocabulary kInstalledRequirements{kRequirementWords, kRequireInvalid};
const Vocabulary kWalletFlags{kWalletFlagWords, 0};  // unknown wallet flags are ignored
const Vocabulary kPrivilegeWords{kPrivilegeWordList, kPrivilegesInvalid};
const Vocabulary kWalletStatuses{kWalletStatusWords, kWalletStatusInvalid};
const Vocabulary kWalletOrigins{kWalletOriginWords, kOriginInvalid};

std::uint32_t WordValue(const Vocabulary& vocabulary, std::wstring_view word) noexcept {
  const VocabularyWord* w = Find(vocabulary, word);
  return w ? w->value : vocabulary.unknown;
}

bool IsKnownWord(const Vocabulary& vocabulary, std::wstring_view word) noexcept { return Find(vocabulary, word) != nullptr; }

std::uint32_t WordListBits(const Vocabulary& vocabulary, std::span<const std::wstring_view> words) noexcept {
  std::uint32_t bits = 0;
  for (std::wstring_view word : words) {
    if (word.empty()) continue;
    const VocabularyWord* w = Find(vocabulary, word);
    bits |= w ? w->value : vocabulary.unknown;
  }
  return bits;
}

const wchar_t* WordOf(const Vocabulary& vocabulary, std::uint32_t value) noexcept {
  for (const VocabularyWord& w : vocabulary.words)
    if (w.value == value) return w.word.data();
  return nullptr;
}

}  // namespace wendrix
