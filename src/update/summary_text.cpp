#include "update/summary_text.h"

namespace wendrix {
namespace {

std::wstring List(const std::vector<std::wstring>& titles, const std::wstring& more) {
  std::wstring list;
  std::size_t entries = 0;
  for (const std::wstring& title : titles) {
    if (entries == kSummaryMaxEntries || list.size() + title.size() >= kSummaryMaxListLength) {
      list += L"\r\n";
      list += more;
      break;
    }
    if (entries++ > 0) list += L"\r\n";
    list += L"- ";
    list += title;
  }
  return list;
}

void AddParagraph(std::wstring& text, const std::wstring& paragraph) {
  if (!text.empty()) text += L"\r\n\r\n";
  text += paragraph;
}

}  // namespace

std::wstring BuildSummaryText(const SummaryFacts& facts, const SummaryTexts& texts, std::uint32_t& flags) {
  flags = 0;
  std::wstring text;
  if (facts.selfUpdateOffered) {
    AddParagraph(text, facts.newerLibraryRequired ? texts.selfUpdateRequired : texts.selfUpdateAvailable);
    flags |= kSummaryUpdates;
  }
  if (!facts.updates.empty()) {
    AddParagraph(text, texts.updatesHeading + L"\r\n" + List(facts.updates, texts.moreUpdates));
    flags |= kSummaryUpdates;
  }
  if (facts.listOtherSoftware && !facts.other.empty()) {
    AddParagraph(text, texts.otherHeading + L"\r\n" + List(facts.other, texts.moreOther));
    flags |= kSummaryOtherSoftware;
  }
  return text;
}

}  // namespace wendrix
