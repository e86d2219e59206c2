#pragma once
// The loader's working state for one load. Private to the loader's files.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

#include "core/ini_data_buffer.h"
#include "publisher/conditions.h"
#include "publisher/id_index.h"
#include "publisher/loader.h"
#include "publisher/memo_environment.h"
#include "publisher/schema.h"

namespace wendrix::loader {


// The text read once with the full schema, for both passes.
struct FullReading {
  const CIniDataBuffer& entries;
  HRESULT result;
  bool headerAlike;  // the header schema reads the text alike (CIniDataBuffer::LoadText)
};

// The header pre-pass. Returns 0 to go on, 1 for an applied Redirect, or a
// failure with `line` set. It works on the full reading where the header
// schema reads the text alike, and otherwise reads the text itself.
HRESULT RunHeaderPass(std::wstring_view text, const FullReading& full, PublisherData& data, PublisherList* publishers,
                      WalletFields* wallet, std::uint32_t options, const PublisherEnvironment& env,
                      std::uint32_t& line);

// True for a location of a Path or Application line: empty, a braced product
// code, or a registry path whose root key is known.
bool IsValidLocation(std::wstring_view location) noexcept;

// The kinds of cross-reference, in the order they are resolved.
enum ReferenceKind : std::size_t {
  kRefGroupItems, kRefTexts, kRefActions, kRefMessages, kRefConditions, kRefFreeUpdates, kRefPaths,
  kRefInstalledVersions, kRefDisplayStyles, kRefIcons, kRefKindCount,
};
struct Reference {
  std::wstring_view id;  // in the entries, which outlive the pass
  std::uint32_t line;
};

// The record of the open section, built where it stays: the last element of
// its collection (moving a finished record there would copy every field).
using OpenRecordRef = std::variant<std::monostate, Item*, Action*, Message*, ConditionRecord*, Group*, TextRecord*,
                                PathDefinition*, FreeUpdateStyle*, InstalledVersionDefinition*, DisplayVersionStyle*>;

// The main pass over the entries and the work after it.
class MainPass {
 public:
  // `textLength`, the length of the text the entries were read from, sets
  // how much work condition evaluation may do.
  MainPass(PublisherData& data, PublisherList* publishers, WalletFields* wallet, std::uint32_t options,
           const PublisherEnvironment& env, std::size_t textLength)
      : m_data(data),
        m_publishers(publishers),
        m_wallet(wallet),
        m_options(options),
        m_env(env),
        m_conditions(ConditionContext::BudgetFor(textLength)) {}

  // `entries` as read with the full schema: their schema identifiers are the
  // section and key identifiers.
  HRESULT Run(const CIniData& entries);
  std::uint32_t ErrorLine() const noexcept { return m_errorLine; }

 private:
  bool Strict() const noexcept { return (m_options & kLoadStrict) != 0; }
  bool WalletMode() const noexcept { return m_wallet != nullptr; }
  HRESULT Fail(HRESULT hr, std::uint32_t line) noexcept {
    m_errorLine = line;
    return hr;
  }
  // A key that makes its record invalid: an error under strict load,
  // otherwise the record is dropped with the rest of its section.
  HRESULT Invalid(std::uint32_t line) noexcept;
  void Refer(ReferenceKind kind, std::wstring_view id, std::uint32_t line);

  void ReserveRecords(const CIniData& entries);
  void CountSectionKeys(const CIniData& entries, std::size_t first);
  // Makes room in a record's list for every line of `key` in its section
  // before the first is added: most lists are written once, from one run
  // of lines, and growing them line by line would allocate for each.
  template <typename List>
  void ReserveFor(List& list, std::int32_t key) {
    if (list.empty()) list.reserve(m_keyLines[static_cast<std::size_t>(key)]);
  }
  HRESULT BeginSection(const IniEntry& e);
  HRESULT ApplyKey(const IniEntry& e);
  HRESULT FinishSection();
  HRESULT FinishRecord();
  HRESULT DropRecord() noexcept;
  // Adds an empty record of kind T to its collection as the open record.
  template <typename T>
  void OpenRecord() {
    m_open = &RecordsOf(static_cast<T*>(nullptr)).emplace_back();
  }
  // The collection a record of the open record's kind belongs to.
  std::vector<Item>& RecordsOf(Item*) noexcept { return m_data.items; }
  std::vector<Action>& RecordsOf(Action*) noexcept { return m_data.actions; }
  std::vector<Message>& RecordsOf(Message*) noexcept { return m_data.messages; }
  std::vector<ConditionRecord>& RecordsOf(ConditionRecord*) noexcept { return m_data.conditions; }
  std::vector<Group>& RecordsOf(Group*) noexcept { return m_data.groups; }
  std::vector<TextRecord>& RecordsOf(TextRecord*) noexcept { return m_data.texts; }
  std::vector<PathDefinition>& RecordsOf(PathDefinition*) noexcept { return m_data.paths; }
  std::vector<FreeUpdateStyle>& RecordsOf(FreeUpdateStyle*) noexcept { return m_data.freeUpdates; }
  std::vector<InstalledVersionDefinition>& RecordsOf(InstalledVersionDefinition*) noexcept {
    return m_data.installedVersions;
  }
  std::vector<DisplayVersionStyle>& RecordsOf(DisplayVersionStyle*) noexcept { return m_data.displayStyles; }
  HRESULT RegisterPendingIcon();
  bool ClaimId(std::wstring_view id);

