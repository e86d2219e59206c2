#pragma once
// A test fixture that points the shell's local and common application-data
// folders at fresh temporary folders (the shell re-reads them from the
// registry on every call) and puts the registry values back afterwards. It
// also clears the older product's registry lists before and after each test.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "temp_folder.h"

namespace wendrix::test {

// One registry value of one view (the 64-bit one unless told), remembered and
// put back as it was.
class SavedValue {
 public:
  SavedValue(HKEY root, const wchar_t* path, const wchar_t* name, REGSAM view = KEY_WOW64_64KEY);
  SavedValue(const SavedValue&) = delete;
  SavedValue& operator=(const SavedValue&) = delete;
  ~SavedValue();
  void Set(const std::wstring& value);

 private:
  HKEY m_root;
  REGSAM m_view;
  std::wstring m_path, m_name;
  DWORD m_type = REG_SZ;
  std::vector<BYTE> m_data;
  bool m_existed = false;
};

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

  TempFolder m_temp;
  std::wstring m_user, m_common;

 private:
  SavedValue m_localAppData;
  SavedValue m_commonUser;
  SavedValue m_commonShell;
  // Wine's shell in a 32-bit process reads the machine's folders from the
  // 32-bit view, which Windows shares with the 64-bit one.
  SavedValue m_commonUser32;
  SavedValue m_commonShell32;
};

}  // namespace wendrix::test
