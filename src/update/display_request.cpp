#include "update/display_request.h"

#include <array>

namespace wendrix {
namespace {

// The order in which a view flag wins over the others.
constexpr std::array<std::uint32_t, 5> kViewOrder = {kDisplayOptions, kDisplayAbout, kDisplayAllItems,
                                                     kDisplayWallet, kDisplayHistory};
constexpr std::uint32_t kViewFlags = kDisplayOptions | kDisplayAbout | kDisplayAllItems | kDisplayWallet |
                                     kDisplayHistory;
constexpr std::size_t kTextCount = 5;

std::wstring TextOrEmpty(const wchar_t* text) { return text ? std::wstring(text) : std::wstring(); }

void AppendUnit(std::vector<std::uint8_t>& out, std::uint32_t unit) {
  out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
  out.push_back(static_cast<std::uint8_t>((unit >> 8) & 0xFF));
}

// wchar_t holds one UTF-16 code unit on Windows and on the host alike, so a
// text travels unit by unit without conversion.
void AppendText(std::vector<std::uint8_t>& out, const std::wstring& text) {
  for (wchar_t c : text) AppendUnit(out, static_cast<std::uint32_t>(c));
  AppendUnit(out, 0);
}

std::wstring DoubledQuotes(const std::wstring& text) {
  std::wstring out;
  out.reserve(text.size());
  for (wchar_t c : text) {
    out += c;
    if (c == L'"') out += L'"';
  }
  return out;
}

std::wstring UpperHex(std::uint32_t value) {
  constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
  std::wstring out;
  do {
    out.insert(out.begin(), kDigits[value & 0xF]);
    value >>= 4;
  } while (value);
  return out;
}

}  // namespace

std::uint32_t NormaliseDisplayFlags(std::uint32_t flags) noexcept {
  for (std::uint32_t view : kViewOrder)
    if (flags & view) return (flags & ~kViewFlags) | view;
  return flags;
}

DisplayRequest MakeDisplayRequest(std::uint32_t flags, const wchar_t* publisher, const wchar_t* group,
                                  const wchar_t* item, const wchar_t* commandLine, const wchar_t* currentDirectory) {
  DisplayRequest request;
  request.flags = NormaliseDisplayFlags(flags);
  request.publisher = TextOrEmpty(publisher);
  request.group = TextOrEmpty(group);
  request.item = TextOrEmpty(item);
  request.commandLine = TextOrEmpty(commandLine);
  request.currentDirectory = TextOrEmpty(currentDirectory);
  return request;
}

std::vector<std::uint8_t> EncodeDisplayRequest(const DisplayRequest& request) {
  std::vector<std::uint8_t> out;
  out.reserve(4 + 2 * (request.publisher.size() + request.group.size() + request.item.size() +
                       request.commandLine.size() + request.currentDirectory.size() + kTextCount));
  AppendUnit(out, request.flags & 0xFFFF);
  AppendUnit(out, request.flags >> 16);
  for (const std::wstring* text : {&request.publisher, &request.group, &request.item, &request.commandLine,
                                   &request.currentDirectory})
    AppendText(out, *text);
  return out;
}

HRESULT DecodeDisplayRequest(const std::uint8_t* data, std::size_t size, DisplayRequest& request) {
  if (!data || size < 4 || (size - 4) % 2 != 0) return E_INVALIDARG;
  DisplayRequest decoded;
  decoded.flags = static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8 |
                  static_cast<std::uint32_t>(data[2]) << 16 | static_cast<std::uint32_t>(data[3]) << 24;
  std::wstring* texts[kTextCount] = {&decoded.publisher, &decoded.group, &decoded.item, &decoded.commandLine,
                                     &decoded.currentDirectory};
  std::size_t done = 0;
  for (std::size_t i = 4; i < size; i += 2) {
    const wchar_t unit = static_cast<wchar_t>(data[i] | data[i + 1] << 8);
    if (done == kTextCount) return E_INVALIDARG;  // bytes after the last text
    if (unit == 0) ++done;
    else texts[done]->push_back(unit);
  }
  if (done != kTextCount) return E_INVALIDARG;
  request = std::move(decoded);
  return S_OK;
}

std::wstring MainProgramParameters(const DisplayRequest& request) {
  // Every text goes inside quotes with its own quotes doubled: one left
  // single would end the text early and let the rest of it pass as
  // switches of its own ("/x:" runs a command).
  return L"\"/p:" + DoubledQuotes(request.publisher) + L"\" \"/g:" + DoubledQuotes(request.group) + L"\" \"/i:" +
         DoubledQuotes(request.item) + L"\" /f:0x" + UpperHex(request.flags | kDisplayInProcess) + L" \"/x:" +
         DoubledQuotes(request.commandLine) + L"\" \"/u:" + DoubledQuotes(request.currentDirectory) + L"\"";
}

std::vector<std::wstring> ReadQuotedParameters(std::wstring_view commandLine) {
  std::vector<std::wstring> parameters;
  std::wstring current;
  bool started = false, quoted = false;
  for (std::size_t i = 0; i < commandLine.size(); ++i) {
    const wchar_t c = commandLine[i];
    if (quoted) {
      if (c != L'"') current += c;
      else if (i + 1 < commandLine.size() && commandLine[i + 1] == L'"') current += commandLine[i++];
      else quoted = false;
    } else if (c == L' ' || c == L'\t') {
      if (started) parameters.push_back(std::move(current));
      current.clear();
      started = false;
    } else {
      started = true;
      if (c == L'"') quoted = true;
      else current += c;
    }
  }
  if (started) parameters.push_back(std::move(current));
  return parameters;
}

}  // namespace wendrix
