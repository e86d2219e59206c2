#pragma once
// Plug and Play queries: device identifiers, revisions, captions, classes
// and driver versions of the devices a pattern selects.
#include <optional>
#include <string>

#include "core/result.h"
#include "sysinfo/query_text.h"

namespace wendrix {

class WmiSession;

// Answers a parsed "PNP\" query through a connected session. A driver-file
// version that cannot be read gives E_FAIL; management failures come back
// as they are.
HRESULT AnswerPnpQuery(WmiSession& session, const ParsedQuery& query, std::optional<std::wstring>& answer);

}  // namespace wendrix
