// WendrixSystem end to end, against the management service, DirectX
// diagnostics and version information of the running system.
#include <windows.h>
#include <wbemidl.h>

#include <gtest/gtest.h>

#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "sysinfo/os_version_win.h"
#include "wendrix.h"

namespace wendrix::test {
namespace {

const std::wregex kDirectXPattern(L"[0-9]+\\.[0-9]+\\.[0-9]+");
WCHAR* const kUntouched = reinterpret_cast<WCHAR*>(static_cast<std::uintptr_t>(0xDEADBEEF));

struct Answer {
  HRESULT hr;
  std::optional<std::wstring> text;
};

// Asks one query; checks that the answer is a GlobalAlloc'd block sized for
// its text, frees it, and returns its text.
Answer Ask(const std::wstring& query) {
  WCHAR* out = kUntouched;
  const HRESULT hr = WendrixSystem(L"sysinfo tests", query.c_str(), 0xFFFFFFFF, &out);
  Answer answer{hr, std::nullopt};
  if (out == kUntouched) {
    ADD_FAILURE() << "the answer pointer was not set for " << query;
  } else if (out) {
    answer.text = out;
    EXPECT_TRUE(SUCCEEDED(hr)) << "an answer after a failure for " << query;
    EXPECT_GE(GlobalSize(out), (answer.text->size() + 1) * sizeof(WCHAR)) << query;
    EXPECT_EQ(nullptr, GlobalFree(out)) << query;
  }
  return answer;
}

bool IsDecimal(const std::optional<std::wstring>& text) {
  return text && std::regex_match(*text, std::wregex(L"[0-9]+"));
}

unsigned Count(const std::wstring& query) {
  const Answer count = Ask(query);
  EXPECT_EQ(S_OK, count.hr) << query;
  EXPECT_TRUE(IsDecimal(count.text)) << query;
  return IsDecimal(count.text) ? static_cast<unsigned>(std::stoul(*count.text)) : 0u;
}

TEST(SystemExportTest, NullPointersAndMalformedQueries) {
  WCHAR* out = kUntouched;
  EXPECT_EQ(E_POINTER, WendrixSystem(L"x", nullptr, 0, &out));
  EXPECT_EQ(kUntouched, out) << "checked before any work";
  EXPECT_EQ(E_POINTER, WendrixSystem(nullptr, L"OS", 0, nullptr));
  // The query syntax is tested on its own; here that its refusal comes back.
  for (const wchar_t* query : {L"", L"Processor\\0\\Model", L"PNP\\*\\DeviceID"}) {
    const Answer answer = Ask(query);
    EXPECT_EQ(E_INVALIDARG, answer.hr) << query;
    EXPECT_FALSE(answer.text) << query;
  }
}

TEST(SystemExportTest, ManagementSources) {
  const unsigned count = Count(L"processor\\\\NAME");
  ASSERT_GE(count, 1u) << "Win32_Processor lists no central processor";
  for (unsigned i = 0; i <= count; ++i) {
    const Answer name = Ask(L"Processor\\" + std::to_wstring(i) + L"\\Name");
    EXPECT_EQ(S_OK, name.hr);
    EXPECT_EQ(i < count, name.text && !name.text->empty()) << i << ": an index past the last has no answer";
  }
  EXPECT_TRUE(IsDecimal(Ask(L"Processor\\0\\MaxClockSpeed").text)) << "numbers come as decimal text";
  for (const wchar_t* query : {L"bios\\manufacturer", L"ComputerSystem\\Model", L"BaseBoard\\Product",
                               L"ComputerSystemProduct\\0\\Name"}) {
    const Answer answer = Ask(query);
    EXPECT_EQ(S_OK, answer.hr) << query;
    EXPECT_TRUE(answer.text) << query;
  }
  EXPECT_EQ(1u, Count(L"ComputerSystemProduct\\\\Vendor"));
}

TEST(SystemExportTest, LocalAnswers) {
  BOOL wow64 = FALSE;
  IsWow64Process(GetCurrentProcess(), &wow64);
  EXPECT_EQ((sizeof(void*) == 8 || wow64) ? L"x64" : L"x86", Ask(L"architecture").text);

  OSVERSIONINFOEXW version{};
  version.dwOSVersionInfoSize = sizeof(version);
  ASSERT_TRUE(GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version)));
  const std::wstring prefix = std::to_wstring(version.dwPlatformId) + L"." + std::to_wstring(version.dwMajorVersion) +
                              L"." + std::to_wstring(version.dwMinorVersion) + L".";
  EXPECT_EQ(prefix + std::to_wstring(version.dwBuildNumber), Ask(L"OS").text);
  EXPECT_EQ(prefix + std::to_wstring(version.wServicePackMajor), Ask(L"os-sp").text);

  const Answer language = Ask(L"Language");
  EXPECT_EQ(S_OK, language.hr);
  ASSERT_TRUE(language.text);
  EXPECT_TRUE(std::regex_match(*language.text, std::wregex(L"[a-z]{2}"))) << *language.text;

  const Answer directX = Ask(L"directx");
  EXPECT_EQ(S_OK, directX.hr);
  if (directX.text) EXPECT_TRUE(std::regex_match(*directX.text, kDirectXPattern)) << *directX.text;
}

