#pragma once
// Conditions: the Condition sections of a publisher data file, which make an
// item, an action or a message depend on the user's system, and the language
// match that conditions and multilingual texts share.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "publisher/environment.h"
#include "publisher/model.h"

namespace wendrix {

enum ConditionResult : int { kConditionFalse = 0, kConditionTrue = 1, kConditionLoop = 2 };

// The visit limit when a file sets no LoopCount.
inline constexpr std::uint32_t kDefaultLoopCount = 10;
// The highest visit limit a file can set: a larger LoopCount counts as this
// one. No honest tree visits a condition that often, and the visit counters
// then never come near their end.
inline constexpr std::uint32_t kMaxLoopCount = 65536;
// The language argument of LanguageMatches that stands for the user's
// default user-interface language.
inline constexpr std::uint16_t kUserUiLanguage = 0x400;

// What the evaluations of one load share: the work they may do together,
// and what stays the same from one to the next.
//
// A visit limit alone does not bound the work: 64 conditions that each name
// the next twice make 2^64 visits without any condition being visited more
// than 64 times in a row. So every visit, and every look-up of a
// sub-condition (in proportion to the length of its identifier), draws on a
// budget; once it runs out, the evaluation answers kConditionLoop. The
// budget of a load grows with the size of its text (BudgetFor): an honest
// file, whose trees are small, stays far below it however many items name
// conditions, while no file can keep a check busy for long.
//
// A condition's own tests (versions, publishers, languages, installed
// versions, paths) are decided once per context: the facts behind them do
// not change during a load.
class ConditionContext {
 public:
  explicit ConditionContext(std::uint64_t budget) noexcept : m_left(budget) {}
  ConditionContext(const ConditionContext&) = delete;
  ConditionContext& operator=(const ConditionContext&) = delete;

  // The budget of the load of a text of `length` characters.
  static std::uint64_t BudgetFor(std::size_t length) noexcept;
  // What a single evaluation without a context of its own may spend.
  static constexpr std::uint64_t kSingleEvaluationBudget = std::uint64_t{1} << 20;

  std::uint64_t Left() const noexcept { return m_left; }

 private:
  friend class ConditionEvaluator;
  // Takes `units` from the budget; false (and the budget spent) when fewer
  // are left.
  bool Spend(std::uint64_t units) noexcept {
    if (units > m_left) {
      m_left = 0;
      return false;
    }
    m_left -= units;
    return true;
  }

  std::uint64_t m_left;
  // Each evaluation starts with every visit counter at 0: the first one
  // resets them all, the later ones only those the one before touched, so
  // that evaluating every item of a large file stays linear.
  bool m_countersReset = false;
  std::vector<const ConditionRecord*> m_touched;
  std::unordered_map<const ConditionRecord*, bool> m_ownTests;  // record -> its own tests hold
};

// Evaluates the condition `conditionId` of `data` with its sub-conditions.
// Returns kConditionTrue or kConditionFalse, or kConditionLoop as soon as any
// condition is visited more than `loopLimit` times (a condition named twice
// in one tree counts twice; with a limit of 0 every evaluation is a loop) or
// the budget of `context` runs out. An unknown identifier, here or as a
// sub-condition, is false. Publisher tests without `publishers` are false.
// Every visit counter of `data` is 0 when the evaluation starts; nothing else
// of `data` changes. Without a context the call has one of its own, with
// kSingleEvaluationBudget. The records of `data` must stay where they are
// while `context` is in use.
//
// The evaluation does not recurse, so a deeply nested file cannot exhaust the
// call stack. A condition reached again inside its own evaluation is bound to
// end in a loop as long as the facts `env` reports do not change during the
// call; once such a cycle nests deeper than both the number of conditions
// and 65536 levels, the loop is reported without walking on, which keeps the
// memory bounded whatever the LoopCount.
int EvaluateCondition(const PublisherData& data, std::wstring_view conditionId, const PublisherList* publishers,
                      std::uint32_t loopLimit, const PublisherEnvironment& env, ConditionContext* context = nullptr);

// True when the language tag `tag` ("en", "en-us", "ENU") names `language`, a
// Windows language identifier or kUserUiLanguage: the tag equals the
// language's two-letter ISO 639 name (for a two-character tag) or its
// three-letter abbreviation (otherwise), or the language table gives the tag
// the language's primary language (two-character tag) or exact identifier.
// An empty tag matches nothing.
bool LanguageMatches(std::wstring_view tag, std::uint16_t language, const PublisherEnvironment& env);

// The entry for the user's interface language, else the first; null when
// there is none.
const std::wstring* TextForUserLanguage(const std::vector<TextEntry>& entries, const PublisherEnvironment& env);

}  // namespace wendrix
