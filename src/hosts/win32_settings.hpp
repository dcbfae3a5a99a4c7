// The Windows screensaver's settings, those of the one table, kept in the registry, and the dialog that
// sets them.
#pragma once

#include <windows.h>

#include "app/settings.hpp"

namespace pellwick {

/// The settings under HKCU\Software\Pellwick, each the string its option takes under the setting's name
/// (an interval kept by an older version as a DWORD under FirstGame or NewGame still counts), or the
/// default for each not set or not sound. No seed: new games at every start.
Settings loadSaverSettings();

/// Shows the settings dialog, owned by owner (may be null), and stores what the user accepts.
void showSaverSettings(HWND owner);

}  // namespace pellwick
