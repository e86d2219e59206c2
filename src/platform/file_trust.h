#pragma once
// Signatures of files the library is about to run: the system's trust
// verdict (WinVerifyTrust), and whether the product's maker signed a file.
// Both bind the system's trust libraries at run time, from the system folder.
#include <windows.h>

#include <string_view>

namespace wendrix {

// The kind of subject WinVerifyTrust is asked about, by the file's extension
// (the text after the last "." that follows the last "\", case ignored):
// ".exe" and ".dll" a PE image, ".cab" a cabinet, ".jar" and ".class" a Java
// class, anything else a raw file.
enum class TrustSubject { kRawFile, kPeImage, kCabinet, kJavaClass };
TrustSubject TrustSubjectOf(std::wstring_view path) noexcept;

// WinVerifyTrust's answer for `path` with the published-software action (its
// no-bad-user-interface form unless `userInterface`), `parent` owning any
// window it shows: S_OK only for 0; a plain Windows error as its HRESULT;
// E_NOTIMPL when the trust library or its entry point is missing.
HRESULT VerifyFileTrust(const wchar_t* path, bool userInterface, HWND parent) noexcept;

// The subject attributes of a signer's certificate, compared exactly.
struct SignerSubject {
  const wchar_t* commonName;
  const wchar_t* locality;
  const wchar_t* state;
  const wchar_t* country;
};

// The product's maker.
inline constexpr SignerSubject kProductMaker{L"Kestmoor Corporation", L"Ashford", L"Kent", L"GB"};

// True when the file's embedded signature names a signer whose certificate
// carries exactly these four attributes, and the signature holds: the
// system's generic verification (no user interface) must accept the file as
// well. Attributes alone are no proof, since anyone can put them into a
// certificate of their own making; the verification makes a file changed
// after signing, or signed under an untrusted root, fail. Missing trust
// libraries, an unsigned file or a missing attribute give false.
bool SignedBy(const wchar_t* path, const SignerSubject& signer) noexcept;
inline bool SignedByMaker(const wchar_t* path) noexcept { return SignedBy(path, kProductMaker); }

}  // namespace wendrix
