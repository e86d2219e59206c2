#include "publisher/item_version.h"

#include <new>

#include "core/version.h"

namespace wendrix {

HRESULT ItemVersion(const PublisherData* data, const wchar_t* itemId, std::uint32_t flags,
                    std::optional<std::wstring>* out) noexcept {
  if (out == nullptr) return E_POINTER;
  if (data == nullptr || itemId == nullptr) return E_INVALIDARG;
  out->reset();
  const Item* item = data->FindItem(itemId);
  if (item == nullptr) return S_OK;
  const std::wstring* version = nullptr;
  if (flags & kItemVersionLatest) {
    if (!item->latestVersion.empty()) version = &item->latestVersion;
  } else if (item->installedVersion) {
    version = &*item->installedVersion;
  }
  if (version == nullptr) return S_OK;
  try {
    VersionParts parts{};
    if ((flags & kItemVersionForDisplay) && ParseVersion(*version, &parts) != 0) {
      wchar_t buffer[kDisplayVersionCapacity];
      const std::size_t length = FormatVersionForDisplay(data->FindDisplayStyle(item->displayStyleId), parts, buffer,
                                                         kDisplayVersionCapacity);
      out->emplace(buffer, length);
    } else {
      out->emplace(*version);
    }
  } catch (const std::bad_alloc&) {
    out->reset();
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

}  // namespace wendrix
