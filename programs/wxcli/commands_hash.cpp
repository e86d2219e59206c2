// hash: the SHA-256 of each file as the line a publisher pastes into an
// action, in the order of the action's files; the file's name follows as a
// comment, which the loader skips.
#include <string>

#include "console.h"
#include "frame/messages.h"
#include "platform/sha256_hash.h"

using namespace wendrix;

namespace wxcli {

int CommandHash(Args args) {
  if (args.empty()) {
    Err(L"usage: wxcli hash FILE...\n");
    return 2;
  }
  int status = 0;
  for (const std::wstring& file : args) {
    Sha256Digest digest{};
    const HRESULT hr = HashFileSha256(file.c_str(), digest);
    if (FAILED(hr)) {
      Err(file + L": " + ErrorText(hr) + L" (" + Hex(static_cast<unsigned long>(hr)) + L")\n");
      status = 1;
      continue;
    }
    const std::size_t slash = file.find_last_of(L"\\/");
    Out(L"SHA256 = " + FormatSha256Text(digest) + L" ; " + (slash == std::wstring::npos ? file : file.substr(slash + 1)) +
        L"\n");
  }
  return status;
}

}  // namespace wxcli
