#include "platform/sha256_hash.h"

#include <bcrypt.h>

#include <algorithm>
#include <new>
#include <vector>

#include "platform/system_library.h"

namespace wendrix {
namespace {

// An NTSTATUS failure as an HRESULT (the facility bit marks its origin).
HRESULT FromStatus(NTSTATUS status) noexcept {
  return status >= 0 ? S_OK : static_cast<HRESULT>(static_cast<std::uint32_t>(status) | 0x10000000u);
}

// Read in pieces this large when a file is hashed on its own.
constexpr DWORD kFileBlock = 256 * 1024;
// Smaller pieces are gathered up to this size before the provider sees them.
constexpr std::size_t kPendingSize = 64 * 1024;

}  // namespace

// The provider's functions, bound once for the process. The module stays
// loaded until the process ends: freeing it while the library unloads would
// call the loader from inside the loader.
struct Sha256Hash::Api {
  using OpenFn = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE*, LPCWSTR, LPCWSTR, ULONG);
  using CloseFn = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE, ULONG);
  using CreateFn = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE, BCRYPT_HASH_HANDLE*, PUCHAR, ULONG, PUCHAR, ULONG, ULONG);
  using DataFn = NTSTATUS(WINAPI*)(BCRYPT_HASH_HANDLE, PUCHAR, ULONG, ULONG);
  using FinishFn = NTSTATUS(WINAPI*)(BCRYPT_HASH_HANDLE, PUCHAR, ULONG, ULONG);
  using DestroyFn = NTSTATUS(WINAPI*)(BCRYPT_HASH_HANDLE);

  UniqueModule module;
  OpenFn open = nullptr;
  CloseFn close = nullptr;
  CreateFn create = nullptr;
  DataFn data = nullptr;
  FinishFn finish = nullptr;
  DestroyFn destroy = nullptr;

  Api() noexcept : module(LoadSystemLibrary(L"bcrypt.dll")) {
    if (!module) return;
    const HMODULE m = module.Get();
    open = ProcAddress<OpenFn>(m, "BCryptOpenAlgorithmProvider");
    close = ProcAddress<CloseFn>(m, "BCryptCloseAlgorithmProvider");
    create = ProcAddress<CreateFn>(m, "BCryptCreateHash");
    data = ProcAddress<DataFn>(m, "BCryptHashData");
    finish = ProcAddress<FinishFn>(m, "BCryptFinishHash");
    destroy = ProcAddress<DestroyFn>(m, "BCryptDestroyHash");
  }
  bool Complete() const noexcept { return open && close && create && data && finish && destroy; }

  static const Api& Get() noexcept {
    static const Api* const api = new (std::nothrow) Api();
    static const Api none{nullptr};
    return api ? *api : none;
  }

 private:
  explicit Api(std::nullptr_t) noexcept {}
};

Sha256Hash::Sha256Hash() noexcept : m_api(&Api::Get()) {}

Sha256Hash::~Sha256Hash() { Reset(); }

void Sha256Hash::Reset() noexcept {
  if (m_hash) m_api->destroy(m_hash);
  if (m_algorithm) m_api->close(m_algorithm, 0);
  m_hash = m_algorithm = nullptr;
  m_pendingSize = 0;
}

HRESULT Sha256Hash::Start() noexcept {
  Reset();
  if (!m_api->Complete()) return kSha256Unavailable;
  if (!m_pending) {
    m_pending.reset(new (std::nothrow) char[kPendingSize]);
    if (!m_pending) return E_OUTOFMEMORY;
  }
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  if (m_api->open(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) < 0 || !algorithm) return kSha256Unavailable;
  m_algorithm = algorithm;
  // Without a buffer of ours the provider keeps the hash object itself.
  BCRYPT_HASH_HANDLE hash = nullptr;
  const HRESULT hr = FromStatus(m_api->create(algorithm, &hash, nullptr, 0, nullptr, 0, 0));
  if (FAILED(hr)) {
    Reset();
    return hr;
  }
  m_hash = hash;
  return S_OK;
}

HRESULT Sha256Hash::Add(std::span<const char> bytes) noexcept {
  if (!m_hash) return E_UNEXPECTED;
  if (m_pendingSize + bytes.size() <= kPendingSize) {
    std::copy(bytes.begin(), bytes.end(), m_pending.get() + m_pendingSize);
    m_pendingSize += bytes.size();
    return S_OK;
  }
  RETURN_IF_FAILED(Pass({m_pending.get(), m_pendingSize}));
  m_pendingSize = 0;
  if (bytes.size() >= kPendingSize) return Pass(bytes);
  std::copy(bytes.begin(), bytes.end(), m_pending.get());
  m_pendingSize = bytes.size();
  return S_OK;
}

HRESULT Sha256Hash::Pass(std::span<const char> bytes) noexcept {
  // The provider takes at most a ULONG of bytes at a time.
  while (!bytes.empty()) {
    const ULONG piece = bytes.size() > 0x40000000u ? 0x40000000u : static_cast<ULONG>(bytes.size());
    auto* data = reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data()));
    RETURN_IF_FAILED(FromStatus(m_api->data(m_hash, data, piece, 0)));
    bytes = bytes.subspan(piece);
  }
  return S_OK;
}

HRESULT Sha256Hash::Finish(Sha256Digest& digest) noexcept {
  if (!m_hash) return E_UNEXPECTED;
  HRESULT hr = Pass({m_pending.get(), m_pendingSize});
  if (SUCCEEDED(hr)) hr = FromStatus(m_api->finish(m_hash, digest.data(), static_cast<ULONG>(digest.size()), 0));
  Reset();
  return hr;
}

HRESULT HashFileSha256(const wchar_t* path, Sha256Digest& digest) noexcept {
  UniqueFile file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return LastErrorResult();
  Sha256Hash hash;
  RETURN_IF_FAILED(hash.Start());
  std::vector<char> buffer;
  try {
    buffer.resize(kFileBlock);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(file.Get(), buffer.data(), kFileBlock, &read, nullptr)) return LastErrorResult();
    if (read == 0) break;
    RETURN_IF_FAILED(hash.Add({buffer.data(), read}));
  }
  return hash.Finish(digest);
}

}  // namespace wendrix
