// Playing a scripted game through the app core.
#include "app/scenario.hpp"

namespace pellwick {

namespace {

constexpr std::uint64_t PROGRESS_EVERY = 256;

}  // namespace

App playScenario(const Scenario& s, const Progress& progress, const Watch& watch) {
    AppSettings settings;
    settings.seed = s.seed;
    settings.ownGames = s.ownGames.has_value();
    settings.speed = s.speed;
    if (s.ownGames) settings.times = *s.ownGames;
    App app(s.width, s.height, settings);
    auto next = s.events.begin();
    for (std::uint64_t t = 0; t <= s.ticks; ++t) {
        for (; next != s.events.end() && next->at == t; ++next) app.handle(next->input);
        if (watch) watch(t, app);
        if (t == s.ticks) break;
        app.tickNow();
        if (progress && (t + 1) % PROGRESS_EVERY == 0) progress(t + 1);
    }
    return app;
}

}  // namespace pellwick
