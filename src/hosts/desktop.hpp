// What the Linux backends provide: the program in its own window, a saver over every monitor and a
// wallpaper, on X11 or Wayland, and a saver in someone else's X11 window.
#pragma once

#include <cstdint>

#include "app/launch.hpp"

namespace pellwick {

/// Opens the window, runs the game on the seed's stream with the launch's settings until a double-click,
/// Escape or a close request; returns the exit status.
int runDesktop(const Launch& l, std::uint64_t seed);

/// Runs the game on the seed's stream in someone else's window (a Launch in InWindow mode) until a stop
/// signal or the window goes away, and names the seed on stderr once it draws when it drew the seed
/// itself; returns the exit status: 0, or 2 when the window does not exist, 1 for other failures.
int runSaver(const Launch& l, std::uint64_t seed, bool drawnSeed);

/// Runs the saver over every X11 monitor (a Launch in FullScreenSaver mode), each with its own game, the
/// first on the seed's stream and the next ones on the seeds after it, until any input; or the wallpaper
/// (Wallpaper mode) the same way behind every window until a stop signal. Names the seed on stderr when it
/// drew it; returns the exit status: 0, or 1 when it cannot cover the screen.
int runX11Saver(const Launch& l, std::uint64_t seed, bool drawnSeed);

/// Whether a Wayland compositor answers at WAYLAND_DISPLAY.
bool waylandAnswers();

/// Runs the program on Wayland: its window (OwnWindow), the saver over every output (FullScreenSaver) or
/// the wallpaper behind every window (Wallpaper, with the layer shell), each output with its own game as
/// on X11; returns the exit status: 0, or 1 when the compositor cannot be reached, lacks what the program
/// needs, or goes away.
int runWayland(const Launch& l, std::uint64_t seed, bool drawnSeed);

}  // namespace pellwick
