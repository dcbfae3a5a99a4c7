// The settings people ask of a screen toy, defined once: each has a name, a label, a range, a default (and
// the defaults of the modes where it differs), the modes it applies to, one line of meaning and one parser,
// and every front end (the command line and its help, the page's address, panel and messages, the manual,
// XScreenSaver's settings file, the Windows dialog, the renderer's usage) is made from here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/cadence.hpp"

namespace pellwick {

enum class Monitors { Each, Span };      // a full-screen saver: a game per monitor, or one across them all
enum class Rest { Keep, Pause };         // while nobody can see it: keep time without drawing, or stop
enum class OnBattery { Same, Slow, Pause };  // on battery power: as plugged in, a quarter of the speed, or stop

/// The settings' values. A zoom of 0 stands for auto: the display's own scale.
struct Settings {
    int speed = 1000;  // ticks a second
    int zoom = 1;
    Monitors monitors = Monitors::Each;
    Rest rest = Rest::Keep;
    OnBattery onBattery = OnBattery::Same;
    double firstGame = FIRST_GAME_SECONDS;  // a saver's own games, in seconds of play
    double newGame = NEW_GAME_SECONDS;
    std::optional<std::uint64_t> seed;  // none: the game's own stream in a window, a fresh one for a saver
    double idleMinutes = 10;  // --idle: the desktop's idle time that starts the saver

    SaverTimes times() const { return SaverTimes{firstGame, newGame}; }
    bool operator==(const Settings&) const = default;
};

/// Where a setting applies: the program's own window, the full-screen saver, a saver in someone else's
/// window, the wallpaper, the page, the page on a wall (?saver), the renderer. Combined as bits.
enum Use : unsigned {
    USE_WINDOW = 1U << 0U,
    USE_SAVER = 1U << 1U,
    USE_IN_WINDOW = 1U << 2U,
    USE_WALLPAPER = 1U << 3U,
    USE_PAGE = 1U << 4U,
    USE_PAGE_WALL = 1U << 5U,
    USE_RENDERER = 1U << 6U,
    USE_IDLE = 1U << 7U,  // the watcher of the desktop's idle time, which starts the full-screen saver
};
/// The modes that start games by themselves.
constexpr unsigned USE_OWN_GAMES = USE_SAVER | USE_IN_WINDOW | USE_WALLPAPER | USE_PAGE_WALL;
/// Every mode the program shows itself in.
constexpr unsigned USE_SHOWN = USE_WINDOW | USE_OWN_GAMES | USE_PAGE;

/// The zoom that stands for the display's own scale.
constexpr int ZOOM_AUTO = 0;
/// A display's scale in 120ths, as Wayland gives fractional ones: 120 is 1, 150 is 1.25, 180 is 1.5.
constexpr int SCALE_ONE = 120;
/// The scale of a display of `dpi` dots an inch (96 is 1), to the nearest 120th; 1 where it says none.
int scaleFromDpi(int dpi);
/// The device pixels of a side `logical` pixels long at scale120, to the nearest.
int deviceSide(int logical, int scale120);
/// The zoom to draw at: the setting's, or for auto the display's scale to the nearest whole number (halves
/// up: 1.5 draws at 2), at least 1.
int zoomFor(int setting, int scale120);
/// The field's side for a screen's side of devicePixels at a zoom (the rest of the screen stays unused).
int fieldSide(int devicePixels, int zoom);

/// The speed on battery with OnBattery::Slow, for a speed set to `speed`: a quarter, at least one tick a second.
int batterySpeed(int speed);

/// How a game runs at a moment: its speed, or its time standing still.
struct Pace {
    int speed;
    bool paused;
    bool operator==(const Pace&) const = default;
};

/// The pace the settings ask for while the game's screen can be seen or not, on battery power or not.
Pace paceFor(const Settings& s, bool seen, bool onBattery);

/// One setting: a whole number from least to most (and "auto" where it has one), a number of seconds, a
/// seed, or one of a few words.
struct SettingDef {
    enum class Kind { Number, Seconds, Minutes, Seed, Words };

    const char* name;     // --NAME on a command line, NAME= in the page's address
    const char* label;    // a dialog's title for it
    const char* meaning;  // one line, for the help, the manual and the dialogs
    Kind kind;
    double least;         // a number's range; for words, 0 to their count less one
    double most;
    bool hasAuto;                      // "auto" is a value too
    std::vector<const char*> words;    // a choice's words, in the order of its values
    unsigned uses;                     // where it applies (Use bits)
    std::vector<std::pair<unsigned, const char*>> defaultsIn;  // a default of its own where it differs: Use bits, value
    const char* unset;                 // what having no value means (a seed); null where it always has one
    std::string (*get)(const Settings&);             // the value as written
    void (*set)(Settings&, const std::string& text);  // from text the parser has checked

    /// The setting's values as a user reads them: "10 to 1000", "1 to 8, or auto", "each or span",
    /// "0 to 1000000 seconds", "a whole number from 0 to 18446744073709551615".
    std::string range() const;
    /// The value in s as written: "1000", "auto", "span", "2.5", "" for no seed.
    std::string valueIn(const Settings& s) const { return get(s); }
    /// The default as written, in most modes.
    std::string fallback() const { return valueIn(Settings{}); }
    /// The default as written where `use` applies.
    std::string fallbackIn(unsigned use) const;
    /// Every value a menu offers, as written: its words, or "auto" and then the numbers; none for a value
    /// that takes a box.
    std::vector<std::string> choices() const;
    /// Sets this setting in s from text: "" when it is one of the setting's values, else one line naming
    /// the setting and its range, and s unchanged.
    std::string parse(const std::string& text, Settings& s) const;
    /// Whether it applies where `use` does.
    bool appliesTo(unsigned use) const { return (uses & use) != 0; }
    /// Where it applies, as a user reads it: "--saver only", "the savers (...) and --wallpaper only".
    std::string where() const;
    /// What its value is called in a synopsis: N, SECONDS, WORD.
    const char* placeholder() const;
    /// Its option in a synopsis: "--speed N", "--zoom N|auto", "--monitors each|span".
    std::string synopsis() const;
    /// Its defaults as a user reads them: "1000; 60 as a wallpaper", or what having none means.
    std::string defaultText() const;
};

/// Every setting, in the order front ends show them.
const std::vector<SettingDef>& settingDefs();

/// The setting of that name, or null.
const SettingDef* findSetting(const std::string& name);

/// Every setting's default where `use` applies.
Settings defaultsFor(unsigned use);

/// A number of seconds as the settings write it: whole ones without a point, else the shortest decimal.
std::string secondsText(double seconds);

}  // namespace pellwick
