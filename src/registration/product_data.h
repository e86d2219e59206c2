#pragma once
// A product-data file: which publishers one product registered in one scope,
// so that uninstalling the product can unregister exactly those. One INI file
// per product and scope, named by the product's identifier.
#include <string>
#include <string_view>
#include <vector>

#include "core/ini_data.h"
#include "core/result.h"

namespace wendrix {

struct ProductPublisher {
  std::wstring id, name, homePage, dataSource;
};

struct ProductData {
  std::wstring name;  // the product's display name; empty: no [Product] section
  std::vector<ProductPublisher> publishers;

  // Adds the publisher, or replaces the entry of the same ID (ignoring case)
  // in place: a product that registers a publisher again still counts once
  // in its file.
  void Add(ProductPublisher publisher);
};

// The schema a product-data file is read with.
IniSchema ProductDataSchema() noexcept;

// Reads the entries of a product-data file: [Product] Name, and every other
// section as a publisher with PublisherName, PublisherHomePage and
// PublisherDataSource. A second section of one ID replaces the first's values.
HRESULT ReadProductData(const CIniData& entries, ProductData& data);

// Appends the file's entries: [Product] with Name when the name is known,
// then one section per publisher; every value always quoted.
HRESULT WriteProductData(const ProductData& data, CIniData& out);

}  // namespace wendrix
