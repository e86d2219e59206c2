#pragma once
// Installed-version detection and path resolution: how an InstalledVersion
// definition yields a version text and a Path definition an existing folder.
// The order of the probes and what each result becomes is decided here; the
// probes themselves (registry, files, Windows Installer, COM, modules) are
// behind VersionProbes, which the Windows build fills with the real calls.
#include <optional>
#include <string>
#include <string_view>

#include "core/version.h"
#include "publisher/environment.h"
#include "publisher/model.h"

namespace wendrix {

class VersionProbes {
 public:
  virtual ~VersionProbes() = default;
  // The version one Application line finds, or nothing.
  virtual std::optional<VersionParts> ProbeApplication(const ApplicationProbe& probe) const = 0;
  // The text one System line finds (possibly empty), or nothing.
  virtual std::optional<std::wstring> ProbeSystem(std::wstring_view text) const = 0;
  // The existing folder one Path line names, or nothing.
  virtual std::optional<std::wstring> ResolveAlternative(const PathAlternative& alternative) const = 0;
};

// Clears the definition's result, then tries its application probes in order
// (the first version found, as "a.b.c.d"), then its system probes (the first
// text found), then its publisher probe (that registered publisher's version,
// "0.0" when its data has none; only with `publishers`). Stores the result in
// the definition and returns it; nothing when no probe applies. Probe
// failures are never reported: they only move on to the next probe.
std::optional<std::wstring> DetermineInstalledVersion(const InstalledVersionDefinition& definition,
                                                      const PublisherList* publishers, const VersionProbes& probes);

// The same through an environment, for the definition with identifier `id`
// (ignoring case); nothing when there is none. The result is stored in that
// definition.
std::optional<std::wstring> DetermineById(const PublisherData& data, std::wstring_view id,
                                          const PublisherList* publishers, const PublisherEnvironment& env);

// Clears the definition's result, then takes the first alternative that
// names an existing folder. Stores the result and returns it.
std::optional<std::wstring> ResolvePath(const PathDefinition& definition, const VersionProbes& probes);

// The same through an environment, for the path definition `id` (ignoring
// case); nothing when there is none. The result is stored in that definition.
std::optional<std::wstring> ResolvePathById(const PublisherData& data, std::wstring_view id,
                                            const PublisherEnvironment& env);

}  // namespace wendrix
