#include "registration/publisher_record.h"

#include <tuple>

#include "publisher/builtin_publishers.h"
#include "publisher/conditions.h"

namespace wendrix {

bool IsSelfPublisher(const PublisherRecord& record) noexcept { return (record.flags & kPublisherSelf) != 0; }

void TakeRegisteredFields(const PublisherFields& fields, PublisherRecord& record) {
  std::tie(record.id, record.name, record.homePage, record.dataSource, record.version, record.applicationNames) =
      std::tie(fields.id, fields.name, fields.homePage, fields.dataSource, fields.version, fields.applicationNames);
  record.flags = (record.flags & ~kRegisteredFlags) | (fields.flags & kRegisteredFlags);
}

void LinkBuiltinRow(PublisherRecord& record, const BuiltinPublisher& row) noexcept {
  record.builtin = &row;
  if (row.self) record.flags |= kPublisherSelf;
}

const std::wstring* ApplicationNameFor(const PublisherRecord& record, const PublisherEnvironment& env) {
  return TextForUserLanguage(record.applicationNames, env);
}

}  // namespace wendrix
