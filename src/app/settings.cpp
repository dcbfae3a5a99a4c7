// The settings' table and its one parser.
#include "app/settings.hpp"

#include <algorithm>
#include <charconv>

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

const std::vector<SettingDef>& settingDefs() {
    static const std::vector<SettingDef> defs = {
        {"speed", "Speed (ticks a second)", "ticks a second; the pictures of a given tick do not depend on it", 10, 1000, false, {},
         [](const Settings& s) { return s.speed; }, [](Settings& s, int v) { s.speed = v; }},
        {"zoom", "Zoom", "device pixels a field pixel takes on each side; auto: the display's own scale", 1, 8, true, {},
         [](const Settings& s) { return s.zoom; }, [](Settings& s, int v) { s.zoom = v; }},
        {"monitors", "Monitors", "a full-screen saver: a game on each monitor, or one game spanning them all", 0, 1, false,
         {"each", "span"}, [](const Settings& s) { return static_cast<int>(s.monitors); },
         [](Settings& s, int v) { s.monitors = static_cast<Monitors>(v); }},
        {"rest", "While nobody can see it", "while nobody can see it: keep the game's time without drawing, or pause it", 0, 1, false,
         {"keep", "pause"}, [](const Settings& s) { return static_cast<int>(s.rest); },
         [](Settings& s, int v) { s.rest = static_cast<Rest>(v); }},
        {"on-battery", "On battery", "on battery power: the same, a quarter of the speed, or paused", 0, 2, false,
         {"same", "slow", "pause"}, [](const Settings& s) { return static_cast<int>(s.onBattery); },
         [](Settings& s, int v) { s.onBattery = static_cast<OnBattery>(v); }},
    };
    return defs;
}

const SettingDef* findSetting(const std::string& name) {
    const auto& defs = settingDefs();
    const auto it = std::find_if(defs.begin(), defs.end(), [&](const SettingDef& d) { return name == d.name; });
    return it == defs.end() ? nullptr : &*it;
}

std::string SettingDef::range() const {
    if (!words.empty()) {
        std::string out;
        for (std::size_t i = 0; i < words.size(); ++i) {
            out += i == 0 ? "" : i + 1 == words.size() ? " or " : ", ";
            out += words[i];
        }
        return out;
    }
    return std::to_string(least) + " to " + std::to_string(most) + (hasAuto ? ", or auto" : "");
}

std::string SettingDef::valueIn(const Settings& s) const {
    const int v = get(s);
    if (!words.empty()) return words[static_cast<std::size_t>(v)];
    return hasAuto && v == ZOOM_AUTO ? "auto" : std::to_string(v);
}

std::vector<std::string> SettingDef::choices() const {
    std::vector<std::string> out;
    if (words.empty() && !hasAuto) return out;
    for (int v = hasAuto ? least - 1 : least; v <= most; ++v) {
        Settings s;
        set(s, hasAuto && v < least ? ZOOM_AUTO : v);
        out.push_back(valueIn(s));
    }
    return out;
}

std::string SettingDef::parse(const std::string& text, Settings& s) const {
    const std::string refusal = std::string(name) + " needs " + range() + ", not '" + text + "'";
    if (!words.empty()) {
        const auto it = std::find(words.begin(), words.end(), text);
        if (it == words.end()) return refusal;
        set(s, static_cast<int>(it - words.begin()));
        return {};
    }
    if (hasAuto && text == "auto") {
        set(s, ZOOM_AUTO);
        return {};
    }
    int v = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, v);
    if (text.empty() || text.front() == '-' || text.front() == '+' || ec != std::errc() || ptr != end || v < least || v > most) {
        return refusal;
    }
    set(s, v);
    return {};
}

}  // namespace pellwick
