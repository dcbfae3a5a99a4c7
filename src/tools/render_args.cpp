// Parsing and checking of the renderer's command line.
#include "tools/render_args.hpp"

#include <algorithm>
#include <charconv>

#include "app/launch.hpp"
#include "app/settings.hpp"
#include "raster/field.hpp"

namespace pellwick {

namespace {

// The setting of the table an option names, where the renderer takes it; null for any other option.
const SettingDef* settingOf(const std::string& flag) {
    const SettingDef* d = flag.rfind("--", 0) == 0 ? findSetting(flag.substr(2)) : nullptr;
    return d != nullptr && d->appliesTo(USE_RENDERER) ? d : nullptr;
}

// The table's line for a setting the renderer takes: its option, range and default, then the renderer's
// own note on what it does here.
std::string settingLine(const char* name, const std::string& note) {
    const SettingDef& d = *findSetting(name);
    std::string option = "  --" + std::string(d.name) + " " + d.placeholder();
    option.resize(std::max<std::size_t>(option.size() + 1, 19), ' ');
    const std::string fallback = d.unset != nullptr ? std::string() : " (default " + d.fallback() + ")";
    return option + d.range() + fallback + "\n" + std::string(19, ' ') + note + "\n";
}

constexpr std::uint64_t MAX_TICKS = 1'000'000'000'000ULL;

// A whole decimal number with nothing around it; no sign, no spaces.
bool parseCount(const std::string& text, std::uint64_t limit, std::uint64_t& out) {
    if (text.empty() || text.front() < '0' || text.front() > '9') return false;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, out);
    return ec == std::errc() && ptr == end && out <= limit;
}

std::string parseSize(const std::string& text, FieldSize& out) {
    const auto cross = text.find('x');
    std::uint64_t w = 0;
    std::uint64_t h = 0;
    if (cross == std::string::npos || !parseCount(text.substr(0, cross), UINT32_MAX, w) ||
        !parseCount(text.substr(cross + 1), UINT32_MAX, h)) {
        if (!text.empty() && text.front() == '-') return "size must be positive: '" + text + "'";
        return "malformed size '" + text + "' (expected WxH, for example 640x480)";
    }
    if (w == 0 || h == 0) return "size must be positive: '" + text + "'";
    if (w > MAX_FIELD_SIDE || h > MAX_FIELD_SIDE) {
        return "size '" + text + "' is too large (at most " + std::to_string(MAX_FIELD_SIDE) + " pixels a side)";
    }
    out = {static_cast<int>(w), static_cast<int>(h)};
    return {};
}

std::string parseTick(const std::string& text, const std::string& flag, std::uint64_t& out) {
    if (!text.empty() && text.front() == '-') return flag + " tick must not be negative: '" + text + "'";
    if (!parseCount(text, MAX_TICKS, out)) return flag + " needs a tick number, not '" + text + "'";
    return {};
}

std::string parseResize(const std::string& text, RenderEvent& out) {
    const auto colon = text.find(':');
    if (colon == std::string::npos) return "malformed --resize '" + text + "' (expected T:WxH)";
    out.kind = RenderEvent::Kind::Resize;
    std::string err = parseTick(text.substr(0, colon), "--resize", out.at);
    if (err.empty()) err = parseSize(text.substr(colon + 1), out.size);
    return err;
}

// Handles one flag that takes a value; returns an error or "".
std::string takeValue(const std::string& flag, const std::string& value, RenderOptions& o) {
    if (flag == "--size") return parseSize(value, o.size);
    if (flag == "--ticks") {
        if (!value.empty() && value.front() == '-') return "--ticks must not be negative: '" + value + "'";
        if (!parseCount(value, MAX_TICKS, o.ticks)) return "--ticks needs a whole number, not '" + value + "'";
        return {};
    }
    if (flag == "--click") {
        RenderEvent e{RenderEvent::Kind::Click, 0, {0, 0}};
        std::string err = parseTick(value, flag, e.at);
        if (err.empty()) o.events.push_back(e);
        return err;
    }
    if (flag == "--resize") {
        RenderEvent e{};
        std::string err = parseResize(value, e);
        if (err.empty()) o.events.push_back(e);
        return err;
    }
    if (const SettingDef* d = settingOf(flag)) {
        Settings s;
        s.speed = o.speed;
        s.seed = o.seed;
        if (o.saverGames) {
            s.firstGame = o.saverGames->firstGameSeconds;
            s.newGame = o.saverGames->newGameSeconds;
        }
        if (const std::string err = d->parse(value, s); !err.empty()) return "--" + err;
        o.speed = s.speed;
        o.seed = *s.seed;
        if (flag == "--first-game" || flag == "--new-game") o.saverGames = s.times();
        return {};
    }
    if (flag == "--frame-every") {
        if (!parseCount(value, MAX_TICKS, o.frameEvery) || o.frameEvery == 0) {
            return "--frame-every needs a whole number of ticks from 1 up, not '" + value + "'";
        }
        return {};
    }
    if (value.empty()) return flag + " needs a file name";
    (flag == "--png" ? o.png : o.gif) = value;
    return {};
}

bool takesValue(const std::string& flag) {
    return flag == "--size" || flag == "--ticks" || flag == "--click" || flag == "--resize" || flag == "--png" || flag == "--gif" ||
           flag == "--frame-every" || settingOf(flag) != nullptr;
}

std::string checkEvents(RenderOptions& o) {
    for (const RenderEvent& e : o.events) {
        if (e.at > o.ticks) {
            return "event at tick " + std::to_string(e.at) + " comes after the last tick (" +
                   std::to_string(o.ticks) + ")";
        }
    }
    std::stable_sort(o.events.begin(), o.events.end(),
                     [](const RenderEvent& a, const RenderEvent& b) { return a.at < b.at; });
    return {};
}

}  // namespace

