#include "registration/product_data_file.h"

#include <windows.h>

#include "platform/ini_file.h"
#include "registration/store_folders.h"
#include "setup/journal.h"

namespace wendrix {

HRESULT ProductDataPath(const ProductIdentity& product, StoreScope scope, std::wstring& path) {
  std::wstring folder;
  RETURN_IF_FAILED(ProductDataFolder(scope, folder));
  return StorePath(folder, product.id + L".ini", path);
}

HRESULT ReadProductDataFile(const std::wstring& path, ProductData& data) {
  CIniDataBuffer entries;
  RETURN_IF_FAILED(LoadIniFile(path.c_str(), entries, ProductDataSchema(), nullptr));
  return ReadProductData(entries, data);
}

HRESULT WriteProductDataFile(const std::wstring& path, const ProductData& data) {
  CIniDataBuffer entries;
  RETURN_IF_FAILED(WriteProductData(data, entries));
  // Without the Unicode flag: characters the code page cannot hold are
  // written as escapes.
  RETURN_IF_FAILED(entries.Save(0));
  // Replaced as a whole: a failed write must not take the product's earlier
  // registrations with it.
  return WriteUnicodeTextFile(path.c_str(), entries.Text());
}

HRESULT DeleteProductDataFile(const std::wstring& path, CJournal* journal) {
  return DeleteFileNoted(path, journal);
}

}  // namespace wendrix
