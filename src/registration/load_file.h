#pragma once
// Opening a publisher data file on behalf of the user (a double-click on a
// ".wx-cnf" file): what the file offers, the user's confirmation, and the
// registration of its publisher.
#include <windows.h>

#include <cstdint>

#include "core/result.h"

namespace wendrix {

inline constexpr std::uint32_t kLoadFileNoDialog = 0x1;  // take the offered actions without asking
inline constexpr std::uint32_t kLoadFileQuery = 0x2;     // only tell what would happen

// Answers of a query.
inline constexpr HRESULT kLoadFileDescribesItem = 0;
inline constexpr HRESULT kLoadFileRegistered = 4;
inline constexpr HRESULT kLoadFileNotRegistered = 16;
// Result when only the publisher was newly registered, or when the user
// wants to check for updates to get a library that can read the file.
inline constexpr HRESULT kLoadFileCheckForUpdates = 3;

// What can be done with the item a file describes.
enum class ItemOffer { kNoItem, kAddable, kInstalled, kNoAction, kNotInstallable, kNotAddable };

struct LoadFileFacts {
  bool publisherComplete = false;  // name, ID, home page, data source, version
  bool hasItem = false;
  bool registered = false;  // with the same or a newer version
  ItemOffer item = ItemOffer::kNoItem;
};

// The two messages (string numbers) and the actions offered.
struct LoadFileChoice {
  unsigned publisherMessage = 0;
  unsigned itemMessage = 0;
  bool offerRegistration = false;
  bool offerItem = false;
};
LoadFileChoice ChooseLoadFileMessages(const LoadFileFacts& facts) noexcept;

// The export's work.
HRESULT LoadFileForUser(const wchar_t* path, HWND window, std::uint32_t flags);

}  // namespace wendrix