ParseResult parseRenderArgs(const std::vector<std::string>& args) {
    RenderOptions o;
    bool frameEveryGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string flag = args[i];
        std::string value;
        bool hasValue = false;
        if (const auto eq = flag.find('='); flag.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = flag.substr(eq + 1);
            flag.resize(eq);
            hasValue = true;
        }
        if (flag == "--help" || flag == "-h") {
            o.help = true;
        } else if (flag == "--version") {
            o.version = true;
        } else if (flag == "--json" && !hasValue) {
            o.json = true;
        } else if (takesValue(flag)) {
            if (!hasValue && (i + 1 >= args.size() || args[i + 1].rfind("--", 0) == 0)) {
                return {std::nullopt, flag + (flag == "--png" || flag == "--gif" ? " needs a file name" : " needs a value")};
            }
            if (!hasValue) value = args[++i];
            if (std::string err = takeValue(flag, value, o); !err.empty()) return {std::nullopt, err};
            frameEveryGiven = frameEveryGiven || flag == "--frame-every";
        } else {
            return {std::nullopt, "unknown option '" + args[i] + "' (see --help)"};
        }
    }
    if (std::string err = checkEvents(o); !err.empty()) return {std::nullopt, err};
    if (frameEveryGiven && !o.gif) return {std::nullopt, "--frame-every applies to --gif only"};
    return {o, {}};
}

FieldSize largestField(const RenderOptions& o) {
    FieldSize largest = o.size;
    for (const RenderEvent& e : o.events) {
        if (e.kind != RenderEvent::Kind::Resize) continue;
        largest = {std::max(largest.width, e.size.width), std::max(largest.height, e.size.height)};
    }
    return largest;
}

std::string renderUsage() {
    return "Usage: pellwick-render [--size WxH] [--ticks N] [--seed N] [--click T]... [--resize T:WxH]...\n"
           "                       [--first-game SECONDS] [--new-game SECONDS] [--speed N] [--png FILE]\n"
           "                       [--gif FILE [--frame-every N]] [--json]\n"
           "\n"
           "Plays a game of Pellwick off-screen and reports how the field is shared.\n"
           "\n"
           "  --size WxH       field size in pixels (default 599x459, at most 16384 a side)\n"
           "  --ticks N        ticks to play (default 1000)\n" +
           settingLine("seed", "the random stream of this seed; without one the game's own, 0") +
           "  --click T        click (start a new game) before tick T; T = N means after the last tick\n"
           "  --resize T:WxH   resize the field before tick T\n" +
           settingLine("first-game", "play a saver's own games, the first after so many seconds of ticks at its speed") +
           settingLine("new-game", "... and a new one every so many seconds of ticks (0: never)") +
           settingLine("speed", "the saver's ticks a second: only when its games come") +
           "  --png FILE       write the final field as an RGB PNG picture, naming the seed and the command\n"
           "  --gif FILE       write the game as an animated GIF, a frame every N ticks from tick 0 to\n"
           "                   the last, played at the game's own speed, then again\n"
           "  --frame-every N  ticks between two frames of the GIF (default 20)\n"
           "  --json           print the summary as one JSON object\n"
           "  --help           show this help\n"
           "  --version        show the version\n"
           "\n"
           "Events at the same tick happen in command-line order. Exit status: 0 on success, 2 on bad input\n"
           "or when the picture cannot be written.\n";
}

}  // namespace pellwick
