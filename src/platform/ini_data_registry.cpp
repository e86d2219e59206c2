#include "platform/ini_data_registry.h"

#include <new>
#include <vector>

#include "platform/registry.h"
#include "platform/unique_handle.h"

namespace wendrix {
namespace {

// REG_MULTI_SZ data to its items: zero-separated, ended by an empty item.
std::vector<std::wstring_view> SplitMultiString(std::wstring_view data) {
  std::vector<std::wstring_view> items;
  while (!data.empty() && data.front() != L'\0') {
    const std::size_t end = data.find(L'\0');
    items.push_back(data.substr(0, end));
    if (end == std::wstring_view::npos) break;
    data.remove_prefix(end + 1);
  }
  return items;
}

}  // namespace

HRESULT CIniDataRegistry::LoadValues(const RegistryKey& key, const wchar_t* section, IniSchema schema) {
  std::wstring name;
  std::vector<BYTE> data;
  for (DWORD index = 0;; ++index) {
    DWORD type = 0;
    const LONG rc = key.EnumValue(index, name, type, data);
    if (rc == ERROR_NO_MORE_ITEMS) return S_OK;
    if (rc != ERROR_SUCCESS) return HResultFromWin32(rc);
    // Terminate the data whatever was stored, so a text value always ends.
    const DWORD dataSize = static_cast<DWORD>(data.size());
    data.resize(dataSize + sizeof(wchar_t) * 2);
    const std::wstring_view keyName(name);
    const auto* text = reinterpret_cast<const wchar_t*>(data.data());
    const std::wstring_view textView(text, wcsnlen(text, dataSize / sizeof(wchar_t)));

    const IniSchemaRow* row = FindSchemaRow(section, keyName, schema);
    const std::uint32_t kind = row ? static_cast<std::uint32_t>(row->kind) : kIniText;
    HRESULT hr = S_OK;
    switch (type) {
      case REG_DWORD: {
        DWORD value = 0;
        memcpy(&value, data.data(), dataSize < sizeof(value) ? dataSize : sizeof(value));
        hr = kind == kIniSigned ? AddNumber(keyName, static_cast<std::int32_t>(value))
                                : AddUnsigned(keyName, value);
        break;
      }
      case REG_MULTI_SZ: {
        const auto items = SplitMultiString(std::wstring_view(text, dataSize / sizeof(wchar_t)));
        hr = kind == kIniRawList ? AddRawList(keyName, items) : AddList(keyName, items);
        break;
      }
      case REG_SZ:
      case REG_EXPAND_SZ:
        if (kind == kIniList || kind == kIniRawList) {
          hr = kind == kIniRawList ? AddRawList(keyName, std::span(&textView, 1)) : AddList(keyName, std::span(&textView, 1));
        } else if (kind == kIniSigned || kind == kIniUnsigned) {
          IniNumber n{};
          hr = !ParseIniNumber(textView, kind == kIniSigned, &n) ? AddText(keyName, textView)
               : kind == kIniSigned ? AddNumber(keyName, static_cast<std::int32_t>(n.bits), n.hex ? kIniAlternateForm : 0)
                                    : AddUnsigned(keyName, n.bits, n.hex ? kIniAlternateForm : 0);
        } else {
          hr = kind == kIniRaw ? AddRaw(keyName, textView) : AddText(keyName, textView);
        }
        break;
      default:
        break;  // binary and other types have no INI form
    }
    RETURN_IF_FAILED(hr);
  }
}

HRESULT CIniDataRegistry::Load(IniSchema schema) {
  BeginLoad();
  m_line = 0;
  if (m_path.empty()) return kNoKeyPath;
  try {
    RegistryKey key;
    LONG rc = key.Open(m_root, m_path.c_str(), KEY_READ, m_view);
    if (rc != ERROR_SUCCESS) return HResultFromWin32(rc);
    RETURN_IF_FAILED(LoadValues(key, nullptr, schema));
    std::vector<std::wstring> subkeys;
    rc = key.SubkeyNames(subkeys);
    if (rc != ERROR_SUCCESS) return HResultFromWin32(rc);
    for (const std::wstring& name : subkeys) {
      RegistryKey sub;
      rc = sub.Open(key.Get(), name.c_str(), KEY_READ, m_view);
      if (rc != ERROR_SUCCESS) return HResultFromWin32(rc);
      RETURN_IF_FAILED(AddSection(name));
      RETURN_IF_FAILED(LoadValues(sub, name.c_str(), schema));
    }
    return S_OK;
  } catch (const std::bad_alloc&) {
    return HResultFromWin32(ERROR_OUTOFMEMORY);
  }
}

HRESULT CIniDataRegistry::Save(std::uint32_t) {
  if (m_path.empty()) return kNoKeyPath;
  try {
    LONG rc = DeleteRegistryTree(m_root, m_path, m_view);
    if (rc != ERROR_SUCCESS) return HResultFromWin32(rc);
    RegistryKey root, current;
    if (root.Create(m_root, m_path.c_str(), KEY_WRITE, m_view) != ERROR_SUCCESS) return E_OUTOFMEMORY;
    RegistryKey* target = &root;
    std::vector<wchar_t> multi;
    for (IniEntry e : Entries()) {
      const std::uint32_t kind = e.Kind();
      if (kind == kIniSection) {
        if (current.Create(root.Get(), e.Name(), KEY_WRITE, m_view) != ERROR_SUCCESS) return E_OUTOFMEMORY;
        target = &current;
        continue;
      }
      if (e.Count() == 0 && kind != kIniList && kind != kIniRawList) continue;
      switch (kind) {
        case kIniText:
        case kIniRaw: {
          rc = target->WriteString(e.Name(), e.ValueView(0));
          break;
        }
        case kIniSigned:
        case kIniUnsigned: {
          rc = target->WriteDword(e.Name(), kind == kIniSigned ? static_cast<DWORD>(e.SignedValue()) : e.UnsignedValue());
          break;
        }
        case kIniList:
        case kIniRawList: {
          multi.clear();
          for (std::uint32_t i = 0; i < e.Count(); ++i) {
            const std::wstring_view v = e.ValueView(i);
            multi.insert(multi.end(), v.begin(), v.end());
            multi.push_back(L'\0');
          }
          multi.push_back(L'\0');
          rc = target->WriteBytes(e.Name(), REG_MULTI_SZ,
                                  std::span(reinterpret_cast<const BYTE*>(multi.data()), multi.size() * sizeof(wchar_t)));
          break;
        }
        default:
          rc = ERROR_SUCCESS;  // verbatim lines have no registry form
          break;
      }
      if (rc != ERROR_SUCCESS) return E_OUTOFMEMORY;
    }
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace wendrix
