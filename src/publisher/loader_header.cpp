// The header pre-pass: the file's own identity against the registered
// publisher, the library version the file requires, and publisher moves.
#include <vector>

#include "core/ini_data_buffer.h"
#include "core/string_util.h"
#include "publisher/builtin_publishers.h"
#include "publisher/loader_internal.h"
#include "publisher/publisher_id.h"
#include "publisher/schema.h"

namespace wendrix::loader {
namespace {

constexpr const wchar_t* kApplicationStrings[] = {L"Kestmoor(R) Wendrix(TM)", L"Kestmoor\u00AE Wendrix\u2122",
                                                  L"Kestmoor(R) Pellister(TM)", L"Kestmoor\u00AE Pellister\u2122",
                                                  L"Kestmoor R Wendrix TM"};

// Addresses compare without a leading "http://" and then "www.".
std::wstring_view WithoutHttpWww(std::wstring_view address) noexcept {
  if (CStringUtil::StartsWithNoCase(address, L"http://")) address.remove_prefix(7);
  if (CStringUtil::StartsWithNoCase(address, L"www.")) address.remove_prefix(4);
  return address;
}

bool SameAddress(std::wstring_view a, std::wstring_view b) noexcept {
  return CStringUtil::EqualsNoCase(WithoutHttpWww(a), WithoutHttpWww(b));
}

// Applies a Publisher key that the registration or the wallet keeps with
// the publisher (data source, application names and icon, version, the six
// on/off keys); other keys change nothing. False for an ApplicationName line
// with fewer than two elements.
bool ApplyOwnPublisherKey(std::int32_t key, const IniEntry& e, PublisherFields& fields) {
  static constexpr struct {
    std::int32_t key;
    std::uint32_t bit;
  } kFlagKeys[] = {{kKeyControlPanel, kPublisherControlPanel},   {kKeyMenuHomePage, kPublisherMenuHomePage},
                   {kKeyMenuFeedback, kPublisherMenuFeedback},   {kKeyDialogAllItems, kPublisherDialogAllItems},
                   {kKeyDialogWallet, kPublisherDialogWallet}, {kKeyDialogHistory, kPublisherDialogHistory}};
  switch (key) {
    case kKeyDataSource: fields.dataSource = e.Value(0); return true;
    case kKeyApplicationName:
      if (e.Count() < 2) return false;
      fields.applicationNames.push_back(TextEntry{e.Value(0), e.Value(1)});
      return true;
    case kKeyApplicationIcon: fields.applicationIcon = e.Value(0); return true;
    case kKeyVersion: fields.version = e.Value(0); return true;
    default:
      for (const auto& flag : kFlagKeys) {
        if (flag.key != key) continue;
        if (e.SignedValue()) fields.flags |= flag.bit;
        else fields.flags &= ~flag.bit;
      }
      return true;
  }
}

struct Redirect {
  bool seen = false;
  std::uint32_t line = 0;
  std::wstring name, homePage, dataSource, requiredVersion;
};

// A line of the header's sections (Wendrix, Publisher, Redirect) as the
// header schema reads it: a section header (key -1), or a key with the
// header schema's identifier for it.
struct HeaderLine {
  std::int32_t section;
  std::int32_t key;
  IniEntry entry;
};

// Gathers the lines of the header's sections from entries read with either
// schema. Both give these sections the same identifiers; the lines of other
// sections and the keys the header schema does not know change nothing in
// the header pass. False when a key it knows was read as another kind than
// the header schema reads it: its values are then not the ones the header
// pass goes by.
bool GatherHeaderLines(const CIniData& entries, std::vector<HeaderLine>& lines) {
  SectionRows rows(PublisherHeaderSchema());
  std::int32_t section = -1;
  for (IniEntry e : entries.Entries()) {
    if (e.Kind() == kIniSection) {
      section = e.SchemaId();
      if (section != kSectionWendrix && section != kSectionPublisher && section != kSectionRedirect) {
        section = -1;
        continue;
      }
      rows.Select(e.NameView());
      lines.push_back(HeaderLine{section, -1, e});
      continue;
    }
    const IniSchemaRow* row = section < 0 ? nullptr : rows.Find(e.NameView());
    if (!row) continue;
    if (IniReadKind(row) != e.Kind()) return false;
    lines.push_back(HeaderLine{section, row->id, e});
  }
  return true;
}

class HeaderPass {
 public:
  HeaderPass(PublisherData& data, PublisherList* publishers, WalletFields* wallet, std::uint32_t options,
             const PublisherEnvironment& env, std::uint32_t& line)
      : m_data(data), m_fields(data.publisher), m_publishers(publishers), m_walletMode(wallet != nullptr),
        m_options(options), m_env(env), m_line(line),
        m_identityExempt(data.publisher.id == IdentityExemptPublisher().id) {}

