#pragma once
// A generated publisher data file of about `targetBytes` bytes: the shape of
// a large real one (texts, items, downloads, home pages, installed versions),
// CR LF line ends, ASCII.
#include <cstddef>
#include <string>

#include "publisher/model.h"

namespace wendrix::bench {

// An empty model of the publisher the generated files name, registered as
// their headers say: a load checks the file against it.
inline PublisherData RegisteredModel() {
  PublisherData data;
  data.publisher.id = L"1.3.6.1.4.1.99999";
  data.publisher.name = L"Acme Tools";
  data.publisher.homePage = L"http://www.acme.example/";
  return data;
}

inline std::string GeneratePublisherFile(std::size_t targetBytes) {
  std::string out =
      "[Wendrix]\r\nRequiredVersion = 3.6\r\n[Publisher]\r\nID = 1.3.6.1.4.1.99999\r\nName = \"Acme Tools\"\r\n"
      "HomePage = http://www.acme.example/\r\nDataSource = http://www.acme.example/acme.wx-cnf\r\n"
      "Application = \"Kestmoor(R) Wendrix(TM)\"\r\n";
  for (std::size_t i = 0; out.size() < targetBytes; ++i) {
    const std::string n = std::to_string(i);
    out += "[Text]\r\nID = t" + n + "\r\nText = en,\"Product number " + n + ", the editor\"\r\nText = it,\"Prodotto numero " +
           n + "\"\r\n[Item]\r\nID = item" + n + "\r\nTitle = t" + n + "\r\nType = Software\r\nAction = a" + n +
           "\r\nAction = h" + n + "\r\nInstalledVersion = iv" + n + "\r\n[Action]\r\nID = a" + n +
           "\r\nType = Download\r\nSubtype = Generic, Update\r\nVersion = " + std::to_string(i % 9) + "." +
           std::to_string(i % 17) + "." + std::to_string(i % 5) +
           "\r\nDate = 2013-05-07\r\nBytes = 1048576\r\nURL = http://download.acme.example/files/product" + n +
           "/setup.exe\r\nFlags = Install, Installer\r\n[Action]\r\nID = h" + n +
           "\r\nType = Open\r\nSubtype = HomePage\r\nURL = http://www.acme.example/p" + n +
           "\r\n[InstalledVersion]\r\nID = iv" + n + "\r\nApplication = HKEY_LOCAL_MACHINE\\Software\\Acme\\Product" + n +
           "\\Version, \"\"\r\n";
  }
  return out;
}

}  // namespace wendrix::bench
