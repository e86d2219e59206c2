#include "publisher/loader.h"

#include <new>

#include "core/ini_data_buffer.h"
#include "core/string_util.h"
#include "publisher/loader_internal.h"
#include "publisher/schema.h"

namespace wendrix {
namespace loader {

bool IsValidLocation(std::wstring_view location) noexcept {
  if (location.empty() || location.front() == L'{') return true;
  if (CStringUtil::StartsWithNoCase(location, L"X86\\") || CStringUtil::StartsWithNoCase(location, L"X64\\"))
    location.remove_prefix(4);
  // Every root name starts alike: that part is compared once, not once per root.
  static constexpr std::wstring_view kRootStart = L"HKEY_";
  static constexpr std::wstring_view kRoots[] = {L"CLASSES_ROOT", L"CURRENT_USER", L"LOCAL_MACHINE", L"USERS",
                                                 L"PERFORMANCE_DATA", L"CURRENT_CONFIG", L"DYN_DATA"};
  if (!CStringUtil::StartsWithNoCase(location, kRootStart)) return false;
  location.remove_prefix(kRootStart.size());
  for (const std::wstring_view root : kRoots) {
    // The root name must be followed by its one separator character.
    if (CStringUtil::StartsWithNoCase(location, root) && location.size() > root.size()) return true;
  }
  return false;
}

HRESULT MainPass::Invalid(std::uint32_t line) noexcept {
  if (Strict()) return Fail(E_INVALIDARG, line);
  m_dropped = true;
  return S_OK;
}

void MainPass::Refer(ReferenceKind kind, std::wstring_view id, std::uint32_t line) {
  m_references[kind].push_back(Reference{id, line});
}

HRESULT MainPass::Run(const CIniData& entries) {
  ReserveRecords(entries);
  const std::size_t count = entries.EntryCount();
  for (std::size_t i = 0; i < count; ++i) {
    const IniEntry e = entries.Entry(i);
    if (e.Kind() == kIniSection) {
      RETURN_IF_FAILED(FinishSection());
      CountSectionKeys(entries, i + 1);
      RETURN_IF_FAILED(BeginSection(e));
      continue;
    }
    RETURN_IF_FAILED(ApplyKey(e));
  }
  RETURN_IF_FAILED(FinishSection());
  RETURN_IF_FAILED(ResolveReferences());
  RETURN_IF_FAILED(ProcessActions());
  RETURN_IF_FAILED(ProcessItems());
  ProcessGroups();
  return ProcessMessages();
}

// Makes room in each collection (and in its identifier set) for the records
// the text can give, so that adding them never moves the earlier ones. A
// record needs an ID line: the sections that have one bound the count. The
// room is only a hint: without it the collections grow as they fill.
void MainPass::ReserveRecords(const CIniData& entries) {
  std::array<std::size_t, kSectionWallet + 1> counts{};
  std::int32_t section = -1;
  for (IniEntry e : entries.Entries()) {
    if (e.Kind() == kIniSection) {
      section = e.SchemaId();
    } else if (section >= 0 && static_cast<std::size_t>(section) < counts.size() && e.SchemaId() == kKeyId) {
      ++counts[static_cast<std::size_t>(section)];
      section = -1;  // counted
    }
  }
  try {
    for (std::size_t kind = 0; kind < counts.size(); ++kind) m_ids[kind].Reserve(counts[kind]);
    m_data.items.reserve(counts[kSectionItem]);
    m_data.actions.reserve(counts[kSectionAction]);
    m_data.messages.reserve(counts[kSectionMessage]);
    m_data.conditions.reserve(counts[kSectionCondition]);
    m_data.groups.reserve(counts[kSectionGroup]);
    m_data.texts.reserve(counts[kSectionText]);
    m_data.paths.reserve(counts[kSectionPath]);
    m_data.freeUpdates.reserve(counts[kSectionFreeUpdates]);
    m_data.installedVersions.reserve(counts[kSectionInstalledVersion]);
    m_data.displayStyles.reserve(counts[kSectionDisplayVersionStyle]);
  } catch (const std::bad_alloc&) {
    // The collections grow as they fill.
  }
}

void MainPass::CountSectionKeys(const CIniData& entries, std::size_t first) {
  m_keyLines.fill(0);
  for (std::size_t i = first; i < entries.EntryCount(); ++i) {
    const IniEntry e = entries.Entry(i);
    if (e.Kind() == kIniSection) break;
    const std::int32_t key = e.SchemaId();
    if (key < 0 || static_cast<std::size_t>(key) >= m_keyLines.size()) continue;
    m_keyLines[static_cast<std::size_t>(key)] += key == kKeyItems ? e.Count() : 1;
  }
}

HRESULT MainPass::BeginSection(const IniEntry& e) {
  m_section = e.SchemaId();
  m_openId = {};
  m_dropped = false;
  m_openLine = e.Line();
  switch (m_section) {
    case -1:
      if (Strict()) return Fail(kInvalidData, e.Line());
      break;
    case kSectionItem: OpenRecord<Item>(); break;
    case kSectionAction: OpenRecord<Action>(); break;
    case kSectionMessage: OpenRecord<Message>(); break;
    case kSectionCondition: OpenRecord<ConditionRecord>(); break;
    case kSectionGroup: OpenRecord<Group>(); break;
    case kSectionText: OpenRecord<TextRecord>(); break;
    case kSectionPath: OpenRecord<PathDefinition>(); break;
    case kSectionFreeUpdates: OpenRecord<FreeUpdateStyle>(); break;
    case kSectionInstalledVersion: OpenRecord<InstalledVersionDefinition>(); break;
    case kSectionDisplayVersionStyle: OpenRecord<DisplayVersionStyle>(); break;
    case kSectionIcon: m_icon = {}; break;
    default: break;  // Wendrix, Wallet; Publisher and Redirect belong to the header pass
  }
  return S_OK;
}

HRESULT MainPass::ApplyKey(const IniEntry& e) {
  const std::int32_t key = e.SchemaId();
  if (key < 0) {
    if (Strict()) return Fail(kInvalidData, e.Line());
    return S_OK;
  }
  if (m_dropped) return S_OK;
  return std::visit(
      [&](auto record) -> HRESULT {
        using T = decltype(record);
        if constexpr (std::is_same_v<T, Item*>) return ItemKey(*record, key, e);
        else if constexpr (std::is_same_v<T, Action*>) return ActionKey(*record, key, e);
        else if constexpr (std::is_same_v<T, Message*>) return MessageKey(*record, key, e);
        else if constexpr (std::is_same_v<T, ConditionRecord*>) return ConditionKey(*record, key, e);
        else if constexpr (std::is_same_v<T, Group*>) return GroupKey(*record, key, e);
        else if constexpr (std::is_same_v<T, TextRecord*>) return TextKey(*record, key, e);
        else if constexpr (std::is_same_v<T, PathDefinition*>) return PathKey(*record, key, e);
        else if constexpr (std::is_same_v<T, FreeUpdateStyle*>) return FreeUpdatesKey(*record, key, e);
        else if constexpr (std::is_same_v<T, InstalledVersionDefinition*>) return InstalledVersionKey(*record, key, e);
        else if constexpr (std::is_same_v<T, DisplayVersionStyle*>) return DisplayStyleKey(*record, key, e);
        else {
          switch (m_section) {
            case kSectionWendrix:
              if (key == kKeyLoopCount) m_loopCount = e.UnsignedValue();
              return S_OK;
            case kSectionIcon: return IconKey(key, e);
            case kSectionWallet: return WalletMode() ? WalletKey(key, e) : S_OK;
            default: return S_OK;
          }
        }
      },
      m_open);
}

HRESULT MainPass::FinishSection() {
  if (m_section == kSectionIcon) RETURN_IF_FAILED(RegisterPendingIcon());
  const HRESULT hr = m_dropped ? DropRecord() : FinishRecord();
  m_open.emplace<std::monostate>();
  m_section = -1;
  return hr;
}

HRESULT MainPass::RegisterPendingIcon() {
  if (m_icon.hasId && m_icon.hasVersion) {
    m_data.icons.push_back(IconEntry{m_icon.id, m_icon.version});
    m_iconIds.Insert(m_icon.idView);
  }
  m_icon = {};
  return S_OK;
}

// False when a record of the open record's kind already has this identifier.
bool MainPass::ClaimId(std::wstring_view id) { return m_ids[static_cast<std::size_t>(m_section)].Insert(id); }

// Takes the open record out of its collection again: a key made it invalid.
HRESULT MainPass::DropRecord() noexcept {
  std::visit(
      [&](auto record) {
        if constexpr (!std::is_same_v<decltype(record), std::monostate>) RecordsOf(record).pop_back();
      },
      m_open);
  return S_OK;
}

// Checks the open record, which stays in its collection; a failure ends the
// load at the record's section header (and the failed load empties the model).
HRESULT MainPass::FinishRecord() {
  const std::uint32_t line = m_openLine;
  auto claim = [&](auto& record) -> HRESULT {
    if (record.id.empty()) return Fail(kMissingId, line);
    if (!ClaimId(m_openId)) return Fail(kDuplicateId, line);
    return S_OK;
  };
  return std::visit(
      [&](auto pointer) -> HRESULT {
        using T = decltype(pointer);
        if constexpr (std::is_same_v<T, std::monostate>) {
          return S_OK;
        } else {
          auto& record = *pointer;
          if constexpr (std::is_same_v<T, Item*>) {
            RETURN_IF_FAILED(claim(record));
            if (record.titleId.empty()) return Fail(kMissingItemTitle, line);
            // The Self item stands for this library: its installed version is ours.
            if (record.type == kItemSelf) record.installedVersion = m_env.ModuleVersion();
          } else if constexpr (std::is_same_v<T, Action*>) {
            if (record.id.empty()) return Fail(kMissingId, line);
            if (record.type == 0) return Fail(kMissingType, line);
            if (!record.hasSubtype) return Fail(kMissingSubtype, line);
            // The files are known only once the section ends: URL and Resource
            // lines may follow the SHA256 lines.
            if (Strict() && !record.sha256.empty() && record.sha256.size() != ActionFileCount(record))
              return Fail(E_INVALIDARG, m_pinLine);
            RETURN_IF_FAILED(claim(record));
          } else if constexpr (std::is_same_v<T, Message*>) {
            if (record.id.empty()) return Fail(kMissingId, line);
            if (record.type == 0) return Fail(kMissingType, line);
            RETURN_IF_FAILED(claim(record));
          } else if constexpr (std::is_same_v<T, Group*>) {
            RETURN_IF_FAILED(claim(record));
            if (record.titleId.empty()) return Fail(kMissingGroupTitle, line);
          } else {
            RETURN_IF_FAILED(claim(record));
          }
          if constexpr (!std::is_same_v<T, DisplayVersionStyle*>) record.line = line;
          return S_OK;
        }
      },
      m_open);
}

}  // namespace loader

namespace {

// The end of every load: a failed load never leaves a half-filled model, and
// the out line is 0 unless the load failed.
HRESULT Finish(HRESULT hr, PublisherData* data, std::uint32_t* line, std::uint32_t errorLine) noexcept {
  if (FAILED(hr) && data) data->ClearCollections();
  if (line) *line = FAILED(hr) ? errorLine : 0;
  return hr;
}

}  // namespace

HRESULT LoadPublisherData(const wchar_t* text, PublisherData* data, PublisherList* publishers, WalletFields* wallet,
                          std::uint32_t* line, std::uint32_t options, const PublisherEnvironment& env) {
  std::uint32_t errorLine = 0;
  HRESULT hr = S_OK;
  try {
    if (data) {
      data->ClearCollections();
      data->publisher.flags &= ~kPublisherLoadFlag;
    }
    if (wallet) *wallet = WalletFields{};
    // An absent text is nothing to load, even without publisher data; a text
    // without publisher data has no registered publisher to be checked
    // against, so the header pass does not run on it.
    if (!text) return Finish(S_OK, data, line, 0);
    if (!data) return Finish(E_INVALIDARG, data, line, 0);
    // One reading of the text serves both passes whenever the header
    // schema reads it alike, which is all but always.
    const std::wstring_view view(text);
    CIniDataBuffer entries;
    bool headerAlike = false;
    const HRESULT parsed = entries.LoadText(view, PublisherSchema(), PublisherHeaderSchema(), headerAlike);
    hr = loader::RunHeaderPass(view, loader::FullReading{entries, parsed, headerAlike}, *data, publishers, wallet,
                               options, env, errorLine);
    if (hr == S_OK) {
      errorLine = 0;
      if (FAILED(parsed)) {
        hr = parsed;
        errorLine = entries.ErrorLine();
      } else {
        loader::MainPass pass(*data, publishers, wallet, options, env, view.size());
        hr = pass.Run(entries);
        errorLine = pass.ErrorLine();
      }
    }
  } catch (const std::bad_alloc&) {
    hr = E_OUTOFMEMORY;
  }
  return Finish(hr, data, line, errorLine);
}

HRESULT ReadPublisherHeaderText(std::wstring_view text, PublisherHeader& header, std::uint32_t* line) {
  if (line) *line = 0;
  try {
    if (text.starts_with(L"<?xml ")) return kXmlNotIni;
    CIniDataBuffer entries;
    const HRESULT parsed = entries.LoadText(text, PublisherSchema());
    if (FAILED(parsed)) {
      if (line) *line = entries.ErrorLine();
      return parsed;
    }
    bool inPublisher = false;
    for (IniEntry e : entries.Entries()) {
      if (e.Kind() == kIniSection) {
        inPublisher = CStringUtil::EqualsNoCase(e.NameView(), L"Publisher");
        continue;
      }
      if (!inPublisher || e.Count() == 0) continue;
      const std::int32_t key = KeyId(L"Publisher", e.NameView(), PublisherSchema());
      if (key == kKeyId) header.id = e.Value(0);
      else if (key == kKeyName) header.name = e.Value(0);
      else if (key == kKeyHomePage) header.homePage = e.Value(0);
      else if (key == kKeyDataSource) header.dataSource = e.Value(0);
    }
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace wendrix