  HRESULT Run(const std::vector<HeaderLine>& lines) {
    for (const HeaderLine& l : lines) {
      const IniEntry& e = l.entry;
      if (e.Kind() == kIniSection) {
        if (l.section == kSectionRedirect) {
          m_redirect = Redirect{};
          m_redirect.seen = true;
          m_redirect.line = e.Line();
        }
        continue;
      }
      if (e.Count() == 0) continue;
      switch (l.section) {
        case kSectionWendrix: RETURN_IF_FAILED(WendrixKey(l.key, e)); break;
        case kSectionPublisher: RETURN_IF_FAILED(PublisherKey(l.key, e)); break;
        case kSectionRedirect: RedirectKey(l.key, e); break;
        default: break;
      }
    }
    if (m_walletMode && m_builtin) m_fields.dataSource = m_builtin->dataSource;
    if (m_redirect.seen && !m_data.IsSelfPublisher() && m_fields.id != RedirectExemptPublisher().id)
      return ApplyRedirect();
    return CheckRequiredFields();
  }

 private:
  HRESULT Fail(HRESULT hr, std::uint32_t line) {
    m_line = line;
    return hr;
  }

  HRESULT WendrixKey(std::int32_t key, const IniEntry& e) {
    if (key != kKeyRequiredVersion) return S_OK;
    const std::wstring module = m_env.ModuleVersion();
    if (CompareVersions(e.ValueView(0), module) != kVersionNewer) return S_OK;
    if (m_publishers) m_publishers->RecordRequiredVersion(e.ValueView(0));
    return m_data.IsSelfPublisher() ? S_OK : Fail(kNewerLibraryRequired, 0);
  }

  HRESULT PublisherKey(std::int32_t key, const IniEntry& e) {
    const std::wstring_view value = e.ValueView(0);
    const std::uint32_t line = e.Line();
    switch (key) {
      case kKeyId: {
        m_hasId = true;
        if (m_identityExempt) return S_OK;
        m_builtin = FindBuiltinPublisher(value);
        const std::wstring_view id = m_builtin ? std::wstring_view(m_builtin->id) : value;
        // The ID names the publisher's files: one that is not a plain name
        // is refused before anything compares or keeps it.
        if (!IsSafePublisherId(id)) return Fail(E_INVALIDARG, line);
        if (m_walletMode) m_fields.id.assign(id);
        else if (m_fields.id.empty() || m_fields.id != id) return Fail(E_INVALIDARG, line);
        return S_OK;
      }
      case kKeyName:
        m_hasName = true;
        if (m_identityExempt) return S_OK;
        if (m_walletMode) m_fields.name.assign(value);
        else if (m_fields.name.empty() || !CStringUtil::EqualsNoCase(m_fields.name, value)) return Fail(E_INVALIDARG, line);
        return S_OK;
      case kKeyHomePage:
        m_hasHomePage = true;
        if (m_identityExempt) return S_OK;
        if (m_walletMode) m_fields.homePage.assign(value);
        else if (m_fields.homePage.empty() || !SameAddress(m_fields.homePage, value)) return Fail(E_INVALIDARG, line);
        return S_OK;
      case kKeyApplication:
        for (const wchar_t* accepted : kApplicationStrings) {
          if (CStringUtil::EqualsNoCase(accepted, value)) {
            m_hasApplication = true;
            return S_OK;
          }
        }
        return Fail(E_INVALIDARG, line);
      default:
        return m_walletMode ? WalletPublisherKey(key, e) : S_OK;
    }
  }

  // The wallet keeps its own copy of the publisher.
  HRESULT WalletPublisherKey(std::int32_t key, const IniEntry& e) {
    if (!ApplyOwnPublisherKey(key, e, m_fields)) return Fail(E_INVALIDARG, e.Line());
    return S_OK;
  }

  void RedirectKey(std::int32_t key, const IniEntry& e) {
    switch (key) {
      case kKeyName: m_redirect.name = e.Value(0); break;
      case kKeyHomePage: m_redirect.homePage = e.Value(0); break;
      case kKeyDataSource: m_redirect.dataSource = e.Value(0); break;
      case kKeyRequiredVersion: m_redirect.requiredVersion = e.Value(0); break;
      default: break;
    }
  }

