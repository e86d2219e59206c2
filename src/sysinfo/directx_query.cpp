#include "sysinfo/directx_query.h"

#include <windows.h>
#include <dxdiag.h>

#include "core/result.h"
#include "platform/file_version.h"
#include "sysinfo/com_runtime.h"
#include "sysinfo/directx_version.h"

namespace wendrix {
namespace {

// dxdiag.h declares these, but no MinGW import library defines them.
constexpr CLSID kClsidDxDiagProvider = {0xA65B8071, 0x3BFE, 0x4213, {0x9A, 0x5B, 0x49, 0x1D, 0xA4, 0x46, 0x1C, 0xA7}};
constexpr IID kIidDxDiagProvider = {0x9C6B4CB0, 0x23F8, 0x49CC, {0xA3, 0xED, 0x45, 0xA5, 0x50, 0x00, 0xA6, 0xD2}};

HRESULT ReadUnsigned(const ComRuntime& com, IDxDiagContainer& container, const wchar_t* name, std::uint32_t& value) {
  UniqueVariant variant(com);
  RETURN_IF_FAILED(container.GetProp(name, variant.Put()));
  switch (variant.Get().vt) {
    case VT_UI4: value = variant.Get().ulVal; return S_OK;
    case VT_I4: value = static_cast<std::uint32_t>(variant.Get().lVal); return S_OK;
    default: return E_UNEXPECTED;
  }
}

HRESULT ReadDxDiag(DirectXVersion& version) {
  ComRuntime com;
  RETURN_IF_FAILED(com.Load());
  // The provider works only in a single-threaded apartment on some systems.
  const ComApartment apartment(com, COINIT_APARTMENTTHREADED);
  RETURN_IF_FAILED(apartment.Result());
  ComPtr<IDxDiagProvider> provider;
  RETURN_IF_FAILED(com.CoCreateInstance(kClsidDxDiagProvider, nullptr, CLSCTX_INPROC_SERVER, kIidDxDiagProvider,
                                        reinterpret_cast<void**>(provider.Put())));
  DXDIAG_INIT_PARAMS params{};
  params.dwSize = sizeof(params);
  params.dwDxDiagHeaderVersion = DXDIAG_DX9_SDK_VERSION;
  params.bAllowWHQLChecks = FALSE;  // they may go to the internet
  RETURN_IF_FAILED(provider.Get()->Initialize(&params));
  ComPtr<IDxDiagContainer> root;
  RETURN_IF_FAILED(provider.Get()->GetRootContainer(root.Put()));
  ComPtr<IDxDiagContainer> system;
  RETURN_IF_FAILED(root.Get()->GetChildContainer(L"DxDiag_SystemInfo", system.Put()));
  RETURN_IF_FAILED(ReadUnsigned(com, *system.Get(), L"dwDirectXVersionMajor", version.major));
  RETURN_IF_FAILED(ReadUnsigned(com, *system.Get(), L"dwDirectXVersionMinor", version.minor));
  UniqueVariant letter(com);
  RETURN_IF_FAILED(system.Get()->GetProp(L"szDirectXVersionLetter", letter.Put()));
  if (letter.Get().vt != VT_BSTR) return E_UNEXPECTED;
  version.letter = letter.Get().bstrVal ? letter.Get().bstrVal[0] : L'\0';
  return S_OK;
}

std::optional<VersionParts> SystemFileVersion(std::wstring_view fileName) {
  wchar_t folder[MAX_PATH];
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::nullopt;
  const std::wstring path = std::wstring(folder, length) + std::wstring(fileName);
  return ReadFileVersion(path.c_str());
}

}  // namespace

std::optional<std::wstring> DirectXVersionAnswer() {
  DirectXVersion version;
  if (SUCCEEDED(ReadDxDiag(version))) return FormatDirectXVersion(version);
  if (const std::optional<DirectXVersion> inferred = DirectXVersionFromFiles(SystemFileVersion))
    return FormatDirectXVersion(*inferred);
  return std::nullopt;
}

}  // namespace wendrix
