// The key rules of the main pass: what each key of each section stores, and
// which values are errors (the load ends at the key's line with E_INVALIDARG)
// or make the record invalid (an error under strict load, else the record is
// dropped).
#include <span>
#include <vector>

#include "core/date.h"
#include "core/ini_data.h"
#include "core/sha256_text.h"
#include "core/string_util.h"
#include "publisher/loader_internal.h"
#include "publisher/schema.h"

namespace wendrix::loader {
namespace {

// The entry's values, in `values` (kept from key to key, so that it seldom allocates).
std::span<const std::wstring_view> Values(const IniEntry& e, std::vector<std::wstring_view>& values) {
  values.clear();
  for (std::uint32_t i = 0; i < e.Count(); ++i) values.push_back(e.ValueView(i));
  return values;
}

std::wstring_view First(const IniEntry& e) { return e.Count() ? e.ValueView(0) : std::wstring_view(); }

// An unsigned 64-bit number in C notation (decimal, 0x hexadecimal, leading-0 octal).
bool ParseUnsigned64(std::wstring_view text, std::uint64_t& value) noexcept {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  unsigned base = 10;
  if (text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X')) {
    base = 16;
    text.remove_prefix(2);
  } else if (text.size() > 1 && text[0] == L'0') {
    base = 8;
  }
  if (text.empty()) return false;
  std::uint64_t v = 0;
  for (wchar_t c : text) {
    const int d = HexDigitValue(c);
    if (d < 0 || static_cast<unsigned>(d) >= base) return false;
    if (v > (UINT64_MAX - static_cast<unsigned>(d)) / base) return false;
    v = v * base + static_cast<unsigned>(d);
  }
  value = v;
  return true;
}

bool HasBlank(std::wstring_view text) noexcept {
  for (wchar_t c : text)
    if (IsBlank(c)) return true;
  return false;
}

}  // namespace

HRESULT MainPass::IdKey(std::wstring& id, const IniEntry& e) {
  const std::wstring_view value = First(e);
  if (HasBlank(value)) return Fail(E_INVALIDARG, e.Line());
  id.assign(value);
  m_openId = value;
  return S_OK;
}

// A word list: an unknown word is invalid under strict load, else ignored.
HRESULT MainPass::WordListKey(const Vocabulary& vocabulary, const IniEntry& e, std::uint32_t& bits) {
  bits = WordListBits(vocabulary, Values(e, m_values));
  if (bits & kUnknownWordBit) {
    if (Strict()) return Fail(E_INVALIDARG, e.Line());
    bits &= ~kUnknownWordBit;
  }
  return S_OK;
}

HRESULT MainPass::CheckActionCombination(const Action& a, std::uint32_t line) {
  constexpr std::uint32_t kForbiddenOpenFlags = 0x11C;  // Install, NoWallet, External, Encoded
  bool broken = false;
  switch (a.type) {
    case kActionOpen: broken = (a.subtype & 0x1F00) || (a.flags & kForbiddenOpenFlags); break;
    case kActionDownload: broken = (a.subtype & 0x10FE) != 0; break;
    case kActionBuy: broken = (a.subtype & 0xFFE) || (a.flags & kForbiddenOpenFlags); break;
    default: break;
  }
  return broken ? Invalid(line) : S_OK;
}

HRESULT MainPass::ItemKey(Item& item, std::int32_t key, const IniEntry& e) {
  const std::uint32_t line = e.Line();
  const std::wstring_view value = First(e);
  switch (key) {
    case kKeyId: return IdKey(item.id, e);
    case kKeyType:
      item.type = WordValue(kItemTypes, value);
      if (item.type == kItemInvalid) return Invalid(line);
      if (item.type == kItemSelf && !m_data.IsSelfPublisher()) return Fail(E_INVALIDARG, line);
      return S_OK;
    case kKeyFlags: return WordListKey(kItemFlags, e, item.flags);
    case kKeyRequiredVersion:
      item.requirement = WordValue(kInstalledRequirements, value);
      return item.requirement == kRequireInvalid ? Fail(E_INVALIDARG, line) : S_OK;
    case kKeyTitle: item.titleId.assign(value); Refer(kRefTexts, value, line); return S_OK;
    case kKeyDescription: item.descriptionId.assign(value); Refer(kRefTexts, value, line); return S_OK;
    case kKeyIcon: item.iconId.assign(value); Refer(kRefIcons, value, line); return S_OK;
    case kKeyAction:
      ReserveFor(item.actionIds, key);
      item.actionIds.emplace_back(value);
      Refer(kRefActions, value, line);
      return S_OK;
    case kKeyCondition: item.conditionId.assign(value); Refer(kRefConditions, value, line); return S_OK;
    case kKeyDisplayVersionStyle:
      item.displayStyleId.assign(value);
      Refer(kRefDisplayStyles, value, line);
      return S_OK;
    case kKeyInstalledVersion:
      item.installedVersionId.assign(value);
      Refer(kRefInstalledVersions, value, line);
      return S_OK;
    case kKeyFreeUpdates: item.freeUpdatesId.assign(value); Refer(kRefFreeUpdates, value, line); return S_OK;
    default: return S_OK;
  }
}

HRESULT MainPass::ActionKey(Action& action, std::int32_t key, const IniEntry& e) {
  const std::uint32_t line = e.Line();
  const std::wstring_view value = First(e);
  switch (key) {
    case kKeyId: return IdKey(action.id, e);
    case kKeyType:
      action.type = WordValue(kActionTypes, value);
      if (action.type == kActionInvalid) return Invalid(line);
      return CheckActionCombination(action, line);
    case kKeySubtype:
      RETURN_IF_FAILED(WordListKey(kSubtypes, e, action.subtype));
      action.hasSubtype = true;
      return CheckActionCombination(action, line);
    case kKeyFlags:
      RETURN_IF_FAILED(WordListKey(kActionFlags, e, action.flags));
      return CheckActionCombination(action, line);
    case kKeyArchitecture: return WordListKey(kArchitectures, e, action.architecture);
    case kKeyVersion: action.version.assign(value); return S_OK;
    case kKeyDate: {
      const auto date = ParseDate(value);
      if (!date) return Fail(E_INVALIDARG, line);
      action.date = *date;
      return S_OK;
    }
    case kKeyBytes: {
      std::uint64_t first = 0, second = 0;
      if (e.Count() < 1 || !ParseUnsigned64(e.ValueView(0), first)) return Fail(E_INVALIDARG, line);
      if (e.Count() >= 2 && !ParseUnsigned64(e.ValueView(1), second)) return Fail(E_INVALIDARG, line);
      action.size = e.Count() >= 2 ? SizeRange{first, second, true} : SizeRange{first, first, true};
      return S_OK;
    }
    case kKeyMessage:
      ReserveFor(action.messageIds, key);
      action.messageIds.emplace_back(value);
      Refer(kRefMessages, value, line);
      return S_OK;
    case kKeyCondition: action.conditionId.assign(value); Refer(kRefConditions, value, line); return S_OK;
    case kKeyTarget: action.targetId.assign(value); Refer(kRefPaths, value, line); return S_OK;
    case kKeyParameters: action.parameters.assign(value); return S_OK;
    case kKeyRename:
      if (value.find_first_of(L"/\\") != std::wstring_view::npos) return Fail(E_INVALIDARG, line);
      action.rename.assign(value);
      return S_OK;
    case kKeyUrl:
      ReserveFor(action.urls, key);
      AddUrl(action, std::wstring(value));
      return S_OK;
    case kKeyResource:
      if (e.Count() < 2 && (action.flags & (kActionInstall | kActionArchive)) == (kActionInstall | kActionArchive))
        return Fail(E_INVALIDARG, line);
      ReserveFor(action.resources, key);
      action.resources.push_back(ActionResource{std::wstring(value), e.Count() >= 2 ? e.Value(1) : L""});
      return S_OK;
    case kKeyPrivileges:
      action.privileges = WordValue(kPrivilegeWords, value);
      return action.privileges == kPrivilegesInvalid ? Invalid(line) : S_OK;
    case kKeyQuietFromVersion: action.quietFromVersion.assign(value); return S_OK;
    case kKeySha256: {
      // A pin that does not parse would leave its file unchecked, or shift
      // every later pin onto the wrong file: it is an error in every load,
      // and so is a line with more than one.
      const auto digest = e.Count() == 1 ? ParseSha256Text(value) : std::nullopt;
      if (!digest) return Fail(E_INVALIDARG, line);
      if (action.sha256.empty()) m_pinLine = line;
      ReserveFor(action.sha256, key);
      action.sha256.push_back(*digest);
      return S_OK;
    }
    default: return S_OK;
  }
}

HRESULT MainPass::MessageKey(Message& message, std::int32_t key, const IniEntry& e) {
  const std::uint32_t line = e.Line();
  const std::wstring_view value = First(e);
  auto text = [&](std::wstring& field) {
    field.assign(value);
    Refer(kRefTexts, value, line);
    return S_OK;
  };
  switch (key) {
    case kKeyId: return IdKey(message.id, e);
    case kKeyType:
      message.type = WordValue(kMessageTypes, value);
      return message.type == kMessageInvalid ? Invalid(line) : S_OK;
    case kKeyHeader: return text(message.headerId);
    case kKeyMessage: return text(message.messageId);
    case kKeyYes: return text(message.yesId);
    case kKeyNo: return text(message.noId);
    case kKeyCondition: message.conditionId.assign(value); Refer(kRefConditions, value, line); return S_OK;
    default: return S_OK;
  }
}

HRESULT MainPass::ConditionKey(ConditionRecord& condition, std::int32_t key, const IniEntry& e) {
  const std::uint32_t line = e.Line();
  const std::wstring_view value = First(e);
  auto subconditions = [&](std::vector<std::vector<std::wstring>>& lists) {
    ReserveFor(lists, key);
    std::vector<std::wstring> list;
    list.reserve(e.Count());
    for (std::uint32_t i = 0; i < e.Count(); ++i) {
      list.emplace_back(e.ValueView(i));
      Refer(kRefConditions, e.ValueView(i), line);
    }
    lists.push_back(std::move(list));
    return S_OK;
  };
  switch (key) {
    case kKeyId: return IdKey(condition.id, e);
    case kKeyWendrixVersion:
      ReserveFor(condition.versions, key);
      condition.versions.emplace_back(value);
      return S_OK;
    case kKeyPublisher:
      ReserveFor(condition.publishers, key);
      condition.publishers.emplace_back(value);
      return S_OK;
    case kKeyLanguage:
      ReserveFor(condition.languages, key);
      condition.languages.emplace_back(value);
      return S_OK;
    case kKeyConditionInstalledVersion: {
      InstalledVersionTest test{std::wstring(value), e.Count() > 1 ? e.Value(1) : L"", e.Count() > 2 ? e.Value(2) : L""};
      Refer(kRefInstalledVersions, value, line);
      ReserveFor(condition.installedVersions, key);
      condition.installedVersions.push_back(std::move(test));
      return S_OK;
    }
    case kKeyConditionPath:
      ReserveFor(condition.paths, key);
      condition.paths.emplace_back(value);
      Refer(kRefPaths, value, line);
      return S_OK;
    case kKeyAnd: return subconditions(condition.andLists);
    case kKeyOr: return subconditions(condition.orLists);
    case kKeyNot: return subconditions(condition.notLists);
    default: return S_OK;
  }
}

HRESULT MainPass::GroupKey(Group& group, std::int32_t key, const IniEntry& e) {
  const std::uint32_t line = e.Line();
  switch (key) {
    case kKeyId: return IdKey(group.id, e);
    case kKeyTitle: group.titleId.assign(First(e)); Refer(kRefTexts, First(e), line); return S_OK;
    case kKeyItems:
      // Only a line's first member is checked; members naming no item are ignored later.
      ReserveFor(group.itemIds, key);
      for (std::uint32_t i = 0; i < e.Count(); ++i) group.itemIds.emplace_back(e.ValueView(i));
      if (e.Count()) Refer(kRefGroupItems, e.ValueView(0), line);
      return S_OK;
    default: return S_OK;
  }
}

HRESULT MainPass::TextKey(TextRecord& text, std::int32_t key, const IniEntry& e) {
  switch (key) {
    case kKeyId: return IdKey(text.id, e);
    case kKeyText:
      if (e.Count() < 2) return Fail(E_INVALIDARG, e.Line());
      ReserveFor(text.entries, key);
      text.entries.push_back(TextEntry{e.Value(0), e.Value(1)});
      return S_OK;
    default: return S_OK;
  }
}

HRESULT MainPass::PathKey(PathDefinition& path, std::int32_t key, const IniEntry& e) {
  switch (key) {
    case kKeyId: return IdKey(path.id, e);
    case kKeyPath:
      if (e.Count() < 2 || !IsValidLocation(e.ValueView(0))) return Fail(E_INVALIDARG, e.Line());
      ReserveFor(path.alternatives, key);
      path.alternatives.push_back(PathAlternative{e.Value(0), e.Value(1)});
      return S_OK;
    default: return S_OK;
  }
}

HRESULT MainPass::FreeUpdatesKey(FreeUpdateStyle& style, std::int32_t key, const IniEntry& e) {
  switch (key) {
    case kKeyId: return IdKey(style.id, e);
    case kKeyType:
      style.type = WordValue(kFreeUpdateTypes, First(e));
      return style.type == kFreeUpdatesInvalid ? Fail(E_INVALIDARG, e.Line()) : S_OK;
    default: return S_OK;
  }
}

HRESULT MainPass::InstalledVersionKey(InstalledVersionDefinition& definition, std::int32_t key, const IniEntry& e) {
  switch (key) {
    case kKeyId: return IdKey(definition.id, e);
    case kKeyApplication: {
      if (e.Count() < 2 || !IsValidLocation(e.ValueView(0))) return Invalid(e.Line());
      ApplicationProbe probe{e.Value(0), e.Value(1), e.Count() > 2 ? e.Value(2) : L"", e.Count() > 3 ? e.Value(3) : L""};
      ReserveFor(definition.applications, key);
      definition.applications.push_back(std::move(probe));
      return S_OK;
    }
    case kKeySystem:
      ReserveFor(definition.systems, key);
      definition.systems.emplace_back(First(e));
      return S_OK;
    case kKeyPublisher: definition.publisher.assign(First(e)); return S_OK;
    default: return S_OK;
  }
}

HRESULT MainPass::DisplayStyleKey(DisplayVersionStyle& style, std::int32_t key, const IniEntry& e) {
  switch (key) {
    case kKeyId: return IdKey(style.id, e);
    case kKeySize: {
      const std::int32_t size = e.SignedValue();
      if (size < 1 || size > 4) return Fail(E_INVALIDARG, e.Line());
      style.size = static_cast<std::uint32_t>(size);
      return S_OK;
    }
    case kKeyReplace: {
      if (e.Count() < 2 || !IsValidVersionField(e.ValueView(0))) return Fail(E_INVALIDARG, e.Line());
      VersionReplacement replacement;
      ParseVersion(e.ValueView(0), &replacement.prefix);
      replacement.prefixCount = CountPrefixComponents(e.ValueView(0));
      replacement.text = e.Value(1);
      ReserveFor(style.replacements, key);
      style.replacements.push_back(std::move(replacement));
      return S_OK;
    }
    default: return S_OK;
  }
}

HRESULT MainPass::IconKey(std::int32_t key, const IniEntry& e) {
  const std::wstring_view value = First(e);
  switch (key) {
    case kKeyId: {
      // The identifier names the icon's file too.
      if (value.size() > 100 || value.find_first_of(L" \t\\/:") != std::wstring_view::npos)
        return Fail(E_INVALIDARG, e.Line());
      if (m_iconIds.Contains(value)) return Fail(kDuplicateId, e.Line());
      m_icon.id.assign(value);
      m_icon.idView = value;
      m_icon.hasId = true;
      return S_OK;
    }
    case kKeyVersion:
      m_icon.version.assign(value);
      m_icon.hasVersion = true;
      return S_OK;
    default: return S_OK;
  }
}

HRESULT MainPass::WalletKey(std::int32_t key, const IniEntry& e) {
  WalletFields& wallet = *m_wallet;
  const std::uint32_t line = e.Line();
  const std::wstring_view value = First(e);
  switch (key) {
    case kKeyId: return IdKey(wallet.id, e);
    case kKeyStatus:
      wallet.status = WordValue(kWalletStatuses, value);
      return wallet.status == kWalletStatusInvalid ? Fail(E_INVALIDARG, line) : S_OK;
    case kKeyOrigin:
      wallet.origin = WordValue(kWalletOrigins, value);
      return wallet.origin == kOriginInvalid ? Fail(E_INVALIDARG, line) : S_OK;
    case kKeyBytes: ParseUnsigned64(value, wallet.bytes); return S_OK;
    case kKeyDate:
    case kKeyLastModified: {
      const auto date = ParseDate(value);
      if (!date) return Fail(E_INVALIDARG, line);
      (key == kKeyDate ? wallet.date : wallet.lastModified) = *date;
      return S_OK;
    }
    case kKeyInstall:
      if (e.SignedValue()) wallet.flags |= kWalletInstall;
      else wallet.flags &= ~static_cast<std::uint32_t>(kWalletInstall);
      return S_OK;
    case kKeyFlags: wallet.flags |= WordListBits(kWalletFlags, Values(e, m_values)); return S_OK;
    case kKeyUrl: wallet.url.assign(value); return S_OK;
    case kKeyResource: {
      if (e.Count() < 3) return Fail(E_INVALIDARG, line);
      WalletResource resource{e.Value(0), 0, ParseDate(e.ValueView(2)).value_or(0)};
      ParseUnsigned64(e.ValueView(1), resource.size);
      wallet.bytes += resource.size;
      wallet.resources.push_back(std::move(resource));
      return S_OK;
    }
    case kKeyError: wallet.error = e.UnsignedValue(); return S_OK;
    default: return S_OK;
  }
}

}  // namespace wendrix::loader
