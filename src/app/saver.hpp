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

/// What Windows asks of a screensaver, by the arguments it passes a .scr file.
struct ScrLaunch {
    enum class Mode {
        Windowed,     // the program's own window: no arguments to the .exe
        FullScreen,   // /s: over the whole virtual screen
        Preview,      // /p HWND: in a child of that window
        Configure,    // /c, or no arguments to the .scr: the settings
        BadWindow,    // /p with a missing or malformed HWND: end quietly, never with a dialog
        BadArgument,  // anything else: say so
    };
    Mode mode;
    std::uint64_t window = 0;  // for Preview, and for Configure the window to own the settings (0: none)
    std::string error;         // for BadArgument and BadWindow
};

/// Reads a screensaver's arguments: /s, /p HWND, /c, each also with - for / and in any case, and /p:HWND,
/// /c:HWND. With no arguments, a program named .scr configures and any other runs windowed.
ScrLaunch parseScrArgs(const std::vector<std::string>& args, bool namedScr);

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
