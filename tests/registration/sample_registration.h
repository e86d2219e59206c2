#pragma once
// A registration as a setup would make it for publisher `id`, shared by the
// tests of the store's files.
#include <string>

#include "registration/registration.h"

namespace wendrix::test {

inline Registration MakeRegistration(const std::wstring& id, bool hasCount = false, std::uint32_t count = 0) {
  Registration r;
  r.id = id;
  r.name = L"Publisher " + id;
  r.homePage = L"http://www." + id + L".example/";
  r.dataSource = L"http://update." + id + L".example/p.wx-cnf";
  r.version = L"1.0";
  r.applicationNames = {{L"en", L"App"}};
  r.flags = kPublisherMenuHomePage | kPublisherDialogHistory;
  r.hasCount = hasCount;
  r.count = count;
  return r;
}

}  // namespace wendrix::test
