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

bool parseSeed(const std::string& text, std::uint64_t& out) {
    if (text.empty() || text.front() < '0' || text.front() > '9') return false;
    std::uint64_t seed = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), seed);
    if (ec != std::errc() || ptr != text.data() + text.size()) return false;
    out = seed;
    return true;
}

std::uint64_t seedFor(const Launch& l, std::uint64_t (*fresh)(), bool& drawn) {
    drawn = false;
    if (l.settings.seed) return *l.settings.seed;
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

// A setting's option and the value given with it.
using Given = std::vector<std::pair<const SettingDef*, std::string>>;

struct Flags {
    bool saver = false;
    bool wallpaper = false;
    bool root = false;
    std::optional<std::string> windowId;
    bool help = false;
    bool version = false;
    Given given;
};

// The setting an option names, as --NAME; null when it names none.
const SettingDef* settingOf(const std::string& flag) { return flag.rfind("--", 0) == 0 ? findSetting(flag.substr(2)) : nullptr; }

// The value of the option at args[i], attached or the next argument (then i moves on to it); "" with
// `missing` set when there is none.
std::string valueOf(const std::vector<std::string>& args, std::size_t& i, const std::string& flag, bool attached,
                    const std::string& value, bool& missing) {
    missing = !attached && i + 1 >= args.size();
    if (missing) return flag + " needs a value";
    return attached ? value : args[++i];
}

std::string readArgs(const std::vector<std::string>& args, Flags& f) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string flag = args[i], value;
        const bool attached = splitAttached(flag, value);
        if ((flag == "--help" || flag == "-h") && !attached) {
            f.help = true;
        } else if (flag == "--version" && !attached) {
            f.version = true;
        } else if (flag == "--root" && !attached) {
            f.root = true;
        } else if (flag == "--saver" && !attached) {
            f.saver = true;
        } else if (flag == "--wallpaper" && !attached) {
            f.wallpaper = true;
        } else if (flag == "--window-id" || settingOf(flag) != nullptr) {
            bool missing = false;
            const std::string v = valueOf(args, i, flag, attached, value, missing);
            if (missing) return v;
            if (flag == "--window-id") {
                f.windowId = v;
            } else {
                f.given.emplace_back(settingOf(flag), v);
            }
        } else {
            return "unknown option '" + args[i] + "'";
        }
    }
    return {};
}

// Sets the settings given over those the launch starts from: each must be one of its setting's values,
// and apply to the launch's mode.
std::string applyGiven(const Given& given, Launch& l) {
    for (const auto& [d, value] : given) {
        if (std::string err = d->parse(value, l.settings); !err.empty()) return "--" + err;
    }
    for (const auto& [d, value] : given) {
        if (!d->appliesTo(l.use())) return "--" + std::string(d->name) + " applies to " + d->where();
    }
    return {};
}

// The mode's own defaults over the settings the launch starts from, for every setting not given.
void modeDefaults(Launch& l, const Given& given) {
    const Settings own = defaultsFor(l.use());
    for (const SettingDef& d : settingDefs()) {
        const bool isGiven = std::any_of(given.begin(), given.end(), [&](const auto& g) { return g.first == &d; });
        if (!isGiven && d.fallbackIn(l.use()) != d.fallback()) d.set(l.settings, d.valueIn(own));
    }
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

const char* const WINDOWS_ARGS = "A screensaver takes /s, /p HWND or /c; the program also /wallpaper and the settings' options.";

// Options after the mode on Windows, as the Linux program takes them. Returns "" or what is wrong.
std::string readWindowsOptions(const std::vector<std::string>& args, std::size_t from, Given& given) {
    for (std::size_t i = from; i < args.size(); ++i) {
        std::string flag = args[i], value;
        const bool attached = splitAttached(flag, value);
        if (settingOf(flag) == nullptr) return "Unknown argument '" + args[i] + "'. " + WINDOWS_ARGS;
        bool missing = false;
        const std::string v = valueOf(args, i, flag, attached, value, missing);
        if (missing) return v;
        given.emplace_back(settingOf(flag), v);
    }
    return {};
}

}  // namespace

unsigned Launch::use() const {
    switch (mode) {
        case Mode::FullScreenSaver:
            return USE_SAVER;
        case Mode::InWindow:
            return USE_IN_WINDOW;
        case Mode::Wallpaper:
            return USE_WALLPAPER;
        case Mode::Idle:
            return USE_IDLE | USE_SAVER;
        default:
            return ownGames ? USE_PAGE_WALL : USE_WINDOW;
    }
}

Launch saverOf(const Launch& idle) {
    Launch saver = idle;
    saver.mode = Launch::Mode::FullScreenSaver;
    return saver;
}

InputRules Launch::rules() const {
    if (mode == Mode::FullScreenSaver || mode == Mode::Idle) return InputRules::EndOnInput;
    if (mode == Mode::InWindow || mode == Mode::Wallpaper) return InputRules::IgnoreInput;
    return InputRules::Play;
}

AppSettings Launch::appSettings(Colour background, std::uint64_t gameSeed) const {
    AppSettings a{background, rules(), settings.times(), gameSeed};
    a.speed = settings.speed;
    a.ownGames = ownGames;
    return a;
}

