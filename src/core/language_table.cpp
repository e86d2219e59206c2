#include "core/language_table.h"

#include <array>

#include "core/string_util.h"

namespace wendrix {
namespace {

constexpr std::array<LanguageRow, kLanguageRowCount> kRows{{
    {0x0436, L"af", L"af"}, {0x041C, L"sq", L"sq"}, {0x0401, L"ar-sa", L"arsa"}, {0x0801, L"ar-iq", L"ariq"},
    {0x0C01, L"ar-eg", L"areg"}, {0x1001, L"ar-ly", L"arly"}, {0x1401, L"ar-dz", L"ardz"}, {0x1801, L"ar-ma", L"arma"},
    {0x1C01, L"ar-tn", L"artn"}, {0x2001, L"ar-om", L"arom"}, {0x2401, L"ar-ye", L"arye"}, {0x2801, L"ar-sy", L"arsy"},
    {0x2C01, L"ar-jo", L"arjo"}, {0x3001, L"ar-lb", L"arlb"}, {0x3401, L"ar-kw", L"arkw"}, {0x3801, L"ar-ae", L"arae"},
    {0x3C01, L"ar-bh", L"arbh"}, {0x4001, L"ar-qa", L"arqa"}, {0x042D, L"eu", L"eu"}, {0x0402, L"bg", L"bg"},
    {0x0423, L"be", L"be"}, {0x0403, L"ca", L"ca"}, {0x0404, L"zh-tw", L"zhtw"}, {0x0804, L"zh-cn", L"zhcn"},
    {0x0C04, L"zh-hk", L"zhhk"}, {0x1004, L"zh-sg", L"zhsg"}, {0x041A, L"hr", L"hr"}, {0x0405, L"cs", L"cs"},
    {0x0406, L"da", L"da"}, {0x0413, L"nl", L"nl"}, {0x0813, L"nl-be", L"nlbe"}, {0x0009, L"en", L"en"},
    {0x0409, L"en-us", L"enus"}, {0x0809, L"en-gb", L"engb"}, {0x0C09, L"en-au", L"enau"}, {0x1009, L"en-ca", L"enca"},
    {0x1409, L"en-nz", L"ennz"}, {0x1809, L"en-ie", L"enie"}, {0x1C09, L"en-za", L"enza"}, {0x2009, L"en-jm", L"enjm"},
    {0x2409, L"en", L"en"}, {0x2809, L"en-bz", L"enbz"}, {0x2C09, L"en-tt", L"entt"}, {0x0425, L"et", L"et"},
    {0x0438, L"fo", L"fo"}, {0x0429, L"fa", L"fa"}, {0x040B, L"fi", L"fi"}, {0x040C, L"fr", L"fr"},
    {0x080C, L"fr-be", L"frbe"}, {0x0C0C, L"fr-ca", L"frca"}, {0x100C, L"fr-ch", L"frch"}, {0x140C, L"fr-lu", L"frlu"},
    {0x043C, L"gd", L"gd"}, {0x083C, L"gd-ie", L"gdie"}, {0x0407, L"de", L"de"}, {0x0807, L"de-ch", L"dech"},
    {0x0C07, L"de-at", L"deat"}, {0x1007, L"de-lu", L"delu"}, {0x1407, L"de-li", L"deli"}, {0x0408, L"el", L"el"},
    {0x040D, L"he", L"he"}, {0x0439, L"hi", L"hi"}, {0x040E, L"hu", L"hu"}, {0x040F, L"is", L"is"},
    {0x0421, L"in", L"in"}, {0x0410, L"it", L"it"}, {0x0810, L"it-ch", L"itch"}, {0x0411, L"ja", L"ja"},
    {0x0412, L"ko", L"ko"}, {0x0812, L"ko", L"ko"}, {0x0426, L"lv", L"lv"}, {0x0427, L"lt", L"lt"},
    {0x042F, L"mk", L"mk"}, {0x043E, L"ms", L"ms"}, {0x043A, L"mt", L"mt"}, {0x0414, L"no", L"no"},
    {0x0814, L"no", L"no"}, {0x0415, L"pl", L"pl"}, {0x0416, L"pt-br", L"ptbr"}, {0x0816, L"pt", L"pt"},
    {0x0417, L"rm", L"rm"}, {0x0418, L"ro", L"ro"}, {0x0818, L"ro-mo", L"romo"}, {0x0419, L"ru", L"ru"},
    {0x0819, L"ru-mo", L"rumo"}, {0x043B, L"sz", L"sz"}, {0x0C1A, L"sr", L"sr"}, {0x081A, L"sr", L"sr"},
    {0x041B, L"sk", L"sk"}, {0x0424, L"sl", L"sl"}, {0x042E, L"sb", L"sb"}, {0x040A, L"es", L"es"},
    {0x080A, L"es-mx", L"esmx"}, {0x0C0A, L"es", L"es"}, {0x100A, L"es-gt", L"esgt"}, {0x140A, L"es-cr", L"escr"},
    {0x180A, L"es-pa", L"espa"}, {0x1C0A, L"es-do", L"esdo"}, {0x200A, L"es-ve", L"esve"}, {0x240A, L"es-co", L"esco"},
    {0x280A, L"es-pe", L"espe"}, {0x2C0A, L"es-ar", L"esar"}, {0x300A, L"es-ec", L"esec"}, {0x340A, L"es-cl", L"escl"},
    {0x380A, L"es-uy", L"esuy"}, {0x3C0A, L"es-py", L"espy"}, {0x400A, L"es-bo", L"esbo"}, {0x440A, L"es-sv", L"essv"},
    {0x480A, L"es-hn", L"eshn"}, {0x4C0A, L"es-ni", L"esni"}, {0x500A, L"es-pr", L"espr"}, {0x0430, L"sx", L"sx"},
    {0x041D, L"sv", L"sv"}, {0x081D, L"sv-fi", L"svfi"}, {0x041E, L"th", L"th"}, {0x0431, L"ts", L"ts"},
    {0x0432, L"tn", L"tn"}, {0x041F, L"tr", L"tr"}, {0x0422, L"uk", L"uk"}, {0x0420, L"ur", L"ur"},
    {0x0433, L"ve", L"ve"}, {0x042A, L"vi", L"vi"}, {0x0434, L"xh", L"xh"}, {0x043D, L"ji", L"ji"},
    {0x0435, L"zu", L"zu"},
}};

// Language tags are ASCII, so only ASCII letters and digits extend a tag.
constexpr bool ExtendsTag(wchar_t c) noexcept {
  return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || IsDecimalDigit(c) || c == L'-';
}

bool BeginsWithWholeTag(std::wstring_view text, std::wstring_view rowTag) noexcept {
  if (!CStringUtil::StartsWithNoCase(text, rowTag)) return false;
  return text.size() == rowTag.size() || !ExtendsTag(text[rowTag.size()]);
}

}  // namespace

std::span<const LanguageRow> LanguageRows() noexcept { return kRows; }

const LanguageRow* FindLanguageRow(std::wstring_view tag) noexcept {
  for (const LanguageRow& row : kRows) {
    if (BeginsWithWholeTag(tag, row.tag) || BeginsWithWholeTag(tag, row.compact)) return &row;
  }
  return nullptr;
}

std::wstring_view FallbackIso639(std::uint16_t languageId) noexcept {
  // Whole identifiers first: Norwegian Nynorsk shares its primary language
  // with Bokmal.
  switch (languageId) {
    case 0x0414: return L"nb";
    case 0x0814: return L"nn";
    default: break;
  }
  switch (PrimaryLanguage(languageId)) {
    case 0x04: return L"zh";
    case 0x11: return L"ja";
    case 0x14: return L"nb";
    case 0x21: return L"id";
    case 0x4B: return L"kn";
    case 0x4E: return L"mr";
    default: return {};
  }
}

}  // namespace wendrix
