#include "sysinfo/directx_version.h"

#include <array>
#include <utility>
#include <vector>

namespace wendrix {
namespace {

// One step of the release history: the release is installed when `file` has
// at least version `minimum`. Later rows overrule earlier ones, as later
// releases updated the files the earlier rows test. These are the marker
// files and versions of the DirectX SDK's version-detection sample; its
// "major.minor or later" tests for 8.0 (ddraw 4.8) and 8.2 (dpnet 4.9) are
// the same as a minimum of major.minor.0.0, and its "file present" test for
// 9.0 is a minimum of 0.0.0.0 (which a readable version always meets).
struct ReleaseMarker {
  std::wstring_view file;
  VersionParts minimum;
  DirectXVersion release;
};

constexpr std::array<ReleaseMarker, 16> kReleaseMarkers = {{
    {L"\\ddraw.dll", {4, 2, 0, 95}, {1, 0, L' '}},
    {L"\\ddraw.dll", {4, 3, 0, 1096}, {2, 0, L' '}},
    {L"\\ddraw.dll", {4, 4, 0, 68}, {3, 0, L' '}},
    {L"\\d3drg8x.dll", {4, 4, 0, 70}, {3, 0, L'a'}},
    {L"\\ddraw.dll", {4, 5, 0, 155}, {5, 0, L' '}},
    {L"\\ddraw.dll", {4, 6, 0, 318}, {6, 0, L' '}},
    {L"\\ddraw.dll", {4, 6, 0, 436}, {6, 1, L' '}},
    {L"\\dplayx.dll", {4, 6, 3, 518}, {6, 1, L'a'}},
    {L"\\ddraw.dll", {4, 7, 0, 700}, {7, 0, L' '}},
    {L"\\dinput.dll", {4, 7, 0, 716}, {7, 0, L'a'}},
    {L"\\ddraw.dll", {4, 8, 0, 0}, {8, 0, L' '}},
    {L"\\d3d8.dll", {4, 8, 1, 881}, {8, 1, L' '}},
    {L"\\d3d8.dll", {4, 8, 1, 901}, {8, 1, L'a'}},
    {L"\\mpg2splt.ax", {6, 3, 1, 885}, {8, 1, L'b'}},
    {L"\\dpnet.dll", {4, 9, 0, 0}, {8, 2, L' '}},
    {L"\\d3d9.dll", {0, 0, 0, 0}, {9, 0, L' '}},
}};

}  // namespace

std::wstring FormatDirectXVersion(const DirectXVersion& version) {
  return std::to_wstring(version.major) + L'.' + std::to_wstring(version.minor) + L'.' +
         std::to_wstring(static_cast<unsigned>(version.letter) & 31u);
}

std::optional<DirectXVersion> DirectXVersionFromFiles(const SystemFileVersionReader& read) {
  // Each file is read once, although several rows test ddraw.dll.
  std::vector<std::pair<std::wstring_view, std::optional<VersionParts>>> versions;
  versions.reserve(kReleaseMarkers.size());
  const auto versionOf = [&](std::wstring_view file) -> const std::optional<VersionParts>& {
    for (const auto& [name, version] : versions) {
      if (name == file) return version;
    }
    return versions.emplace_back(file, read(file)).second;
  };
  std::optional<DirectXVersion> found;
  for (const ReleaseMarker& marker : kReleaseMarkers) {
    const std::optional<VersionParts>& version = versionOf(marker.file);
    if (version && *version >= marker.minimum) found = marker.release;
  }
  return found;
}

}  // namespace wendrix
