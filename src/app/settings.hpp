// The settings people ask of a screen toy, defined once: each has a name, a range, a default, one line of
// meaning and one parser, and every front end (the command line and its help, the page's address, the
// manual, XScreenSaver's settings file, the Windows dialog) reads them from here.
#pragma once

#include <string>
#include <vector>

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

    bool operator==(const Settings&) const = default;
};

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

/// One setting: a whole number from least to most (and "auto" where it has one), or one of a few words.
struct SettingDef {
    const char* name;                 // --NAME on a command line, NAME= in the page's address
    const char* label;                // a dialog's title for it
    const char* meaning;              // one line, for the help, the manual and the dialogs
    int least;                        // a number's range; for words, 0 to their count less one
    int most;
    bool hasAuto;                     // "auto" is a value too
    std::vector<const char*> words;   // a choice's words, in the order of its values; none for a number
    int (*get)(const Settings&);      // the value: a number, or the index of its word
    void (*set)(Settings&, int);

    /// The setting's values as a user reads them: "10 to 1000", "1 to 8, or auto", "each or span".
    std::string range() const;
    /// The value in s as written: "1000", "auto", "span".
    std::string valueIn(const Settings& s) const;
    /// The default as written.
    std::string fallback() const { return valueIn(Settings{}); }
    /// Every value a menu offers, as written: its words, or "auto" and then the numbers; none for a plain
    /// number, which takes a box.
    std::vector<std::string> choices() const;
    /// Sets this setting in s from text: "" when it is one of the setting's values, else one line naming
    /// the setting and its range, and s unchanged.
    std::string parse(const std::string& text, Settings& s) const;
};

/// Every setting, in the order front ends show them.
const std::vector<SettingDef>& settingDefs();

/// The setting of that name, or null.
const SettingDef* findSetting(const std::string& name);

}  // namespace pellwick
