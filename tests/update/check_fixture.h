#pragma once
// A store of publishers whose data files a local HTTP server serves, for the
// tests of the check engine and the check exports.
#include "../support/http_server.h"  // winsock2.h before windows.h

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "../support/shell_folder_redirect.h"
#include "platform/ini_file.h"
#include "frame/module_state.h"
#include "publisher/builtin_publishers.h"
#include "publisher/vocabulary.h"
#include "registration/publisher_store.h"
#include "registration/registration.h"
#include "registration/side_files.h"
#include "registration/store_folders.h"
#include "update/check_clients.h"
#include "update/check_engine.h"
#include "update/settings.h"
#include "update/transfer.h"

namespace wendrix::test {

inline std::string Utf8(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// Answers the message boxes titled "Save Data" that a check shows when it
// cannot save the store, keeping their texts: a box that nobody answers
// would hold the test up for ever.
class SaveErrorBoxes {
 public:
  std::vector<std::wstring> Texts() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_texts;
  }

 private:
  std::mutex m_mutex;
  std::vector<std::wstring> m_texts;
  std::jthread m_thread{[this](std::stop_token stop) {
    while (!stop.stop_requested()) {
      if (HWND box = FindWindowW(L"#32770", L"Save Data")) {
        wchar_t text[256] = {};
        GetDlgItemTextW(box, 0xFFFF, text, 256);  // the box's static text
        {
          std::lock_guard<std::mutex> lock(m_mutex);
          m_texts.emplace_back(text);
        }
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        while (!stop.stop_requested() && IsWindow(box)) Sleep(10);
      }
      Sleep(20);
    }
  }};
};

class CheckFixture : public ShellFolderTest {
 protected:
  void SetUp() override {
    ShellFolderTest::SetUp();
    // The library checks its own publisher beside the registered ones, from
    // its address on the internet: the tests leave it out unless they serve
    // it (IncludeSelfPublisher).
    WriteFile(UserFolder(), L"CurrentUserPublishers.ini",
              L"[" + std::wstring(SelfPublisher().id) + L"]\r\nEnabled = 0\r\n");
    if (ServesFromFolder())
      ASSERT_NO_FATAL_FAILURE(OpenServedFolder());
    else
      ASSERT_TRUE(m_server.Start());
    m_library = LoadLibraryW(sizeof(void*) == 8 ? L"wendrix64.dll" : L"wendrix.dll");
    ASSERT_NE(m_library, nullptr);
    ASSERT_TRUE(InitializeModuleState(m_library));
    m_settings.proxyMode = kProxyDirect;
    m_settings.checkAttempts = 1;
    m_settings.hangUp = 0;
  }
  void TearDown() override {
    if (m_window) {
      DestroyWindow(m_window);
      UnregisterClassW(m_windowClass, nullptr);
    }
    m_server.Stop();
    if (!m_folder.empty()) {
      std::error_code ignored;
      std::filesystem::remove_all(m_folder, ignored);
    }
    if (m_library) FreeLibrary(m_library);
    ShellFolderTest::TearDown();
  }

