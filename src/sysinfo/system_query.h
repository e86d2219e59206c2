#pragma once
// System information queries: named questions about the machine (processor,
// board, firmware, devices and drivers, operating system, language, DirectX,
// architecture), each answered as a short text.
#include <optional>
#include <string>
#include <string_view>

#include "core/result.h"

namespace wendrix {

// Evaluates one query. On success `answer` holds the answer, or nothing when
// the query has no value here (for example an index past the last
// instance). A negative result means the text is no valid query (0x80070057)
// or the system could not answer it.
HRESULT EvaluateSystemQuery(std::wstring_view query, std::optional<std::wstring>& answer);

}  // namespace wendrix
