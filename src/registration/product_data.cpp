#include "registration/product_data.h"

#include <new>

#include "core/string_util.h"

namespace wendrix {
namespace {

enum ProductDataKey : std::int32_t { kProductName, kPublisherName, kPublisherHomePage, kPublisherDataSource };

constexpr IniSchemaRow kSchema[] = {
    {L"Product", L"Name", kProductName, kIniText},
    {kIniAny, L"PublisherName", kPublisherName, kIniText},
    {kIniAny, L"PublisherHomePage", kPublisherHomePage, kIniRaw},
    {kIniAny, L"PublisherDataSource", kPublisherDataSource, kIniRaw},
};

constexpr wchar_t kProductSectionName[] = L"Product";

ProductPublisher* FindPublisher(ProductData& data, std::wstring_view id) noexcept {
  for (ProductPublisher& p : data.publishers)
    if (CStringUtil::EqualsNoCase(p.id, id)) return &p;
  return nullptr;
}

}  // namespace

void ProductData::Add(ProductPublisher publisher) {
  if (ProductPublisher* existing = FindPublisher(*this, publisher.id)) *existing = std::move(publisher);
  else publishers.push_back(std::move(publisher));
}

IniSchema ProductDataSchema() noexcept { return kSchema; }

HRESULT ReadProductData(const CIniData& entries, ProductData& data) {
  try {
    ProductPublisher* current = nullptr;
    bool inProduct = false;
    for (IniEntry e : entries.Entries()) {
      if (e.Kind() == kIniSection) {
        inProduct = CStringUtil::EqualsNoCase(e.NameView(), kProductSectionName);
        current = nullptr;
        if (!inProduct && !e.NameView().empty()) {
          current = FindPublisher(data, e.NameView());
          if (!current) current = &data.publishers.emplace_back(ProductPublisher{e.Name(), L"", L"", L""});
        }
        continue;
      }
      if (e.Count() == 0) continue;
      const std::int32_t key = SchemaLookup(inProduct ? kProductSectionName : L"", e.NameView(), kSchema);
      if (inProduct) {
        if (key == kProductName) data.name = e.Value(0);
      } else if (current) {
        if (key == kPublisherName) current->name = e.Value(0);
        else if (key == kPublisherHomePage) current->homePage = e.Value(0);
        else if (key == kPublisherDataSource) current->dataSource = e.Value(0);
      }
    }
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT WriteProductData(const ProductData& data, CIniData& out) {
  if (!data.name.empty()) {
    RETURN_IF_FAILED(out.AddSection(kProductSectionName));
    RETURN_IF_FAILED(out.AddText(L"Name", data.name, kIniAlternateForm));
  }
  for (const ProductPublisher& p : data.publishers) {
    RETURN_IF_FAILED(out.AddSection(p.id));
    RETURN_IF_FAILED(out.AddText(L"PublisherName", p.name, kIniAlternateForm));
    RETURN_IF_FAILED(out.AddRaw(L"PublisherHomePage", p.homePage, kIniAlternateForm));
    RETURN_IF_FAILED(out.AddRaw(L"PublisherDataSource", p.dataSource, kIniAlternateForm));
  }
  return S_OK;
}

}  // namespace wendrix
