#include <windows.h>

#include <string_view>
#include <vector>

#include "platform/temporary_file.h"
#include "platform/unique_handle.h"
#include "wallet/encoded_file.h"

namespace wendrix {

HRESULT ToggleFileEncoding(const wchar_t* path) {
  if (!path) return E_INVALIDARG;
  UniqueFile source(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  RETURN_LAST_ERROR_IF(!source);
  CTemporaryFile target;
  RETURN_IF_FAILED(target.CreateBeside(path));
  std::vector<std::uint8_t> block(1 << 16);
  for (std::uint64_t offset = 0;;) {
    DWORD read = 0;
    RETURN_LAST_ERROR_IF(!ReadFile(source.Get(), block.data(), static_cast<DWORD>(block.size()), &read, nullptr));
    if (read == 0) break;
    ToggleEncoding(std::span(block.data(), read), offset);
    RETURN_IF_FAILED(target.Write(std::string_view(reinterpret_cast<const char*>(block.data()), read)));
    offset += read;
  }
  source.Reset();
  return target.MoveOver(path);
}

}  // namespace wendrix
