#include "registration/publisher_record.h"

#include "publisher/builtin_publishers.h"
#include "publisher/conditions.h"

namespace wendrix {

bool IsSelfPublisher(const PublisherRecord& record) noexcept { return (record.flags & kPublisherSelf) != 0; }

void LinkBuiltinRow(PublisherRecord& record, const BuiltinPublisher& row) noexcept {
  record.builtin = &row;
  if (row.self) record.flags |= kPublisherSelf;
}

const std::wstring* ApplicationNameFor(const PublisherRecord& record, const PublisherEnvironment& env) {
  return TextForUserLanguage(record.applicationNames, env);
}

}  // namespace wendrix
