#include "publisher/publisher_header_file.h"

#include <new>

#include "platform/ini_file.h"
#include "publisher/loader.h"

namespace wendrix {

HRESULT ReadPublisherHeader(const wchar_t* path, std::wstring* id, std::wstring* name, std::wstring* homePage,
                            std::wstring* dataSource) {
  try {
    std::wstring text;
    RETURN_IF_FAILED(ReadTextFile(path, text));
    PublisherHeader header;
    if (id) header.id = *id;
    if (name) header.name = *name;
    if (homePage) header.homePage = *homePage;
    if (dataSource) header.dataSource = *dataSource;
    RETURN_IF_FAILED(ReadPublisherHeaderText(text, header));
    if (id) *id = std::move(header.id);
    if (name) *name = std::move(header.name);
    if (homePage) *homePage = std::move(header.homePage);
    if (dataSource) *dataSource = std::move(header.dataSource);
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace wendrix
