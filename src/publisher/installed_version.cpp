#include "publisher/installed_version.h"

namespace wendrix {

std::optional<std::wstring> DetermineInstalledVersion(const InstalledVersionDefinition& definition,
                                                      const PublisherList* publishers, const VersionProbes& probes) {
  definition.result.reset();
  for (const ApplicationProbe& probe : definition.applications) {
    if (const std::optional<VersionParts> parts = probes.ProbeApplication(probe)) {
      definition.result = FormatVersion(*parts, 4);
      return definition.result;
    }
  }
  for (const std::wstring& text : definition.systems) {
    if (std::optional<std::wstring> found = probes.ProbeSystem(text)) {
      definition.result = std::move(found);
      return definition.result;
    }
  }
  if (publishers != nullptr && !definition.publisher.empty())
    definition.result = publishers->PublisherVersion(definition.publisher);
  return definition.result;
}

std::optional<std::wstring> DetermineById(const PublisherData& data, std::wstring_view id,
                                          const PublisherList* publishers, const PublisherEnvironment& env) {
  const InstalledVersionDefinition* definition = data.FindInstalledVersion(id);
  if (definition == nullptr) return std::nullopt;
  definition->result.reset();
  definition->result = env.DetermineInstalledVersion(*definition, publishers);
  return definition->result;
}

std::optional<std::wstring> ResolvePath(const PathDefinition& definition, const VersionProbes& probes) {
  definition.result.reset();
  for (const PathAlternative& alternative : definition.alternatives) {
    if (std::optional<std::wstring> folder = probes.ResolveAlternative(alternative)) {
      definition.result = std::move(folder);
      break;
    }
  }
  return definition.result;
}

std::optional<std::wstring> ResolvePathById(const PublisherData& data, std::wstring_view id,
                                            const PublisherEnvironment& env) {
  const PathDefinition* definition = data.FindPath(id);
  if (definition == nullptr) return std::nullopt;
  definition->result.reset();
  definition->result = env.ResolvePath(*definition);
  return definition->result;
}

}  // namespace wendrix
