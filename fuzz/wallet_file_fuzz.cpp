// libFuzzer target: the Wallet file, read and written again.
//
// The input is a Wallet file (decoded as the library decodes files).
// Whatever it holds: no crash; every file name the entry would use is one
// plain name other than the Wallet file's own; and a file the library
// writes for the entry reads back and writes out again to the same bytes
// within the size limit.
#include <cstdlib>
#include <string>

#include "../tests/publisher/fake_environment.h"
#include "core/string_util.h"
#include "core/text_encoding.h"
#include "wallet/entry_naming.h"
#include "wallet/wallet_file.h"

using namespace wendrix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  const std::wstring text =
      DecodeTextFile(std::string_view(reinterpret_cast<const char*>(bytes), size), SystemCodePage(3));
  test::FakeEnvironment env;
  env.installed[L"iv"] = L"1.2";
  WalletEntry entry;
  if (FAILED(ReadWalletText(text, L"given", entry, env))) return 0;

  const std::uint32_t count = EntryFileCount(entry);
  for (std::uint32_t i = 0; i < count && i < 64; ++i) {
    const auto name = EntryFileName(entry, i);
    if (name && (!IsPlainFileName(*name) || CStringUtil::EqualsNoCase(*name, std::wstring_view(kWalletFileName))))
      std::abort();
  }

  std::string written;
  if (FAILED(WriteWalletFile(entry, written))) return 0;
  if (written.size() > kWalletFileLimit) std::abort();
  WalletEntry again;
  if (ReadWalletText(DecodeTextFile(written, SystemCodePage(3)), L"other", again, env) != S_OK) std::abort();
  std::string rewritten;
  if (WriteWalletFile(again, rewritten) != S_OK || rewritten != written) std::abort();
  return 0;
}
