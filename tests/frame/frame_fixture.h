#pragma once
// Shared set-up of the frame tests: the product's registry keys in both
// views, the test build's folders, and stand-in copies of the library.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "../support/built_program.h"
#include "../support/temp_folder.h"

namespace wendrix::test {

inline constexpr HRESULT kForwardedResult = 0x00012345;  // what the stand-ins return
inline constexpr wchar_t kProductKey[] = L"SOFTWARE\\Kestmoor\\Wendrix";

// A stand-in library built into bin\frame_data.
std::wstring FrameData(const wchar_t* fileName);
// The library under test in the bin folder.
std::wstring LibraryUnderTest();
bool CopyInto(const std::wstring& from, const std::wstring& to);

// Removes the product's registry keys in both views before and after a test,
// so that each test sees only what it registers itself.
class ProductRegistryTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Writes HKLM\SOFTWARE\Kestmoor\Wendrix\<subkey> "Path" in one view.
  void Register(const std::wstring& subkey, const std::wstring& path, REGSAM view = KEY_WOW64_32KEY);
  // Creates the version-named subkey without a Path value.
  void RegisterWithoutPath(const std::wstring& subkey, REGSAM view = KEY_WOW64_32KEY);
};

}  // namespace wendrix::test
