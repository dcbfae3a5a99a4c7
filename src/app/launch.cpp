// Reading either command line into a Launch.
#include "app/launch.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <utility>

namespace pellwick {

namespace {

// A window id: decimal or 0x-hex, nonzero, at most 32 bits.
bool parseWindowId(const std::string& text, std::uint64_t& out) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char* begin = text.data() + (hex ? 2 : 0);
    const char* end = text.data() + text.size();
    if (begin == end || *begin == '+' || *begin == '-') return false;
    const auto [ptr, ec] = std::from_chars(begin, end, out, hex ? 16 : 10);
    return ec == std::errc() && ptr == end && out != 0 && out <= 0xFFFFFFFFULL;
}

}  // namespace

// The program never changes the C locale, so '.' is the point.
bool parseSaverSeconds(const std::string& text, double& out) {
    const std::size_t digits = std::count_if(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    const std::size_t points = std::count(text.begin(), text.end(), '.');
    if (digits == 0 || points > 1 || digits + points != text.size()) return false;
    const double seconds = std::strtod(text.c_str(), nullptr);
    if (!(seconds <= MAX_SAVER_SECONDS)) return false;
    out = seconds;
    return true;
}

std::string badSaverSeconds(const std::string& flag, const std::string& value) {
    return flag + " needs a number of seconds from 0 to " + std::to_string(static_cast<long>(MAX_SAVER_SECONDS)) + ", not '" + value + "'";
}

bool parseSeed(const std::string& text, std::uint64_t& out) {
    if (text.empty() || text.front() < '0' || text.front() > '9') return false;
    std::uint64_t seed = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), seed);
    if (ec != std::errc() || ptr != text.data() + text.size()) return false;
    out = seed;
    return true;
}

std::string badSeed(const std::string& flag, const std::string& value) {
    return flag + " needs a whole number from 0 to 18446744073709551615, not '" + value + "'";
}

std::uint64_t seedFor(const Launch& l, std::uint64_t (*fresh)(), bool& drawn) {
    drawn = false;
    if (l.seed) return *l.seed;
    if (l.mode == Launch::Mode::OwnWindow) return 0;
    drawn = true;
    return fresh();
}

namespace {

// An option with its value attached, --name=value: flag keeps --name and value takes the rest; false, and
// both left alone, for anything else.
bool splitAttached(std::string& flag, std::string& value) {
    const std::size_t eq = flag.find('=');
    if (flag.rfind("--", 0) != 0 || eq == std::string::npos) return false;
    value = flag.substr(eq + 1);
    flag.resize(eq);
    return true;
}

struct Flags {
    bool saver = false;
    bool wallpaper = false;
    bool speedGiven = false;
    bool root = false;
    std::optional<std::string> windowId;
    bool timesGiven = false;
    bool help = false;
    bool version = false;
};

// Handles one option with its value; returns an error or "".
std::string takeValue(const std::string& flag, const std::string& value, Launch& l, Flags& f) {
    if (flag == "--window-id") {
        f.windowId = value;
        return {};
    }
    if (flag == "--seed") {
        std::uint64_t seed = 0;
        if (!parseSeed(value, seed)) return badSeed(flag, value);
        l.seed = seed;
        return {};
    }
    f.timesGiven = true;
    double& seconds = flag == "--first-game" ? l.times.firstGameSeconds : l.times.newGameSeconds;
    return parseSaverSeconds(value, seconds) ? std::string() : badSaverSeconds(flag, value);
}

std::string readArgs(const std::vector<std::string>& args, Launch& l, Flags& f) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string flag = args[i], value;
        const bool hasValue = splitAttached(flag, value);
        if ((flag == "--help" || flag == "-h") && !hasValue) {
            f.help = true;
        } else if (flag == "--version" && !hasValue) {
            f.version = true;
        } else if (flag == "--root" && !hasValue) {
            f.root = true;
        } else if (flag == "--saver" && !hasValue) {
            f.saver = true;
        } else if (flag == "--wallpaper" && !hasValue) {
            f.wallpaper = true;
        } else if (flag == "--window-id" || flag == "--first-game" || flag == "--new-game" || flag == "--seed" ||
                   (flag.rfind("--", 0) == 0 && findSetting(flag.substr(2)) != nullptr)) {
            if (!hasValue && i + 1 >= args.size()) return flag + " needs a value";
            if (!hasValue) value = args[++i];
            if (const SettingDef* d = findSetting(flag.substr(2))) {
                if (std::string err = d->parse(value, l.settings); !err.empty()) return "--" + err;
                f.speedGiven = f.speedGiven || flag == "--speed";
                continue;
            }
            if (std::string err = takeValue(flag, value, l, f); !err.empty()) return err;
        } else {
            return "unknown option '" + args[i] + "' (see --help)";
        }
    }
    return {};
}

