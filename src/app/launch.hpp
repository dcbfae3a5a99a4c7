// How the program is to run, read in one place from either command line it may get: the Linux program's
// options and XSCREENSAVER_WINDOW, or the arguments Windows passes a screensaver.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/app.hpp"
#include "app/settings.hpp"

namespace pellwick {

/// How the program runs.
struct Launch {
    enum class Mode {
        OwnWindow,        // its own window over the desktop: clicks play, a double-click or Escape ends it
        FullScreenSaver,  // a screensaver over every monitor, each with its own game, ended by any input
        InWindow,         // a saver drawing into someone else's window (a daemon's, the root, a preview)
        Wallpaper,        // the desktop's background on every monitor, each with its own game, taking no input
        Idle,             // watches the desktop's idle time, and runs the full-screen saver after so long
        Settings,         // the screensaver's settings dialog
        Help,             // prints how to use it
        Version,          // prints its version
        Refused,          // the command line asks for nothing it can do
    };
    Mode mode = Mode::OwnWindow;
    std::uint64_t window = 0;  // InWindow: the window (0: the root window); Settings: the dialog's owner (0: none)
    Settings settings;         // every setting of the table, the mode's defaults where none was given
    bool ownGames = false;     // a window that also starts games by itself, as a saver does (a page on a wall)
    std::string error;         // Refused: one line saying what is wrong
    int status = 2;            // Refused: the exit status; 1 means end quietly (a preview host never faces a dialog)

    /// What input does: play in the program's own window, end a full-screen saver, nothing in someone else's.
    InputRules rules() const;
    /// Where the settings' table applies for this mode (a Use bit).
    unsigned use() const;
    /// The app's set-up for this run on the platform's background colour and the seed a game plays.
    AppSettings appSettings(Colour background, std::uint64_t seed) const;
};

/// The full-screen saver an idle watcher runs: the launch's settings, in FullScreenSaver mode.
Launch saverOf(const Launch& idle);

/// A seed as the user writes it: a whole decimal number from 0 to 2^64 - 1; false for anything else, and
/// then out is left as it was.
bool parseSeed(const std::string& text, std::uint64_t& out);

/// A saver's interval as the user writes it: digits with at most one decimal point (no sign, exponent, hex
/// or spaces), from 0 to MAX_SAVER_SECONDS seconds. out is written only when the whole text is one.
bool parseSaverSeconds(const std::string& text, double& out);

/// The seed a run plays: the one asked for; else, for a saver, `fresh()` (a new game at every start), and
/// for the program's own window the game's own stream, 0. Sets `drawn` when it called fresh.
std::uint64_t seedFor(const Launch& l, std::uint64_t (*fresh)(), bool& drawn);

/// Reads the Linux program's arguments (after its name) and XSCREENSAVER_WINDOW's value (null when unset).
/// Every setting starts from the mode's default (the wallpaper's speed is its own), and a setting that does
/// not apply to the mode is refused. --wallpaper plays on the desktop's background;
/// --saver covers every monitor; --root draws on the root window, or on the daemon's window when
/// XSCREENSAVER_WINDOW names one (its virtual root); --window-id ID draws into that window, also beside
/// --root (as XScreenSaver's preview passes both); with none of them, XSCREENSAVER_WINDOW does.
Launch readCommandLine(const std::vector<std::string>& args, const char* saverWindow);

/// The display system a Linux program shows itself on.
enum class DisplaySystem { X11, Wayland };

/// Which display system to use: PELLWICK_DISPLAY's value when set ("x11" or "wayland"), else for a saver
/// drawing into someone else's window X11, else Wayland when a compositor answers at WAYLAND_DISPLAY
/// (waylandAnswers is asked only then), else X11. Sets error, and returns X11, for any other forced value.
DisplaySystem chooseDisplay(const Launch& l, const char* forced, bool (*waylandAnswers)(), std::string& error);

/// The Linux program's --help text.
std::string commandLineUsage();

/// Reads what Windows asks of a screensaver: /s, /p HWND, /c, each also with - for / and in any case, and
/// /p:HWND, /c:HWND; the saver modes play the stored settings (the dialog's). With no arguments, a program
/// named .scr shows its settings and any other runs in its own window. The program also takes /wallpaper,
/// on the stored settings with the wallpaper's own defaults, and runs in its own window on the defaults when its first
/// argument is an option; either takes --seed N and the settings' options (not --monitors) as the Linux
/// program does, over what they start from.
Launch readScreensaverArgs(const std::vector<std::string>& args, bool namedScr, const Settings& stored = Settings{});

}  // namespace pellwick
