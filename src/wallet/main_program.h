#pragma once
// Handing wallet work to the product's main program, which runs one entry
// per process ("/d:" + ID) and picks up pending request records.
#include <string>

#include "core/result.h"
#include "setup/product_start.h"  // StartMainProgram

namespace wendrix {


// "/d:" + ID, then "/x:" + the command and "/u:" + the folder when given,
// each of these two enclosed whole in double quotes.
std::wstring EntryCommandLine(const std::wstring& id, const wchar_t* command, const wchar_t* folder);

}  // namespace wendrix
