// Reading the launch options, and timing the saver's clicks.
#include "app/saver.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace pellwick {

namespace {

constexpr double MAX_SECONDS = 1e6;  // about eleven days

// A window id: decimal or 0x-hex, nonzero, at most 32 bits.
bool parseWindowId(const std::string& text, std::uint64_t& out) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char* begin = text.data() + (hex ? 2 : 0);
    const char* end = text.data() + text.size();
    if (begin == end || *begin == '+' || *begin == '-') return false;
    const auto [ptr, ec] = std::from_chars(begin, end, out, hex ? 16 : 10);
    return ec == std::errc() && ptr == end && out != 0 && out <= 0xFFFFFFFFULL;
}

// A plain decimal number of seconds (the program never changes the C locale, so '.' is the point).
bool parseSeconds(const std::string& text, double& out) {
    if (text.empty() || ((text.front() < '0' || text.front() > '9') && text.front() != '.')) return false;
    char* end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() && std::isfinite(out) && out <= MAX_SECONDS;
}

struct Flags {
    bool root = false;
    std::optional<std::string> windowId;
    bool timesGiven = false;
};

// Handles one option with its value; returns an error or "".
std::string takeValue(const std::string& flag, const std::string& value, LaunchOptions& o, Flags& f) {
    if (flag == "--window-id") {
        f.windowId = value;
        return {};
    }
    f.timesGiven = true;
    double& seconds = flag == "--first-game" ? o.firstGameSeconds : o.newGameSeconds;
    if (!parseSeconds(value, seconds)) return flag + " needs a number of seconds from 0 to 1000000, not '" + value + "'";
    return {};
}

std::string readArgs(const std::vector<std::string>& args, LaunchOptions& o, Flags& f) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string flag = args[i], value;
        bool hasValue = false;
        if (const auto eq = flag.find('='); flag.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = flag.substr(eq + 1);
            flag.resize(eq);
            hasValue = true;
        }
        if ((flag == "--help" || flag == "-h") && !hasValue) {
            o.help = true;
        } else if (flag == "--root" && !hasValue) {
            f.root = true;
        } else if (flag == "--window-id" || flag == "--first-game" || flag == "--new-game") {
            if (!hasValue && i + 1 >= args.size()) return flag + " needs a value";
            if (!hasValue) value = args[++i];
            if (std::string err = takeValue(flag, value, o, f); !err.empty()) return err;
        } else {
            return "unknown option '" + args[i] + "' (see --help)";
        }
    }
    return {};
}

}  // namespace

LaunchResult parseLaunch(const std::vector<std::string>& args, const char* saverWindow) {
    LaunchOptions o;
    Flags f;
    if (std::string err = readArgs(args, o, f); !err.empty()) return {std::nullopt, err};
    if (f.root && f.windowId) return {std::nullopt, "--root and --window-id name two windows; give one"};
    const bool fromEnv = !f.windowId && saverWindow != nullptr && *saverWindow != '\0';
    if (f.windowId && !parseWindowId(*f.windowId, o.window)) {
        return {std::nullopt, "malformed window id '" + *f.windowId + "' (decimal or 0x-hex)"};
    }
    if (fromEnv && !parseWindowId(saverWindow, o.window)) {
        return {std::nullopt, "malformed window id '" + std::string(saverWindow) + "' in XSCREENSAVER_WINDOW"};
    }
    if (f.root || f.windowId || fromEnv) o.mode = LaunchOptions::Mode::Saver;
    if (f.timesGiven && o.mode == LaunchOptions::Mode::Windowed && !o.help) {
        return {std::nullopt, "--first-game and --new-game apply in saver mode only (--root or --window-id)"};
    }
    return {o, {}};
}

std::string launchUsage() {
    return "Usage: pellwick [--root | --window-id ID] [--first-game SECONDS] [--new-game SECONDS]\n"
           "\n"
           "With no option, opens a window over the desktop: a click starts a new game, a double-click or\n"
           "Escape ends the program. In saver mode it draws into a window it is given instead, ignores\n"
           "input and starts games by itself; SIGTERM or SIGINT end it.\n"
           "\n"
           "  --root               saver mode on the root window (on $XSCREENSAVER_WINDOW when set)\n"
           "  --window-id ID       saver mode in window ID (decimal or 0x-hex)\n"
           "  --first-game SECONDS the first game starts this long after start (default 10)\n"
           "  --new-game SECONDS   then a new game this often (default 180; 0: never)\n"
           "\n"
           "XSCREENSAVER_WINDOW, when set and neither option is given, names the window for saver mode.\n";
}

namespace {

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

}  // namespace

ScrLaunch parseScrArgs(const std::vector<std::string>& args, bool namedScr) {
    using Mode = ScrLaunch::Mode;
    if (args.empty()) return {namedScr ? Mode::Configure : Mode::Windowed, 0, {}};
    const std::string first = lowerCase(args[0]);
    const bool flagged = first.size() >= 2 && (first[0] == '/' || first[0] == '-');
    const char letter = flagged ? first[1] : '\0';
    const std::string rest = flagged ? first.substr(2) : std::string();
    const bool attached = !rest.empty() && rest[0] == ':';
    if (flagged && (rest.empty() || attached)) {
        if (letter == 's' && rest.empty()) return {Mode::FullScreen, 0, {}};
        if (letter == 'c') {  // the window to own the dialog, when given and sound
            ScrLaunch r{Mode::Configure, 0, {}};
            if (attached && !parseHwnd(rest.substr(1), r.window)) r.window = 0;
            return r;
        }
        if (letter == 'p') {
            const std::string hwnd = attached ? rest.substr(1) : args.size() > 1 ? args[1] : std::string();
            ScrLaunch r{Mode::Preview, 0, {}};
            if (!parseHwnd(hwnd, r.window)) return {Mode::BadWindow, 0, "no window handle in '/p " + hwnd + "'"};
            return r;
        }
    }
    return {Mode::BadArgument, 0, "Unknown argument '" + args[0] + "'. A screensaver takes /s, /p HWND or /c."};
}

AutoClicks::AutoClicks(std::int64_t startUs, double firstGameSeconds, double newGameSeconds)
    : next_(startUs + static_cast<std::int64_t>(std::llround(firstGameSeconds * 1e6))),
      every_(newGameSeconds > 0 ? std::max<std::int64_t>(std::llround(newGameSeconds * 1e6), 1) : 0) {}

bool AutoClicks::due(std::int64_t nowUs) {
    if (done_ || nowUs < next_) return false;
    if (every_ <= 0) {
        done_ = true;
        return true;
    }
    next_ += ((nowUs - next_) / every_ + 1) * every_;  // the first due time still ahead
    return true;
}

}  // namespace pellwick
