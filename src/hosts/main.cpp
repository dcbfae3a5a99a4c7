// The program's entry on Linux: the command line and XSCREENSAVER_WINDOW choose its own window, a saver or
// the wallpaper, and the seed it plays; WAYLAND_DISPLAY and PELLWICK_DISPLAY choose Wayland or X11.
#include <sys/random.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/version.hpp"
#include "hosts/desktop.hpp"

namespace {

// A fresh seed from the kernel's random source; the game's own stream (0) should there be none.
std::uint64_t systemSeed() {
    std::uint64_t seed = 0;
    return getrandom(&seed, sizeof seed, 0) == static_cast<ssize_t>(sizeof seed) ? seed : 0;
}

// How to have the idle watcher start with the session, and stop doing so.
std::string autostartUsage() {
    const std::string entry = PELLWICK_AUTOSTART_ENTRY;
    return "\nTo start --idle 10 with every session (KDE, Xfce, MATE and other desktops with XDG autostart):\n"
           "  mkdir -p ~/.config/autostart && cp " + entry + " ~/.config/autostart/\n"
           "and to stop: rm ~/.config/autostart/pellwick-idle.desktop\n";
}

}  // namespace

int main(int argc, char** argv) {
    using namespace pellwick;
    const Launch l = readCommandLine(std::vector<std::string>(argv + 1, argv + argc), std::getenv("XSCREENSAVER_WINDOW"));
    switch (l.mode) {
        case Launch::Mode::Help:
            return std::fputs((commandLineUsage() + autostartUsage()).c_str(), stdout) < 0 ? 1 : 0;
        case Launch::Mode::Version:
            return std::printf("pellwick %s\n", VERSION) < 0 ? 1 : 0;
        case Launch::Mode::Idle: {
            std::string error;
            const bool wayland = chooseDisplay(l, std::getenv("PELLWICK_DISPLAY"), waylandAnswers, error) == DisplaySystem::Wayland;
            if (!error.empty()) {
                std::fprintf(stderr, "pellwick: %s\n", error.c_str());
                return 2;
            }
            return wayland ? runWaylandIdle(l, systemSeed) : runX11Idle(l, systemSeed);
        }
        case Launch::Mode::InWindow:
        case Launch::Mode::FullScreenSaver:
        case Launch::Mode::Wallpaper:
        case Launch::Mode::OwnWindow: {
            std::string error;
            const DisplaySystem system = chooseDisplay(l, std::getenv("PELLWICK_DISPLAY"), waylandAnswers, error);
            const bool wayland = system == DisplaySystem::Wayland;
            if (error.empty()) error = ScreenGames::refusal(l, wayland ? WAYLAND_PLATFORM : X11_PLATFORM);
            if (!error.empty()) {
                std::fprintf(stderr, "pellwick: %s\n", error.c_str());
                return 2;
            }
            bool drawn = false;
            const std::uint64_t seed = seedFor(l, systemSeed, drawn);
            return wayland ? runWayland(l, seed, drawn) : runX11(l, seed, drawn);
        }
        default:
            std::fprintf(stderr, "pellwick: %s\n", l.error.c_str());
            return l.status;
    }
}
