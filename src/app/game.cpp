// The inline game, and the maker of threaded ones.
#include "app/game.hpp"

#include <algorithm>
#include <utility>

#include "app/runner.hpp"

namespace pellwick {

InlineGame::InlineGame(int width, int height, const AppSettings& settings, Clock clock, const PutCost* cost)
    : app_(width, height, settings),
      clock_(std::move(clock)),
      pace_{settings.speed, false},
      drawer_(cost != nullptr ? FrameDrawer::payingPerCall(*cost) : FrameDrawer()) {}

void InlineGame::advance() {
    app_.advance(inputs_, clock_());
    inputs_.clear();
}

// A game about to stand still is first brought up to its time, so that it stands where it was asked to.
void InlineGame::setPace(const Pace& pace) {
    if (pace == pace_) return;
    if (pace.paused && !pace_.paused) advance();
    pace_ = pace;
    app_.setSpeed(pace.speed);
    app_.pause(pace.paused);
}

std::int64_t InlineGame::keepTime() {
    advance();
    return pace_.paused || !app_.running() ? NEVER_US : KEEP_TIME_US;
}

bool InlineGame::frame(std::int64_t, const CanvasFor& canvasFor, const Show& show) {
    advance();
    if (!app_.running()) return false;
    Field& f = app_.field();
    const Canvas canvas = canvasFor(f.width(), f.height());
    const int zoom = std::max(canvas.zoom, 1);
    if (canvas.width != f.width() * zoom || canvas.height != f.height() * zoom || (canvas.pixels == nullptr && !canvas.fieldItself)) {
        return false;
    }
    const std::vector<Rect>& rects = drawer_.draw(f, canvas);
    show(Frame{canvas.width, canvas.height, rects, &f, drawer_.changed()});
    return true;
}

std::unique_ptr<Game> threadedGame(int width, int height, const AppSettings& settings) {
    return std::make_unique<AppRunner>(width, height, settings);
}

}  // namespace pellwick
