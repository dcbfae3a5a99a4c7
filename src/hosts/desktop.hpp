// The Linux hosts: X11 (the window, the savers, the wallpaper and a saver in someone else's window) and
// Wayland (the window, the saver and the wallpaper).
#pragma once

#include <cstdint>
#include <functional>

#include "app/launch.hpp"
#include "app/screens.hpp"

namespace pellwick {

/// Whether the desktop has blanked or locked itself now, as an idle watcher hears it; asked once a round.
using DesktopBlanked = std::function<bool()>;

/// Runs the launch on X11 on the seed's stream (drawn by the program itself when drawnSeed), until the
/// run ends, resting while `blanked` (when given) says the desktop blanked or locked itself; returns the
/// exit status: 0, 2 when someone else's window does not exist, 1 for other failures.
int runX11(const Launch& l, std::uint64_t seed, bool drawnSeed, const DesktopBlanked& blanked = {});

/// Whether a Wayland compositor answers at WAYLAND_DISPLAY.
bool waylandAnswers();

/// Runs the launch on Wayland (its window, the saver over every output, or the wallpaper behind every window
/// with the layer shell) until the run ends, resting while `blanked` says so as runX11 does; returns the exit status: 0, or 1 when the compositor cannot be
/// reached, lacks what the program needs, or goes away.
int runWayland(const Launch& l, std::uint64_t seed, bool drawnSeed, const DesktopBlanked& blanked = {});

/// Watches the desktop's idle time on X11 (MIT-SCREEN-SAVER) for a Launch in Idle mode, and runs the
/// full-screen saver each time it has been idle long enough, on a seed of its own (fresh() unless one is
/// set), until a stop signal; returns the exit status: 0, or 1 when the X server cannot tell idle time.
int runX11Idle(const Launch& l, std::uint64_t (*fresh)());

/// The same on Wayland, with the compositor's idle protocol (ext-idle-notify-v1, or org_kde_kwin_idle), or
/// where it offers neither (GNOME) with Mutter's idle monitor; returns 1 when there is none of them, or the
/// compositor or the bus goes away.
int runWaylandIdle(const Launch& l, std::uint64_t (*fresh)());

/// The same on GNOME, through Mutter's idle monitor on the session bus, giving way while GNOME's screen
/// saver is on; returns -1, having done nothing, when the session bus has no Mutter to ask.
int runMutterIdle(const Launch& l, std::uint64_t (*fresh)());

/// What each display system can do, for the run to say what it refuses before anything opens.
constexpr Platform X11_PLATFORM{"X11", true, true};
constexpr Platform WAYLAND_PLATFORM{"Wayland", false, false};

}  // namespace pellwick