// A window handle as Windows passes it: unsigned decimal, nonzero, at most 32 bits.
bool parseHwnd(const std::string& text, std::uint64_t& out) {
    const char* end = text.data() + text.size();
    if (text.empty() || text.front() < '0' || text.front() > '9') return false;
    const auto [ptr, ec] = std::from_chars(text.data(), end, out);
    return ec == std::errc() && ptr == end && out != 0 && out <= 0xFFFFFFFFULL;
}

std::string lowerCase(std::string s) {
    for (char& c : s) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return s;
}

Launch refused(std::string error, int status = 2) {
    Launch l;
    l.mode = Launch::Mode::Refused;
    l.error = std::move(error);
    l.status = status;
    return l;
}

const char* const WINDOWS_ARGS = "A screensaver takes /s, /p HWND or /c; the program also /wallpaper, --seed N and its settings' options.";

// Options after the mode on Windows, as the Linux program takes them: --seed and the settings, but not
// --monitors, which is the screensaver dialog's. Returns "" or what is wrong; sets speedGiven when --speed
// is among them.
std::string readWindowsOptions(const std::vector<std::string>& args, std::size_t from, Launch& l, bool& speedGiven) {
    for (std::size_t i = from; i < args.size(); ++i) {
        std::string flag = args[i], value;
        const bool attached = splitAttached(flag, value);
        const SettingDef* d = flag.rfind("--", 0) == 0 ? findSetting(flag.substr(2)) : nullptr;
        if (flag != "--seed" && (d == nullptr || flag == "--monitors")) return "Unknown argument '" + args[i] + "'. " + WINDOWS_ARGS;
        if (!attached && i + 1 >= args.size()) return flag + " needs a value";
        if (!attached) value = args[++i];
        if (d == nullptr) {
            std::uint64_t seed = 0;
            if (!parseSeed(value, seed)) return badSeed(flag, value);
            l.seed = seed;
            continue;
        }
        if (std::string err = d->parse(value, l.settings); !err.empty()) return "--" + err;
        speedGiven = speedGiven || flag == "--speed";
    }
    return {};
}

}  // namespace

InputRules Launch::rules() const {
    if (mode == Mode::FullScreenSaver) return InputRules::EndOnInput;
    if (mode == Mode::InWindow || mode == Mode::Wallpaper) return InputRules::IgnoreInput;
    return InputRules::Play;
}

AppSettings Launch::appSettings(Colour background, std::uint64_t gameSeed) const {
    AppSettings a{background, rules(), times, gameSeed};
    a.speed = settings.speed;
    a.ownGames = ownGames;
    return a;
}

Launch readCommandLine(const std::vector<std::string>& args, const char* saverWindow) {
    Launch l;
    Flags f;
    if (std::string err = readArgs(args, l, f); !err.empty()) return refused(err);
    if (f.help) {
        l.mode = Launch::Mode::Help;
        return l;
    }
    if (f.version) {
        l.mode = Launch::Mode::Version;
        return l;
    }
    if (f.saver && (f.root || f.windowId)) return refused("--saver covers the monitors with windows of its own; drop --root and --window-id");
    if (f.wallpaper && (f.saver || f.root || f.windowId)) return refused("--wallpaper draws behind the desktop's windows; drop --saver, --root and --window-id");
    if (f.wallpaper && l.settings.monitors != Settings{}.monitors) return refused("--monitors applies to --saver only");
    if (f.wallpaper) {
        l.mode = Launch::Mode::Wallpaper;
        if (!f.speedGiven) l.settings.speed = WALLPAPER_SPEED;
        return l;
    }
    if (f.saver) {
        l.mode = Launch::Mode::FullScreenSaver;
        return l;
    }
    const bool fromEnv = !f.windowId && saverWindow != nullptr && *saverWindow != '\0';
    if (f.windowId && !parseWindowId(*f.windowId, l.window)) return refused("malformed window id '" + *f.windowId + "' (decimal or 0x-hex)");
    if (fromEnv && !parseWindowId(saverWindow, l.window)) {
        return refused("malformed window id '" + std::string(saverWindow) + "' in XSCREENSAVER_WINDOW");
    }
    if (f.root || f.windowId || fromEnv) l.mode = Launch::Mode::InWindow;
    if (l.settings.monitors != Settings{}.monitors && l.mode != Launch::Mode::FullScreenSaver) {
        return refused("--monitors applies to --saver only");
    }
    if (f.timesGiven && l.mode == Launch::Mode::OwnWindow) {
        return refused("--first-game and --new-game apply in saver mode only (--saver, --wallpaper, --root or --window-id)");
    }
    return l;
}

DisplaySystem chooseDisplay(const Launch& l, const char* forced, bool (*waylandAnswers)(), std::string& error) {
    const std::string asked = forced == nullptr ? "" : forced;
    error.clear();
    if (!asked.empty() && asked != "x11" && asked != "wayland") {
        error = "PELLWICK_DISPLAY must be x11 or wayland, not '" + asked + "'";
        return DisplaySystem::X11;
    }
    if (!asked.empty()) return asked == "x11" ? DisplaySystem::X11 : DisplaySystem::Wayland;
    if (l.mode == Launch::Mode::InWindow) return DisplaySystem::X11;
    return waylandAnswers() ? DisplaySystem::Wayland : DisplaySystem::X11;
}

