// Playing the renderer's game and describing the field it leaves.
#include "tools/render_report.hpp"

#include <cstdio>

#include "game/digest.hpp"

namespace pellwick {

namespace {

std::string percent(std::uint64_t part, std::uint64_t whole) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f%%", whole == 0 ? 0.0 : 100.0 * static_cast<double>(part) / whole);
    return buf;
}

}  // namespace

Scenario scenarioOf(const RenderOptions& o) {
    Scenario s{o.size.width, o.size.height, o.ticks, {}, o.seed, o.saverGames, o.speed};
    for (const RenderEvent& e : o.events) {
        if (e.kind == RenderEvent::Kind::Click) {  // a press and its release, as the window gets them
            s.events.push_back({e.at, Input::press(Button::Left, 1)});
            s.events.push_back({e.at, Input::release(Button::Left, 1)});
        } else {
            s.events.push_back({e.at, Input::resize(e.size.width, e.size.height)});
        }
    }
    return s;
}

App renderGame(const RenderOptions& o, const Progress& progress, const Watch& watch) {
    return playScenario(scenarioOf(o), progress, watch);
}

PixelCounts countPixels(const Field& f) {
    PixelCounts c;
    const std::size_t n = static_cast<std::size_t>(f.width()) * f.height();
    const Colour* p = f.pixels();
    for (std::size_t i = 0; i < n; ++i) {
        const Colour v = f.colourOf(p[i]);
        if (v == f.background()) {
            ++c.background;
        } else if (v == INK) {
            ++c.ink;
        } else if (v == teamColour[0]) {
            ++c.team[0];
        } else if (v == teamColour[1]) {
            ++c.team[1];
        } else if (v == teamColour[2]) {
            ++c.team[2];
        } else if (v == teamColour[3]) {
            ++c.team[3];
        } else {
            ++c.other;
        }
    }
    return c;
}

std::string summaryText(const World& w, std::uint64_t ticks, const PixelCounts& c) {
    const std::uint64_t all = static_cast<std::uint64_t>(w.field.width()) * w.field.height();
    std::string s = "ticks " + std::to_string(ticks) + ", size " + std::to_string(w.field.width()) + "x" +
                    std::to_string(w.field.height()) + ", deaths " + std::to_string(w.deaths) +
                    ", background " + percent(c.background, all) + ", ink " + percent(c.ink, all);
    for (int t = 0; t < 4; ++t) s += ", team" + std::to_string(t) + " " + percent(c.team[t], all);
    return s + ", other " + percent(c.other, all);
}

std::string summaryJson(const World& w, std::uint64_t ticks, std::uint64_t seed, const PixelCounts& c) {
    std::string s = "{\"ticks\":" + std::to_string(ticks) + ",\"width\":" + std::to_string(w.field.width()) +
                    ",\"height\":" + std::to_string(w.field.height()) + ",\"deaths\":" + std::to_string(w.deaths) +
                    ",\"pixels\":{\"background\":" + std::to_string(c.background) +
                    ",\"ink\":" + std::to_string(c.ink);
    for (int t = 0; t < 4; ++t) s += ",\"team" + std::to_string(t) + "\":" + std::to_string(c.team[t]);
    return s + ",\"other\":" + std::to_string(c.other) + "},\"seed\":\"" + std::to_string(seed) + "\",\"state\":\"" +
           digestText(stateDigest(w)) + "\"}";
}

}  // namespace pellwick
