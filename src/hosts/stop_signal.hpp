// The Linux savers' way to be stopped: SIGTERM and SIGINT, noted and read once per frame.
#pragma once

namespace pellwick {

/// From now on SIGTERM and SIGINT only note that a stop was asked for, for stopRequested to tell.
void catchStopSignals();

/// Whether SIGTERM or SIGINT came since catchStopSignals.
bool stopRequested();

}  // namespace pellwick
