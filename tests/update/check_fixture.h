#pragma once
// A store of publishers whose data files a local HTTP server serves, for the
// tests of the check engine and the check exports.
#include "../support/http_server.h"  // winsock2.h before windows.h

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "../support/shell_folder_redirect.h"
#include "core/ini_file.h"
#include "frame/module_state.h"
#include "publisher/vocabulary.h"
#include "registration/publisher_store.h"
#include "registration/registration.h"
#include "registration/side_files.h"
#include "update/check_clients.h"
#include "update/check_engine.h"
#include "update/settings.h"
#include "update/transfer.h"

namespace wendrix::test {

inline std::string Utf8(const std::wstring& text) { return std::string(text.begin(), text.end()); }

class CheckFixture : public ShellFolderTest {
 protected:
  void SetUp() override {
    ShellFolderTest::SetUp();
    ASSERT_TRUE(m_server.Start());
    m_library = LoadLibraryW(sizeof(void*) == 8 ? L"wendrix64.dll" : L"wendrix.dll");
    ASSERT_NE(m_library, nullptr);
    ASSERT_TRUE(InitializeModuleState(m_library));
    m_settings.proxyMode = kProxyDirect;
    m_settings.checkAttempts = 1;
    m_settings.hangUp = 0;
  }
  void TearDown() override {
    m_server.Stop();
    if (m_library) FreeLibrary(m_library);
    ShellFolderTest::TearDown();
  }

  // Registers publisher `id` for the user with its data file at /<id>.
  void Register(const std::wstring& id) {
    Registration r;
    r.id = id;
    r.name = L"Publisher " + id;
    r.homePage = L"http://p" + id + L".example/";
    r.dataSource = m_server.Url("/" + Utf8(id));
    ASSERT_EQ(RegisterInScope(r, kScopeCurrentUser, nullptr), S_OK);
  }
  // A data file of publisher `id` with one item "editor" at `version`.
  std::string DataFile(const std::wstring& id, const std::string& version, const std::string& extra = "") {
    return "[Publisher]\r\nID = " + Utf8(id) + "\r\nName = Publisher " + Utf8(id) + "\r\nHomePage = http://p" +
           Utf8(id) + ".example/\r\nApplication = \"Kestmoor(R) Wendrix(TM)\"\r\n[Text]\r\nID = t\r\nText = en, Editor\r\n"
           "[Item]\r\nID = editor\r\nTitle = t\r\nType = Software\r\nAction = get\r\n[Action]\r\nID = get\r\n"
           "Type = Download\r\nSubtype = Generic\r\nVersion = " + version + "\r\nURL = http://x.example/e.exe\r\n" + extra;
  }
  void Serve(const std::wstring& id, HttpReply reply) { m_server.On("/" + Utf8(id), std::move(reply)); }

  HRESULT Check(std::uint32_t options = 0, const wchar_t* filter = nullptr) {
    m_store = CPublisherStore();
    EXPECT_EQ(m_store.Open(false, nullptr), S_OK);
    LoadStoredData(m_store, filter);
    return RunCheck(m_transfer, &m_client, &m_settings, &m_store, filter, options, &m_flags);
  }
  PublisherRecord& Record(const std::wstring& id) {
    PublisherRecord* r = m_store.Find(id);
    EXPECT_NE(r, nullptr) << id;
    return *r;
  }
  bool EditorIsNew(const std::wstring& id) {
    PublisherRecord& r = Record(id);
    return r.model && !r.model->items.empty() && (r.model->items[0].flags & kItemNew) != 0;
  }
  std::wstring ErrorFile(const std::wstring& id) {
    std::wstring path, text;
    ErrorFilePath(id, path);
    return SUCCEEDED(ReadTextFile(path.c_str(), text)) ? text : L"<none>";
  }

  TestHttpServer m_server;
  HMODULE m_library = nullptr;
  InternetSettings m_settings;
  CTransfer m_transfer;
  CCheckClient m_client;
  CPublisherStore m_store;
  std::uint32_t m_flags = 0;
};

}  // namespace wendrix::test
