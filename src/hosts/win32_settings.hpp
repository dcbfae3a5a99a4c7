// The Windows screensaver's settings: the two intervals, kept in the registry, and the dialog that sets them.
#pragma once

#include <windows.h>

#include "app/cadence.hpp"

namespace pellwick {

/// The intervals under HKCU\Software\Pellwick (whole seconds), or the defaults for those not set.
SaverTimes loadSaverTimes();

/// Shows the settings dialog, owned by owner (may be null), and stores what the user accepts.
void showSaverSettings(HWND owner);

}  // namespace pellwick
