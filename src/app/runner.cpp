// The game thread: input between ticks, ticks on the app's cadence, frame copies on request.
#include "app/runner.hpp"

#include <algorithm>
#include <chrono>
#include <utility>

namespace pellwick {

AppRunner::AppRunner(int width, int height, Colour background, PreciseSleep sleep, InputRules rules)
    : app_(width, height, background, rules), sleep_(std::move(sleep)), thread_([this] { loop(); }) {}

AppRunner::~AppRunner() {
    post(Input::close());
    if (thread_.joinable()) thread_.join();
}

void AppRunner::post(const Input& input) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.push_back(input);
    }
    wake_.notify_one();
}

bool AppRunner::frame(std::int64_t timeoutUs, const std::function<void(const Frame&)>& show) {
    std::unique_lock<std::mutex> lock(mutex_);
    frameAsked_ = true;
    wake_.notify_one();
    const bool ready = frameReady_.wait_for(lock, std::chrono::microseconds(timeoutUs),
                                            [this] { return frameFresh_ || !running_.load(); });
    if (!ready || !frameFresh_) return false;
    frameFresh_ = false;
    // The game thread writes the copy only when asked, and only this thread asks, so it is ours until then.
    lock.unlock();
    show(Frame{frame_.data(), frameWidth_, frameHeight_, changed_});
    std::fill(changed_.begin(), changed_.end(), Span{});
    return true;
}

// Applies everything queued; false once the program has ended.
bool AppRunner::applyQueued() {
    std::deque<Input> inputs;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        inputs.swap(queue_);
    }
    for (const Input& input : inputs) {
        app_.handle(input);
        if (!app_.running()) return false;
    }
    return true;
}

// Copies only the tiles that changed since the last copy (everything after a resize), and notes them for
// the display, so a frame costs the game thread little even on a very large field.
void AppRunner::copyChangedTiles(const Field& f) {
    const int w = f.width(), h = f.height();
    if (w != frameWidth_ || h != frameHeight_) {
        frame_.assign(f.pixels(), f.pixels() + static_cast<std::size_t>(w) * h);
        frameWidth_ = w;
        frameHeight_ = h;
        changed_.assign(static_cast<std::size_t>(f.tilesY()), Span{0, w});
        return;
    }
    forEachChangedRun(f, [&](const Band& b) {
        for (int y = b.y; y < b.y + b.height; ++y) {
            const std::size_t at = static_cast<std::size_t>(y) * w + b.x;
            std::copy(f.pixels() + at, f.pixels() + at + b.width, frame_.data() + at);
        }
        Span& band = changed_[static_cast<std::size_t>(b.y / Field::TILE_SIZE)];
        const int x1 = b.x + b.width;
        band = band.x0 >= band.x1 ? Span{b.x, x1} : Span{std::min(band.x0, b.x), std::max(band.x1, x1)};
    });
}

void AppRunner::copyFrameIfAsked() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!frameAsked_) return;
    copyChangedTiles(app_.field());
    app_.field().clearDirty();
    frameAsked_ = false;
    frameFresh_ = true;
    frameReady_.notify_one();
}

void AppRunner::loop() {
    while (applyQueued()) {
        if (app_.runDueTick(nowUs())) ticks_.store(app_.ticks());
        copyFrameIfAsked();
        const std::int64_t wait = app_.untilNextTick(nowUs());
        if (sleep_) {
            if (wait > 0) sleep_(wait);
            continue;
        }
        std::unique_lock<std::mutex> lock(mutex_);
        wake_.wait_for(lock, std::chrono::microseconds(wait), [this] { return !queue_.empty() || frameAsked_; });
    }
    std::lock_guard<std::mutex> lock(mutex_);
    running_.store(false);
    frameReady_.notify_all();
}

}  // namespace pellwick
