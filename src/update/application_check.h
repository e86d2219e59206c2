#pragma once
// The check an application asks for through the exports: settings loaded,
// the store opened and filtered to one publisher when named, the user asked
// when they want to be, the check run, and the answers an application reads
// back (a summary text with its flags, and the flags of the items it names).
#include <cstdint>
#include <string>

#include "core/result.h"
#include "publisher/model.h"

namespace wendrix {

struct InternetSettings;

// The options of WendrixCheckEx this layer acts on.
inline constexpr std::uint32_t kCheckAutomatic = 0x80000000u;
inline constexpr std::uint32_t kCheckLeaveSchedulerAlone = 0x40000000u;

// Whether the wallet holds a finished download, with its files, of one of the
// item's Download actions (the wallet sits above the check, so the caller
// asks it).
using WalletHoldsItem = bool (*)(const PublisherData& data, const Item& item);

struct ApplicationCheckRequest {
  const wchar_t* publisher = nullptr;  // ID or name; null or empty: every publisher
  const wchar_t* group = nullptr;      // with a publisher only
  const wchar_t* item = nullptr;       // with a publisher only
  std::uint32_t options = 0;
  bool wantSummary = false;
  bool wantItemFlags = false;
  WalletHoldsItem inWallet = nullptr;  // asked for kItemFlagInWallet; null: never in the wallet
};

struct ApplicationCheckAnswer {
  std::wstring summary;
  std::uint32_t summaryFlags = 0;
  std::uint32_t itemFlags = 0;
};

// Asks the user whether to check now (the Prompt option); the caller gives
// it, since the prompt can open the library's display through its exports.
using CheckConfirmation = HRESULT (*)(InternetSettings& settings, bool automatic);

// S_OK, kCheckPartial when some publishers failed, or the failure. A failed
// automatic check is still remembered so the scheduler does not retry at
// once; an unknown publisher or group is kElementNotFound.
HRESULT RunApplicationCheck(const ApplicationCheckRequest& request, CheckConfirmation confirm,
                            ApplicationCheckAnswer& answer);

}  // namespace wendrix
