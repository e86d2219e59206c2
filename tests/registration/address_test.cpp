// Address normalisation: which scheme and host prefixes are dropped.
#include "publisher/address.h"

#include <gtest/gtest.h>

#include <string>

namespace wendrix {
namespace {

struct AddressCase {
  const wchar_t* address;
  const wchar_t* normalised;
};

TEST(NormaliseAddress, DropsSchemeAndHostPrefix) {
  const AddressCase cases[] = {
      {L"http://www.x.example/a.wx-cnf", L"x.example/a.wx-cnf"},
      {L"https://secure.x.example/a", L"x.example/a"},
      {L"http://secure.x.example/a", L"secure.x.example/a"},
      {L"ftp://ftp.x.example/a", L"x.example/a"},
      {L"http://ftp.x.example/a", L"ftp.x.example/a"},
      {L"https://www.secure.x.example/a", L"secure.x.example/a"},  // only one host prefix
      {L"ftp://update.ftp.x.example/a", L"ftp.x.example/a"},
      {L"HTTPS://SECURE.x.example/a", L"x.example/a"},
      {L"file://download.x.example/a", L"x.example/a"},
      {L"Update.x.example/a", L"x.example/a"},       // host prefix without a scheme
      {L"secure.x.example/a", L"secure.x.example/a"},  // "secure." needs https
      {L"https://", L""},
      {L"http://www.", L""},
      {L"", L""},
      {L"http:/www.x.example", L"http:/www.x.example"},
      {L"C:\\Data\\x.wx-cnf", L"C:\\Data\\x.wx-cnf"},
  };
  for (const AddressCase& c : cases)
    EXPECT_EQ(std::wstring(NormaliseAddress(c.address)), c.normalised) << std::wstring(c.address).size();
}

TEST(NormaliseAddress, ViewsTheSameText) {
  const std::wstring address = L"https://secure.x.example/a";
  const std::wstring_view rest = NormaliseAddress(address);
  EXPECT_EQ(rest.data(), address.data() + 15);
}

}  // namespace
}  // namespace wendrix
