// The one thing every desktop backend provides: run the program in its window until it ends.
#pragma once

namespace pellwick {

/// Opens the window, runs the game until a double-click, Escape or a close request; returns the exit status.
int runDesktop();

}  // namespace pellwick
