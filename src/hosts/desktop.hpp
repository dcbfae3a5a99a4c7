// What the Linux backends provide: the program in its own window, and a saver in someone else's window.
#pragma once

#include <cstdint>

#include "app/launch.hpp"

namespace pellwick {

/// Opens the window, runs the game on the seed's stream until a double-click, Escape or a close request;
/// returns the exit status.
int runDesktop(std::uint64_t seed);

/// Runs the game on the seed's stream in someone else's window (a Launch in InWindow mode) until a stop
/// signal or the window goes away, and names the seed on stderr once it draws when it drew the seed
/// itself; returns the exit status: 0, or 2 when the window does not exist, 1 for other failures.
int runSaver(const Launch& l, std::uint64_t seed, bool drawnSeed);

}  // namespace pellwick
