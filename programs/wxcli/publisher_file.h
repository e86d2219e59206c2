#pragma once
// A publisher data file loaded as when its publisher registers it: the
// file's own Publisher section stands in for the registration, and no other
// publisher is registered.
#include <cstdint>
#include <string>

#include "core/result.h"
#include "publisher/environment.h"
#include "publisher/model.h"

namespace wxcli {

class NoOtherPublishers final : public wendrix::PublisherList {
 public:
  bool Contains(std::wstring_view) const override { return false; }
  std::optional<std::wstring> PublisherVersion(std::wstring_view) const override { return std::nullopt; }
  void RecordRequiredVersion(std::wstring_view version) override { requiredVersion.assign(version); }
  std::wstring requiredVersion;  // what a file required of a newer library
};

struct LoadedFile {
  wendrix::PublisherData data;
  NoOtherPublishers publishers;
  HRESULT result = S_OK;
  std::uint32_t line = 0;  // of the error, when there is one
  bool unreadable = false;  // the file itself could not be read
};

// The library's module state, from the DLL this tool runs with.
void InitializeLibraryState();

// Reads and loads `path` with the loader `options`.
void LoadAsRegistered(const std::wstring& path, std::uint32_t options, const wendrix::PublisherEnvironment& env,
                      LoadedFile& file);

}  // namespace wxcli
