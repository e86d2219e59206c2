#pragma once
// SHA-256 through the system's CNG provider. bcrypt.dll is bound at run time
// from the system folder, so that the library still loads where it is
// missing and a DLL of that name beside a download is never the one used.
#include <windows.h>

#include <memory>
#include <span>

#include "core/result.h"
#include "core/sha256_text.h"
#include "platform/unique_handle.h"

namespace wendrix {

// The answer when bcrypt.dll, one of its functions or its SHA-256 provider
// cannot be had: no digest can be computed, so no pinned file can pass.
inline constexpr HRESULT kSha256Unavailable = static_cast<HRESULT>(0x8009001E);  // NTE_PROV_DLL_NOT_FOUND

// One digest at a time, fed in pieces as the bytes pass: a large file is
// hashed while it is written, not read a second time. Transfers hand over
// pieces of a kilobyte; they are gathered here and passed on to the provider
// in large runs, since each call into it costs more than a kilobyte of
// hashing does.
class Sha256Hash {
 public:
  Sha256Hash() noexcept;
  ~Sha256Hash();
  Sha256Hash(const Sha256Hash&) = delete;
  Sha256Hash& operator=(const Sha256Hash&) = delete;

  // Starts a digest afresh, dropping one under way.
  HRESULT Start() noexcept;
  // E_UNEXPECTED without a digest under way.
  HRESULT Add(std::span<const char> bytes) noexcept;
  // The digest of every byte added since Start; the digest is then over.
  HRESULT Finish(Sha256Digest& digest) noexcept;
  bool Started() const noexcept { return m_hash != nullptr; }
  // Drops a digest under way.
  void Reset() noexcept;

 private:
  HRESULT Pass(std::span<const char> bytes) noexcept;

  struct Api;
  const Api* m_api;
  void* m_algorithm = nullptr;  // BCRYPT_ALG_HANDLE
  void* m_hash = nullptr;       // BCRYPT_HASH_HANDLE
  std::unique_ptr<char[]> m_pending;  // bytes not yet passed on, kPendingSize at most
  std::size_t m_pendingSize = 0;
};

// The digest of the file at `path`, read from start to end.
HRESULT HashFileSha256(const wchar_t* path, Sha256Digest& digest) noexcept;

}  // namespace wendrix
