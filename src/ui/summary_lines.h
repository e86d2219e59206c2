#pragma once
// The check summary as the main window shows it: the summary's messages as
// plain lines of text, their links shown as their words.
#include <span>
#include <string>
#include <vector>

#include "update/check_summary.h"

namespace wendrix {

// The text of each message ("%an" expanded, markup removed, trailing blanks
// and line ends cut), in order.
std::vector<std::wstring> SummaryMessageLines(std::span<const StringId> messages);

// The lines of the summary over `records` within `scope`.
std::vector<std::wstring> BuildSummaryLines(std::span<const PublisherRecord> records, const CheckSummaryScope& scope);

// The lines of the messages marked up for a SysLink control: each link of
// a message ("|shown|target|") becomes "<a>shown</a>"; lines joined by CR LF.
std::wstring SummaryLinkText(std::span<const StringId> messages);

// What the summary's error link shows: one line per publisher the summary
// counts as failed (enabled, within the scope, FailedLastCheck neither 0 nor
// 2; the self publisher only with INIDebug), its name (else its ID), a colon
// and the text of its LastCheckError. Empty when none failed.
std::wstring CheckErrorDetails(std::span<const PublisherRecord> records, const CheckSummaryScope& scope);

// The lines joined by CR LF.
std::wstring JoinLines(std::span<const std::wstring> lines);

}  // namespace wendrix