  HRESULT ApplyRedirect() {
    if ((m_options & kLoadHonourRedirectVersion) &&
        CompareVersions(m_redirect.requiredVersion, m_env.ModuleVersion()) == kVersionNewer)
      return CheckRequiredFields();  // a move meant for newer libraries
    RETURN_IF_FAILED(CheckRequiredFields());
    // A field the section leaves out is no change: it is not stored either, and
    // counting it as one would move the publisher again on every load.
    const bool differs = (!m_redirect.name.empty() && m_redirect.name != m_fields.name) ||
                         (!m_redirect.homePage.empty() && !SameAddress(m_redirect.homePage, m_fields.homePage)) ||
                         (!m_redirect.dataSource.empty() && !SameAddress(m_redirect.dataSource, m_fields.dataSource));
    if (!differs) return S_OK;
    if (m_redirect.dataSource.empty()) return Fail(kMissingPublisherDataSource, m_redirect.line);
    if (!m_redirect.name.empty()) m_fields.name = m_redirect.name;
    if (!m_redirect.homePage.empty()) m_fields.homePage = m_redirect.homePage;
    m_fields.dataSource = m_redirect.dataSource;
    return S_FALSE;
  }

  HRESULT CheckRequiredFields() {
    if (m_identityExempt) return S_OK;
    if (!m_hasId) return Fail(kMissingId, 0);
    if (!m_hasName) return Fail(kMissingPublisherName, 0);
    if (!m_hasHomePage) return Fail(kMissingPublisherHomePage, 0);
    if (!m_hasApplication) return Fail(kMissingApplication, 0);
    return S_OK;
  }

  PublisherData& m_data;
  PublisherFields& m_fields;
  PublisherList* m_publishers;
  bool m_walletMode;
  std::uint32_t m_options;
  const PublisherEnvironment& m_env;
  std::uint32_t& m_line;
  bool m_identityExempt;
  const BuiltinPublisher* m_builtin = nullptr;
  bool m_hasId = false, m_hasName = false, m_hasHomePage = false, m_hasApplication = false;
  Redirect m_redirect;
};

}  // namespace

HRESULT RunHeaderPass(std::wstring_view text, const FullReading& full, PublisherData& data, PublisherList* publishers,
                      WalletFields* wallet, std::uint32_t options, const PublisherEnvironment& env,
                      std::uint32_t& line) {
  line = 0;
  // A file of a later format: only a newer library can read it.
  if (text.starts_with(L"<?xml ")) return kXmlNotIni;
  std::vector<HeaderLine> lines;
  if (full.headerAlike) {
    // The header schema would have failed alike.
    if (FAILED(full.result)) {
      line = full.entries.ErrorLine();
      return full.result;
    }
    if (GatherHeaderLines(full.entries, lines))
      return HeaderPass(data, publishers, wallet, options, env, line).Run(lines);
    lines.clear();
  }
  CIniDataBuffer own;
  const HRESULT parsed = own.LoadText(text, PublisherHeaderSchema());
  if (FAILED(parsed)) {
    line = own.ErrorLine();
    return parsed;
  }
  GatherHeaderLines(own, lines);  // read with the header schema: its kinds agree
  return HeaderPass(data, publishers, wallet, options, env, line).Run(lines);
}

}  // namespace wendrix::loader

namespace wendrix {

HRESULT ReadPublisherFileHeader(std::wstring_view text, PublisherFileHeader& header, std::uint32_t& line) {
  line = 0;
  try {
    if (text.starts_with(L"<?xml ")) return kXmlNotIni;
    CIniDataBuffer entries;
    const HRESULT parsed = entries.LoadText(text, PublisherHeaderSchema());
    if (FAILED(parsed)) {
      line = entries.ErrorLine();
      return parsed;
    }
    PublisherFields& fields = header.publisher;
    const BuiltinPublisher* builtin = nullptr;
    std::int32_t section = -1;
    for (IniEntry e : entries.Entries()) {
      if (e.Kind() == kIniSection) {
        section = SectionId(e.Name(), PublisherHeaderSchema());
        if (section == kSectionWendrix) header.hasWendrixSection = true;
        continue;
      }
      if (e.Count() == 0) continue;
      if (section == kSectionWendrix) {
        if (KeyId(L"Wendrix", e.NameView(), PublisherHeaderSchema()) == kKeyRequiredVersion)
          header.requiredVersion = e.Value(0);
        continue;
      }
      if (section != kSectionPublisher) continue;
      const std::int32_t key = KeyId(L"Publisher", e.NameView(), PublisherHeaderSchema());
      switch (key) {
        case kKeyId:
          builtin = FindBuiltinPublisher(e.ValueView(0));
          fields.id = builtin ? std::wstring(builtin->id) : e.Value(0);
          // An empty ID is left to the caller's check of required fields.
          if (!fields.id.empty() && !IsSafePublisherId(fields.id)) {
            line = e.Line();
            return E_INVALIDARG;
          }
          break;
        case kKeyName: fields.name = e.Value(0); break;
        case kKeyHomePage: fields.homePage = e.Value(0); break;
        case kKeyApplication: header.application = e.Value(0); break;
        default:
          if (!loader::ApplyOwnPublisherKey(key, e, fields)) {
            line = e.Line();
            return E_INVALIDARG;
          }
      }
    }
    if (builtin) fields.dataSource = builtin->dataSource;
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace wendrix
