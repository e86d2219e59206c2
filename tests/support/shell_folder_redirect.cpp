#include "shell_folder_redirect.h"

#include <shlobj.h>

#include <cstdint>
#include <cstring>

#include "platform/ini_file.h"
#include "registry_sandbox.h"

namespace wendrix::test {
namespace {

constexpr wchar_t kUserShellFolders[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr wchar_t kShellFolders[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr wchar_t kOlderRoot[] = L"SOFTWARE\\Kestmoor\\Pellister";

std::wstring ShellFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return L"";
  return path;
}

void ClearOlderProductKeys() {
  DeleteKeyTree(HKEY_CURRENT_USER, kOlderRoot, 0);
  DeleteKeyTree(HKEY_LOCAL_MACHINE, kOlderRoot, KEY_WOW64_32KEY);
}

}  // namespace

// One registry value of one view, remembered and put back as it was. The
// value as it was is also kept in the registry until it is put back: a test
// process that dies meanwhile (a crash, a debugger, a timeout) would
// otherwise leave the prefix's shell folders pointing at its temporary
// folder for every later run, which then keeps that folder as the one to
// put back.
class SavedValue {
 public:
  SavedValue(HKEY root, const wchar_t* path, const wchar_t* name, REGSAM view);
  SavedValue(const SavedValue&) = delete;
  SavedValue& operator=(const SavedValue&) = delete;
  ~SavedValue();
  void Set(const std::wstring& value) { SetStringValue(m_root, m_path, m_name.c_str(), value, m_view); }

 private:
  static constexpr wchar_t kBackups[] = L"Software\\Wendrix Test Backups";
  void PutBack() const;

  HKEY m_root;
  REGSAM m_view;
  std::wstring m_path, m_name, m_backup;
  DWORD m_type = REG_SZ;
  std::vector<BYTE> m_data;
  bool m_existed = false;
};

SavedValue::SavedValue(HKEY root, const wchar_t* path, const wchar_t* name, REGSAM view)
    : m_root(root), m_view(view), m_path(path), m_name(name) {
  m_backup = std::to_wstring(reinterpret_cast<std::uintptr_t>(root)) + L"|" + std::to_wstring(view) + L"|" + path +
             L"|" + name;
  HKEY backups;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kBackups, 0, nullptr, 0, KEY_READ | KEY_SET_VALUE, nullptr, &backups,
                      nullptr) != ERROR_SUCCESS)
    backups = nullptr;
  // Kept by a run that did not end: that is the value as it was.
  DWORD size = 0;
  if (backups && RegQueryValueExW(backups, m_backup.c_str(), nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS &&
      size >= sizeof(DWORD) + 1) {
    std::vector<BYTE> kept(size);
    if (RegQueryValueExW(backups, m_backup.c_str(), nullptr, nullptr, kept.data(), &size) == ERROR_SUCCESS) {
      m_existed = kept[0] != 0;
      std::memcpy(&m_type, kept.data() + 1, sizeof(DWORD));
      m_data.assign(kept.begin() + 1 + sizeof(DWORD), kept.end());
      PutBack();
    }
  }
  HKEY key;
  m_existed = false;
  m_data.clear();
  if (RegOpenKeyExW(root, path, 0, KEY_READ | view, &key) == ERROR_SUCCESS) {
    size = 0;
    if (RegQueryValueExW(key, name, nullptr, &m_type, nullptr, &size) == ERROR_SUCCESS) {
      m_data.resize(size);
      m_existed = RegQueryValueExW(key, name, nullptr, &m_type, m_data.data(), &size) == ERROR_SUCCESS;
    }
    RegCloseKey(key);
  }
  if (!backups) return;
  std::vector<BYTE> kept(1 + sizeof(DWORD));
  kept[0] = m_existed ? 1 : 0;
  std::memcpy(kept.data() + 1, &m_type, sizeof(DWORD));
  kept.insert(kept.end(), m_data.begin(), m_data.end());
  RegSetValueExW(backups, m_backup.c_str(), 0, REG_BINARY, kept.data(), static_cast<DWORD>(kept.size()));
  RegCloseKey(backups);
}

SavedValue::~SavedValue() {
  PutBack();
  HKEY backups;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kBackups, 0, KEY_SET_VALUE, &backups) != ERROR_SUCCESS) return;
  RegDeleteValueW(backups, m_backup.c_str());
  RegCloseKey(backups);
}

void SavedValue::PutBack() const {
  HKEY key;
  if (RegCreateKeyExW(m_root, m_path.c_str(), 0, nullptr, 0, KEY_SET_VALUE | m_view, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return;
  if (m_existed)
    RegSetValueExW(key, m_name.c_str(), 0, m_type, m_data.data(), static_cast<DWORD>(m_data.size()));
  else
    RegDeleteValueW(key, m_name.c_str());
  RegCloseKey(key);
}

ShellFolderTest::ShellFolderTest() {
  m_saved.push_back(std::make_unique<SavedValue>(HKEY_CURRENT_USER, kUserShellFolders, L"Local AppData", KEY_WOW64_64KEY));
  // Wine's shell in a 32-bit process reads the machine's folders from the
  // 32-bit view, which Windows shares with the 64-bit one.
  for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY})
    for (const wchar_t* path : {kUserShellFolders, kShellFolders})
      m_saved.push_back(std::make_unique<SavedValue>(HKEY_LOCAL_MACHINE, path, L"Common AppData", view));
}

ShellFolderTest::~ShellFolderTest() = default;

void ShellFolderTest::SetUp() {
  m_user = m_temp.File(L"user");
  m_common = m_temp.File(L"common");
  CreateDirectoryW(m_user.c_str(), nullptr);
  CreateDirectoryW(m_common.c_str(), nullptr);
  PointAt(m_user, m_common);
  ASSERT_EQ(ShellFolder(CSIDL_LOCAL_APPDATA), m_user) << "the shell does not follow the registry";
  ASSERT_EQ(ShellFolder(CSIDL_COMMON_APPDATA), m_common) << "the shell does not follow the registry";
  ClearOlderProductKeys();
}

void ShellFolderTest::TearDown() { ClearOlderProductKeys(); }

void ShellFolderTest::PointAt(const std::wstring& user, const std::wstring& common) {
  for (std::size_t i = 0; i < m_saved.size(); ++i) m_saved[i]->Set(i == 0 ? user : common);
}

void ShellFolderTest::WriteFile(const std::wstring& folder, const wchar_t* name, const std::wstring& text) {
  SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
  std::string bytes = "\xFF\xFE";
  for (wchar_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
  }
  HANDLE file = CreateFileW((folder + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

std::wstring ShellFolderTest::ReadText(const std::wstring& path) {
  std::wstring text;
  return SUCCEEDED(ReadTextFile(path.c_str(), text)) ? text : L"<missing>";
}

}  // namespace wendrix::test
