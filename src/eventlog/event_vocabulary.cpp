#include "eventlog/event_vocabulary.h"

#include <span>

#include "core/string_util.h"

namespace wendrix {
namespace {

struct EventWord {
  const wchar_t* keyword;
  unsigned displayId;
};

// One table, origins then types then results; each list is a span of it.
constexpr EventWord kWords[] = {
    {L"Manual", 254},         {L"Application", 255},      {L"Scheduled", 256},        {L"Startup", 496},
    {L"Check", 248},          {L"DownloadStarted", 365},  {L"DownloadComplete", 366}, {L"Download", 249},
    {L"Install", 250},        {L"Open", 251},             {L"Buy", 253},              {L"System", 252},
    {L"Success", 259},        {L"PartialSuccess", 278},   {L"Aborted", 261},          {L"Error", 260},
    {L"Unknown", 367},
};
constexpr std::size_t kOrigins = kOriginNone, kTypes = kEventNone, kResults = kResultNone;
static_assert(std::size(kWords) == kOrigins + kTypes + kResults);

std::span<const EventWord> ListOf(EventWordList list) noexcept {
  const std::span<const EventWord> all(kWords);
  switch (list) {
    case EventWordList::kOrigin: return all.subspan(0, kOrigins);
    case EventWordList::kType: return all.subspan(kOrigins, kTypes);
    default: return all.subspan(kOrigins + kTypes, kResults);
  }
}

}  // namespace

std::uint32_t EventNoneValue(EventWordList list) noexcept { return static_cast<std::uint32_t>(ListOf(list).size()); }

const wchar_t* EventKeyword(EventWordList list, std::uint32_t value) noexcept {
  const auto words = ListOf(list);
  return value < words.size() ? words[value].keyword : nullptr;
}

std::uint32_t EventWordValue(EventWordList list, std::wstring_view keyword) noexcept {
  const auto words = ListOf(list);
  for (std::size_t i = 0; i < words.size(); ++i)
    if (CStringUtil::EqualsNoCase(words[i].keyword, keyword)) return static_cast<std::uint32_t>(i);
  return static_cast<std::uint32_t>(words.size());
}

unsigned EventDisplayId(EventWordList list, std::uint32_t value) noexcept {
  const auto words = ListOf(list);
  return value < words.size() ? words[value].displayId : 0;
}

}  // namespace wendrix
