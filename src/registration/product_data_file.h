#pragma once
// Product-data files on disk: "<product identifier>.ini" in the scope's
// "ProductData" folder, UTF-16 with a byte-order mark.
#include <string>

#include "core/result.h"
#include "registration/list_file.h"
#include "registration/product_data.h"
#include "registration/product_identity.h"

namespace wendrix {

class CJournal;

// The file of a product in a scope; 0x8007006F when the path reaches 260
// characters.
HRESULT ProductDataPath(const ProductIdentity& product, StoreScope scope, std::wstring& path);

// Reads a product-data file. A missing file gives the wrapped Win32 error
// (0x80070002 or 0x80070003); a file that does not parse its parser's code.
HRESULT ReadProductDataFile(const std::wstring& path, ProductData& data);

// Replaces the file as a whole (written beside it, then moved over it; its
// folder must exist and the caller journals it first).
// Texts the thread's code page cannot hold are written as escapes.
HRESULT WriteProductDataFile(const std::wstring& path, const ProductData& data);

// Deletes the file, journaled first; a missing file is no error.
HRESULT DeleteProductDataFile(const std::wstring& path, CJournal* journal);

}  // namespace wendrix
