#include "publisher/conditions.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "core/string_util.h"
#include "core/version.h"
#include "core/language_table.h"

namespace wendrix {
namespace {

// True when `version` lies in the test's range, both ends included. An empty
// lowest version is the lowest of all; an empty highest sets no upper end.
bool InRange(std::wstring_view version, const InstalledVersionTest& test) {
  const std::wstring_view lowest = test.lowest.empty() ? std::wstring_view(L"0.0.0.0") : test.lowest;
  if (CompareVersions(version, lowest) == kVersionOlder) return false;
  return test.highest.empty() || CompareVersions(version, test.highest) != kVersionNewer;
}

}  // namespace

// Walks one condition tree with a stack of its own: the nesting comes from an
// untrusted file and must not decide how deep the call stack grows.
class ConditionEvaluator {
 public:
  ConditionEvaluator(const PublisherData& data, const PublisherList* publishers, std::uint32_t loopLimit,
                     const PublisherEnvironment& env, ConditionContext& context)
      : m_data(data),
        m_publishers(publishers),
        m_loopLimit(loopLimit),
        m_env(env),
        m_context(context),
        m_moduleVersion(env.ModuleVersion()) {}

  // Sets every visit counter of the data to 0.
  void ResetCounters();
  int Run(const ConditionRecord& root);

 private:
  // A record's sub-condition lists are walked in this order.
  enum class Stage { kAnd, kOr, kNot };
  // A record whose own tests passed and whose lists are being walked.
  struct Frame {
    const ConditionRecord* record;
    Stage stage = Stage::kAnd;
    std::size_t list = 0;   // the list being walked
    std::size_t entry = 0;  // its sub-condition being evaluated
  };
  // Not a result: the record on top of the stack goes on with its lists.
  static constexpr int kGoOn = -1;
  // Up to this nesting every visit is made and counted, even round a cycle.
  static constexpr std::size_t kExactNesting = 1 << 16;

  int Visit(const ConditionRecord& record);
  bool OwnTestsHold(const ConditionRecord& record);
  bool PassesOwnTests(const ConditionRecord& record) const;
  int NextSubCondition(Frame& frame, const std::wstring*& id);
  static int Absorb(Frame& frame, int answer);