TEST(SystemExportTest, OperatingSystemNameFitsTheBuffer) {
  const std::wstring name = OperatingSystemName();
  ASSERT_FALSE(name.empty());
  if (name.rfind(L"Windows 7", 0) != 0) GTEST_SKIP() << "the prefix reports " << name << ", not Windows 7";
  EXPECT_EQ(L"Windows 7", name) << "no edition from version 6 on";
  wchar_t buffer[8] = {L'x', L'x', L'x', L'x', L'x', L'x', L'x', L'x'};
  OperatingSystemName(buffer, 8);
  EXPECT_STREQ(L"Windows", buffer);
  OperatingSystemName(buffer, 1);
  EXPECT_STREQ(L"", buffer);
  buffer[0] = L'x';
  OperatingSystemName(buffer, 0);
  EXPECT_EQ(L'x', buffer[0]);
}

// The pattern rules are tested on their own; here the devices they pick.
TEST(SystemExportTest, PnpDevices) {
  const unsigned all = Count(L"PNP\\*\\\\DeviceID");
  EXPECT_EQ(all, Count(L"PNP\\*\\\\Caption")) << "the count needs no caption";
  if (all == 0) GTEST_SKIP() << "Win32_PnPEntity lists no devices";
  EXPECT_EQ(all, Count(L"PNP\\\\\\DeviceID")) << "an empty pattern matches everything";
  EXPECT_EQ(all, Count(L"pnp\\**\\\\deviceversion")) << "DeviceVersion counts the same devices";
  EXPECT_EQ(0u, Count(L"PNP\\NO_SUCH_BUS\\*\\\\DeviceID"));
  const Answer none = Ask(L"PNP\\NO_SUCH_BUS\\*\\0\\DeviceID");
  EXPECT_EQ(S_OK, none.hr);
  EXPECT_FALSE(none.text);

  // A device's identifier without its instance part selects it again as a
  // pattern with a trailing star; the pattern holds backslashes. Its
  // revision is the one the identifier carries.
  std::optional<std::wstring> id;
  for (unsigned i = 0; i < all; ++i) {
    const std::wstring index = L"\\" + std::to_wstring(i) + L"\\";
    const std::optional<std::wstring> cut = Ask(L"PNP\\*" + index + L"DeviceID").text;
    if (cut && !id) id = cut;
    const std::size_t tag = cut ? cut->find(L"&REV_") : std::wstring::npos;
    if (tag == std::wstring::npos) continue;
    const std::wstring revision = cut->substr(tag + 5, cut->find_first_of(L"&\\", tag + 5) - tag - 5);
    EXPECT_EQ(revision, Ask(L"PNP\\*" + index + L"DeviceVersion").text) << *cut;
  }
  ASSERT_TRUE(id) << "no device identifier has an instance part";
  EXPECT_GE(Count(L"PNP\\" + *id + L"\\*\\\\DeviceID"), 1u) << *id;
  EXPECT_EQ(0u, Count(L"PNP\\" + *id + L"\\\\DeviceID")) << "without the star the whole identifier must match";

  const Answer caption = Ask(L"PNP\\*\\0\\Caption");
  if (caption.hr != static_cast<HRESULT>(WBEM_E_NOT_FOUND)) EXPECT_EQ(S_OK, caption.hr);  // Wine has no Caption
  const Answer driver = Ask(L"PNP\\*\\*\\0\\DriverVersion");
  EXPECT_EQ(Count(L"PNP\\*\\\\DriverVersion") > 0, driver.text.has_value());
}

TEST(SystemExportTest, ComIsUninitialisedAfterEveryKindOfQuery) {
  for (const wchar_t* query : {L"Processor\\0\\Name", L"PNP\\*\\\\DeviceID", L"PNP\\*\\\\DriverVersion", L"DirectX",
                               L"Processor\\x\\Name", L"OS"}) {
    std::thread([query] {  // a caller's thread starts without COM
      Ask(query);
      // S_FALSE or RPC_E_CHANGED_MODE would mean COM was left initialised.
      EXPECT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED)) << query;
      CoUninitialize();
      EXPECT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) << query;
      CoUninitialize();
    }).join();
  }
}

TEST(SystemExportTest, CallersApartmentIsKept) {
  std::thread([] {
    ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    const Answer name = Ask(L"Processor\\0\\Name");
    EXPECT_EQ(S_OK, name.hr);
    EXPECT_TRUE(name.text) << "management queries work in a single-threaded apartment too";
    EXPECT_EQ(RPC_E_CHANGED_MODE, CoInitializeEx(nullptr, COINIT_MULTITHREADED)) << "the caller's COM is still there";
    CoUninitialize();
  }).join();
  // DirectX diagnostics need a single-threaded apartment; in a caller's
  // multithreaded one the system files still tell the version.
  std::thread([] {
    ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    const Answer directX = Ask(L"DirectX");
    EXPECT_EQ(S_OK, directX.hr);
    if (directX.text) {
      EXPECT_TRUE(std::regex_match(*directX.text, kDirectXPattern)) << *directX.text;
    }
    EXPECT_EQ(S_FALSE, CoInitializeEx(nullptr, COINIT_MULTITHREADED)) << "the caller's COM is still there";
    CoUninitialize();
    CoUninitialize();
  }).join();
}

TEST(SystemExportTest, ConcurrentCallers) {
  const std::optional<std::wstring> expected = Ask(L"Processor\\0\\Name").text;
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i)
    threads.emplace_back([&expected] {
      for (int j = 0; j < 3; ++j) EXPECT_EQ(expected, Ask(L"Processor\\0\\Name").text);
    });
  for (std::thread& thread : threads) thread.join();
}

}  // namespace
}  // namespace wendrix::test
