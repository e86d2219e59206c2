// Writing an item and its action as publisher data.
//
// Every value is added with the kind the loader's schema reads it as, so that
// the text reads back unchanged:
//  - text kinds where the reader decodes escapes (identifiers, words,
//    versions, parameters, file names, texts): Save escapes double quotes,
//    backslashes and control characters, so any text survives;
//  - raw kinds where the reader keeps backslashes (URL, Resource, Path,
//    Application, System): addresses and registry paths are written as they
//    stand, "C:\new" included, since an escape would not be decoded;
//  - a number for DisplayVersionStyle Size, which the reader parses by the
//    number rule (and a registry save stores as a DWORD).
// Save quotes an item where the syntax needs it and refuses a raw value it
// cannot write so that it reads back; raw values are checked here first, so
// that an item that cannot be carried fails before anything is appended.
#include "publisher/writer.h"

#include <new>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/ini_data_buffer.h"
#include "core/version.h"
#include "publisher/vocabulary.h"

namespace wendrix {
namespace {

using Items = std::span<const std::wstring_view>;

// What Save can write of a raw value, less line breaks: a quoted raw item may
// span lines, but the loader's header pass reads each key it does not know as
// one text and skips the rest of the line up to the first line break, even
// inside quotes.
bool RawWritable(std::uint32_t kindWord, Items items) noexcept {
  for (std::wstring_view item : items)
    if (item.find_first_of(L"\r\n") != std::wstring_view::npos) return false;
  return IniItemsWritable(kindWord, items);
}

class Writer {
 public:
  Writer(CIniData& out, const PublisherData& data) : m_out(out), m_data(data) {}

  HRESULT WriteItem(const Item& item, const Action& action) {
    RETURN_IF_FAILED(m_out.AddSection(L"Item"));
    RETURN_IF_FAILED(TextIfAny(L"ID", item.id));
    RETURN_IF_FAILED(Word(L"Type", kItemTypes, item.type));
    RETURN_IF_FAILED(Words(L"Flags", kItemFlags, item.flags & ~static_cast<std::uint32_t>(kItemGrouped)));
    RETURN_IF_FAILED(TextIfAny(L"Title", item.titleId));
    RETURN_IF_FAILED(TextIfAny(L"Description", item.descriptionId));
    RETURN_IF_FAILED(TextIfAny(L"InstalledVersion", item.installedVersionId));
    RETURN_IF_FAILED(TextIfAny(L"DisplayVersionStyle", item.displayStyleId));
    return TextIfAny(L"Action", action.id);
  }

  HRESULT WriteAction(const Action& action) {
    RETURN_IF_FAILED(m_out.AddSection(L"Action"));
    RETURN_IF_FAILED(TextIfAny(L"ID", action.id));
    RETURN_IF_FAILED(Word(L"Type", kActionTypes, action.type));
    // An action read with a Subtype line keeps it even when no known word
    // remained: without the line the loader refuses the action.
    RETURN_IF_FAILED(Words(L"Subtype", kSubtypes, action.subtype, action.hasSubtype));
    const std::uint32_t flags = action.flags & ~static_cast<std::uint32_t>(kActionUnavailable);
    RETURN_IF_FAILED(Words(L"Flags", kActionFlags, flags));
    RETURN_IF_FAILED(TextIfAny(L"Version", action.version));
    RETURN_IF_FAILED(Words(L"Architecture", kArchitectures, action.architecture));
    RETURN_IF_FAILED(Text(L"Privileges", action.privileges == kPrivilegesAdministrator ? L"Administrator" : L"Standard"));
    if (action.resources.empty()) {
      for (const std::wstring& url : action.urls) RETURN_IF_FAILED(Raw(L"URL", url));
      RETURN_IF_FAILED(TextIfAny(L"Target", action.targetId));
    } else {
      // The loader refuses a one-element Resource line once the flags hold
      // Install and Archive, so such an action keeps an empty folder element.
      const bool needsFolder = (flags & (kActionInstall | kActionArchive)) == (kActionInstall | kActionArchive);
      for (const ActionResource& resource : action.resources) {
        const std::wstring_view items[] = {resource.resource, resource.pathId};
        RETURN_IF_FAILED(RawList(L"Resource", Items(items, resource.pathId.empty() && !needsFolder ? 1 : 2)));
      }
    }
    for (const Sha256Digest& digest : action.sha256) RETURN_IF_FAILED(Text(L"SHA256", FormatSha256Text(digest)));
    for (const std::wstring& messageId : action.messageIds)
      if (m_data.FindMessage(messageId)) RETURN_IF_FAILED(Text(L"Message", messageId));
    RETURN_IF_FAILED(TextIfAny(L"Parameters", action.parameters));
    return TextIfAny(L"Rename", action.rename);
  }

