// The run's screens and their games: what each fact a host tells does, and the rounds of the frame loop.
#include "app/screens.hpp"

#include <algorithm>

namespace pellwick {

Rect boundsOf(const std::vector<Rect>& areas) {
    if (areas.empty()) return {};
    int left = areas.front().x, top = areas.front().y, right = left + areas.front().width, bottom = top + areas.front().height;
    for (const Rect& a : areas) {
        left = std::min(left, a.x);
        top = std::min(top, a.y);
        right = std::max(right, a.x + a.width);
        bottom = std::max(bottom, a.y + a.height);
    }
    return Rect{left, top, right - left, bottom - top};
}

// One screen of the run: the host's view of it, its game, its zoom and seed, when it takes frames, and
// whether it can be seen.
struct ScreenGames::Screen {
    Screen(ScreenView& v, FramePacer p) : view(v), pacer(p) {}
    ScreenView& view;
    FramePacer pacer;
    std::unique_ptr<Game> game;
    int zoom = 1;
    std::uint64_t seed = 0;
    bool shown = true;
};

ScreenGames::ScreenGames(const Launch& launch, const Platform& platform, std::uint64_t seed, bool seedDrawn, Say say,
                         Colour background, GameMaker maker)
    : launch_(launch),
      platform_(platform),
      say_(std::move(say)),
      background_(background),
      maker_(std::move(maker)),
      seedDrawn_(seedDrawn),
      policy_(seed) {
    if (launch_.mode == Launch::Mode::FullScreenSaver && launch_.settings.monitors == Monitors::Span && !platform_.commonSpace) {
        say_(std::string("pellwick: --monitors span is not available on ") + platform_.name + "; a game plays on each output");
        launch_.settings.monitors = Monitors::Each;
    }
}

ScreenGames::~ScreenGames() = default;

std::string ScreenGames::refusal(const Launch& launch, const Platform& platform) {
    if (launch.mode == Launch::Mode::InWindow && !platform.foreignWindows) {
        return std::string("--root, --window-id and XSCREENSAVER_WINDOW draw into X11 windows, which ") + platform.name + " has not";
    }
    return {};
}

std::vector<Rect> ScreenGames::placesFor(const std::vector<Rect>& monitors) const {
    if (monitors.empty()) return {};
    switch (launch_.mode) {
        case Launch::Mode::FullScreenSaver:
            return launch_.settings.monitors == Monitors::Span ? std::vector<Rect>{boundsOf(monitors)} : monitors;
        case Launch::Mode::Wallpaper:
            return monitors;
        default:
            return {monitors.front()};
    }
}

void ScreenGames::screenCame(ScreenId id, ScreenView& view, const ScreenFacts& facts) {
    screenWent(id);
    const std::int64_t period = framePeriodUs(facts.refreshHz);
    auto s = std::make_unique<Screen>(view, facts.callbacks ? FramePacer::onCallback(period) : FramePacer::everyUs(period));
    s->seed = policy_.nextSeed();
    start(*s, facts);
    screens_[id] = std::move(s);
    hadScreen_ = true;
    if (seedDrawn_ && !seedSaid_) say_(drawnSeedLine(screens_[id]->seed));
    seedSaid_ = true;
}

// The screen's game, on a field of its size over the zoom, its pixels kept as the screen wants them.
void ScreenGames::start(Screen& s, const ScreenFacts& facts) {
    s.zoom = zoomFor(launch_.settings.zoom, facts.scale120);
    const FieldKeeping keeping = s.view.keeping(s.zoom);
    AppSettings settings = launch_.appSettings(background_, s.seed);
    settings.pixelFormat = keeping.format;
    settings.sharedPixels = keeping.shared;
    const int width = fieldSide(facts.width, s.zoom), height = fieldSide(facts.height, s.zoom);
    if (maker_) {
        s.game = maker_(width, height, settings);
    } else if (settings.speed <= (facts.refreshHz > 0 ? facts.refreshHz : DEFAULT_REFRESH_HZ)) {
        s.game = std::make_unique<InlineGame>(width, height, settings, nowUs);
    } else {
        s.game = threadedGame(width, height, settings);
    }
}

void ScreenGames::screenWent(ScreenId id) {
    const auto it = screens_.find(id);
    if (it == screens_.end()) return;
    it->second->game.reset();  // its thread may draw into the screen's memory: it ends first
    screens_.erase(it);
}

void ScreenGames::screenChanged(ScreenId id, const ScreenFacts& facts) {
    const auto it = screens_.find(id);
    if (it == screens_.end()) return;
    Screen& s = *it->second;
    s.zoom = zoomFor(launch_.settings.zoom, facts.scale120);
    s.game->screenLost();
    s.game->post(Input::resize(fieldSide(facts.width, s.zoom), fieldSide(facts.height, s.zoom)));
}

void ScreenGames::screenSeen(ScreenId id, bool seen) {
    const auto it = screens_.find(id);
    if (it == screens_.end()) return;
    Screen& s = *it->second;
    if (seen && !s.shown) s.game->screenLost();
    s.shown = seen;
}

void ScreenGames::desktopBlanked(bool blanked) {
    if (blanked_ && !blanked) {
        for (auto& [id, s] : screens_) s->game->screenLost();
    }
    blanked_ = blanked;
}

void ScreenGames::screenExposed(ScreenId id) {
    if (Game* g = gameOf(id)) g->screenLost();
}

void ScreenGames::frameCallback(ScreenId id) {
    const auto it = screens_.find(id);
    if (it != screens_.end()) it->second->pacer.callback();
}

// A close ends the run in every mode. A full-screen saver ends on any other input its policy counts, on
// whichever screen; someone else's window and a wallpaper take none; a window plays it.
void ScreenGames::input(ScreenId id, const Input& in) {
    const ScreenId monitor = platform_.commonSpace ? 0 : id;
    switch (launch_.rules()) {
        case InputRules::EndOnInput:
            ended_ = ended_ || policy_.ends(in, monitor);
            return;
        case InputRules::IgnoreInput:
            ended_ = ended_ || in.kind == Input::Kind::Close;
            return;
        case InputRules::Play:
            if (Game* g = gameOf(id)) g->post(in);
            return;
    }
}

void ScreenGames::pointerStartsAt(ScreenId id, int x, int y) { policy_.pointerStartsAt(platform_.commonSpace ? 0 : id, x, y); }

bool ScreenGames::goesOn() const {
    if (closed_ || ended_) return false;
    for (const auto& [id, s] : screens_) {
        if (!s->game->running()) return false;
    }
    return !screens_.empty() || !hadScreen_ || launch_.mode == Launch::Mode::Wallpaper;
}

// Whether anything of a screen can be seen: the host says so, its compositor still asks for frames, and the
// desktop has not blanked or locked itself.
bool ScreenGames::seen(const Screen& s, std::int64_t atUs) const { return s.shown && !blanked_ && !s.pacer.unanswered(atUs); }

std::int64_t ScreenGames::paceAndWait(std::int64_t atUs, bool onBattery) {
    bool anySeen = false;
    std::int64_t wait = LONGEST_WAIT_US;
    std::int64_t keep = Game::NEVER_US;
    for (auto& [id, s] : screens_) {
        const bool visible = seen(*s, atUs);
        Pace pace = paceFor(launch_.settings, visible, onBattery);
        pace.paused = pace.paused || held_;
        s->game->setPace(pace);
        keep = std::min(keep, s->game->keepTime());
        if (visible) wait = std::min(wait, s->pacer.until(atUs));
        anySeen = anySeen || visible;
    }
    return std::min(anySeen ? wait : RESTING_WAIT_US, keep);
}

void ScreenGames::showDueFrames(std::int64_t atUs) {
    for (auto& [id, s] : screens_) {
        if (!seen(*s, atUs) || s->pacer.until(atUs) != 0) continue;
        Screen& screen = *s;
        const CanvasFor canvas = [&screen](int width, int height) { return screen.view.canvas(width, height, screen.zoom); };
        const Show show = [this, &screen](const Frame& f) {
            if (screen.view.present(f)) screen.pacer.committed();
            ++stats_.frames;
            stats_.damaged += screen.view.damaged(f);
            stats_.changed += f.changed;
        };
        screen.game->frame(FRAME_WAIT_US, canvas, show);
        screen.pacer.framed(atUs);
    }
}

int ScreenGames::zoomOf(ScreenId id) const {
    const auto it = screens_.find(id);
    return it == screens_.end() ? 0 : it->second->zoom;
}

std::uint64_t ScreenGames::seedOf(ScreenId id) const {
    const auto it = screens_.find(id);
    return it == screens_.end() ? 0 : it->second->seed;
}

Game* ScreenGames::gameOf(ScreenId id) const {
    const auto it = screens_.find(id);
    return it == screens_.end() ? nullptr : it->second->game.get();
}

std::string FrameStats::line() const {
    const std::int64_t n = std::max<std::int64_t>(frames, 1);
    return "pellwick: " + std::to_string(frames) + " frames; a frame damaged " + std::to_string(damaged / n) +
           " pixels, its changed tiles held " + std::to_string(changed / n);
}

void runFrameLoop(Display& display, ScreenGames& games, const Clock& clock) {
    while (games.goesOn()) {
        const std::int64_t wait = games.paceAndWait(clock(), display.onBattery());
        display.pumpEvents(static_cast<int>((wait + 999) / 1000));
        if (!games.goesOn()) break;
        games.showDueFrames(clock());
    }
}

}  // namespace pellwick
