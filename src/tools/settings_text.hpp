// The settings as front ends' files want them, made from their one definition: the manual's synopsis and
// options, and XScreenSaver's whole settings file for the hack.
#pragma once

#include <string>

namespace pellwick {

/// The manual's synopsis lines (roff) for the settings: one bracketed option each.
std::string manSynopsis();

/// The manual's options (roff) for the settings: each with its values, defaults, meaning and where it applies.
std::string manOptions();

/// XScreenSaver's settings file for the hack: its command, a control for each setting a hack in the
/// daemon's window takes (a spin box for seconds, a slider for a number, a menu for words or auto, a text
/// field for the seed), and its description.
std::string xscreensaverFile();

}  // namespace pellwick
