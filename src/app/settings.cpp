// The settings' table and its one parser.
#include "app/settings.hpp"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>

#include "app/launch.hpp"

namespace pellwick {

int batterySpeed(int speed) { return std::max(speed / 4, 1); }

int scaleFromDpi(int dpi) { return dpi > 0 ? (dpi * SCALE_ONE + 48) / 96 : SCALE_ONE; }

int deviceSide(int logical, int scale120) { return (logical * scale120 + SCALE_ONE / 2) / SCALE_ONE; }

int zoomFor(int setting, int scale120) {
    return std::max(setting == ZOOM_AUTO ? (scale120 + SCALE_ONE / 2) / SCALE_ONE : setting, 1);
}

int fieldSide(int devicePixels, int zoom) { return std::max(devicePixels / std::max(zoom, 1), 1); }

Pace paceFor(const Settings& s, bool seen, bool onBattery) {
    const bool paused = (!seen && s.rest == Rest::Pause) || (onBattery && s.onBattery == OnBattery::Pause);
    return Pace{onBattery && s.onBattery == OnBattery::Slow ? batterySpeed(s.speed) : s.speed, paused};
}

std::string secondsText(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.15g", seconds);
    return text;
}

namespace {

using Kind = SettingDef::Kind;

// A word's index among the setting's words, as written into a setting.
template <typename E>
E wordOf(const std::vector<const char*>& words, const std::string& text) {
    return static_cast<E>(std::find(words.begin(), words.end(), text) - words.begin());
}

const std::vector<const char*> MONITOR_WORDS = {"each", "span"};
const std::vector<const char*> REST_WORDS = {"keep", "pause"};
const std::vector<const char*> BATTERY_WORDS = {"same", "slow", "pause"};

std::vector<SettingDef> makeDefs() {
    return {
        {"first-game", "First game after (seconds)",
         "a saver's first game starts after this many seconds of play, counted in its ticks, so that a seed replays the same run",
         Kind::Seconds, 0, MAX_SAVER_SECONDS, false, {}, USE_OWN_GAMES | USE_RENDERER, {}, nullptr,
         [](const Settings& s) { return secondsText(s.firstGame); },
         [](Settings& s, const std::string& t) { s.firstGame = std::strtod(t.c_str(), nullptr); }},
        {"new-game", "New game every (seconds; 0: never)", "then a new game after every so many seconds of play; 0: never",
         Kind::Seconds, 0, MAX_SAVER_SECONDS, false, {}, USE_OWN_GAMES | USE_RENDERER, {}, nullptr,
         [](const Settings& s) { return secondsText(s.newGame); },
         [](Settings& s, const std::string& t) { s.newGame = std::strtod(t.c_str(), nullptr); }},
        {"seed", "Seed (empty: new games each start)", "play the random stream of this seed, so that a run can be played again",
         Kind::Seed, 0, 0, false, {}, USE_SHOWN | USE_RENDERER, {}, "the game's own stream in a window, a fresh seed for a saver",
         [](const Settings& s) { return s.seed ? std::to_string(*s.seed) : std::string(); },
         [](Settings& s, const std::string& t) {
             std::uint64_t seed = 0;
             parseSeed(t, seed);
             s.seed = seed;
         }},
        {"idle", "Start after idle (minutes)",
         "watch the desktop, and start the full-screen saver after this many minutes with no input (decimals allowed)",
         Kind::Minutes, 0.01, 1440, false, {}, USE_IDLE, {}, nullptr, [](const Settings& s) { return secondsText(s.idleMinutes); },
         [](Settings& s, const std::string& t) { s.idleMinutes = std::strtod(t.c_str(), nullptr); }},
        {"speed", "Speed (ticks a second)", "ticks a second; the pictures of a given tick do not depend on it", Kind::Number, 10, 1000,
         false, {}, USE_SHOWN | USE_RENDERER, {{USE_WALLPAPER, "60"}}, nullptr,
         [](const Settings& s) { return std::to_string(s.speed); },
         [](Settings& s, const std::string& t) { s.speed = std::atoi(t.c_str()); }},
        {"zoom", "Zoom", "device pixels a field pixel takes on each side; auto: the display's own scale", Kind::Number, 1, 8, true, {},
         USE_SHOWN, {{USE_PAGE | USE_PAGE_WALL, "auto"}}, nullptr,
         [](const Settings& s) { return s.zoom == ZOOM_AUTO ? std::string("auto") : std::to_string(s.zoom); },
         [](Settings& s, const std::string& t) { s.zoom = t == "auto" ? ZOOM_AUTO : std::atoi(t.c_str()); }},
        {"monitors", "Monitors", "a full-screen saver: a game on each monitor, or one game spanning them all", Kind::Words, 0, 1, false,
         MONITOR_WORDS, USE_SAVER, {}, nullptr, [](const Settings& s) { return std::string(MONITOR_WORDS[static_cast<int>(s.monitors)]); },
         [](Settings& s, const std::string& t) { s.monitors = wordOf<Monitors>(MONITOR_WORDS, t); }},
        {"rest", "While nobody can see it", "while nobody can see it: keep the game's time without drawing, or pause it", Kind::Words, 0,
         1, false, REST_WORDS, USE_SHOWN, {}, nullptr, [](const Settings& s) { return std::string(REST_WORDS[static_cast<int>(s.rest)]); },
         [](Settings& s, const std::string& t) { s.rest = wordOf<Rest>(REST_WORDS, t); }},
        {"on-battery", "On battery", "on battery power: the same, a quarter of the speed, or paused", Kind::Words, 0, 2, false,
         BATTERY_WORDS, USE_SHOWN, {}, nullptr,
         [](const Settings& s) { return std::string(BATTERY_WORDS[static_cast<int>(s.onBattery)]); },
         [](Settings& s, const std::string& t) { s.onBattery = wordOf<OnBattery>(BATTERY_WORDS, t); }},
    };
}

// Whether text is a whole number from least to most, written plainly: digits only.
bool wholeIn(const std::string& text, double least, double most) {
    int v = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, v);
    return !text.empty() && text.front() >= '0' && text.front() <= '9' && ec == std::errc() && ptr == end && v >= least && v <= most;
}

// Whether text is one of the setting's values.
bool sound(const SettingDef& d, const std::string& text) {
    double seconds = 0;
    std::uint64_t seed = 0;
    switch (d.kind) {
        case Kind::Words:
            return std::find(d.words.begin(), d.words.end(), text) != d.words.end();
        case Kind::Seconds:
        case Kind::Minutes:
            return parseSaverSeconds(text, seconds) && seconds >= d.least && seconds <= d.most;
        case Kind::Seed:
            return parseSeed(text, seed);
        case Kind::Number:
            return (d.hasAuto && text == "auto") || wholeIn(text, d.least, d.most);
    }
    return false;
}

}  // namespace