// The mode the Linux options and XSCREENSAVER_WINDOW ask for; "" or what is wrong.
std::string chooseMode(const Flags& f, const char* saverWindow, Launch& l) {
    const bool idle = std::any_of(f.given.begin(), f.given.end(), [](const auto& g) { return std::string(g.first->name) == "idle"; });
    if (idle && (f.saver || f.wallpaper || f.root || f.windowId)) {
        return "--idle starts the full-screen saver itself when the desktop is idle; drop --saver, --wallpaper, --root and --window-id";
    }
    if (idle) {
        l.mode = Launch::Mode::Idle;
        return {};
    }
    if (f.saver && (f.root || f.windowId)) return "--saver covers the monitors with windows of its own; drop --root and --window-id";
    if (f.wallpaper && (f.saver || f.root || f.windowId)) return "--wallpaper draws behind the desktop's windows; drop --saver, --root and --window-id";
    if (f.wallpaper || f.saver) {
        l.mode = f.wallpaper ? Launch::Mode::Wallpaper : Launch::Mode::FullScreenSaver;
        return {};
    }
    const bool fromEnv = !f.windowId && saverWindow != nullptr && *saverWindow != '\0';
    if (f.windowId && !parseWindowId(*f.windowId, l.window)) return "malformed window id '" + *f.windowId + "' (decimal or 0x-hex)";
    if (fromEnv && !parseWindowId(saverWindow, l.window)) return "malformed window id '" + std::string(saverWindow) + "' in XSCREENSAVER_WINDOW";
    if (f.root || f.windowId || fromEnv) l.mode = Launch::Mode::InWindow;
    return {};
}

Launch readCommandLine(const std::vector<std::string>& args, const char* saverWindow) {
    Launch l;
    Flags f;
    if (std::string err = readArgs(args, f); !err.empty()) return refused(err + (err.rfind("unknown", 0) == 0 ? " (see --help)" : ""));
    if (f.help || f.version) {
        l.mode = f.help ? Launch::Mode::Help : Launch::Mode::Version;
        return l;
    }
    Settings values;  // each value is one of its setting's, named before anything else is refused
    for (const auto& [d, value] : f.given) {
        if (std::string err = d->parse(value, values); !err.empty()) return refused("--" + err);
    }
    if (std::string err = chooseMode(f, saverWindow, l); !err.empty()) return refused(err);
    l.settings = defaultsFor(l.use());
    if (std::string err = applyGiven(f.given, l); !err.empty()) return refused(err);
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

// Text broken into lines of at most `width` characters between words, each after `indent` spaces.
std::string wrapped(const std::string& text, std::size_t indent, std::size_t width) {
    std::string out, line;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find(' ', at), text.size());
        const std::string word = text.substr(at, end - at);
        if (!line.empty() && indent + line.size() + 1 + word.size() > width) {
            out += std::string(indent, ' ') + line + "\n";
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
        at = end + 1;
    }
    return out + std::string(indent, ' ') + line + "\n";
}

// The settings' lines of a --help text: each option with its values and its defaults, then its meaning
// and, where it does not apply everywhere, where it does.
std::string settingsUsage() {
    std::string out;
    for (const SettingDef& d : settingDefs()) {
        std::string option = "  --" + std::string(d.name) + " " + d.placeholder();
        option.resize(std::max<std::size_t>(option.size() + 1, 23), ' ');
        out += option + d.range() + "\n";
        std::string meaning = std::string(d.meaning) + " (default " + d.defaultText() + ")";
        if (d.where() != "everywhere") meaning += "; " + d.where();
        out += wrapped(meaning, 23, 100);
    }
    return out;
}

std::string commandLineUsage() {
    std::string synopsis = "Usage: pellwick [--saver | --wallpaper | --root | --window-id ID]";
    std::size_t lineStart = 0;
    for (const SettingDef& d : settingDefs()) {
        const std::string option = " [" + d.synopsis() + "]";
        if (synopsis.size() - lineStart + option.size() > 100) {
            synopsis += "\n               ";
            lineStart = synopsis.size() - 15;
        }
        synopsis += option;
    }
    return synopsis +
           "\n\n"
           "With no option, opens a window over the desktop: a click starts a new game, a double-click or\n"
           "Escape ends the program. In saver mode it starts games by itself: with --saver it covers every\n"
           "monitor, each with its own game, until any key, button or move of the pointer (for idle daemons\n"
           "such as swayidle, hypridle, xss-lock or xautolock); with --root or --window-id it draws into a\n"
           "window it is given instead and ignores input. With --wallpaper it is the desktop's background on\n"
           "every monitor, behind every window, and takes no input. With --idle it watches the desktop and\n"
           "runs the --saver itself after so many idle minutes, again and again. SIGTERM or SIGINT end any of\n"
           "them.\n"
           "\n"
           "  --saver              saver mode over every monitor, ended by any input\n"
           "  --wallpaper          the desktop's background on every monitor, with games of its own\n"
           "  --root               saver mode on the root window (on $XSCREENSAVER_WINDOW when set)\n"
           "  --window-id ID       saver mode in window ID (decimal or 0x-hex)\n"
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
        Given given;
        if (std::string err = readWindowsOptions(args, wallpaper ? 1 : 0, given); !err.empty()) return refused(err);
        l.settings = wallpaper ? stored : defaultsFor(l.use());
        if (wallpaper) modeDefaults(l, given);
        if (std::string err = applyGiven(given, l); !err.empty()) return refused(err);
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