  // Key rules by section (loader_keys.cpp).
  HRESULT ItemKey(Item& item, std::int32_t key, const IniEntry& e);
  HRESULT ActionKey(Action& action, std::int32_t key, const IniEntry& e);
  HRESULT MessageKey(Message& message, std::int32_t key, const IniEntry& e);
  HRESULT ConditionKey(ConditionRecord& condition, std::int32_t key, const IniEntry& e);
  HRESULT GroupKey(Group& group, std::int32_t key, const IniEntry& e);
  HRESULT TextKey(TextRecord& text, std::int32_t key, const IniEntry& e);
  HRESULT PathKey(PathDefinition& path, std::int32_t key, const IniEntry& e);
  HRESULT FreeUpdatesKey(FreeUpdateStyle& style, std::int32_t key, const IniEntry& e);
  HRESULT InstalledVersionKey(InstalledVersionDefinition& definition, std::int32_t key, const IniEntry& e);
  HRESULT DisplayStyleKey(DisplayVersionStyle& style, std::int32_t key, const IniEntry& e);
  HRESULT IconKey(std::int32_t key, const IniEntry& e);
  HRESULT WalletKey(std::int32_t key, const IniEntry& e);
  HRESULT CheckActionCombination(const Action& action, std::uint32_t line);
  HRESULT WordListKey(const Vocabulary& vocabulary, const IniEntry& e, std::uint32_t& bits);
  HRESULT IdKey(std::wstring& id, const IniEntry& e);

  // After the pass (loader_finish.cpp).
  HRESULT ResolveReferences();
  HRESULT ProcessActions();
  HRESULT ProcessItems();
  void KeepNewestSelfItem();
  void ProcessGroups();
  HRESULT ProcessMessages();
  // Evaluates a condition; false when the record must go, a loop fails the load.
  HRESULT Applies(const std::wstring& conditionId, bool& applies);
  bool PathResolves(const std::wstring& pathId);
  // The title of a Text record for the user, found once per record.
  const std::wstring* Title(std::wstring_view textId);

  PublisherData& m_data;
  PublisherList* m_publishers;
  WalletFields* m_wallet;
  std::uint32_t m_options;
  MemoEnvironment m_env;  // each fact asked of the system once per load
  ConditionContext m_conditions;
  // Each Text record's title for the user, by the record's place in the
  // model, once looked for (null: it has none).
  struct KnownTitle {
    bool looked = false;
    const std::wstring* text = nullptr;
  };
  std::vector<KnownTitle> m_titles;

  std::int32_t m_section = -1;  // the current section's identifier, -1 while skipping
  OpenRecordRef m_open;
  std::wstring_view m_openId;  // the open record's ID as it stands in the entries
  std::uint32_t m_openLine = 0;
  std::uint32_t m_pinLine = 0;  // the open action's first SHA256 line
  bool m_dropped = false;
  std::uint32_t m_loopCount = 10;
  struct {
    std::wstring id, version;
    std::wstring_view idView;  // the ID as it stands in the entries
    bool hasId = false, hasVersion = false;
  } m_icon;
  FoldedIdSet m_iconIds;  // the IDs of the icons registered so far
  std::array<std::vector<Reference>, kRefKindCount> m_references;
  // The identifiers seen so far, per kind of record (by the identifier of
  // its section): views into the entries, compared ignoring case.
  std::array<FoldedIdSet, kSectionWallet + 1> m_ids;
  std::vector<std::wstring_view> m_values;  // a word list's items, reused from key to key
  // The current section's lines of each key (the Items key: its members).
  std::array<std::uint32_t, kKeySha256 + 1> m_keyLines{};
  std::uint32_t m_errorLine = 0;
};

}  // namespace wendrix::loader
