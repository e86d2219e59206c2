#include "platform/file_trust.h"

#include "core/result.h"

#include <wincrypt.h>
#include <wintrust.h>
#include <softpub.h>

#include <cwchar>
#include <string>
#include <vector>

#include "core/string_util.h"
#include "platform/system_library.h"

namespace wendrix {
namespace {

constexpr GUID kPublishedSoftware = WIN_SPUB_ACTION_PUBLISHED_SOFTWARE;
// The same action without its dialog for untrusted files; older SDK headers
// kept it out of wintrust.h.
constexpr GUID kPublishedSoftwareNoBadUi = {0xc6b2e8d0, 0xe005, 0x11cf, {0xa1, 0x34, 0x00, 0xc0, 0x4f, 0xd7, 0xbf, 0x43}};
constexpr GUID kGenericVerify = WINTRUST_ACTION_GENERIC_VERIFY_V2;
constexpr GUID kRawFileSubject = WIN_TRUST_SUBJTYPE_RAW_FILE;
constexpr GUID kPeImageSubject = WIN_TRUST_SUBJTYPE_PE_IMAGE;
constexpr GUID kJavaClassSubject = WIN_TRUST_SUBJTYPE_JAVA_CLASS;
constexpr GUID kCabinetSubject = WIN_TRUST_SUBJTYPE_CABINET;

using WinVerifyTrustFn = LONG(WINAPI*)(HWND, GUID*, LPVOID);
using CryptQueryObjectFn = BOOL(WINAPI*)(DWORD, const void*, DWORD, DWORD, DWORD, DWORD*, DWORD*, DWORD*, HCERTSTORE*,
                                         HCRYPTMSG*, const void**);
using CryptMsgGetParamFn = BOOL(WINAPI*)(HCRYPTMSG, DWORD, DWORD, void*, DWORD*);
using CryptMsgCloseFn = BOOL(WINAPI*)(HCRYPTMSG);
using CertFindCertificateInStoreFn = PCCERT_CONTEXT(WINAPI*)(HCERTSTORE, DWORD, DWORD, DWORD, const void*,
                                                             PCCERT_CONTEXT);
using CertGetNameStringWFn = DWORD(WINAPI*)(PCCERT_CONTEXT, DWORD, DWORD, void*, LPWSTR, DWORD);
using CertFreeCertificateContextFn = BOOL(WINAPI*)(PCCERT_CONTEXT);
using CertCloseStoreFn = BOOL(WINAPI*)(HCERTSTORE, DWORD);

template <typename Fn>
bool Bind(const UniqueModule& module, const char* name, Fn& fn) noexcept {
  fn = ProcAddress<Fn>(module.Get(), name);
  return fn != nullptr;
}

// The functions of crypt32.dll that read a file's embedded signature.
struct Crypt32 {
  UniqueModule module = LoadSystemLibrary(L"crypt32.dll");
  CryptQueryObjectFn queryObject = nullptr;
  CryptMsgGetParamFn msgGetParam = nullptr;
  CryptMsgCloseFn msgClose = nullptr;
  CertFindCertificateInStoreFn findCertificate = nullptr;
  CertGetNameStringWFn getNameString = nullptr;
  CertFreeCertificateContextFn freeCertificate = nullptr;
  CertCloseStoreFn closeStore = nullptr;

