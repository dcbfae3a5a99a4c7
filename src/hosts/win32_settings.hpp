// The Windows screensaver's settings: the two intervals, kept in the registry, and the dialog that sets them.
#pragma once

#include <windows.h>

namespace pellwick {

struct SaverTimes {
    DWORD firstGame = 10;  // seconds after start
    DWORD newGame = 180;   // seconds between games; 0: never
};

/// The intervals under HKCU\Software\Pellwick, or the defaults for those not set.
SaverTimes loadSaverTimes();

/// Shows the settings dialog, owned by owner (may be null), and stores what the user accepts.
void showSaverSettings(HWND owner);

}  // namespace pellwick
