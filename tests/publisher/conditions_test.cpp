// Conditions against fixed system facts: each kind of test, the And, Or and
// Not lists, the visit limit, and the language match.
#include "publisher/conditions.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "fake_environment.h"

namespace wendrix {
namespace {

using test::FakeEnvironment;
using test::FakePublisherList;

using Lists = std::vector<std::vector<std::wstring>>;

class ConditionsTest : public testing::Test {
 protected:
  ConditionsTest() { m_data.conditions.reserve(16); }  // the references Add returns stay valid
  ConditionRecord& Add(const wchar_t* id) {
    ConditionRecord& record = m_data.conditions.emplace_back();
    record.id = id;
    return record;
  }
  // Adds a condition that is only a sub-condition list of one kind.
  void AddAnd(const wchar_t* id, Lists lists) { Add(id).andLists = std::move(lists); }
  void AddOr(const wchar_t* id, Lists lists) { Add(id).orLists = std::move(lists); }
  void AddNot(const wchar_t* id, Lists lists) { Add(id).notLists = std::move(lists); }

  int Evaluate(std::wstring_view id, std::uint32_t loopLimit = kDefaultLoopCount) {
    return EvaluateCondition(m_data, id, &m_publishers, loopLimit, m_env);
  }

  PublisherData m_data;
  FakeEnvironment m_env;
  FakePublisherList m_publishers;
};

TEST_F(ConditionsTest, OwnTestsOfACondition) {
  ConditionRecord& record = Add(L"C");
  EXPECT_EQ(Evaluate(L"c"), kConditionTrue) << "an empty section";
  EXPECT_EQ(Evaluate(L"Missing"), kConditionFalse);
  EXPECT_EQ(Evaluate(L""), kConditionFalse);
  // The library must be at least each version.
  for (const wchar_t* version : {L"3.8.10.0", L"3.8.10", L"3.8.9.99", L"1", L""}) {
    record.versions = {version};
    EXPECT_EQ(Evaluate(L"C"), kConditionTrue) << testing::PrintToString(std::wstring(version));
  }
  for (const wchar_t* version : {L"3.8.10.1", L"3.8.11", L"3.9", L"4"}) {
    record.versions = {L"3.0", version};  // every line must hold
    EXPECT_EQ(Evaluate(L"C"), kConditionFalse) << testing::PrintToString(std::wstring(version));
  }
  // Publishers: the exact identifier, in the list (none without a list).
  record.versions.clear();
  m_publishers.versions = {{L"1.3.6.1.4.1.99", L""}, {L"Acme", L""}};
  record.publishers = {L"Acme", L"1.3.6.1.4.1.99"};
  EXPECT_EQ(Evaluate(L"C"), kConditionTrue);
  EXPECT_EQ(EvaluateCondition(m_data, L"C", nullptr, kDefaultLoopCount, m_env), kConditionFalse);
  record.publishers = {L"acme"};
  EXPECT_EQ(Evaluate(L"C"), kConditionFalse);
  record.publishers.clear();
  EXPECT_EQ(EvaluateCondition(m_data, L"C", nullptr, kDefaultLoopCount, m_env), kConditionTrue);
  // Languages: the user's interface language, every line.
  m_env.uiLanguage = 0x410;
  record.languages = {L"it"};
  EXPECT_EQ(Evaluate(L"C"), kConditionTrue);
  record.languages = {L"it", L"en"};
  EXPECT_EQ(Evaluate(L"C"), kConditionFalse);
  // Paths: defined by the file and existing, every line.
  record.languages.clear();
  m_data.paths.emplace_back().id = L"Data";
  m_data.paths.emplace_back().id = L"Gone";
  m_env.folders = {{L"Data", L"C:\\Data"}, {L"Missing", L"C:\\Missing"}};
  record.paths = {L"data"};
  EXPECT_EQ(Evaluate(L"C"), kConditionTrue);
  record.paths = {L"Data", L"Gone"};
  EXPECT_EQ(Evaluate(L"C"), kConditionFalse);
  record.paths = {L"Missing"};
  EXPECT_EQ(Evaluate(L"C"), kConditionFalse);
  // Own tests come before the lists.
  AddOr(L"L", {{L"L"}});
  record.paths = {L"Gone"};
  record.orLists = {{L"L"}};
  EXPECT_EQ(Evaluate(L"C"), kConditionFalse);
}

TEST_F(ConditionsTest, InstalledVersionMustLieInTheInclusiveRange) {
  const struct {
    const wchar_t* installed;  // null: not installed
    const wchar_t* lowest;
    const wchar_t* highest;
    int expected;
  } cases[] = {
      {L"2.0", L"", L"", kConditionTrue},          {L"0.0", L"", L"", kConditionTrue},
      {nullptr, L"", L"", kConditionFalse},        {L"2.0", L"2.0", L"2.0", kConditionTrue},
      {L"2.0", L"2.0.0.1", L"", kConditionFalse},  {L"2.0", L"1.9", L"", kConditionTrue},
      {L"1.0", L"1.0", L"2.0", kConditionTrue},    {L"2.0.0.0", L"1.0", L"2", kConditionTrue},
      {L"0.9", L"1.0", L"2.0", kConditionFalse},   {L"2.0.0.1", L"1.0", L"2.0", kConditionFalse},
      {L"1.5", L"", L"2.0", kConditionTrue},       {L"2.1", L"", L"2.0", kConditionFalse},
  };
  m_data.installedVersions.emplace_back().id = L"Tool";
  ConditionRecord& record = Add(L"C");
  for (const auto& c : cases) {
    m_env.installed.clear();
    if (c.installed) m_env.installed[L"Tool"] = c.installed;
    record.installedVersions = {{L"tool", c.lowest, c.highest}};
    EXPECT_EQ(Evaluate(L"C"), c.expected) << (c.installed ? c.installed : L"-") << " in [" << c.lowest << ", "
                                          << c.highest << "]";
  }
  EXPECT_EQ(m_env.publishersSeen, &m_publishers);  // the publisher probe needs the list
  m_env.installed[L"Other"] = L"1.0";  // the environment would answer, but the file has no such definition
  record.installedVersions = {{L"Other", L"", L""}};
  EXPECT_EQ(Evaluate(L"C"), kConditionFalse);
}

struct ListCase {
  const char* name;
  Lists andLists, orLists, notLists;
  int expected;
};

TEST_F(ConditionsTest, SubConditionListsCombine) {
  // T is true, F false (an unmet version test), L refers to itself.
  Add(L"T");
  Add(L"F").versions = {L"99"};
  AddOr(L"L", {{L"L"}});
  const ListCase cases[] = {
      {"And of true conditions", {{L"T", L"T"}, {L"T"}}, {}, {}, kConditionTrue},
      {"And with one false", {{L"T", L"F"}}, {}, {}, kConditionFalse},
      {"And false in a later line", {{L"T"}, {L"F"}}, {}, {}, kConditionFalse},
      {"And stops at false", {{L"F", L"L"}}, {}, {}, kConditionFalse},
      {"And naming a missing condition", {{L"T", L"Nowhere"}}, {}, {}, kConditionFalse},
      {"empty And line", {{}}, {}, {}, kConditionTrue}, {"Or with one true", {}, {{L"F", L"T"}}, {}, kConditionTrue},
      {"Or all false", {}, {{L"F", L"F"}}, {}, kConditionFalse},
      {"empty Or line passes", {}, {{}}, {}, kConditionTrue},
      {"every Or line must hold", {}, {{L"T"}, {L"F"}}, {}, kConditionFalse},
      {"Or stops at true", {}, {{L"T", L"L"}}, {}, kConditionTrue},
      {"Or skips a missing condition", {}, {{L"Nowhere", L"T"}}, {}, kConditionTrue},
      {"Or reaches a loop", {}, {{L"F", L"L"}}, {}, kConditionLoop},
      {"Not of false", {}, {}, {{L"F", L"Nowhere"}}, kConditionTrue},
      {"Not with one true", {}, {}, {{L"F", L"T"}}, kConditionFalse},
      {"Not stops at true", {}, {}, {{L"T", L"L"}}, kConditionFalse},
      {"Not reaches a loop", {}, {}, {{L"L"}}, kConditionLoop},
      {"And decides before Or", {{L"F"}}, {{L"L"}}, {}, kConditionFalse},
      {"Or decides before Not", {}, {{L"F"}}, {{L"L"}}, kConditionFalse},
      {"all three hold", {{L"T"}}, {{L"F", L"T"}}, {{L"F"}}, kConditionTrue},
  };
  ConditionRecord& record = Add(L"C");
  for (const ListCase& c : cases) {
    record.andLists = c.andLists;
    record.orLists = c.orLists;
    record.notLists = c.notLists;
    EXPECT_EQ(Evaluate(L"C"), c.expected) << c.name;
  }
}

TEST_F(ConditionsTest, VisitsBeyondTheLoopCountAreALoop) {
  AddOr(L"A", {{L"A"}});  // refers to itself
  for (std::uint32_t limit : {0u, 1u, 100u}) {
    EXPECT_EQ(Evaluate(L"A", limit), kConditionLoop) << limit;
    EXPECT_EQ(m_data.conditions[0].visits, limit + 1) << limit;
  }
  Add(L"Empty");
  EXPECT_EQ(Evaluate(L"Empty", 0), kConditionLoop);
  // Visits are counted, not nesting; counters start again at every evaluation.
  AddAnd(L"Twice", {{L"Empty"}, {L"Empty"}});
  AddAnd(L"Once", {{L"Empty"}});
  EXPECT_EQ(Evaluate(L"Twice", 1), kConditionLoop);
  EXPECT_EQ(Evaluate(L"Twice", 2), kConditionTrue);
  m_data.conditions[1].visits = 7;
  EXPECT_EQ(Evaluate(L"Once", 1), kConditionTrue);
  EXPECT_EQ(Evaluate(L"Once", 1), kConditionTrue);
  // Cycles through several conditions, whatever the LoopCount.
  AddAnd(L"X", {{L"Y"}});
  AddNot(L"Y", {{L"Z"}});
  AddOr(L"Z", {{L"F", L"X"}});
  Add(L"F").versions = {L"99"};
  EXPECT_EQ(Evaluate(L"X"), kConditionLoop);
  EXPECT_EQ(Evaluate(L"Z", 0xFFFFFFFFu), kConditionLoop);
  // A LoopCount beyond the cap counts as the cap.
  AddAnd(L"Wide", {std::vector<std::wstring>(kMaxLoopCount + 5, L"Empty")});
  EXPECT_EQ(Evaluate(L"Wide", 0xFFFFFFFFu), kConditionLoop);
  EXPECT_EQ(m_data.conditions[1].visits, kMaxLoopCount + 1);
  m_data.conditions.back().andLists[0].resize(kMaxLoopCount);
  EXPECT_EQ(Evaluate(L"Wide", 0xFFFFFFFFu), kConditionTrue);
}

// 64 conditions that each name the next twice: no condition is visited more
// than a few times in a row, but the whole tree has 2^64 visits. The budget
// ends it whatever the LoopCount.
TEST_F(ConditionsTest, TreeThatDoublesAtEveryLevelRunsOutOfBudget) {
  constexpr int kLevels = 64;
  for (int i = 0; i < kLevels; ++i) {
    const std::wstring next = L"c" + std::to_wstring(i + 1);
    ConditionRecord& record = Add(L"");
    record.id = L"c" + std::to_wstring(i);
    if (i + 1 < kLevels) record.andLists = {{next, next}};
  }
  EXPECT_EQ(Evaluate(L"c0"), kConditionLoop) << "the default LoopCount ends it early";
  ConditionContext context(100000);
  EXPECT_EQ(EvaluateCondition(m_data, L"c0", &m_publishers, 0xFFFFFFFFu, m_env, &context), kConditionLoop);
  EXPECT_EQ(context.Left(), 0u) << "the budget ended it";
  // Without a context of its own, a call has a budget of its own.
  EXPECT_EQ(Evaluate(L"c0", 0xFFFFFFFFu), kConditionLoop);
  // A shallow part of the same tree fits.
  ConditionContext shallow(100000);
  EXPECT_EQ(EvaluateCondition(m_data, L"c54", &m_publishers, 0xFFFFFFFFu, m_env, &shallow), kConditionTrue);
  EXPECT_EQ(shallow.Left(), 100000u - ((1u << 10) - 1) - 1022 * 4 - 511) << "visits, names and lists";
  // A load's budget grows with its text and never overflows.
  EXPECT_EQ(ConditionContext::BudgetFor(0), ConditionContext::kSingleEvaluationBudget);
  EXPECT_EQ(ConditionContext::BudgetFor(1000), ConditionContext::kSingleEvaluationBudget + 16000);
  // Only a 64-bit length can overflow the budget's 64 bits.
  EXPECT_EQ(ConditionContext::BudgetFor(SIZE_MAX), sizeof(std::size_t) == 8
                                                       ? UINT64_MAX
                                                       : ConditionContext::kSingleEvaluationBudget + std::uint64_t{SIZE_MAX} * 16);
}

// The evaluations of one load share their budget, and each starts with every
// visit counter at 0 although only the first resets them all.
TEST_F(ConditionsTest, EvaluationsOfOneLoadShareTheirBudget) {
  Add(L"B");
  AddAnd(L"Twice", {{L"B"}, {L"B"}});
  ConditionContext context(1000);
  for (int i = 0; i < 100; ++i) {
    ASSERT_EQ(EvaluateCondition(m_data, L"Twice", &m_publishers, 2, m_env, &context), kConditionTrue) << i;
    ASSERT_EQ(m_data.conditions[0].visits, 2u) << i;
  }
  EXPECT_EQ(context.Left(), 1000u - 100 * (3 + 2 * 2 + 2)) << "three visits, two names, two lists each time";
  for (int i = 0; i < 100; ++i) EvaluateCondition(m_data, L"Twice", &m_publishers, 2, m_env, &context);
  EXPECT_EQ(EvaluateCondition(m_data, L"B", &m_publishers, 2, m_env, &context), kConditionLoop) << "all spent";

  // Counters left by a context's earlier evaluation are reset by its next.
  ConditionContext fresh(1000);
  m_data.conditions[0].visits = 7;
  EXPECT_EQ(EvaluateCondition(m_data, L"Twice", &m_publishers, 2, m_env, &fresh), kConditionTrue);
  EXPECT_EQ(EvaluateCondition(m_data, L"Twice", &m_publishers, 2, m_env, &fresh), kConditionTrue);
}

// Long names and many empty lists cost in proportion to what the file wrote.
TEST_F(ConditionsTest, LongNamesAndEmptyListsDrawOnTheBudget) {
  const std::wstring longName(5000, L'n');
  Add(L"").id = longName;
  AddAnd(L"Long", {{longName}});
  ConditionContext context(1000);
  EXPECT_EQ(EvaluateCondition(m_data, L"Long", &m_publishers, 10, m_env, &context), kConditionLoop);

  ConditionRecord& empties = Add(L"Empties");
  empties.andLists.assign(5000, {});
  ConditionContext small(1000);
  EXPECT_EQ(EvaluateCondition(m_data, L"Empties", &m_publishers, 10, m_env, &small), kConditionLoop);
  ConditionContext enough(6000);
  EXPECT_EQ(EvaluateCondition(m_data, L"Empties", &m_publishers, 10, m_env, &enough), kConditionTrue);
}

// Within one context a condition's own tests are decided once: the facts
// behind them do not change during a load.
TEST_F(ConditionsTest, OwnTestsAreDecidedOncePerContext) {
  m_data.installedVersions.emplace_back().id = L"Tool";
  m_env.installed[L"Tool"] = L"2.0";
  Add(L"C").installedVersions = {{L"Tool", L"1.0", L""}};
  ConditionContext context(1000);
  EXPECT_EQ(EvaluateCondition(m_data, L"C", &m_publishers, 10, m_env, &context), kConditionTrue);
  m_env.installed.clear();
  EXPECT_EQ(EvaluateCondition(m_data, L"C", &m_publishers, 10, m_env, &context), kConditionTrue) << "kept";
  EXPECT_EQ(Evaluate(L"C"), kConditionFalse) << "a new context asks again";
}

TEST_F(ConditionsTest, DeepChainIsEvaluatedToItsEnd) {
  constexpr int kDepth = 1000;
  for (int i = 0; i < kDepth; ++i) {
    ConditionRecord& record = Add(L"");
    record.id = std::to_wstring(i) + L"c";
    if (i + 1 < kDepth) record.andLists = {{std::to_wstring(i + 1) + L"c"}};
  }
  EXPECT_EQ(Evaluate(L"0c"), kConditionTrue);
  m_data.conditions.back().versions = {L"99"};
  EXPECT_EQ(Evaluate(L"0c"), kConditionFalse);
}

TEST_F(ConditionsTest, LanguageMatchesByNameThenByTable) {
  m_env.languages.erase(0x407);  // a language this system does not know
  m_env.uiLanguage = 0x809;
  const struct {
    const wchar_t* tag;
    std::uint16_t language;
    bool expected;
  } cases[] = {
      // The two-letter ISO 639 name, then the table's primary language.
      {L"en", 0x409, true},     {L"EN", 0x809, true},     {L"it", 0x410, true},     {L"it", 0x409, false},
      {L"es", 0xC0A, true},
      // The three-letter abbreviation.
      {L"ENU", 0x409, true},    {L"enu", 0x409, true},    {L"ENU", 0x809, false},   {L"ITA", 0x410, true},
      // Longer tags: the table's whole identifier.
      {L"en-us", 0x409, true},  {L"en-us", 0x809, false}, {L"en-gb", 0x809, true},  {L"EnUs", 0x409, true},
      {L"en-us;q", 0x409, true}, {L"en-usx", 0x409, false}, {L"en_", 0x409, false},
      {L"es ", 0x40A, true},    {L"es ", 0xC0A, false},  // "es" is listed twice; the first row wins
      // Without a two-letter name from the system, the fallback list names it.
      {L"nb", 0x414, true},     {L"nn", 0x814, true},     {L"nb", 0x814, false},
      // A two-character tag needs only the table's primary language: "no" is 0x414.
      {L"no", 0x414, true},     {L"no", 0x814, true},
      {L"zh", 0x804, true},     {L"zh-cn", 0x804, true},  {L"zh-tw", 0x804, false},
      // Languages the system does not know, and empty tags.
      {L"de", 0x407, false},    {L"de-ch", 0x807, false}, {L"", 0x409, false},      {L"xx", 0x409, false},
      // 0x400: the user's interface language.
      {L"en-gb", kUserUiLanguage, true}, {L"en-us", kUserUiLanguage, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(LanguageMatches(c.tag, c.language, m_env), c.expected) << c.tag << " / " << std::hex << c.language;
  // The fallback list does not replace a name the system gives.
  m_env.languages[0x414].iso639 = L"no";
  EXPECT_FALSE(LanguageMatches(L"nb", 0x414, m_env));
}
}  // namespace
}  // namespace wendrix
