#include "publisher/schema.h"

#include "core/string_util.h"

namespace wendrix {
namespace {

// A section row has a null key: it declares the section and matches no key.
#define SECTION(name, id) {name, nullptr, id, kIniSection}
#define ANY(key, id, kind) {kIniAny, key, id, kind}

constexpr IniSchemaRow kFullSchema[] = {
    SECTION(L"Publisher", kSectionPublisher), SECTION(L"Wendrix", kSectionWendrix), SECTION(L"Item", kSectionItem),
    SECTION(L"Action", kSectionAction), SECTION(L"Message", kSectionMessage), SECTION(L"Condition", kSectionCondition),
    SECTION(L"Group", kSectionGroup), SECTION(L"Text", kSectionText), SECTION(L"Path", kSectionPath),
    SECTION(L"FreeUpdates", kSectionFreeUpdates), SECTION(L"InstalledVersion", kSectionInstalledVersion),
    SECTION(L"DisplayVersionStyle", kSectionDisplayVersionStyle), SECTION(L"Redirect", kSectionRedirect),
    SECTION(L"Redirect36", kSectionRedirect), SECTION(L"Redirect37", kSectionRedirect), SECTION(L"Icon", kSectionIcon),

    ANY(L"ID", kKeyId, kIniText), ANY(L"Type", kKeyType, kIniText), ANY(L"Description", kKeyDescription, kIniText),
    ANY(L"DescriptionText", kKeyDescription, kIniText), ANY(L"Condition", kKeyCondition, kIniText),
    ANY(L"Name", kKeyName, kIniText), ANY(L"HomePage", kKeyHomePage, kIniRaw),
    ANY(L"DataSource", kKeyDataSource, kIniRaw), ANY(L"RequiredVersion", kKeyRequiredVersion, kIniText),

    {L"Wendrix", L"LoopCount", kKeyLoopCount, kIniUnsigned},

    {L"Publisher", L"Application", kKeyApplication, kIniText},
    {L"Publisher", L"ApplicationName", kKeyApplicationName, kIniList},
    {L"Publisher", L"ApplicationIcon", kKeyApplicationIcon, kIniRaw},
    {L"Publisher", L"Version", kKeyVersion, kIniText},
    {L"Publisher", L"ControlPanel", kKeyControlPanel, kIniSigned},
    {L"Publisher", L"ApplicationMenuHomePage", kKeyMenuHomePage, kIniSigned},
    {L"Publisher", L"ApplicationMenuFeedback", kKeyMenuFeedback, kIniSigned},
    {L"Publisher", L"ApplicationDialogAllItems", kKeyDialogAllItems, kIniSigned},
    {L"Publisher", L"ApplicationDialogWallet", kKeyDialogWallet, kIniSigned},
    {L"Publisher", L"ApplicationDialogHistory", kKeyDialogHistory, kIniSigned},

    {L"Item", L"Title", kKeyTitle, kIniText}, {L"Item", L"TitleText", kKeyTitle, kIniText},
    {L"Item", L"Icon", kKeyIcon, kIniText}, {L"Item", L"Action", kKeyAction, kIniText},
    {L"Item", L"DisplayVersionStyle", kKeyDisplayVersionStyle, kIniText},
    {L"Item", L"InstalledVersion", kKeyInstalledVersion, kIniText}, {L"Item", L"Flags", kKeyFlags, kIniList},
    {L"Item", L"FreeUpdates", kKeyFreeUpdates, kIniText},

    {L"Action", L"Subtype", kKeySubtype, kIniList}, {L"Action", L"Version", kKeyVersion, kIniText},
    {L"Action", L"Date", kKeyDate, kIniText}, {L"Action", L"Bytes", kKeyBytes, kIniList},
    {L"Action", L"Message", kKeyMessage, kIniText}, {L"Action", L"Target", kKeyTarget, kIniText},
    {L"Action", L"Parameters", kKeyParameters, kIniText}, {L"Action", L"ExecuteParameters", kKeyParameters, kIniText},
    {L"Action", L"Rename", kKeyRename, kIniText}, {L"Action", L"URL", kKeyUrl, kIniRaw},
    {L"Action", L"Resource", kKeyResource, kIniRawList}, {L"Action", L"Flags", kKeyFlags, kIniList},
    {L"Action", L"Architecture", kKeyArchitecture, kIniList}, {L"Action", L"Privileges", kKeyPrivileges, kIniText},
    {L"Action", L"QuietFromVersion", kKeyQuietFromVersion, kIniText}, {L"Action", L"SHA256", kKeySha256, kIniList},

    {L"Message", L"Header", kKeyHeader, kIniText}, {L"Message", L"Message", kKeyMessage, kIniText},
    {L"Message", L"Yes", kKeyYes, kIniText}, {L"Message", L"No", kKeyNo, kIniText},

    {L"Condition", L"WendrixVersion", kKeyWendrixVersion, kIniText},
    {L"Condition", L"Publisher", kKeyPublisher, kIniText}, {L"Condition", L"Language", kKeyLanguage, kIniText},
    {L"Condition", L"InstalledVersion", kKeyConditionInstalledVersion, kIniList},
    {L"Condition", L"Path", kKeyConditionPath, kIniText}, {L"Condition", L"And", kKeyAnd, kIniList},
    {L"Condition", L"Or", kKeyOr, kIniList}, {L"Condition", L"Not", kKeyNot, kIniList},

    {L"Group", L"Title", kKeyTitle, kIniText}, {L"Group", L"Items", kKeyItems, kIniList},
    {L"Text", L"Text", kKeyText, kIniList},
    {L"Path", L"Path", kKeyPath, kIniRawList},
    {L"InstalledVersion", L"Application", kKeyApplication, kIniRawList},
    {L"InstalledVersion", L"System", kKeySystem, kIniRaw},
    {L"InstalledVersion", L"Publisher", kKeyPublisher, kIniText},
    {L"DisplayVersionStyle", L"Size", kKeySize, kIniSigned},
    {L"DisplayVersionStyle", L"Replace", kKeyReplace, kIniList},
    {L"Icon", L"Version", kKeyVersion, kIniText}, {L"Icon", L"URL", kKeyUrl, kIniRaw},

    SECTION(L"Wallet", kSectionWallet),
    {L"Wallet", L"Status", kKeyStatus, kIniText}, {L"Wallet", L"Origin", kKeyOrigin, kIniText},
    {L"Wallet", L"Bytes", kKeyBytes, kIniText}, {L"Wallet", L"Date", kKeyDate, kIniText},
    {L"Wallet", L"LastModified", kKeyLastModified, kIniText}, {L"Wallet", L"Install", kKeyInstall, kIniSigned},
    {L"Wallet", L"Flags", kKeyFlags, kIniList}, {L"Wallet", L"URL", kKeyUrl, kIniRaw},
    {L"Wallet", L"Resource", kKeyResource, kIniRawList}, {L"Wallet", L"Error", kKeyError, kIniUnsigned},
};

constexpr IniSchemaRow kHeaderSchema[] = {
    SECTION(L"Wendrix", kSectionWendrix), SECTION(L"Publisher", kSectionPublisher),
    SECTION(L"Redirect", kSectionRedirect), SECTION(L"Redirect36", kSectionRedirect),
    SECTION(L"Redirect37", kSectionRedirect),
    ANY(L"ID", kKeyId, kIniText), ANY(L"Name", kKeyName, kIniText), ANY(L"HomePage", kKeyHomePage, kIniRaw),
    ANY(L"DataSource", kKeyDataSource, kIniRaw), ANY(L"RequiredVersion", kKeyRequiredVersion, kIniText),
    {L"Publisher", L"Application", kKeyApplication, kIniText},
    {L"Publisher", L"ApplicationName", kKeyApplicationName, kIniList},
    {L"Publisher", L"ApplicationIcon", kKeyApplicationIcon, kIniRaw},
    {L"Publisher", L"Version", kKeyVersion, kIniText},
    {L"Publisher", L"ControlPanel", kKeyControlPanel, kIniSigned},
    {L"Publisher", L"ApplicationMenuHomePage", kKeyMenuHomePage, kIniSigned},
    {L"Publisher", L"ApplicationMenuFeedback", kKeyMenuFeedback, kIniSigned},
    {L"Publisher", L"ApplicationDialogAllItems", kKeyDialogAllItems, kIniSigned},
    {L"Publisher", L"ApplicationDialogWallet", kKeyDialogWallet, kIniSigned},
    {L"Publisher", L"ApplicationDialogHistory", kKeyDialogHistory, kIniSigned},
};

#undef SECTION
#undef ANY

}  // namespace

IniSchema PublisherSchema() noexcept { return kFullSchema; }
IniSchema PublisherHeaderSchema() noexcept { return kHeaderSchema; }

std::int32_t SectionId(const wchar_t* name, IniSchema schema) noexcept {
  for (const IniSchemaRow& row : schema)
    if (row.key == nullptr && row.section && row.section != kIniAny && CStringUtil::EqualsNoCase(row.section, name))
      return row.id;
  return -1;
}

std::int32_t KeyId(const wchar_t* section, std::wstring_view key, IniSchema schema) noexcept {
  return SchemaLookup(section, key, schema);
}

}  // namespace wendrix
