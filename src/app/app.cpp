// The app core's rules: clicks, keys, closing, resizing, the tick cadence and the background colour.
#include "app/app.hpp"

#include "game/rules.hpp"

namespace pellwick {

Colour fieldBackground(Colour platform) {
    if (!isColour(platform) || platform == INK) return WHITE;
    for (Colour t : teamColour) {
        if (platform == t) return WHITE;
    }
    return platform;
}

App::App(int width, int height, Colour background) : world_(width, height, fieldBackground(background)) {}

void App::handle(const Input& input) {
    if (!running_) return;
    switch (input.kind) {
        case Input::Kind::Click:
            resetWorld(world_);
            break;
        case Input::Kind::DoubleClick:  // its first click has already started a new game
        case Input::Kind::Close:
            running_ = false;
            break;
        case Input::Kind::KeyDown:
            if (input.key == Key::Escape) running_ = false;
            break;
        case Input::Kind::Resize:
            world_.field.resize(input.width, input.height);
            break;
    }
}

void App::tickNow() {
    if (!running_) return;
    ticker_.tick(world_);
    ++ticks_;
}

bool App::runDueTick(std::int64_t atUs) {
    if (!running_ || !cadence_.due(atUs)) return false;
    cadence_.start(atUs);
    tickNow();
    return true;
}

}  // namespace pellwick
