// Fetches an address through the library's transfer layer with the user's
// settings, as a check would fetch a publisher's data file.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>

#include "console.h"
#include "frame/messages.h"
#include "publisher_file.h"
#include "update/client.h"
#include "update/settings.h"
#include "update/transfer.h"

namespace wxcli {
namespace {

using namespace wendrix;

// Prints the progress on the error stream, one line per tenth.
class ConsoleClient : public CClient {
 public:
  bool SetRange(std::uint64_t, std::uint64_t maximum) override {
    m_total = maximum;
    return true;
  }
  void SetPosition(std::uint64_t position) override {
    if (!m_total) return;
    const std::uint64_t tenth = position * 10 / m_total;
    if (tenth == m_lastTenth) return;
    m_lastTenth = tenth;
    Err(std::to_wstring(position) + L" of " + std::to_wstring(m_total) + L" bytes\n");
  }

 private:
  std::uint64_t m_total = 0, m_lastTenth = 0;
};

}  // namespace

int CommandFetch(Args args) {
  std::wstring out;
  const bool toFile = TakeOption(args, L"--out", out);
  const bool progress = TakeFlag(args, L"--progress");
  if (args.size() != 1) {
    Err(L"usage: wxcli fetch URL [--out FILE] [--progress]   (with the user's proxy, attempts and pauses)\n");
    return 2;
  }
  InitializeLibraryState();
  std::unique_ptr<InternetSettings> settings;
  HRESULT hr = LoadSettings(settings);
  if (SUCCEEDED(hr)) {
    ConsoleClient client;
    CTransfer transfer;
    transfer.Bind(&client, settings.get());
    hr = transfer.Fetch(args[0].c_str(), toFile ? out.c_str() : nullptr, progress ? kFetchProgress : 0);
    if (SUCCEEDED(hr) && !toFile) {
      fflush(stdout);
      fwrite(transfer.Result().Data(), 1, transfer.Result().Count(), stdout);
      fflush(stdout);
    }
  }
  if (FAILED(hr)) {
    Err(L"fetch: error " + Hex(static_cast<unsigned long>(hr)) + L" " + ErrorText(hr) + L"\n");
    return 1;
  }
  return 0;
}

}  // namespace wxcli