  HRESULT WriteRecords() {
    for (const InstalledVersionDefinition& definition : m_data.installedVersions) {
      RETURN_IF_FAILED(m_out.AddSection(L"InstalledVersion"));
      RETURN_IF_FAILED(TextIfAny(L"ID", definition.id));
      for (const ApplicationProbe& probe : definition.applications) {
        const std::wstring_view items[] = {probe.location, probe.name, probe.iniSection, probe.iniKey};
        const std::size_t count = probe.iniSection.empty() ? 2 : probe.iniKey.empty() ? 3 : 4;
        RETURN_IF_FAILED(RawList(L"Application", Items(items, count)));
      }
      for (const std::wstring& system : definition.systems) RETURN_IF_FAILED(Raw(L"System", system));
    }
    for (const PathDefinition& path : m_data.paths) {
      RETURN_IF_FAILED(m_out.AddSection(L"Path"));
      RETURN_IF_FAILED(TextIfAny(L"ID", path.id));
      for (const PathAlternative& alternative : path.alternatives) {
        const std::wstring_view items[] = {alternative.location, alternative.name};
        RETURN_IF_FAILED(RawList(L"Path", items));
      }
    }
    for (const DisplayVersionStyle& style : m_data.displayStyles) {
      RETURN_IF_FAILED(m_out.AddSection(L"DisplayVersionStyle"));
      RETURN_IF_FAILED(TextIfAny(L"ID", style.id));
      RETURN_IF_FAILED(m_out.AddNumber(L"Size", static_cast<std::int32_t>(style.size)));
      for (const VersionReplacement& replacement : style.replacements) {
        // "2.0" and "2" select different versions: the prefix keeps its own length.
        const std::wstring prefix = FormatVersion(replacement.prefix, replacement.prefixCount);
        const std::wstring_view items[] = {prefix, replacement.text};
        RETURN_IF_FAILED(List(L"Replace", items));
      }
    }
    for (const Message& message : m_data.messages) {
      RETURN_IF_FAILED(m_out.AddSection(L"Message"));
      RETURN_IF_FAILED(TextIfAny(L"ID", message.id));
      RETURN_IF_FAILED(Word(L"Type", kMessageTypes, message.type));
      RETURN_IF_FAILED(TextIfAny(L"Header", message.headerId));
      RETURN_IF_FAILED(TextIfAny(L"Message", message.messageId));
      RETURN_IF_FAILED(TextIfAny(L"Yes", message.yesId));
      RETURN_IF_FAILED(TextIfAny(L"No", message.noId));
    }
    for (const TextRecord& text : m_data.texts) {
      RETURN_IF_FAILED(m_out.AddSection(L"Text"));
      RETURN_IF_FAILED(TextIfAny(L"ID", text.id));
      for (const TextEntry& entry : text.entries) {
        const std::wstring_view items[] = {entry.language, entry.text};
        RETURN_IF_FAILED(List(L"Text", items));
      }
    }
    return S_OK;
  }

 private:
  HRESULT Text(std::wstring_view key, std::wstring_view value) { return m_out.AddText(key, value); }
  HRESULT TextIfAny(std::wstring_view key, std::wstring_view value) { return value.empty() ? S_OK : Text(key, value); }
  HRESULT List(std::wstring_view key, Items items) { return m_out.AddList(key, items); }

  HRESULT Raw(std::wstring_view key, std::wstring_view value) {
    if (!RawWritable(kIniRaw, Items(&value, 1))) return E_INVALIDARG;
    return m_out.AddRaw(key, value);
  }
  HRESULT RawList(std::wstring_view key, Items items) {
    if (!RawWritable(kIniRawList, items)) return E_INVALIDARG;
    return m_out.AddRawList(key, items);
  }

  // A value without a word (none given, or invalid) is not written.
  HRESULT Word(std::wstring_view key, const Vocabulary& vocabulary, std::uint32_t value) {
    const wchar_t* word = WordOf(vocabulary, value);
    return word ? m_out.AddText(key, word) : S_OK;
  }

  // The words of the bits, in the vocabulary's order; bits without a word
  // are dropped. No line without a word unless `evenIfNone`.
  HRESULT Words(std::wstring_view key, const Vocabulary& vocabulary, std::uint32_t bits, bool evenIfNone = false) {
    std::vector<std::wstring_view> words;
    for (const VocabularyWord& word : vocabulary.words)
      if (word.value != 0 && (bits & word.value) == word.value) words.emplace_back(word.word);
    if (words.empty() && !evenIfNone) return S_OK;
    return m_out.AddList(key, words);
  }

  CIniData& m_out;
  const PublisherData& m_data;
};

}  // namespace

HRESULT WritePublisherItem(CIniData& out, const PublisherData& data, const Item& item, const Action& action) {
  try {
    Writer writer(out, data);
    RETURN_IF_FAILED(writer.WriteItem(item, action));
    RETURN_IF_FAILED(writer.WriteAction(action));
    return writer.WriteRecords();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace wendrix
