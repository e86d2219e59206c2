// A driver file named under system32\drivers is read from the native system
// folder. In a 32-bit process on 64-bit Windows the file system redirects
// system32 to the 32-bit system folder, where drivers do not live; the query
// must not read the redirected copy. In a 64-bit process the test still shows
// that the named file is the one read.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "../support/built_program.h"
#include "platform/file_version.h"
#include "sysinfo/driver_file.h"

namespace wendrix::test {
namespace {

std::wstring WindowsFolder() {
  wchar_t path[MAX_PATH];
  const UINT length = GetWindowsDirectoryW(path, MAX_PATH);
  return std::wstring(path, length);
}

// Turns the test thread's redirection off while it places files, so that
// "system32" means the native folder whatever the process's bitness.
class NativeView {
 public:
  NativeView() { m_off = Wow64DisableWow64FsRedirection(&m_state); }
  ~NativeView() {
    if (m_off) Wow64RevertWow64FsRedirection(m_state);
  }

 private:
  PVOID m_state = nullptr;
  BOOL m_off = FALSE;
};

// A copy of `source` at `target`, its folder made when missing; both are
// removed again.
class PlacedFile {
 public:
  PlacedFile(const std::wstring& source, std::wstring target) : m_path(std::move(target)) {
    const NativeView view;
    m_folder = m_path.substr(0, m_path.rfind(L'\\'));
    m_madeFolder = CreateDirectoryW(m_folder.c_str(), nullptr);
    m_placed = CopyFileW(source.c_str(), m_path.c_str(), FALSE);
  }
  ~PlacedFile() {
    const NativeView view;
    if (m_placed) DeleteFileW(m_path.c_str());
    if (m_madeFolder) RemoveDirectoryW(m_folder.c_str());
  }
  bool Placed() const { return m_placed; }

 private:
  std::wstring m_path;
  std::wstring m_folder;
  BOOL m_madeFolder = FALSE;
  BOOL m_placed = FALSE;
};

TEST(DriverFileViewTest, ReadsTheNativeSystemFolderNotTheRedirectedOne) {
  const std::wstring name = L"\\drivers\\wendrix_view_test.sys";
  const PlacedFile native(BinFolder() + L"\\frame_data\\fake_newer.dll", WindowsFolder() + L"\\System32" + name);
  ASSERT_TRUE(native.Placed()) << GetLastError();
  // Where a 32-bit process would be sent without the query's own care.
  const PlacedFile redirected(BinFolder() + L"\\frame_data\\fake_older.dll", WindowsFolder() + L"\\SysWOW64" + name);
  ASSERT_TRUE(redirected.Placed()) << GetLastError();

  const auto version = ReadDriverVersion(WindowsFolder() + L"\\System32" + name);
  ASSERT_TRUE(version.has_value());
  EXPECT_EQ(9u, (*version)[0]) << "the redirected 32-bit copy (1.0) was read";
  // The thread's own view is back to what it was: a 32-bit process sees the
  // 32-bit copy again through the plain name.
  BOOL wow64 = FALSE;
  IsWow64Process(GetCurrentProcess(), &wow64);
  if (wow64) {
    const auto plain = ReadFileVersion((WindowsFolder() + L"\\System32" + name).c_str());
    ASSERT_TRUE(plain.has_value());
    EXPECT_EQ(1u, (*plain)[0]) << "redirection stayed off after the query";
  }
}

}  // namespace
}  // namespace wendrix::test