const std::vector<SettingDef>& settingDefs() {
    static const std::vector<SettingDef> defs = makeDefs();
    return defs;
}

const SettingDef* findSetting(const std::string& name) {
    const auto& defs = settingDefs();
    const auto it = std::find_if(defs.begin(), defs.end(), [&](const SettingDef& d) { return name == d.name; });
    return it == defs.end() ? nullptr : &*it;
}

Settings defaultsFor(unsigned use) {
    Settings s;
    for (const SettingDef& d : settingDefs()) {
        for (const auto& [where, value] : d.defaultsIn) {
            if ((where & use) != 0) d.set(s, value);
        }
    }
    return s;
}

std::string SettingDef::fallbackIn(unsigned use) const { return valueIn(defaultsFor(use)); }

std::string SettingDef::range() const {
    const auto whole = [](double v) { return std::to_string(static_cast<long long>(v)); };
    switch (kind) {
        case Kind::Words: {
            std::string out;
            for (std::size_t i = 0; i < words.size(); ++i) {
                out += i == 0 ? "" : i + 1 == words.size() ? " or " : ", ";
                out += words[i];
            }
            return out;
        }
        case Kind::Seconds:
            return whole(least) + " to " + whole(most) + " seconds";
        case Kind::Minutes:
            return secondsText(least) + " to " + secondsText(most) + " minutes";
        case Kind::Seed:
            return "a whole number from 0 to 18446744073709551615";
        case Kind::Number:
            break;
    }
    return whole(least) + " to " + whole(most) + (hasAuto ? ", or auto" : "");
}

std::vector<std::string> SettingDef::choices() const {
    std::vector<std::string> out;
    if (kind == Kind::Words) return std::vector<std::string>(words.begin(), words.end());
    if (kind != Kind::Number || !hasAuto) return out;
    out.emplace_back("auto");
    for (int v = static_cast<int>(least); v <= static_cast<int>(most); ++v) out.push_back(std::to_string(v));
    return out;
}

std::string SettingDef::parse(const std::string& text, Settings& s) const {
    if (!sound(*this, text)) return std::string(name) + " needs " + range() + ", not '" + text + "'";
    set(s, text);
    return {};
}

std::string SettingDef::where() const {
    if ((uses & USE_SHOWN) == USE_SHOWN) return "everywhere";
    if ((uses & USE_SHOWN) == USE_SAVER) return "--saver only";
    if ((uses & USE_SHOWN) == USE_OWN_GAMES) return "the savers (--saver, --root, --window-id) and --wallpaper only";
    if (uses == USE_IDLE) return "a mode of its own on Linux, whose saver takes the other settings";
    return "some modes only";
}

const char* SettingDef::placeholder() const {
    switch (kind) {
        case Kind::Seconds:
            return "SECONDS";
        case Kind::Minutes:
            return "MINUTES";
        case Kind::Words:
            return "WORD";
        default:
            return "N";
    }
}

std::string SettingDef::synopsis() const {
    std::string values = placeholder();
    if (kind == Kind::Words) {
        values.clear();
        for (const char* w : words) {
            if (!values.empty()) values += '|';
            values += w;
        }
    }
    return "--" + std::string(name) + " " + values + (hasAuto ? "|auto" : "");
}

std::string SettingDef::defaultText() const {
    if (unset != nullptr) return std::string("none: ") + unset;
    std::string out = fallback();
    for (const auto& [where, value] : defaultsIn) {
        out += std::string("; ") + value + ((where & USE_WALLPAPER) != 0 ? " as a wallpaper" : (where & USE_PAGE) != 0 ? " on the page" : "");
    }
    return out;
}

}  // namespace pellwick
