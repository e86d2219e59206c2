#pragma once
// The loader tests' fixture: loads whole texts against Acme's registration
// and judges the result, the reported line and what the load left behind.
// Kept apart from the fakes, which the benches and fuzz targets use without
// a test framework.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "fake_environment.h"
#include "publisher/loader.h"

namespace wendrix::test {

inline bool IsEmpty(const PublisherData& d) {
  return d.items.empty() && d.actions.empty() && d.messages.empty() && d.conditions.empty() && d.groups.empty() &&
         d.texts.empty() && d.paths.empty() && d.freeUpdates.empty() && d.installedVersions.empty() &&
         d.displayStyles.empty() && d.icons.empty();
}

class LoaderFixture : public testing::Test {
 protected:
  explicit LoaderFixture(std::wstring_view registeredId) { RegisterAcme(data, registeredId); }

  HRESULT LoadText(std::wstring t, std::uint32_t options = 0, WalletFields* w = nullptr, bool withList = true) {
    text = std::move(t);
    line = 0xDEADBEEF;
    return LoadPublisherData(text.c_str(), &data, withList ? &publishers : nullptr, w, &line, options, env);
  }
  // The 1-based line of the loaded text that holds `needle` (0: none or empty).
  std::uint32_t LineOf(std::wstring_view needle) const {
    const std::size_t at = needle.empty() ? std::wstring::npos : text.find(needle);
    if (at == std::wstring::npos) return 0;
    return 1 + static_cast<std::uint32_t>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(at), L'\n'));
  }
  testing::AssertionResult Outcome(HRESULT hr, HRESULT code, std::uint32_t expectedLine) const {
    if (hr != code) return testing::AssertionFailure() << "result " << Hex(hr) << ", expected " << Hex(code);
    if (line != expectedLine) return testing::AssertionFailure() << "line " << line << ", expected " << expectedLine;
    return testing::AssertionSuccess();
  }
  testing::AssertionResult Loaded(HRESULT hr) const { return Outcome(hr, S_OK, 0); }
  // Failed (or moved) with `code` at the line of `needle` and left no record behind.
  testing::AssertionResult FailedAt(HRESULT hr, HRESULT code, std::wstring_view needle = L"; <<") const {
    testing::AssertionResult result = Outcome(hr, code, LineOf(needle));
    if (result && !IsEmpty(data)) return testing::AssertionFailure() << "the failed load left records behind";
    return result;
  }

  FakeEnvironment env;
  FakePublisherList publishers;
  PublisherData data;
  std::wstring text;
  std::uint32_t line = 0;
};

}  // namespace wendrix::test
