#pragma once
// The words of the event log: what started an operation (origin), what it
// was (type) and how it ended (result). Keywords are stored in English and
// read back ignoring case; each has a display text in the string table.
#include <cstdint>
#include <string_view>

#include "publisher/vocabulary.h"

namespace wendrix {

// Origins are the wallet's: a download is recorded with its entry's origin.
using EventOrigin = WalletOrigin;

enum EventType : std::uint32_t {
  kEventCheck,
  kEventDownloadStarted,
  kEventDownloadComplete,
  kEventDownload,
  kEventInstall,
  kEventOpen,
  kEventBuy,
  kEventSystem,
  kEventNone,
};

enum EventResult : std::uint32_t {
  kResultSuccess,
  kResultPartialSuccess,
  kResultAborted,
  kResultError,
  kResultUnknown,
  kResultNone,
};

// The three lists of the vocabulary.
enum class EventWordList { kOrigin, kType, kResult };

// The keyword of a value; null for the list's "none" value and beyond.
const wchar_t* EventKeyword(EventWordList list, std::uint32_t value) noexcept;
// The value of a keyword (ignoring case), or the list's "none" value.
std::uint32_t EventWordValue(EventWordList list, std::wstring_view keyword) noexcept;
// The string-table number of a value's display text; 0 for "none".
unsigned EventDisplayId(EventWordList list, std::uint32_t value) noexcept;
// The list's "none" value: 4, 8 or 5.
std::uint32_t EventNoneValue(EventWordList list) noexcept;

}  // namespace wendrix
