// libFuzzer target: the display request a running main window receives as
// WM_COPYDATA, which any process on the desktop can send.
//
// Whatever the bytes: no crash; a request that decodes encodes to bytes that
// decode to the same request, and the command line that starts the main
// program with it reads back as exactly its six parameters, each text whole,
// so that no text can pass switches of its own ("/x:" runs a command).
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "update/display_request.h"

using namespace wendrix;

namespace {

bool Same(const DisplayRequest& a, const DisplayRequest& b) {
  return a.flags == b.flags && a.publisher == b.publisher && a.group == b.group && a.item == b.item &&
         a.commandLine == b.commandLine && a.currentDirectory == b.currentDirectory;
}

std::wstring Hex(std::uint32_t value) {
  wchar_t text[16];
  std::swprintf(text, 16, L"%X", value);
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  DisplayRequest request;
  if (FAILED(DecodeDisplayRequest(data, size, request))) return 0;
  const std::vector<std::uint8_t> encoded = EncodeDisplayRequest(request);
  DisplayRequest again;
  if (FAILED(DecodeDisplayRequest(encoded.data(), encoded.size(), again)) || !Same(again, request)) std::abort();
  const std::vector<std::wstring> expected = {L"/p:" + request.publisher,
                                              L"/g:" + request.group,
                                              L"/i:" + request.item,
                                              L"/f:0x" + Hex(request.flags | kDisplayInProcess),
                                              L"/x:" + request.commandLine,
                                              L"/u:" + request.currentDirectory};
  if (ReadQuotedParameters(MainProgramParameters(request)) != expected) std::abort();
  return 0;
}
