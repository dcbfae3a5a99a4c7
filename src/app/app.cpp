// The app core's rules: clicks, keys, closing, resizing, the ticks that are due and the background colour.
#include "app/app.hpp"

#include <cstdlib>

#include "game/rules.hpp"

namespace pellwick {

Colour fieldBackground(Colour platform) {
    if (!isColour(platform) || platform == INK) return WHITE;
    for (Colour t : teamColour) {
        if (platform == t) return WHITE;
    }
    return platform;
}

App::App(int width, int height, Colour background, InputRules rules)
    : rules_(rules), world_(width, height, fieldBackground(background)) {}

void App::handle(const Input& input) {
    if (!running_) return;
    switch (input.kind) {
        case Input::Kind::NewGame:
            resetWorld(world_);
            return;
        case Input::Kind::Close:
            running_ = false;
            return;
        case Input::Kind::Resize:
            world_.field.resize(input.x, input.y);
            return;
        default:
            break;
    }
    if (rules_ == InputRules::Windowed) handleWindowed(input);
    if (rules_ == InputRules::FullScreen) handleFullScreen(input);
}

void App::handleWindowed(const Input& input) {
    if (input.kind == Input::Kind::Click) resetWorld(world_);
    // A double-click's first click has already started a new game.
    if (input.kind == Input::Kind::DoubleClick) running_ = false;
    if (input.kind == Input::Kind::KeyDown && input.key == Key::Escape) running_ = false;
}

void App::handleFullScreen(const Input& input) {
    if (input.kind != Input::Kind::MouseMove) {
        running_ = false;  // any key, any button
        return;
    }
    if (!pointerSeen_) {
        pointerSeen_ = true;
        pointerX_ = input.x;
        pointerY_ = input.y;
        return;
    }
    if (std::abs(input.x - pointerX_) > MOVE_TOLERANCE || std::abs(input.y - pointerY_) > MOVE_TOLERANCE) running_ = false;
}

void App::tickNow() {
    if (!running_) return;
    ticker_.tick(world_);
    ++ticks_;
}

int App::runDueTicks(std::int64_t atUs) {
    if (!running_) return 0;
    const int count = due_.due(atUs);
    for (int n = 0; n < count; ++n) tickNow();
    return count;
}

}  // namespace pellwick
