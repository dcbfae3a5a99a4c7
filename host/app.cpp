// The app core's rules: clicks, keys, closing, resizing and the tick cadence.
#include "app.hpp"

#include <algorithm>
#include <chrono>

namespace pellwick {

std::int64_t nowUs() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

Cadence::Cadence(std::int64_t periodUs) : period_(std::max<std::int64_t>(periodUs, 1)) {}

void Cadence::start(std::int64_t atUs) {
    next_ = started_ ? next_ + period_ : atUs + period_;
    if (next_ <= atUs) next_ = atUs + period_;
    started_ = true;
}

std::int64_t Cadence::until(std::int64_t atUs) const { return due(atUs) ? 0 : next_ - atUs; }

App::App(int width, int height, Colour background) : world_(width, height, background) {}

void App::click() {
    if (running_) resetWorld(world_);
}

void App::key(int charCode) {
    if (charCode == kEscape) running_ = false;
}

void App::resize(int width, int height) {
    if (running_) world_.field.resize(width, height);
}

bool App::runDueTick(std::int64_t atUs) {
    if (!running_ || !ticker_.due(atUs)) return false;
    ticker_.start(atUs);
    tick(world_);
    ++ticks_;
    return true;
}

}  // namespace pellwick
