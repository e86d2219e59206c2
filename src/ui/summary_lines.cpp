#include "ui/summary_lines.h"

#include "core/markup.h"
#include "frame/messages.h"

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
