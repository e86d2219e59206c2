#pragma once
// Store-backed tests of the publisher queries: the store's folders point at
// temporary ones, publishers are registered for the current user with their
// stored data file, and the exports are called through the loaded library.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "../support/shell_folder_redirect.h"
#include "frame/module_state.h"
#include "registration/list_file.h"
#include "registration/registration.h"
#include "wendrix.h"

namespace wendrix::test {

inline constexpr wchar_t kAcmeId[] = L"1.2.3";

// Acme's data: an editor with pages, a download and a purchase page, in group
// "tools" with a plug-in; a viewer in no group. The editor's installed version
// is Acme's registered version.
inline constexpr wchar_t kAcmeData[] =
    L"[Publisher]\r\nID = 1.2.3\r\nName = Acme\r\nHomePage = http://acme.example/\r\n"
    L"DataSource = http://acme.example/a.wx-cnf\r\nApplication = \"Kestmoor(R) Wendrix(TM)\"\r\n"
    L"[Text]\r\nID = t-editor\r\nText = en, Editor\r\n[Text]\r\nID = t-viewer\r\nText = en, Viewer\r\n"
    L"[Text]\r\nID = t-plugin\r\nText = en, Plug-in\r\n[Text]\r\nID = t-tools\r\nText = en, Tools\r\n"
    L"[InstalledVersion]\r\nID = iv\r\nPublisher = 1.2.3\r\n"
    L"[Item]\r\nID = editor\r\nTitle = t-editor\r\nType = Software\r\nInstalledVersion = iv\r\n"
    L"Action = home\r\nAction = help\r\nAction = get\r\nAction = buy\r\n"
    L"[Item]\r\nID = plugin\r\nTitle = t-plugin\r\nType = Software\r\nAction = get\r\n"
    L"[Item]\r\nID = viewer\r\nTitle = t-viewer\r\nType = Document\r\nAction = get\r\n"
    L"[Action]\r\nID = home\r\nType = Open\r\nSubtype = HomePage\r\nURL = http://acme.example/editor/\r\n"
    L"[Action]\r\nID = help\r\nType = Open\r\nSubtype = Support\r\nURL = MailTo:help@acme.example\r\n"
    L"[Action]\r\nID = get\r\nType = Download\r\nSubtype = Generic\r\nVersion = 2.1\r\n"
    L"URL = http://acme.example/e.exe\r\n"
    L"[Action]\r\nID = buy\r\nType = Buy\r\nSubtype = Generic\r\nURL = https://shop.acme.example/editor\r\n"
    L"[Group]\r\nID = tools\r\nTitle = t-tools\r\nItems = editor, plugin\r\n";

class ApiTest : public ShellFolderTest {
 protected:
  void SetUp() override {
    ShellFolderTest::SetUp();
    m_library = LoadLibraryW(sizeof(void*) == 8 ? L"wendrix64.dll" : L"wendrix.dll");
    ASSERT_NE(m_library, nullptr);
    // The queries called directly read the module version from here.
    ASSERT_TRUE(InitializeModuleState(m_library));
    Version = Export<decltype(&WendrixVersion)>("WendrixVersion");
    Url = Export<decltype(&WendrixURL)>("WendrixURL");
    Open = Export<decltype(&WendrixOpen)>("WendrixOpen");
    Buy = Export<decltype(&WendrixBuy)>("WendrixBuy");
    Info = Export<decltype(&WendrixInfo)>("WendrixInfo");
  }
  void TearDown() override {
    if (m_library) FreeLibrary(m_library);
    ShellFolderTest::TearDown();
  }

  template <typename F>
  F Export(const char* name) {
    auto f = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(m_library, name)));
    EXPECT_NE(f, nullptr) << name;
    return f;
  }

  // Registers a publisher for the current user and, when `data` is given,
  // stores it as the publisher's data file.
  void Register(const std::wstring& id, const std::wstring& name, const std::wstring& homePage,
                const std::wstring& version, const wchar_t* data, StoreScope scope = kScopeCurrentUser) {
    Registration r;
    r.id = id;
    r.name = name;
    r.homePage = homePage;
    r.dataSource = homePage + L"data.wx-cnf";
    r.version = version;
    r.hasCount = true;
    r.count = 1;
    ASSERT_EQ(RegisterInScope(r, scope, nullptr), S_OK);
    if (data) WriteFile(UserFolder(), (id + L".ini").c_str(), data);
  }
  void RegisterAcme() { Register(kAcmeId, L"Acme", L"http://acme.example/", L"1.5", kAcmeData); }

  // Calls a text export; the text, "(null)", or the failure as "failed 0x...".
  template <typename Call>
  static std::wstring TextOf(Call call) {
    WCHAR* out = reinterpret_cast<WCHAR*>(0x1);  // a stale value that must be cleared
    const HRESULT hr = call(&out);
    if (FAILED(hr)) {
      wchar_t code[32];
      swprintf(code, 32, L"failed 0x%08X", static_cast<unsigned>(hr));
      return code;
    }
    if (!out) return L"(null)";
    std::wstring text = out;
    GlobalFree(out);
    return text;
  }

  HMODULE m_library = nullptr;
  decltype(&WendrixVersion) Version = nullptr;
  decltype(&WendrixURL) Url = nullptr;
  decltype(&WendrixOpen) Open = nullptr;
  decltype(&WendrixBuy) Buy = nullptr;
  decltype(&WendrixInfo) Info = nullptr;
};

}  // namespace wendrix::test