// The settings' lines of a --help text: each option with its values, its meaning and its default.
std::string settingsUsage() {
    std::string out;
    for (const SettingDef& d : settingDefs()) {
        std::string option = "  --" + std::string(d.name) + " " + (d.words.empty() ? "N" : "WORD");
        option.resize(std::max<std::size_t>(option.size() + 1, 23), ' ');
        out += option + d.range() + " (default " + d.fallback() + ")\n" + std::string(23, ' ') + d.meaning + "\n";
    }
    return out;
}

std::string commandLineUsage() {
    const auto seconds = [](double s) { return std::to_string(static_cast<long>(s)); };
    return "Usage: pellwick [--seed N] [--saver | --wallpaper | --root | --window-id ID] [--first-game SECONDS]\n"
           "                [--new-game SECONDS]"
           " [--speed N] [--zoom N|auto] [--monitors each|span] [--rest keep|pause]\n"
           "                [--on-battery same|slow|pause]\n"
           "\n"
           "With no option, opens a window over the desktop: a click starts a new game, a double-click or\n"
           "Escape ends the program. In saver mode it starts games by itself: with --saver it covers every\n"
           "monitor, each with its own game, until any key, button or move of the pointer (for idle daemons\n"
           "such as swayidle, hypridle, xss-lock or xautolock); with --root or --window-id it draws into a\n"
           "window it is given instead and ignores input. With --wallpaper it is the desktop's background on\n"
           "every monitor, behind every window, takes no input and plays at " + std::to_string(WALLPAPER_SPEED) + " ticks a second unless\n"
           "--speed says otherwise. SIGTERM or SIGINT end any of them.\n"
           "\n"
           "  --saver              saver mode over every monitor, ended by any input\n"
           "  --wallpaper          the desktop's background on every monitor, with games of its own\n"
           "  --root               saver mode on the root window (on $XSCREENSAVER_WINDOW when set)\n"
           "  --window-id ID       saver mode in window ID (decimal or 0x-hex)\n"
           "  --first-game SECONDS the first game starts this long after start (default " + seconds(FIRST_GAME_SECONDS) + ")\n"
           "  --new-game SECONDS   then a new game this often (default " + seconds(NEW_GAME_SECONDS) + "; 0: never)\n"
           "  --seed N             play the random stream of seed N (0 to 2^64-1) from the start; without it the\n"
           "                       window plays the game's own stream (seed 0) and a saver a fresh one each start\n"
           "  --version            print the version\n"
           "\n"
           "Settings:\n" +
           settingsUsage() +
           "\n"
           "XSCREENSAVER_WINDOW, when set and no saver option is given, names the window for saver mode.\n"
           "The program shows itself on Wayland when WAYLAND_DISPLAY names a compositor that answers, else on\n"
           "X11; PELLWICK_DISPLAY=x11 or PELLWICK_DISPLAY=wayland chooses.\n";
}

Launch readScreensaverArgs(const std::vector<std::string>& args, bool namedScr, const Settings& stored) {
    using Mode = Launch::Mode;
    Launch l;
    if (args.empty()) {
        l.mode = namedScr ? Mode::Settings : Mode::OwnWindow;
        return l;
    }
    const std::string first = lowerCase(args[0]);
    const bool wallpaper = first == "/wallpaper" || first == "-wallpaper";
    if (wallpaper || args[0].rfind("--", 0) == 0) {
        l.mode = wallpaper ? Mode::Wallpaper : Mode::OwnWindow;
        if (wallpaper) l.settings = stored;
        bool speedGiven = false;
        if (std::string err = readWindowsOptions(args, wallpaper ? 1 : 0, l, speedGiven); !err.empty()) return refused(err);
        if (wallpaper && !speedGiven) l.settings.speed = WALLPAPER_SPEED;
        return l;
    }
    l.settings = stored;
    const bool flagged = first.size() >= 2 && (first[0] == '/' || first[0] == '-');
    const char letter = flagged ? first[1] : '\0';
    const std::string rest = flagged ? first.substr(2) : std::string();
    const bool attached = !rest.empty() && rest[0] == ':';
    if (flagged && (rest.empty() || attached)) {
        if (letter == 's' && rest.empty()) {
            l.mode = Mode::FullScreenSaver;
            return l;
        }
        if (letter == 'c') {  // the window to own the dialog, when given and sound
            l.mode = Mode::Settings;
            if (attached && !parseHwnd(rest.substr(1), l.window)) l.window = 0;
            return l;
        }
        if (letter == 'p') {
            const std::string hwnd = attached ? rest.substr(1) : args.size() > 1 ? args[1] : std::string();
            if (!parseHwnd(hwnd, l.window)) return refused("no window handle in '/p " + hwnd + "'", 1);
            l.mode = Mode::InWindow;
            return l;
        }
    }
    return refused("Unknown argument '" + args[0] + "'. " + WINDOWS_ARGS);
}

}  // namespace pellwick