  bool Bound() noexcept {
    return Bind(module, "CryptQueryObject", queryObject) && Bind(module, "CryptMsgGetParam", msgGetParam) &&
           Bind(module, "CryptMsgClose", msgClose) && Bind(module, "CertFindCertificateInStore", findCertificate) &&
           Bind(module, "CertGetNameStringW", getNameString) &&
           Bind(module, "CertFreeCertificateContext", freeCertificate) && Bind(module, "CertCloseStore", closeStore);
  }
};

// The signature's message and store, closed together.
struct EmbeddedSignature {
  explicit EmbeddedSignature(Crypt32& api) : api(api) {}
  EmbeddedSignature(const EmbeddedSignature&) = delete;
  EmbeddedSignature& operator=(const EmbeddedSignature&) = delete;
  ~EmbeddedSignature() {
    if (certificate) api.freeCertificate(certificate);
    if (message) api.msgClose(message);
    if (store) api.closeStore(store, 0);
  }
  Crypt32& api;
  HCERTSTORE store = nullptr;
  HCRYPTMSG message = nullptr;
  PCCERT_CONTEXT certificate = nullptr;
};

// The signer's certificate of the file's embedded signature, or false.
bool FindSignerCertificate(const wchar_t* path, EmbeddedSignature& signature) {
  Crypt32& api = signature.api;
  DWORD encoding = 0, content = 0, format = 0;
  if (!api.queryObject(CERT_QUERY_OBJECT_FILE, path, CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED_EMBED,
                       CERT_QUERY_FORMAT_FLAG_BINARY, 0, &encoding, &content, &format, &signature.store,
                       &signature.message, nullptr))
    return false;
  DWORD size = 0;
  if (!api.msgGetParam(signature.message, CMSG_SIGNER_INFO_PARAM, 0, nullptr, &size) || size == 0) return false;
  std::vector<std::uint8_t> buffer(size);
  if (!api.msgGetParam(signature.message, CMSG_SIGNER_INFO_PARAM, 0, buffer.data(), &size)) return false;
  const auto* signer = reinterpret_cast<const CMSG_SIGNER_INFO*>(buffer.data());
  CERT_INFO wanted{};
  wanted.Issuer = signer->Issuer;
  wanted.SerialNumber = signer->SerialNumber;
  signature.certificate = api.findCertificate(signature.store, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0,
                                              CERT_FIND_SUBJECT_CERT, &wanted, nullptr);
  return signature.certificate != nullptr;
}

bool AttributeIs(Crypt32& api, PCCERT_CONTEXT certificate, const char* oid, const wchar_t* expected) {
  const DWORD length = api.getNameString(certificate, CERT_NAME_ATTR_TYPE, 0, const_cast<char*>(oid), nullptr, 0);
  if (length <= 1) return false;  // missing: only the terminating zero
  std::wstring value(length, L'\0');
  api.getNameString(certificate, CERT_NAME_ATTR_TYPE, 0, const_cast<char*>(oid), value.data(), length);
  value.resize(length - 1);
  return value == expected;
}

LONG GenericVerification(WinVerifyTrustFn verify, const wchar_t* path) {
  WINTRUST_FILE_INFO file{};
  file.cbStruct = sizeof(file);
  file.pcwszFilePath = path;
  WINTRUST_DATA data{};
  data.cbStruct = sizeof(data);
  data.dwUIChoice = WTD_UI_NONE;
  data.fdwRevocationChecks = WTD_REVOKE_NONE;
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &file;
  data.dwStateAction = WTD_STATEACTION_IGNORE;
  data.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL;
  GUID action = kGenericVerify;
  return verify(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
}

}  // namespace

TrustSubject TrustSubjectOf(std::wstring_view path) noexcept {
  const std::size_t slash = path.rfind(L'\\');
  const std::size_t dot = path.rfind(L'.');
  if (dot == std::wstring_view::npos || (slash != std::wstring_view::npos && dot < slash)) return TrustSubject::kRawFile;
  const std::wstring_view extension = path.substr(dot);
  if (CStringUtil::EqualsNoCase(extension, L".exe") || CStringUtil::EqualsNoCase(extension, L".dll"))
    return TrustSubject::kPeImage;
  if (CStringUtil::EqualsNoCase(extension, L".cab")) return TrustSubject::kCabinet;
  if (CStringUtil::EqualsNoCase(extension, L".jar") || CStringUtil::EqualsNoCase(extension, L".class"))
    return TrustSubject::kJavaClass;
  return TrustSubject::kRawFile;
}

HRESULT VerifyFileTrust(const wchar_t* path, bool userInterface, HWND parent) noexcept {
  if (!path) return E_INVALIDARG;
  const UniqueModule wintrust = LoadSystemLibrary(L"wintrust.dll");
  WinVerifyTrustFn verify = nullptr;
  if (!Bind(wintrust, "WinVerifyTrust", verify)) return E_NOTIMPL;
  GUID subjectType = kRawFileSubject;
  switch (TrustSubjectOf(path)) {
    case TrustSubject::kPeImage: subjectType = kPeImageSubject; break;
    case TrustSubject::kCabinet: subjectType = kCabinetSubject; break;
    case TrustSubject::kJavaClass: subjectType = kJavaClassSubject; break;
    case TrustSubject::kRawFile: break;
  }
  WIN_TRUST_SUBJECT_FILE subject{nullptr, path};
  WIN_TRUST_ACTDATA_CONTEXT_WITH_SUBJECT data{nullptr, &subjectType, &subject};
  GUID action = userInterface ? kPublishedSoftware : kPublishedSoftwareNoBadUi;
  // Only 0 trusts the file. Some providers answer a plain Windows error
  // (a positive number) rather than a failure code: it must not pass as a
  // success.
  const LONG result = verify(parent, &action, &data);
  if (result == 0) return S_OK;
  return result > 0 ? HResultFromWin32(result) : static_cast<HRESULT>(result);
}

bool SignedBy(const wchar_t* path, const SignerSubject& signer) noexcept {
  if (!path) return false;
  try {
    Crypt32 api;
    if (!api.Bound()) return false;
    EmbeddedSignature signature(api);
    if (!FindSignerCertificate(path, signature)) return false;
    if (!AttributeIs(api, signature.certificate, szOID_COMMON_NAME, signer.commonName) ||
        !AttributeIs(api, signature.certificate, szOID_LOCALITY_NAME, signer.locality) ||
        !AttributeIs(api, signature.certificate, szOID_STATE_OR_PROVINCE_NAME, signer.state) ||
        !AttributeIs(api, signature.certificate, szOID_COUNTRY_NAME, signer.country))
      return false;
    const UniqueModule wintrust = LoadSystemLibrary(L"wintrust.dll");
    WinVerifyTrustFn verify = nullptr;
    return Bind(wintrust, "WinVerifyTrust", verify) && GenericVerification(verify, path) == ERROR_SUCCESS;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace wendrix
