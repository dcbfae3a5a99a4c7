// What the Linux backends provide: the program in its own window, and a saver in someone else's window.
#pragma once

#include "app/launch.hpp"

namespace pellwick {

/// Opens the window, runs the game until a double-click, Escape or a close request; returns the exit status.
int runDesktop();

/// Runs the game in someone else's window (a Launch in InWindow mode) until a stop signal or the window
/// goes away; returns the exit status: 0, or 2 when the window does not exist, 1 for other failures.
int runSaver(const Launch& l);

}  // namespace pellwick
