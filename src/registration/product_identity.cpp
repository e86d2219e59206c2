#include "registration/product_identity.h"

#include <array>
#include <cstdint>
#include <cwchar>

#include "core/string_util.h"

namespace wendrix {
namespace {

// The maker's own products, which register the publishers they ship.
struct KnownProduct {
  const wchar_t* id;
  const wchar_t* name;
  std::array<const wchar_t*, 2> aliases;
};
constexpr KnownProduct kKnownProducts[] = {
    {L"{5F1C2A7E-3B4D-4E8F-9A61-0C2D7E3B5A14}", L"Wendrix", {L"Kestmoor Wendrix", L"wxsetup"}},
    {L"{8D3E6B21-7C59-4A0F-B2E4-1F6A9C8D0E37}", L"Pellister", {L"Kestmoor Pellister", nullptr}},
    {L"{2A9B4C6D-8E0F-4B1A-93C5-D7E2F4A6B810}", L"Kestmoor Directory", {L"KestmoorDirectory", nullptr}},
};

std::wstring_view Trimmed(std::wstring_view text) noexcept {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

const KnownProduct* FindKnownProduct(std::wstring_view caller) noexcept {
  for (const KnownProduct& product : kKnownProducts) {
    if (CStringUtil::EqualsNoCase(caller, product.id) || CStringUtil::EqualsNoCase(caller, product.name)) return &product;
    for (const wchar_t* alias : product.aliases)
      if (alias && CStringUtil::EqualsNoCase(caller, alias)) return &product;
  }
  return nullptr;
}

// Two FNV-1a passes with different starting values over the text, ASCII
// letters folded, give the 128 bits: the hash only has to be stable and
// spread well, the files it names are not secret.
std::wstring HashedIdentifier(std::wstring_view text) {
  std::uint64_t high = 0xcbf29ce484222325ull, low = 0x84222325cbf29ce4ull;
  for (wchar_t c : text) {
    const std::uint32_t unit = static_cast<std::uint16_t>(CStringUtil::FoldAscii(c));
    for (std::uint32_t byte : {unit & 0xFF, unit >> 8}) {
      high = (high ^ byte) * 0x100000001b3ull;
      low = (low ^ (byte ^ 0x5A)) * 0x100000001b3ull;
    }
  }
  wchar_t buffer[40];
  std::swprintf(buffer, 40, L"{%08X-%04X-%04X-%04X-%04X%08X}", static_cast<unsigned>(high >> 32),
                static_cast<unsigned>((high >> 16) & 0xFFFF), static_cast<unsigned>(high & 0xFFFF),
                static_cast<unsigned>(low >> 48), static_cast<unsigned>((low >> 32) & 0xFFFF),
                static_cast<unsigned>(low & 0xFFFFFFFF));
  return buffer;
}

}  // namespace

bool IsBracedGuid(std::wstring_view text) noexcept {
  if (text.size() != 38 || text.front() != L'{' || text.back() != L'}') return false;
  for (std::size_t i = 1; i < 37; ++i) {
    const wchar_t c = text[i];
    if (i == 9 || i == 14 || i == 19 || i == 24) {
      if (c != L'-') return false;
    } else if (HexDigitValue(c) < 0) {
      return false;
    }
  }
  return true;
}

HRESULT IdentifyCaller(std::wstring_view caller, ProductIdentity& identity) {
  caller = Trimmed(caller);
  if (caller.empty() || caller.size() > kMaxCallerLength) return E_INVALIDARG;
  for (wchar_t c : caller)
    if (c < 0x20 || c == 0x7F) return E_INVALIDARG;
  try {
    if (const KnownProduct* known = FindKnownProduct(caller)) {
      identity = ProductIdentity{known->id, known->name};
    } else if (IsBracedGuid(caller)) {
      std::wstring id(caller);
      for (wchar_t& c : id)
        if (c >= L'a' && c <= L'f') c = static_cast<wchar_t>(c - L'a' + L'A');
      identity = ProductIdentity{std::move(id), L""};
    } else {
      identity = ProductIdentity{HashedIdentifier(caller), std::wstring(caller)};
    }
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace wendrix
