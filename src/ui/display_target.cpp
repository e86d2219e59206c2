#include "ui/display_target.h"

#include "update/display_request.h"

namespace wendrix {
namespace {

struct TargetFlag {
  DisplayTarget target;
  std::uint32_t flag;
};

// In the order in which a request's flags are honoured.
constexpr TargetFlag kTargets[] = {
    {DisplayTarget::kOptions, kDisplayOptions}, {DisplayTarget::kAbout, kDisplayAbout},
    {DisplayTarget::kAllItems, kDisplayAllItems}, {DisplayTarget::kWallet, kDisplayWallet},
    {DisplayTarget::kHistory, kDisplayHistory},
};

}  // namespace

DisplayTarget TargetOfFlags(std::uint32_t flags) noexcept {
  for (const TargetFlag& t : kTargets)
    if (flags & t.flag) return t.target;
  return DisplayTarget::kNone;
}

std::uint32_t FlagOfTarget(DisplayTarget target) noexcept {
  for (const TargetFlag& t : kTargets)
    if (t.target == target) return t.flag;
  return 0;
}

}  // namespace wendrix
