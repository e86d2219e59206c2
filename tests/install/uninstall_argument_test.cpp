// The platform-free parts of the product's setup: the argument publishers'
// uninstallers pass, the worker code of the setup dialog and the rule by
// which a carried file replaces an installed one.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "install/replacement_rule.h"
#include "install/uninstall_argument.h"
#include "install/worker_code.h"

namespace wendrix {
namespace {

// The publisher ID and flags found, as "ID.flags"; "-" when none is.
std::wstring Found(const std::wstring& line) {
  const auto argument = FindUninstallArgument(line);
  return argument ? argument->publisherId + L"." + std::to_wstring(argument->flags) : L"-";
}

TEST(UninstallArgumentTest, FindsTheFirstArgumentAndItsFlags) {
  const struct {
    const wchar_t *line, *found;
  } cases[] = {
      {L"uninst.exe -!PUB.1", L"PUB.1"},
      {L"uninst.exe /S -!Acme.0x40000001 -!Other.2", L"Acme.1073741825"},
      {L"uninst.exe \"-!Acme Corp.16\"", L"Acme Corp.16"},
      {L"u -!P.017", L"P.15"},
      {L"u -!P", L"P.0"},
      {L"u -!P.12x", L"P.0"},         // not a number: no flags
      {L"u -!P.08", L"P.0"},          // 8 is no octal digit
      {L"u -!P.4294967296", L"P.0"},  // does not fit
      {L"u -!P.0xFFFFFFFF", L"P.4294967295"},
      {L"u -!P.0xff9", L"P.4089"},
      {L"u -!P.", L"P.0"},
      {L"", L"-"},
      {L"u -!.1", L"-"},
      {L"u -! -!P.1", L"-"},  // the first "-!" word decides
      {L"u !P.1 -P.1", L"-"},
      {L"u \"-!P.1", L"-"},  // an unterminated quote
  };
  for (const auto& c : cases) EXPECT_EQ(Found(c.line), c.found) << c.line;
  EXPECT_EQ(Found(L"u -!" + std::wstring(80, L'P') + L".1"), std::wstring(80, L'P') + L".1");
  EXPECT_EQ(Found(L"u -!" + std::wstring(81, L'P') + L".1"), L"-");
}

TEST(WorkerCodeTest, EncodesAndDecodesLocationAndResult) {
  std::uint32_t location = 99;
  EXPECT_EQ(S_OK, DecodeWorkerCode(EncodeWorkerCode(S_OK, 45), location));
  EXPECT_EQ(0u, location);
  EXPECT_EQ(S_FALSE, DecodeWorkerCode(EncodeWorkerCode(S_FALSE, 45), location));
  const struct {
    HRESULT hr;
    std::uint32_t location;
  } failures[] = {{static_cast<HRESULT>(0x80070020), 51}, {E_ABORT, 0}, {static_cast<HRESULT>(0x80040127), 255},
                  {static_cast<HRESULT>(0x807F0001), 71}};
  for (const auto& f : failures) {
    const std::uint32_t code = EncodeWorkerCode(f.hr, f.location);
    EXPECT_EQ(f.location, (code >> 23) & 0xFF);
    EXPECT_EQ(f.hr, DecodeWorkerCode(code, location));
    EXPECT_EQ(f.location, location);
  }
}

TEST(ReplacementRuleTest, VersionsForceAndDifference) {
  using V = std::optional<std::wstring>;
  const struct {
    V installed, carried;
    bool force, differ, replace;
  } cases[] = {
      {L"3.8.10.0", L"3.8.10.0", false, true, false},  {L"3.8.10.0", L"3.8.10.0", true, false, true},
      {L"3.9.0.0", L"3.8.10.0", true, true, false},     {L"3.9.0.0", L"3.8.10.0", false, true, false},
      {L"3.7.0.0", L"3.8.10.0", false, false, true},    {L"3.8.9.0", L"3.8.10.0", false, false, true},
      {std::nullopt, L"3.8.10.0", false, true, true},   {std::nullopt, L"3.8.10.0", false, false, false},
      {L"3.8.10.0", std::nullopt, true, false, true},   {std::nullopt, std::nullopt, false, false, false},
  };
  for (const auto& c : cases) {
    bool asked = false;
    const bool replace = ShouldReplace(c.installed, c.carried, c.force, [&] {
      asked = true;
      return c.differ;
    });
    EXPECT_EQ(c.replace, replace) << c.installed.value_or(L"-") << " " << c.carried.value_or(L"-") << " " << c.force;
    if (c.installed && c.carried) {
      EXPECT_FALSE(asked) << "known versions need no comparison of the bytes";
    }
  }
}

}  // namespace
}  // namespace wendrix
