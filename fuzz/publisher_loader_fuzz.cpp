// libFuzzer target: the publisher data loader, plain and wallet mode.
//
// The first byte picks the mode, the load options and whether the publisher
// is the self publisher; the rest is the file (decoded as the library
// decodes files). Whatever the input: no crash, and a failed load leaves
// every collection empty and names a line only for errors that have one; a
// strict load keeps an action's SHA256 lines only when there is one per file.
#include <cstdlib>
#include <string>

#include "../tests/publisher/fake_environment.h"
#include "core/text_encoding.h"
#include "publisher/loader.h"

using namespace wendrix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t control = bytes[0];
  const std::wstring text = DecodeTextFile(std::string_view(reinterpret_cast<const char*>(bytes + 1), size - 1),
                                           SystemCodePage(3));

  test::FakeEnvironment env;
  env.installed[L"iv"] = L"1.2";
  env.folders[L"p"] = L"C:\\Folder";
  test::FakePublisherList publishers;
  publishers.versions[L"1.2.3"] = L"2.0";

  PublisherData data;
  data.publisher.id = L"1.2.3";
  data.publisher.name = L"Acme";
  data.publisher.homePage = L"http://www.acme.example/";
  data.publisher.dataSource = L"http://www.acme.example/acme.wx-cnf";
  if (control & 0x10) data.publisher.flags |= kPublisherSelf;
  WalletFields wallet;
  std::uint32_t line = 0xFFFFFFFF;
  const HRESULT hr = LoadPublisherData(text.c_str(), &data, (control & 0x20) ? nullptr : &publishers,
                                       (control & 0x08) ? &wallet : nullptr, &line, control & 0x07, env);
  if (hr != S_OK && hr != S_FALSE && SUCCEEDED(hr)) std::abort();
  if (SUCCEEDED(hr) && line != 0) std::abort();
  if (FAILED(hr) && !(data.items.empty() && data.actions.empty() && data.messages.empty() && data.conditions.empty() &&
                      data.groups.empty() && data.texts.empty() && data.paths.empty() && data.freeUpdates.empty() &&
                      data.installedVersions.empty() && data.displayStyles.empty() && data.icons.empty()))
    std::abort();
  if (SUCCEEDED(hr) && (control & kLoadStrict))
    for (const Action& action : data.actions)
      if (!action.sha256.empty() && action.sha256.size() != ActionFileCount(action)) std::abort();
  return 0;
}
