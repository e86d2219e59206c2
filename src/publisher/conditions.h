#pragma once
// Conditions: the Condition sections of a publisher data file, which make an
// item, an action or a message depend on the user's system, and the language
// match that conditions and multilingual texts share.
#include <cstdint>
#include <string_view>

#include "publisher/environment.h"
#include "publisher/model.h"

namespace wendrix {

enum ConditionResult : int { kConditionFalse = 0, kConditionTrue = 1, kConditionLoop = 2 };

// The visit limit when a file sets no LoopCount.
inline constexpr std::uint32_t kDefaultLoopCount = 10;
// The language argument of LanguageMatches that stands for the user's
// default user-interface language.
inline constexpr std::uint16_t kUserUiLanguage = 0x400;

// Evaluates the condition `conditionId` of `data` with its sub-conditions.
// Returns kConditionTrue or kConditionFalse, or kConditionLoop as soon as any
// condition is visited more than `loopLimit` times (a condition named twice
// in one tree counts twice; with a limit of 0 every evaluation is a loop).
// An unknown identifier, here or as a sub-condition, is false. Publisher
// tests without `publishers` are false. Every visit counter of `data` is
// reset first; nothing else of `data` changes.
//
// The evaluation does not recurse, so a deeply nested file cannot exhaust the
// call stack. A condition reached again inside its own evaluation is bound to
// end in a loop as long as the facts `env` reports do not change during the
// call; once such a cycle nests deeper than both the number of conditions
// and 65536 levels, the loop is reported without walking on, which keeps the
// memory bounded whatever the LoopCount.
int EvaluateCondition(const PublisherData& data, std::wstring_view conditionId, const PublisherList* publishers,
                      std::uint32_t loopLimit, const PublisherEnvironment& env);

// True when the language tag `tag` ("en", "en-us", "ENU") names `language`, a
// Windows language identifier or kUserUiLanguage: the tag equals the
// language's two-letter ISO 639 name (for a two-character tag) or its
// three-letter abbreviation (otherwise), or the language table gives the tag
// the language's primary language (two-character tag) or exact identifier.
// An empty tag matches nothing.
bool LanguageMatches(std::wstring_view tag, std::uint16_t language, const PublisherEnvironment& env);

}  // namespace wendrix
