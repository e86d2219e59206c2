#pragma once
// A test fixture that points the shell's local and common application-data
// folders at fresh temporary folders (the shell re-reads them from the
// registry on every call) and puts the registry values back afterwards. It
// also clears the older product's registry lists before and after each test.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "temp_folder.h"

namespace wendrix::test {

class SavedValue;

class ShellFolderTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Points the two shell folders at existing folders.
  void PointAt(const std::wstring& user, const std::wstring& common);

  std::wstring UserFolder() const { return m_user + L"\\Kestmoor\\Wendrix\\PublisherData\\"; }
  std::wstring CommonFolder() const { return m_common + L"\\Kestmoor\\Wendrix\\PublisherData\\"; }
  std::wstring OlderUserFolder() const { return m_user + L"\\Kestmoor\\Pellister\\PublisherData\\"; }
  // Writes `text` as UTF-16 with a byte-order mark, creating the folder.
  void WriteFile(const std::wstring& folder, const wchar_t* name, const std::wstring& text);
  // A text file as the library reads it; "<missing>" when it cannot be read.
  static std::wstring ReadText(const std::wstring& path);

  ShellFolderTest();
  ~ShellFolderTest() override;

  TempFolder m_temp;
  std::wstring m_user, m_common;

 private:
  // The registry values naming the folders, put back as they were at the
  // end: the user's folder first, then the machine's.
  std::vector<std::unique_ptr<SavedValue>> m_saved;
};

}  // namespace wendrix::test
