// Saver mode, platform-free: the program's command line and environment read as windowed or saver mode,
// and the clicks a saver makes for the user, on the wall clock.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pellwick {

struct LaunchOptions {
    enum class Mode { Windowed, Saver };
    Mode mode = Mode::Windowed;
    /// In saver mode, the window to draw into; 0 means the root window.
    std::uint64_t window = 0;
    double firstGameSeconds = 10;
    double newGameSeconds = 180;  // 0: never
    bool help = false;
};

/// What the command line and the environment ask for, or a one-line message naming what is wrong.
struct LaunchResult {
    std::optional<LaunchOptions> options;
    std::string error;
};

/// Reads the arguments after the program name, and the value of XSCREENSAVER_WINDOW (null when unset).
/// --root draws on the root window, or on the daemon's window when XSCREENSAVER_WINDOW names one (its
/// virtual root); --window-id ID draws into that window; with neither, XSCREENSAVER_WINDOW does.
LaunchResult parseLaunch(const std::vector<std::string>& args, const char* saverWindow);

/// The --help text.
std::string launchUsage();

/// The clicks a saver makes: the first game firstGame seconds after start, then a new one every newGame
/// seconds (never when 0). Missed clicks are not made up: after a long stall there is one, not a burst.
class AutoClicks {
public:
    AutoClicks(std::int64_t startUs, double firstGameSeconds, double newGameSeconds);
    /// Whether a click is due at nowUs; each one is reported once.
    bool due(std::int64_t nowUs);

private:
    std::int64_t next_;
    std::int64_t every_;
    bool done_ = false;
};

}  // namespace pellwick
