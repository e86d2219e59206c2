// Who registers a publisher: caller identification, the product-data file's
// text, and the data file built for programs that ship none.
#include "registration/product_data.h"

#include <gtest/gtest.h>

#include <string>

#include "core/ini_data_buffer.h"
#include "registration/generated_data_file.h"
#include "registration/product_identity.h"

namespace wendrix {
namespace {

ProductIdentity Identify(const std::wstring& caller) {
  ProductIdentity identity;
  EXPECT_EQ(IdentifyCaller(caller, identity), S_OK) << caller;
  return identity;
}

TEST(IdentifyCallerTest, KnownProductsGuidsAndOtherTexts) {
  const ProductIdentity wendrix = Identify(L"Wendrix");
  EXPECT_EQ(Identify(L"  kestmoor wendrix\t").id, wendrix.id) << "an alias names the same product";
  EXPECT_EQ(wendrix.name, L"Wendrix");
  const ProductIdentity guid = Identify(L"{0a1b2c3d-4e5f-6789-abcd-ef0123456789}");
  EXPECT_EQ(guid.id, L"{0A1B2C3D-4E5F-6789-ABCD-EF0123456789}");
  EXPECT_EQ(guid.name, L"") << "a product code carries no name";

  const ProductIdentity other = Identify(L"Acme Editor Setup");
  EXPECT_TRUE(IsBracedGuid(other.id)) << other.id;
  EXPECT_EQ(other.name, L"Acme Editor Setup");
  EXPECT_EQ(other.id, Identify(L"ACME EDITOR SETUP").id) << "the same text, in any case, finds the same file";
  EXPECT_NE(other.id, Identify(L"Acme Editor Setup 2").id);
  Identify(std::wstring(kMaxCallerLength, L'a'));

  ProductIdentity identity;
  for (const std::wstring& text : {std::wstring(), std::wstring(L" \t "), std::wstring(L"Acme\nSetup"),
                                   std::wstring(kMaxCallerLength + 1, L'a')})
    EXPECT_EQ(IdentifyCaller(text, identity), E_INVALIDARG) << text.size();
  for (const wchar_t* text : {L"00000000-0000-0000-0000-000000000000", L"{00000000-0000-0000-0000-00000000000}",
                              L"{00000000-0000-0000-0000-00000000000G}", L"{00000000+0000-0000-0000-000000000000}"})
    EXPECT_FALSE(IsBracedGuid(text)) << text;
}

std::wstring Written(const ProductData& data, std::uint32_t flags) {
  CIniDataBuffer out;
  EXPECT_EQ(WriteProductData(data, out), S_OK);
  EXPECT_EQ(out.Save(flags), S_OK);
  return out.Text();
}

ProductData ReadBack(const std::wstring& text) {
  CIniDataBuffer in;
  in.SetText(text);
  EXPECT_EQ(in.Load(ProductDataSchema()), S_OK);
  ProductData back;
  EXPECT_EQ(ReadProductData(in, back), S_OK);
  return back;
}

TEST(ProductDataTest, WrittenTextAndReadBack) {
  ProductData data;
  data.name = L"Acme \"Pro\" Editor";
  data.Add({L"1.2.3", L"Acme", L"http://acme.example/", L"http://acme.example/a.wx-cnf"});
  data.Add({L"4.5", L"Zeta, Inc.", L"http://zeta.example/", L"C:\\data\\z.wx-cnf"});
  data.Add({L"1.2.3", L"Acme Tools", L"http://acme.example/", L"http://acme.example/a.wx-cnf"});
  ASSERT_EQ(data.publishers.size(), 2u) << "a publisher registered again counts once";
  const std::wstring text = Written(data, kIniSaveUnicode);
  EXPECT_EQ(text,
            L"\r\n[Product]\r\nName = \"Acme \\\"Pro\\\" Editor\"\r\n"
            L"\r\n[1.2.3]\r\nPublisherName = \"Acme Tools\"\r\nPublisherHomePage = \"http://acme.example/\"\r\n"
            L"PublisherDataSource = \"http://acme.example/a.wx-cnf\"\r\n"
            L"\r\n[4.5]\r\nPublisherName = \"Zeta, Inc.\"\r\nPublisherHomePage = \"http://zeta.example/\"\r\n"
            L"PublisherDataSource = \"C:\\data\\z.wx-cnf\"\r\n");

  const ProductData back = ReadBack(text);
  EXPECT_EQ(back.name, data.name);
  ASSERT_EQ(back.publishers.size(), 2u);
  EXPECT_EQ(back.publishers[1].name, L"Zeta, Inc.");
  EXPECT_EQ(back.publishers[1].dataSource, L"C:\\data\\z.wx-cnf") << "raw values keep their backslashes";
}

TEST(ProductDataTest, UnknownNameWritesNoProductSectionAndForeignTextIsEscaped) {
  ProductData data;
  data.Add({L"1", L"\u65E5\u672C", L"h", L"d"});
  const std::wstring text = Written(data, 0);
  EXPECT_EQ(text.find(L"[Product]"), std::wstring::npos);
  EXPECT_EQ(text.find(L'\u65E5'), std::wstring::npos) << text;
  const ProductData back = ReadBack(text);
  ASSERT_EQ(back.publishers.size(), 1u);
  EXPECT_EQ(back.publishers[0].name, L"\u65E5\u672C");
}

TEST(GeneratedDataFileTest, HeaderAndIdentityOnly) {
  std::wstring text;
  ASSERT_EQ(BuildGeneratedDataFile(L"1.2.3", L"Acme, Inc.", L"http://acme.example/", L"http://acme.example/a.ini", text),
            S_OK);
  EXPECT_EQ(text,
            L"\r\n[Wendrix]\r\nRequiredVersion = 3.6\r\n\r\n[Publisher]\r\nID = 1.2.3\r\nName = \"Acme, Inc.\"\r\n"
            L"HomePage = \"http://acme.example/\"\r\nDataSource = \"http://acme.example/a.ini\"\r\n"
            L"Application = \"Kestmoor(R) Wendrix(TM)\"\r\n");
}

}  // namespace
}  // namespace wendrix
