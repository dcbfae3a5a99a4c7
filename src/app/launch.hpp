// How the program is to run, read in one place from either command line it may get: the Linux program's
// options and XSCREENSAVER_WINDOW, or the arguments Windows passes a screensaver.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/app.hpp"

namespace pellwick {

/// How the program runs.
struct Launch {
    enum class Mode {
        OwnWindow,        // its own window over the desktop: clicks play, a double-click or Escape ends it
        FullScreenSaver,  // a screensaver over every monitor, ended by any input
        InWindow,         // a saver drawing into someone else's window (a daemon's, the root, a preview)
        Settings,         // the screensaver's settings dialog
        Help,             // prints how to use it
        Version,          // prints its version
        Refused,          // the command line asks for nothing it can do
    };
    Mode mode = Mode::OwnWindow;
    std::uint64_t window = 0;  // InWindow: the window (0: the root window); Settings: the dialog's owner (0: none)
    SaverTimes times;          // in the saver modes
    std::string error;         // Refused: one line saying what is wrong
    int status = 2;            // Refused: the exit status; 1 means end quietly (a preview host never faces a dialog)

    /// What input does: play in the program's own window, end a full-screen saver, nothing in someone else's.
    InputRules rules() const;
};

/// Reads the Linux program's arguments (after its name) and XSCREENSAVER_WINDOW's value (null when unset).
/// --root draws on the root window, or on the daemon's window when XSCREENSAVER_WINDOW names one (its virtual
/// root); --window-id ID draws into that window; with neither, XSCREENSAVER_WINDOW does.
Launch readCommandLine(const std::vector<std::string>& args, const char* saverWindow);

/// The Linux program's --help text.
std::string commandLineUsage();

/// Reads what Windows asks of a screensaver: /s, /p HWND, /c, each also with - for / and in any case, and
/// /p:HWND, /c:HWND. With no arguments, a program named .scr shows its settings and any other runs in its
/// own window. The intervals are left at their defaults: Windows keeps the user's elsewhere.
Launch readScreensaverArgs(const std::vector<std::string>& args, bool namedScr);

}  // namespace pellwick
