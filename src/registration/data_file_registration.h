#pragma once
// Registering a publisher from its data file, on behalf of a product (which
// counts its registrations) or of the user, and the step numbers that tell a
// setup program which step failed.
#include <cstdint>
#include <string>

#include "core/result.h"
#include "publisher/model.h"
#include "registration/list_file.h"

namespace wendrix {

class CJournal;

// Where a registration failed: the number written to the caller's
// *errorLocation alongside the result.
enum RegisterLocation : std::uint32_t {
  kAtMissingArgument = 42,
  kAtOpenStoreAfter = 57,
  kAtStartupEntry = 58,
  kAtControlPanelEntry = 59,
  kAtUninstallEntry = 165,
  kAtFileType = 124,
  kAtSettingsMigration = 104,
  kAtReadDataFile = 157,
  kAtParseDataFile = 155,
  kAtRequiredValue = 156,
  kAtIdentifyCaller = 173,
  kAtProductDataPath = 83,
  kAtReadProductData = 84,
  kAtBuildMemory1 = 85,
  kAtBuildMemory2 = 86,
  kAtBuildMemory3 = 87,
  kAtOpenStore = 88,
  kAtCreateRecord = 89,
  kAtRecordIncomplete = 90,
  kAtWriteRegistration = 92,
  kAtJournalProductData = 110,
  kAtWriteProductData = 93,
};

// A publisher data file read for registering: its publisher's fields, the
// library version it requires and whether it describes an item.
struct PublisherFile {
  std::wstring path;
  PublisherFields publisher;
  std::wstring requiredVersion;
  bool hasItem = false;
  std::uint32_t errorLine = 0;  // the line of a parse failure; 0 when none
};

// Reads and parses the file as a publisher data file: 157 when it cannot be
// read, 155 when it does not parse or load (the loader's code, with the line
// in errorLine; an ID that is not a safe publisher ID is 0x80070057 at its
// line), 156 with 0x80070057 when the name, ID, home page, data source or the
// Wendrix section's RequiredVersion is missing or empty.
HRESULT ReadPublisherFile(const wchar_t* path, PublisherFile& file, std::uint32_t& location);

// True when the publisher part of a file is complete (name, ID, home page,
// data source and required version).
bool IsPublisherPartComplete(const PublisherFile& file) noexcept;

struct RegisterOutcome {
  bool updated = false;  // the record was created or took the file's values
};

// Registers the file's publisher in `scope`. With a caller (a product) the
// scope's count goes up by one and the product's product-data file names the
// publisher; without one the registration is the user's. The record takes
// the file's values only when it is new or older than the file. Returns 0;
// 1 when there is no caller and nothing was updated; or a failure with its
// step in `location`. When the record was updated, a running main window is
// told to reload the publishers. The registration icon is the file's
// ApplicationIcon only when it lies in the data file's folder or below.
HRESULT RegisterPublisherFile(const PublisherFile& file, const wchar_t* caller, StoreScope scope, CJournal* journal,
                              std::uint32_t& location, RegisterOutcome* outcome = nullptr);

}  // namespace wendrix
