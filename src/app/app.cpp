// The app core's rules: clicks and double-clicks, keys, closing, resizing, the ticks that are due and the
// order inputs take among them, a saver's own games and the background colour.
#include "app/app.hpp"

#include <algorithm>

#include "game/rules.hpp"

namespace pellwick {

Colour fieldBackground(Colour platform) {
    if (!isColour(platform) || platform == INK) return WHITE;
    for (Colour t : teamColour) {
        if (platform == t) return WHITE;
    }
    return platform;
}

namespace {

// The ticks due at a speed: one every period, at most 50 ms' worth at once.
CatchUp ticksAt(int ticksPerSecond) {
    const int speed = std::max(ticksPerSecond, 1);
    return CatchUp(1'000'000 / speed, std::max(speed * TICK_BURST / TICKS_PER_SECOND, 1));
}

}  // namespace

App::App(int width, int height, const AppSettings& settings)
    : settings_(settings),
      world_(width, height, fieldBackground(settings.background), settings.seed),
      due_(ticksAt(settings.speed)),
      autoGames_(settings.times, settings.speed) {
    world_.field.setPixelFormat(settings.pixelFormat);
    if (settings.sharedPixels) world_.field.shareMemory();
}

void App::handle(const Input& input) {
    if (!running_) return;
    switch (input.kind) {
        case Input::Kind::Close:
            running_ = false;
            return;
        case Input::Kind::Resize:
            world_.field.resize(input.width, input.height);
            return;
        default:
            break;
    }
    if (settings_.rules == InputRules::Play) play(input);
}

// A click is a left press and its release, the press a single one; it starts a new game. The second press
// of a double-click ends the program at once (its first click has already started a new game). A release
// without its press, or a press no pointer made (no click count), is no click.
void App::play(const Input& input) {
    const bool left = input.button == Button::Left;
    if (input.kind == Input::Kind::ButtonDown && left) {
        if (input.clicks >= 2) running_ = false;
        leftPressClicks_ = input.clicks;
    }
    if (input.kind == Input::Kind::ButtonUp && left) {
        const bool single = leftPressClicks_ == 1 && input.clicks <= 1;
        leftPressClicks_ = 0;
        if (single) resetWorld(world_);
    }
    if (input.kind == Input::Kind::KeyDown && input.key == Key::Escape) running_ = false;
}

void App::tickNow() {
    if (!running_) return;
    if (startsOwnGames() && autoGames_.due(ticks_)) resetWorld(world_);
    ticker_.tick(world_);
    ++ticks_;
}

void App::setSpeed(int ticksPerSecond) {
    if (ticksPerSecond == settings_.speed) return;
    settings_.speed = ticksPerSecond;
    due_ = ticksAt(ticksPerSecond);
}

void App::pause(bool paused) {
    if (paused_ && !paused) due_ = ticksAt(settings_.speed);  // the time stood still: nothing to catch up on
    paused_ = paused;
}

int App::runDueTicks(std::int64_t atUs) {
    if (!running_ || paused_) return 0;
    const int count = due_.due(atUs);
    for (int n = 0; n < count; ++n) tickNow();
    return count;
}

bool App::advance(const std::vector<TimedInput>& inputs, std::int64_t atUs) {
    for (const TimedInput& t : inputs) {
        runDueTicks(t.at);
        handle(t.input);
    }
    runDueTicks(atUs);
    return running_;
}

}  // namespace pellwick
