#include "ui/summary_lines.h"

#include "core/markup.h"
#include "frame/messages.h"
#include "registration/publisher_record.h"

namespace wendrix {

std::vector<std::wstring> SummaryMessageLines(std::span<const StringId> messages) {
  std::vector<std::wstring> lines;
  lines.reserve(messages.size());
  for (StringId id : messages) {
    std::wstring shown = ParseMarkup(MessageString(id), true).shown;
    while (!shown.empty() && (shown.back() == L' ' || shown.back() == L'\n' || shown.back() == L'\r')) shown.pop_back();
    lines.push_back(std::move(shown));
  }
  return lines;
}

std::wstring SummaryLinkText(std::span<const StringId> messages) {
  std::wstring text;
  for (StringId id : messages) {
    const MarkedUpText marked = ParseMarkup(MessageString(id), true);
    std::wstring line;
    std::size_t at = 0;
    for (const MarkupLink& link : marked.links) {
      line.append(marked.shown, at, link.begin - at);
      line += L"<a>" + marked.shown.substr(link.begin, link.end - link.begin) + L"</a>";
      at = link.end;
    }
    line.append(marked.shown, at, std::wstring::npos);
    while (!line.empty() && (line.back() == L' ' || line.back() == L'\n' || line.back() == L'\r')) line.pop_back();
    if (!text.empty()) text += L"\r\n";
    text += line;
  }
  return text;
}

std::wstring CheckErrorDetails(std::span<const PublisherRecord> records, const CheckSummaryScope& scope) {
  std::wstring text;
  for (const PublisherRecord& record : records) {
    if (record.id == scope.excludedId) continue;
    if (!scope.onlyPublisherId.empty() && record.id != scope.onlyPublisherId) continue;
    if (IsSelfPublisher(record) && !scope.iniDebug) continue;
    if (!record.IsEnabled() || record.failedLastCheck == 0 || record.failedLastCheck == 2) continue;
    if (!text.empty()) text += L"\r\n";
    text += (record.name.empty() ? record.id : record.name) + L": " +
            ErrorText(static_cast<HRESULT>(record.lastCheckError));
  }
  return text;
}

std::vector<std::wstring> BuildSummaryLines(std::span<const PublisherRecord> records, const CheckSummaryScope& scope) {
  const std::vector<StringId> messages = CheckSummaryMessages(CollectSummaryFacts(records, scope));
  return SummaryMessageLines(messages);
}

std::wstring JoinLines(std::span<const std::wstring> lines) {
  std::wstring text;
  for (const std::wstring& line : lines) {
    if (!text.empty()) text += L"\r\n";
    text += line;
  }
  return text;
}

}  // namespace wendrix
