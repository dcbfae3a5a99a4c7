// The Windows screensaver's settings: the two intervals, the seed and the settings every front end shows,
// kept in the registry, and the dialog that sets them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>

#include "app/cadence.hpp"
#include "app/settings.hpp"

namespace pellwick {

/// What the user chose for the screensaver.
struct SaverSettings {
    SaverTimes times;
    std::optional<std::uint64_t> seed;  // the same games every time from this seed; none: new games every start
    Settings settings;
};

/// The settings under HKCU\Software\Pellwick (whole seconds, a decimal seed, each other setting as the
/// string its option takes, under its name), or the defaults for those not set or not sound.
SaverSettings loadSaverSettings();

/// Shows the settings dialog, owned by owner (may be null), and stores what the user accepts.
void showSaverSettings(HWND owner);

}  // namespace pellwick
