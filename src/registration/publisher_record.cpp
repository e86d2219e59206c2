#include "registration/publisher_record.h"

#include "publisher/conditions.h"

namespace wendrix {

const std::wstring* ApplicationNameFor(const PublisherRecord& record, const PublisherEnvironment& env) {
  for (const TextEntry& entry : record.applicationNames)
    if (LanguageMatches(entry.language, kUserUiLanguage, env)) return &entry.text;
  return record.applicationNames.empty() ? nullptr : &record.applicationNames.front().text;
}

}  // namespace wendrix
