#pragma once
// The update of the product itself that the main window offers: the Self
// item of the product's own publisher when it offers a newer version than
// this library, with the address and names its Download action gives.
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/sha256_text.h"
#include "publisher/environment.h"
#include "registration/publisher_record.h"

namespace wendrix {

struct SelfUpdateChoice {
  std::wstring version;     // the version on offer
  std::wstring url;         // the next address of the action
  std::wstring rename;      // empty: the file keeps the address's name
  std::wstring parameters;  // empty: none
  std::optional<Sha256Digest> pin;  // the action's first SHA256, which the file must have
};

// The offer of the first self publisher among `records` with loaded data:
// SelfUpdateOnOffer (`requiredVersion` as the store recorded it), delivered
// by the first Download action of a Self item at that version that has an
// address (its first SHA256 pins the file). Nothing without such a publisher, offer or action.
std::optional<SelfUpdateChoice> ChooseSelfUpdate(std::span<const PublisherRecord> records,
                                                 std::wstring_view requiredVersion, const PublisherEnvironment& env);

}  // namespace wendrix
