#pragma once
// The schema of publisher data files: which sections exist, which keys each
// holds and how each key's value is read. Identifiers are shared by synonyms
// (Title and TitleText, Parameters and ExecuteParameters).
#include <cstdint>

#include "core/ini_data.h"

namespace wendrix {

// Section identifiers.
enum PublisherSection : std::int32_t {
  kSectionPublisher = 0, kSectionWendrix = 1, kSectionItem = 2, kSectionAction = 3, kSectionMessage = 4,
  kSectionCondition = 5, kSectionGroup = 6, kSectionText = 7, kSectionPath = 8, kSectionFreeUpdates = 9,
  kSectionInstalledVersion = 10, kSectionDisplayVersionStyle = 11, kSectionRedirect = 12, kSectionIcon = 13,
  kSectionWallet = 14,
};

// Key identifiers.
enum PublisherKey : std::int32_t {
  kKeyName = 15, kKeyHomePage = 17, kKeyDataSource = 18, kKeyApplication = 19, kKeyApplicationName = 20,
  kKeyApplicationIcon = 21, kKeyControlPanel = 22, kKeyMenuHomePage = 23, kKeyMenuFeedback = 24,
  kKeyDialogAllItems = 25, kKeyDialogWallet = 26, kKeyDialogHistory = 27, kKeyId = 28, kKeyTitle = 29,
  kKeyType = 30, kKeySubtype = 31, kKeyDescription = 32, kKeyVersion = 33, kKeyIcon = 34, kKeyDate = 35,
  kKeyBytes = 36, kKeyAction = 37, kKeyMessage = 38, kKeyCondition = 39, kKeyDisplayVersionStyle = 40,
  kKeyConditionInstalledVersion = 41, kKeyInstalledVersion = 42, kKeyTarget = 43, kKeyParameters = 44,
  kKeyRename = 45, kKeyUrl = 48, kKeyResource = 49, kKeyText = 50, kKeyFlags = 51, kKeyRequiredVersion = 52,
  kKeySize = 53, kKeyReplace = 54, kKeyPath = 55, kKeyConditionPath = 56, kKeySystem = 57,
  kKeyWendrixVersion = 58, kKeyPublisher = 59, kKeyLanguage = 60, kKeyAnd = 61, kKeyOr = 62, kKeyNot = 63,
  kKeyFreeUpdates = 64, kKeyHeader = 65, kKeyYes = 66, kKeyNo = 67, kKeyLoopCount = 68, kKeyArchitecture = 69,
  kKeyPrivileges = 70, kKeyItems = 71, kKeyStatus = 72, kKeyOrigin = 73, kKeyLastModified = 74, kKeyInstall = 75,
  kKeyError = 76, kKeyQuietFromVersion = 77, kKeySha256 = 78,
};

// The full schema: section rows, then keys valid in any section, then the
// keys of each section, the Wallet section last.
IniSchema PublisherSchema() noexcept;
// The header schema of the pre-pass: the Wendrix, Publisher and Redirect
// sections and the keys the pre-pass reads.
IniSchema PublisherHeaderSchema() noexcept;

// The identifier of a section name, or -1.
std::int32_t SectionId(const wchar_t* name, IniSchema schema) noexcept;
// The identifier of a key in a section (null: before any section), or -1.
std::int32_t KeyId(const wchar_t* section, std::wstring_view key, IniSchema schema) noexcept;

}  // namespace wendrix
