#pragma once
// The short summary a check answers an application with: whether a
// self-update is on offer, the new updates of installed software and, when
// the user wants it, new software that is not installed yet.
#include <cstdint>
#include <string>
#include <vector>

namespace wendrix {

// Summary flags.
inline constexpr std::uint32_t kSummaryUpdates = 0x1;        // updates or a self-update are listed
inline constexpr std::uint32_t kSummaryOtherSoftware = 0x2;  // other software is listed

// The string-table texts the summary is made of.
struct SummaryTexts {
  std::wstring selfUpdateAvailable;  // "A self-update is available."
  std::wstring selfUpdateRequired;   // "A self-update is required."
  std::wstring updatesHeading;       // "Updates are available:"
  std::wstring otherHeading;         // "Other software is available:"
  std::wstring moreUpdates;          // "- More..."
  std::wstring moreOther;            // "- More..."
};

struct SummaryFacts {
  bool selfUpdateOffered = false;     // the self publisher offers a newer library
  bool newerLibraryRequired = false;  // some data file needs it
  bool listOtherSoftware = false;     // the user's OtherSoftware setting is 2
  std::vector<std::wstring> updates;  // titles of new items that are installed
  std::vector<std::wstring> other;    // titles of new items that are not
};

// A list holds at most three entries, and stops earlier when the list so
// far plus the next title would reach 90 characters; a list that stops with
// titles left ends with the "More" line.
inline constexpr std::size_t kSummaryMaxEntries = 3;
inline constexpr std::size_t kSummaryMaxListLength = 90;

// The paragraphs, separated by an empty line (CR LF line ends); empty when
// there is nothing to say. `flags` receives the summary flags.
std::wstring BuildSummaryText(const SummaryFacts& facts, const SummaryTexts& texts, std::uint32_t& flags);

}  // namespace wendrix
