#pragma once
// The word vocabularies of publisher data files: single words that name one
// value, and word lists that combine into bits.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace wendrix {

struct VocabularyWord {
  std::wstring_view word;  // a literal: its length is known without counting, and it is zero-terminated
  std::uint32_t value;
};

// A vocabulary: its words in table order, and the value an unknown word gets.
struct Vocabulary {
  std::span<const VocabularyWord> words;
  std::uint32_t unknown;
};

// Bit set in a word list's value when the list held a word the vocabulary
// does not know.
inline constexpr std::uint32_t kUnknownWordBit = 0x80000000u;

// Item types.
enum ItemType : std::uint32_t { kItemInvalid = 0, kItemSoftware = 1, kItemDocument = 2, kItemPublisher = 3, kItemSelf = 4 };
// Action types.
enum ActionType : std::uint32_t { kActionInvalid = 1, kActionOpen = 2, kActionDownload = 3, kActionBuy = 4 };
// Action subtype bits.
enum SubtypeBits : std::uint32_t {
  kSubtypeGeneric = 1, kSubtypeHomePage = 2, kSubtypeCurrentVersionInfo = 4, kSubtypeFaq = 8, kSubtypeSupport = 16,
  kSubtypeTroubleshooting = 32, kSubtypeHistory = 64, kSubtypeSourceCode = 128, kSubtypeTry = 256, kSubtypeBuy = 512,
  kSubtypeUpdate = 1024, kSubtypeBuyUpgrade = 2048, kSubtypeUpgrade = 4096,
};
// Item flag bits (kItemNew is set by the check and kItemGrouped by the
// loader; neither is ever read from a file).
enum ItemFlagBits : std::uint32_t { kItemNew = 1, kItemGrouped = 2, kItemInvisible = 4 };
// Action flag bits (kActionUnavailable is set by the loader).
enum ActionFlagBits : std::uint32_t {
  kActionUnavailable = 2, kActionInstall = 4, kActionNoWallet = 8, kActionExternal = 16, kActionCdSet = 32,
  kActionInstaller = 64, kActionArchive = 128, kActionEncoded = 256,
};
// Architecture bits.
enum ArchitectureBits : std::uint32_t { kArchitectureNeutral = 0, kArchitectureX86 = 1, kArchitectureX64 = 2 };
// Message types.
enum MessageType : std::uint32_t { kMessageInvalid = 1, kMessageOneButton = 2, kMessageTwoButton = 3, kMessageEula = 4 };
// Free-update types.
enum FreeUpdateType : std::uint32_t { kFreeUpdatesAll = 0, kFreeUpdatesMinorOnly = 1, kFreeUpdatesCustom = 2, kFreeUpdatesInvalid = 3 };
// Installed-state requirements of an item.
enum InstalledRequirement : std::uint32_t {
  kRequireNeutral = 0, kRequireNone = 1, kRequireAny = 2, kRequireOlder = 3, kRequireInvalid = 4,
};
// Wallet flag bits.
enum WalletFlagBits : std::uint32_t {
  kWalletInstall = 1, kWalletNoCache = 2, kWalletSilent = 4, kWalletDeferredInstall = 8, kWalletExclusivePublisher = 16,
};
// Privileges an installer needs.
enum Privileges : std::uint32_t { kPrivilegesStandard = 0, kPrivilegesAdministrator = 1, kPrivilegesInvalid = 2 };
// Wallet entry states and origins.
enum WalletStatus : std::uint32_t {
  kWalletDownloading = 0, kWalletStopped = 1, kWalletError = 2, kWalletDownloaded = 3, kWalletWaitingToInstall = 4,
  kWalletInstalling = 5, kWalletInstalled = 6, kWalletStatusInvalid = 0xFFFFFFFFu,
};
enum WalletOrigin : std::uint32_t {
  kOriginManual = 0, kOriginApplication = 1, kOriginScheduled = 2, kOriginStartup = 3, kOriginNone = 4,
  kOriginInvalid = 0xFFFFFFFFu,
};

extern const Vocabulary kItemTypes;
extern const Vocabulary kActionTypes;
extern const Vocabulary kSubtypes;
extern const Vocabulary kItemFlags;
extern const Vocabulary kActionFlags;
extern const Vocabulary kArchitectures;
extern const Vocabulary kMessageTypes;
extern const Vocabulary kFreeUpdateTypes;
extern const Vocabulary kInstalledRequirements;
extern const Vocabulary kWalletFlags;
extern const Vocabulary kPrivilegeWords;
extern const Vocabulary kWalletStatuses;
extern const Vocabulary kWalletOrigins;

// The value of one word (case ignored); the vocabulary's unknown value when it
// has no such word.
std::uint32_t WordValue(const Vocabulary& vocabulary, std::wstring_view word) noexcept;
// True when the vocabulary has the word.
bool IsKnownWord(const Vocabulary& vocabulary, std::wstring_view word) noexcept;
// The bits of a word list: the or of its words' values, with kUnknownWordBit
// when a word is unknown. Empty items are skipped.
std::uint32_t WordListBits(const Vocabulary& vocabulary, std::span<const std::wstring_view> words) noexcept;
// The word of a value, or null.
const wchar_t* WordOf(const Vocabulary& vocabulary, std::uint32_t value) noexcept;

}  // namespace wendrix
