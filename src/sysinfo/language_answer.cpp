#include "sysinfo/language_answer.h"

#include "core/language_table.h"

namespace wendrix {

std::wstring LanguageAnswer(std::uint16_t languageId, std::wstring_view iso639, std::wstring_view abbreviation) {
  std::wstring_view answer = iso639;
  if (answer.empty()) answer = FallbackIso639(languageId);
  if (answer.empty()) answer = abbreviation;
  return answer.size() == 2 ? std::wstring(answer) : std::wstring(L"en");
}

}  // namespace wendrix
