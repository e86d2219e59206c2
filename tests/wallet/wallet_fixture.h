#pragma once
// What the wallet's Windows tests share: the build's bin folder as the
// product's folder, wallet entries made the way the library makes them in a
// redirected user folder, and a local HTTP server to fetch their files from.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "../support/built_program.h"
#include "../support/http_server.h"
#include "../support/loaded_library.h"
#include "../support/registry_sandbox.h"
#include "../support/shell_folder_redirect.h"
#include "publisher/windows_environment.h"
#include "wallet/entry_start.h"
#include "wallet/wallet_file.h"
#include "wallet/wallet_store.h"

namespace wendrix::test {

// `folder` registered as the product's folder while this lives.
class ProductFolder {
 public:
  explicit ProductFolder(const std::wstring& folder = BinFolder()) {
    SetStringValue(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Kestmoor\\Wendrix\\3.8", L"Path", folder, KEY_WOW64_32KEY);
  }
  // A copy would delete the key when it goes, while this one still needs it.
  ProductFolder(const ProductFolder&) = delete;
  ProductFolder& operator=(const ProductFolder&) = delete;
  ~ProductFolder() { DeleteKeyTree(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Kestmoor\\Wendrix", KEY_WOW64_32KEY); }
};

// A Downloading entry of the first item and action of `publisherText`, in a
// folder of its own and saved.
inline WalletEntry SavedEntry(const std::wstring& publisherText, const PublisherEnvironment& env) {
  WalletEntry source;
  EXPECT_EQ(ReadWalletText(publisherText, L"", source, env), S_OK);
  CWallet empty;
  WalletEntry entry;
  EXPECT_EQ(PrepareWalletEntry(empty, source.data, *source.EntryItem(), *source.EntryAction(), 0, kOriginApplication,
                               env, entry),
            S_OK);
  return entry;
}

// The sample publisher's one item "Tool", whose action "Get" (version 2.5)
// ends with `actionKeys`.
inline std::wstring ToolText(const std::wstring& actionKeys, const std::wstring& name = L"Acme") {
  return L"[Publisher]\nID=1.3.6.1.4.1.99999.7\nName=" + name + L"\nHomePage=http://www.acme.example/\n"
         L"Application=\"Kestmoor(R) Wendrix(TM)\"\n[Item]\nID=Tool\nType=Software\nTitle=T\nAction=Get\n"
         L"[Text]\nID=T\nText=en,Tool\n[Action]\nID=Get\nType=Download\nSubtype=Update\nVersion=2.5\n" + actionKeys;
}

// The wallet in a redirected user folder, read with the library's own version.
class WalletTest : public ShellFolderTest {
 protected:
  void SetUp() override {
    ShellFolderTest::SetUp();
    ASSERT_TRUE(m_library.Loaded());
  }
  // An export of the loaded library.
  template <typename F>
  F Export(const char* name) {
    auto f = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(m_library.Module(), name)));
    EXPECT_NE(f, nullptr) << name;
    return f;
  }
  std::wstring Wallet() const { return m_user + L"\\Kestmoor\\Wendrix\\Wallet\\"; }
  std::wstring Log() { return ReadText(m_user + L"\\Kestmoor\\Wendrix\\Wendrix.log"); }
  WalletEntry Entry(const std::wstring& actionKeys) { return SavedEntry(ToolText(actionKeys), m_env); }
  WalletEntry Reloaded(const WalletEntry& entry) {
    WalletEntry again;
    EXPECT_EQ(LoadWalletEntry(entry.Id(), again), S_OK);
    return again;
  }
  std::wstring PathOf(const WalletEntry& entry, std::uint32_t index, bool temporaryForm = false) {
    std::wstring path;
    EXPECT_EQ(WalletEntryFilePath(entry, index, temporaryForm, path), S_OK);
    return path;
  }
  std::string FileOf(const WalletEntry& entry, std::uint32_t index, bool temporaryForm = false) {
    const std::wstring path = PathOf(entry, index, temporaryForm);
    return FileExists(path) ? ReadFileBytes(path) : "<missing>";
  }

  LoadedLibrary m_library;
  const WindowsPublisherEnvironment m_env{L"3.8.10.0"};
};

// ... whose files a local HTTP server serves.
class ServedWalletTest : public WalletTest {
 protected:
  void SetUp() override {
    WalletTest::SetUp();
    ASSERT_TRUE(m_server.Start());
  }
  void TearDown() override {
    m_server.Stop();
    WalletTest::TearDown();
  }
  std::wstring Url(const char* path) const { return m_server.Url(path); }

  TestHttpServer m_server;
};

}  // namespace wendrix::test