  const PublisherData& m_data;
  const PublisherList* m_publishers;
  std::uint32_t m_loopLimit;
  const PublisherEnvironment& m_env;
  ConditionContext& m_context;
  std::wstring m_moduleVersion;
  std::vector<Frame> m_stack;
};

void ConditionEvaluator::ResetCounters() {
  if (!m_context.m_countersReset) {
    for (const ConditionRecord& record : m_data.conditions) record.visits = 0;
    m_context.m_countersReset = true;
  } else {
    for (const ConditionRecord* record : m_context.m_touched) record->visits = 0;
  }
  m_context.m_touched.clear();
}

int ConditionEvaluator::Run(const ConditionRecord& root) {
  // `answer` is the result of the top record's current sub-condition, or
  // kGoOn when the top record has just been entered.
  int answer = Visit(root);
  while (!m_stack.empty()) {
    Frame& frame = m_stack.back();
    int verdict = answer == kGoOn ? kGoOn : Absorb(frame, answer);
    const std::wstring* id = nullptr;
    if (verdict == kGoOn) verdict = NextSubCondition(frame, id);
    if (verdict != kGoOn) {
      m_stack.pop_back();
      answer = verdict;  // the record's result is its parent's next answer
      continue;
    }
    // A look-up costs in proportion to the identifier, which the file chooses.
    if (!m_context.Spend(1 + id->size())) {
      answer = kConditionLoop;
      continue;
    }
    const ConditionRecord* sub = m_data.FindCondition(*id);
    answer = sub ? Visit(*sub) : kConditionFalse;
  }
  return answer;
}

// A record's visit and its own tests; pushes it when its lists remain to be
// walked.
int ConditionEvaluator::Visit(const ConditionRecord& record) {
  if (!m_context.Spend(1)) return kConditionLoop;
  if (record.visits++ == 0) m_context.m_touched.push_back(&record);
  if (record.visits > m_loopLimit) return kConditionLoop;
  if (!OwnTestsHold(record)) return kConditionFalse;
  if (record.andLists.empty() && record.orLists.empty() && record.notLists.empty()) return kConditionTrue;
  // Each record on the stack has passed its own tests and waits for the one
  // above it. When the stack already holds as many records as there are,
  // this one is on it already: the same facts lead it round the same cycle
  // again and again until the visit limit ends it, so the result is known.
  // Walking on would only cost memory in proportion to the LoopCount, which
  // the file chooses.
  if (m_stack.size() >= kExactNesting && m_stack.size() >= m_data.conditions.size()) return kConditionLoop;
  m_stack.push_back(Frame{&record});
  return kGoOn;
}

bool ConditionEvaluator::OwnTestsHold(const ConditionRecord& record) {
  const auto known = m_context.m_ownTests.find(&record);
  if (known != m_context.m_ownTests.end()) return known->second;
  const bool hold = PassesOwnTests(record);
  m_context.m_ownTests.emplace(&record, hold);
  return hold;
}

bool ConditionEvaluator::PassesOwnTests(const ConditionRecord& record) const {
  // A version test holds while the library is at least that version.
  for (const std::wstring& version : record.versions) {
    if (CompareVersions(version, m_moduleVersion) == kVersionNewer) return false;
  }
  for (const std::wstring& id : record.publishers) {
    if (m_publishers == nullptr || !m_publishers->Contains(id)) return false;
  }
  for (const std::wstring& tag : record.languages) {
    if (!LanguageMatches(tag, kUserUiLanguage, m_env)) return false;
  }
  for (const InstalledVersionTest& test : record.installedVersions) {
    const InstalledVersionDefinition* definition = m_data.FindInstalledVersion(test.definitionId);
    if (definition == nullptr) return false;
    const std::optional<std::wstring> installed = m_env.DetermineInstalledVersion(*definition, m_publishers);
    if (!installed || !InRange(*installed, test)) return false;
  }
  for (const std::wstring& id : record.paths) {
    const PathDefinition* definition = m_data.FindPath(id);
    if (definition == nullptr || !m_env.ResolvePath(*definition)) return false;
  }
  return true;
}

// Sets `id` to the frame's next sub-condition and answers kGoOn, or answers
// the record's result when its lists are done.
int ConditionEvaluator::NextSubCondition(Frame& frame, const std::wstring*& id) {
  for (;;) {
    const ConditionRecord& record = *frame.record;
    const auto& lists = frame.stage == Stage::kAnd  ? record.andLists
                        : frame.stage == Stage::kOr ? record.orLists
                                                    : record.notLists;
    if (frame.list == lists.size()) {
      if (frame.stage == Stage::kNot) return kConditionTrue;
      frame.stage = frame.stage == Stage::kAnd ? Stage::kOr : Stage::kNot;
      frame.list = 0;
      frame.entry = 0;
      continue;
    }
    const std::vector<std::wstring>& list = lists[frame.list];
    // Each list costs a little even when empty: a record may hold many.
    if (frame.entry == 0 && !m_context.Spend(1)) return kConditionLoop;
    if (frame.entry < list.size()) {
      id = &list[frame.entry];
      return kGoOn;
    }
    // An Or list runs out only when none of its conditions was true; an
    // empty one passes.
    if (frame.stage == Stage::kOr && !list.empty()) return kConditionFalse;
    ++frame.list;
    frame.entry = 0;
  }
}

// Takes the answer of the frame's current sub-condition: answers the record's
// result when that decides it, else moves on and answers kGoOn.
int ConditionEvaluator::Absorb(Frame& frame, int answer) {
  if (answer == kConditionLoop) return kConditionLoop;
  switch (frame.stage) {
    case Stage::kAnd:
      if (answer == kConditionFalse) return kConditionFalse;
      break;
    case Stage::kOr:
      if (answer == kConditionTrue) {  // this list holds; on to the next
        ++frame.list;
        frame.entry = 0;
        return kGoOn;
      }
      break;
    case Stage::kNot:
      if (answer == kConditionTrue) return kConditionFalse;
      break;
  }
  ++frame.entry;
  return kGoOn;
}

std::uint64_t ConditionContext::BudgetFor(std::size_t length) noexcept {
  constexpr std::uint64_t kPerCharacter = 16;
  const std::uint64_t scaled =
      length > (UINT64_MAX - kSingleEvaluationBudget) / kPerCharacter ? UINT64_MAX - kSingleEvaluationBudget
                                                                      : length * kPerCharacter;
  return kSingleEvaluationBudget + scaled;
}

int EvaluateCondition(const PublisherData& data, std::wstring_view conditionId, const PublisherList* publishers,
                      std::uint32_t loopLimit, const PublisherEnvironment& env, ConditionContext* context) {
  ConditionContext own(ConditionContext::kSingleEvaluationBudget);
  ConditionEvaluator evaluator(data, publishers, std::min(loopLimit, kMaxLoopCount), env, context ? *context : own);
  evaluator.ResetCounters();
  const ConditionRecord* root = data.FindCondition(conditionId);
  if (root == nullptr) return kConditionFalse;
  return evaluator.Run(*root);
}

bool LanguageMatches(std::wstring_view tag, std::uint16_t language, const PublisherEnvironment& env) {
  if (tag.empty()) return false;
  if (language == kUserUiLanguage) language = env.UserUiLanguage();
  const std::optional<LanguageNames> names = env.Language(language);
  const bool twoCharacters = tag.size() == 2;

  // The system's own names first: ISO 639 for "en", the abbreviation for "ENU".
  std::wstring_view name;
  if (names) name = twoCharacters ? names->iso639 : names->abbreviation;
  if (twoCharacters && name.empty()) name = FallbackIso639(language);
  if (!name.empty() && CStringUtil::EqualsNoCase(tag, name)) return true;

  // Then the table, against the identifier the system gives the language
  // (which turns a neutral or default identifier into a real one).
  const LanguageRow* row = FindLanguageRow(tag);
  if (row == nullptr || !names) return false;
  if (twoCharacters) return PrimaryLanguage(row->languageId) == PrimaryLanguage(names->languageId);
  return row->languageId == names->languageId;
}

const std::wstring* TextForUserLanguage(const std::vector<TextEntry>& entries, const PublisherEnvironment& env) {
  for (const TextEntry& entry : entries)
    if (LanguageMatches(entry.language, kUserUiLanguage, env)) return &entry.text;
  return entries.empty() ? nullptr : &entries.front().text;
}

}  // namespace wendrix
