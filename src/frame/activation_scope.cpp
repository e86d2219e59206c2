#include "frame/activation_scope.h"

#include "frame/module_state.h"

namespace wendrix {
namespace {

INIT_ONCE g_once = INIT_ONCE_STATIC_INIT;
HANDLE g_context = INVALID_HANDLE_VALUE;

BOOL CALLBACK CreateContext(PINIT_ONCE, PVOID, PVOID*) {
  if (!Module().module) return FALSE;  // not done: the next call tries again
  ACTCTXW context{};
  context.cbSize = sizeof(context);
  context.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
  context.hModule = Module().module;
  context.lpResourceName = MAKEINTRESOURCEW(2);  // ISOLATIONAWARE_MANIFEST_RESOURCE_ID
  g_context = CreateActCtxW(&context);
  return g_context != INVALID_HANDLE_VALUE;  // a failure is tried again on the next use
}

}  // namespace

HANDLE LibraryActivationContext() noexcept {
  InitOnceExecuteOnce(&g_once, CreateContext, nullptr, nullptr);
  return g_context;
}

void ReleaseLibraryActivationContext() noexcept {
  if (g_context != INVALID_HANDLE_VALUE) ReleaseActCtx(g_context);
  g_context = INVALID_HANDLE_VALUE;
}

}  // namespace wendrix
