#include "update/director_thread.h"

#include "update/check_engine.h"
#include "update/self_update.h"

namespace wendrix {
namespace {

constexpr UINT kRunCheckJob = WM_APP;
constexpr UINT kRunUpdateJob = WM_APP + 1;
constexpr DWORD kStartWaitMs = 3000;
constexpr HRESULT kJobRunning = HResultFromWin32(ERROR_SERVICE_ALREADY_RUNNING);

}  // namespace

CDirectorThread::~CDirectorThread() {
  if (!m_thread) return;
  PostThreadMessageW(m_threadId, WM_QUIT, 0, 0);
  // A running job still sends its progress to the window, which may belong
  // to this very thread: its messages are delivered while we wait.
  const HANDLE thread = m_thread.Get();
  while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

DWORD WINAPI CDirectorThread::ThreadMain(void* param) {
  auto* self = static_cast<CDirectorThread*>(param);
  MSG message;
  // The first call gives the thread its message queue; only then can jobs be posted.
  PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
  SetEvent(self->m_ready.Get());
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (message.hwnd != nullptr) continue;
    if (message.message == kRunCheckJob) self->RunCheckJob();
    if (message.message == kRunUpdateJob) self->RunUpdateJob();
  }
  return 0;
}

HRESULT CDirectorThread::EnsureThread() {
  if (m_thread && WaitForSingleObject(m_thread.Get(), 0) == WAIT_TIMEOUT) return S_OK;
  m_ready.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  RETURN_LAST_ERROR_IF(!m_ready);
  m_thread.Reset(CreateThread(nullptr, 0, ThreadMain, this, 0, &m_threadId));
  RETURN_LAST_ERROR_IF(!m_thread);
  if (WaitForSingleObject(m_ready.Get(), kStartWaitMs) != WAIT_OBJECT_0) return HResultFromWin32(ERROR_TIMEOUT);
  return S_OK;
}

HRESULT CDirectorThread::StartCheck(InternetSettings* settings, CPublisherStore* store, const wchar_t* filter,
                                    std::uint32_t options, HWND notify) {
  RETURN_IF_FAILED(EnsureThread());
  bool idle = false;
  if (!m_busy.compare_exchange_strong(idle, true)) return kJobRunning;
  try {
    m_hasFilter = filter != nullptr;
    m_filter = filter ? filter : L"";
  } catch (const std::bad_alloc&) {
    m_busy = false;
    return E_OUTOFMEMORY;
  }
  m_settings = settings;
  m_store = store;
  m_options = options;
  m_notify = notify;
  if (!PostThreadMessageW(m_threadId, kRunCheckJob, 0, 0)) {
    m_busy = false;
    return LastErrorResult();
  }
  return S_OK;
}

HRESULT CDirectorThread::StartUpdate(const wchar_t* url, const wchar_t* rename, const wchar_t* parameters,
                                     InternetSettings* settings, HWND notify, const Sha256Digest* pin) {
  RETURN_IF_FAILED(EnsureThread());
  bool idle = false;
  if (!m_busy.compare_exchange_strong(idle, true)) return kJobRunning;
  try {
    m_url = url ? url : L"";
    m_hasRename = rename != nullptr;
    m_rename = rename ? rename : L"";
    m_hasParameters = parameters != nullptr;
    m_parameters = parameters ? parameters : L"";
  } catch (const std::bad_alloc&) {
    m_busy = false;
    return E_OUTOFMEMORY;
  }
  m_settings = settings;
  m_notify = notify;
  m_pin = pin ? std::optional<Sha256Digest>(*pin) : std::nullopt;
  if (!PostThreadMessageW(m_threadId, kRunUpdateJob, 0, 0)) {
    m_busy = false;
    return LastErrorResult();
  }
  return S_OK;
}

void CDirectorThread::RunCheckJob() {
  const HWND notify = m_notify;  // the next job may set its own once busy is cleared
  SetWindow(notify);
  const HRESULT result =
      RunCheck(m_transfer, this, m_settings, m_store, m_hasFilter ? m_filter.c_str() : nullptr, m_options);
  m_busy = false;
  if (notify) SendMessageW(notify, kMsgJobDone, kJobCheck, static_cast<LPARAM>(result));
}

void CDirectorThread::RunUpdateJob() {
  const HWND notify = m_notify;
  SetWindow(notify);
  const HRESULT result = RunUpdate(m_transfer, m_url.c_str(), m_hasRename ? m_rename.c_str() : nullptr,
                                   m_hasParameters ? m_parameters.c_str() : nullptr, this, m_settings, true,
                                   m_pin ? &*m_pin : nullptr);
  m_busy = false;
  if (notify) SendMessageW(notify, kMsgJobDone, kJobUpdate, static_cast<LPARAM>(result));
}

}  // namespace wendrix
