#pragma once
// The first load of the settings moves the values of older versions into
// the current key; later loads find it and change nothing.

#include "core/result.h"

namespace wendrix {

class CJournal;

// When HKCU\SOFTWARE\Kestmoor\Wendrix\3.0 does not exist: copies the values
// and subkeys of HKCU\SOFTWARE\Kestmoor\Wendrix into it when that key exists
// (the originals stay), else the whole tree of the first existing key of the
// older product's 3.0, 2.0 and 1.0 settings. The caller holds the settings
// mutex. Failures leave the defaults in place and are not reported.
void ConvertOlderSettings();

// Before a registration: when HKCU\SOFTWARE\Kestmoor\Wendrix exists but its
// "3.0" subkey does not, creates "3.0" with the values of the newest
// version-named subkey ("major.minor"), the new key journaled for removal.
// Nothing happens without such a subkey.
HRESULT CopyNewestSettingsToCurrentKey(CJournal* journal);

}  // namespace wendrix
