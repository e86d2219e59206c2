#pragma once
// The product installed by its own library, as a setup does it: the built
// files are copied into a temporary "setup media" folder, the library is
// loaded from there, and the product folders are temporary folders named by
// the product's Path values. The product's registry keys and integrations
// are cleaned before and after each test, since child processes see them.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "../support/registry_values.h"
#include "../support/shell_folder_redirect.h"
#include "wendrix.h"

namespace wendrix::test {

// The library's exports that the tests call, from the copy in the media.
struct SetupExports {
  decltype(&WendrixInstallEx) install = nullptr;
  decltype(&WendrixFinalizeEx) finalize = nullptr;
  decltype(&WendrixUninstall) uninstall = nullptr;
  decltype(&WendrixRegister) registerPublisher = nullptr;
  decltype(&WendrixCreateRollbackEx) createRollback = nullptr;
  decltype(&WendrixRollbackEx) rollback = nullptr;
};

class InstallTest : public ShellFolderTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The media folder, the product folder and the 64-bit product folder.
  std::wstring Media(const wchar_t* name = nullptr) const;
  std::wstring Product(const wchar_t* name = nullptr) const;
  std::wstring Product64(const wchar_t* name = nullptr) const;

  // Registers publisher `id` for the current user on behalf of product `caller`.
  void Register(const char* caller, const char* id);
  // Writes the product's Path value of one view (a missing view folder is
  // the test's to choose).
  static void SetProductPath(const std::wstring& folder, REGSAM view);

  HMODULE m_library = nullptr;
  SetupExports m_exports;
  std::wstring m_media, m_product, m_product64;
};

// The product's registry keys and entries, cleaned in both views.
void CleanProductRegistry();
// A registry value's text or number as text; "<missing>" when absent.
inline std::wstring RegistryText(HKEY root, const std::wstring& key, const wchar_t* name, REGSAM view) {
  const std::optional<Value> value = FindValue(root, key, name, view);
  return value ? std::get<2>(*value) : L"<missing>";
}
inline bool KeyExists(HKEY root, const std::wstring& key, REGSAM view) { return ReadValues(root, key, view).has_value(); }

// Changes the version a built product file carries, in both its fixed
// version and its FileVersion text ("3.8.10.0" becomes "3.<minor>.10.0").
void SetFileMinorVersion(const std::wstring& path, unsigned minor);

// Appends a marker to a file: one that an installation replaces loses it.
void MarkFile(const std::wstring& path);
bool IsMarked(const std::wstring& path);

}  // namespace wendrix::test
