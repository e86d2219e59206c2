#include "registration/branding.h"

#include <mutex>

#include "core/placeholders.h"
#include "frame/module_state.h"
#include "publisher/windows_environment.h"
#include "registration/publisher_store.h"

namespace wendrix {
namespace {

constexpr std::size_t kPublisherIdLimit = 99;

std::mutex g_lock;
std::wstring g_publisherId;

}  // namespace

HRESULT BrandForPublisher(std::wstring_view publisherId) {
  if (publisherId.empty() || publisherId.size() > kPublisherIdLimit) return E_INVALIDARG;
  try {
    CPublisherStore store;
    RETURN_IF_FAILED(store.Open(false, nullptr));
    const PublisherRecord* record = store.Find(publisherId);
    if (!record) return S_FALSE;
    const WindowsPublisherEnvironment env(Module().version);
    const std::wstring* name = ApplicationNameFor(*record, env);
    SetBrandedName(name ? *name : std::wstring_view(), record->applicationIcon);
    std::lock_guard guard(g_lock);
    g_publisherId = record->id;
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

std::wstring BrandedPublisherId() {
  std::lock_guard guard(g_lock);
  return g_publisherId;
}

}  // namespace wendrix
