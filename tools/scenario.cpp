// Runs a scripted game (ticks, clicks, resizes) and describes the resulting field.
#include "scenario.hpp"

#include <cstdio>

namespace pellwick {

namespace {

constexpr std::uint64_t kProgressEvery = 256;

void apply(World& w, const RenderEvent& e) {
    if (e.kind == RenderEvent::Kind::Click) {
        resetWorld(w);
    } else {
        w.field.resize(e.size.width, e.size.height);
    }
}

std::string percent(std::uint64_t part, std::uint64_t whole) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f%%", whole == 0 ? 0.0 : 100.0 * static_cast<double>(part) / whole);
    return buf;
}

}  // namespace

void playScenario(World& w, const RenderOptions& o, const Progress& progress) {
    auto next = o.events.begin();
    for (std::uint64_t t = 0; t <= o.ticks; ++t) {
        for (; next != o.events.end() && next->at == t; ++next) apply(w, *next);
        if (t == o.ticks) break;
        tick(w);
        if (progress && (t + 1) % kProgressEvery == 0) progress(t + 1);
    }
}

PixelCounts countPixels(const Field& f) {
    PixelCounts c;
    const std::size_t n = static_cast<std::size_t>(f.width()) * f.height();
    const Colour* p = f.pixels();
    for (std::size_t i = 0; i < n; ++i) {
        const Colour v = p[i];
        if (v == f.background()) {
            ++c.background;
        } else if (v == kInk) {
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

std::string summaryJson(const World& w, std::uint64_t ticks, const PixelCounts& c) {
    std::string s = "{\"ticks\":" + std::to_string(ticks) + ",\"width\":" + std::to_string(w.field.width()) +
                    ",\"height\":" + std::to_string(w.field.height()) + ",\"deaths\":" + std::to_string(w.deaths) +
                    ",\"pixels\":{\"background\":" + std::to_string(c.background) +
                    ",\"ink\":" + std::to_string(c.ink);
    for (int t = 0; t < 4; ++t) s += ",\"team" + std::to_string(t) + "\":" + std::to_string(c.team[t]);
    return s + ",\"other\":" + std::to_string(c.other) + "}}";
}

}  // namespace pellwick