  // Registers publisher `id` (for the user unless told) with its data file
  // at /<id>.
  void Register(const std::wstring& id, StoreScope scope = kScopeCurrentUser) {
    Registration r;
    r.id = id;
    r.name = L"Publisher " + id;
    r.homePage = L"http://p" + id + L".example/";
    r.dataSource = Url("/" + Utf8(id));
    ASSERT_EQ(RegisterInScope(r, scope, nullptr), S_OK);
  }
  // Lets the library's own publisher take part in checks again, its data
  // file served by the test server, which becomes the proxy for every
  // address: the registered publishers are then asked for by their whole
  // address (ServeThroughProxy).
  void IncludeSelfPublisher(HttpReply reply) {
    ASSERT_NO_FATAL_FAILURE(EnableSelfPublisher());
    m_settings.proxyMode = kProxyExplicit;
    m_settings.proxyServer = L"127.0.0.1:" + std::to_wstring(m_server.Port());
    // WinINet names the port of a proxied address.
    std::string address = Utf8(SelfPublisher().dataSource);
    m_server.On(address.insert(address.find('/', 7), ":80"), std::move(reply));
  }
  void EnableSelfPublisher() {
    std::vector<PublisherRecord> listed;
    ASSERT_EQ(ReadScopeList(kScopeCurrentUser, listed, nullptr), S_OK);
    std::erase_if(listed, [](const PublisherRecord& r) { return IsSelfPublisher(r); });
    ASSERT_EQ(WriteScopeList(kScopeCurrentUser, listed, nullptr), S_OK);
  }
  void ServeThroughProxy(const std::wstring& id, HttpReply reply) {
    m_server.On(Utf8(Url("/" + Utf8(id))), std::move(reply));
  }
  // The self publisher's data file with a Self item at `version`.
  static std::string SelfDataFile(const std::string& version) {
    return "[Publisher]\r\nID = " + Utf8(SelfPublisher().id) + "\r\nName = Wendrix\r\nHomePage = " +
           Utf8(SelfPublisher().homePage) + "\r\n"
           "Application = \"Kestmoor(R) Wendrix(TM)\"\r\n[Text]\r\nID = t\r\nText = en, Wendrix\r\n"
           "[Item]\r\nID = wendrix\r\nTitle = t\r\nType = Self\r\nAction = update\r\n[Action]\r\nID = update\r\n"
           "Type = Download\r\nSubtype = Update\r\nVersion = " + version + "\r\nURL = http://x.example/wx.exe\r\n";
  }
  // A data file of publisher `id` with one item "editor" at `version`.
  std::string DataFile(const std::wstring& id, const std::string& version, const std::string& extra = "") {
    return "[Publisher]\r\nID = " + Utf8(id) + "\r\nName = Publisher " + Utf8(id) + "\r\nHomePage = http://p" +
           Utf8(id) + ".example/\r\nApplication = \"Kestmoor(R) Wendrix(TM)\"\r\n[Text]\r\nID = t\r\nText = en, Editor\r\n"
           "[Item]\r\nID = editor\r\nTitle = t\r\nType = Software\r\nAction = get\r\n[Action]\r\nID = get\r\n"
           "Type = Download\r\nSubtype = Generic\r\nVersion = " + version + "\r\nURL = http://x.example/e.exe\r\n" + extra;
  }
  void Serve(const std::wstring& id, HttpReply reply) {
    if (!ServesFromFolder()) {
      m_server.On("/" + Utf8(id), std::move(reply));
      return;
    }
    // The folder's server answers a file with 200, after its .delay if any.
    ASSERT_EQ(reply.head.rfind("HTTP/1.1 200 ", 0), 0u) << "a served folder only answers 200 or 404";
    ASSERT_EQ(reply.bodyBytesToSend, std::string::npos);
    std::ofstream(m_folder / id, std::ios::binary) << reply.body;
    if (reply.delayMs) std::ofstream(m_folder / (id + L".delay")) << reply.delayMs;
  }
  std::wstring Url(const std::string& path) const {
    if (!ServesFromFolder()) return m_server.Url(path);
    return L"http://127.0.0.1:" + std::to_wstring(m_folderPort) + L"/" + m_folder.filename().wstring() +
           std::wstring(path.begin(), path.end());
  }

  // A window of class `name` whose messages `proc` answers, gone with the test.
  HWND OpenWindow(const wchar_t* name, WNDPROC proc, HWND parent = nullptr) {
    WNDCLASSW windowClass{};
    windowClass.lpszClassName = m_windowClass = name;
    windowClass.lpfnWndProc = proc;
    RegisterClassW(&windowClass);
    return m_window = CreateWindowW(name, L"", 0, 0, 0, 0, 0, parent, nullptr, nullptr, nullptr);
  }

  // Fixtures whose check must not share its process with the server's
  // threads (32-bit processes under user-mode emulation do not survive
  // them) serve their data files from a folder, through a single-threaded
  // server in another process that CTest starts (scripts/http-folder) and
  // names in WENDRIX_TEST_HTTP_ROOT. Such a server answers a file or 404.
  virtual bool ServesFromFolder() const { return false; }

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
  std::wstring ErrorFile(const std::wstring& id) {
    std::wstring path;
    ErrorFilePath(id, path);
    return ReadText(path);
  }

  void OpenServedFolder() {
    const char* root = std::getenv("WENDRIX_TEST_HTTP_ROOT");
    ASSERT_TRUE(root && *root) << "WENDRIX_TEST_HTTP_ROOT is set by CTest: run this test through ctest";
    std::string windowsRoot = std::string("Z:") + root;  // Wine's Z: is the Unix root
    for (char& c : windowsRoot)
      if (c == '/') c = '\\';
    std::ifstream(windowsRoot + "\\port") >> m_folderPort;
    ASSERT_NE(m_folderPort, 0u) << "no server listens for " << root;
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    m_folder = std::filesystem::path(windowsRoot) /
               (std::string(test->test_suite_name()) + "." + test->name() + "." + std::to_string(GetCurrentProcessId()));
    std::filesystem::create_directories(m_folder);
  }

  TestHttpServer m_server;
  std::filesystem::path m_folder;  // empty unless ServesFromFolder()
  unsigned m_folderPort = 0;
  HMODULE m_library = nullptr;
  HWND m_window = nullptr;
  const wchar_t* m_windowClass = nullptr;
  InternetSettings m_settings;
  CTransfer m_transfer;
  CCheckClient m_client;
  CPublisherStore m_store;
  std::uint32_t m_flags = 0;
  SaveErrorBoxes m_saveErrors;
};

}  // namespace wendrix::test
