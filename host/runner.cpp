// The game thread: input between ticks, ticks on the app's cadence, frame copies on request.
#include "runner.hpp"

#include <algorithm>
#include <chrono>

namespace pellwick {

namespace {

std::int64_t nowUs() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

void apply(App& app, const Input& input) {
    switch (input.kind) {
        case Input::Kind::Click:
            app.click();
            break;
        case Input::Kind::DoubleClick:
            app.doubleClick();
            break;
        case Input::Kind::Key:
            app.key(input.a);
            break;
        case Input::Kind::Close:
            app.close();
            break;
        case Input::Kind::Resize:
            app.resize(input.a, input.b);
            break;
    }
}

AppRunner::AppRunner(int width, int height, Colour background)
    : app_(width, height, background), thread_([this] { loop(); }) {}

AppRunner::~AppRunner() {
    post({Input::Kind::Close});
    if (thread_.joinable()) thread_.join();
}

void AppRunner::post(const Input& input) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.push_back(input);
    }
    wake_.notify_one();
}

bool AppRunner::frame(std::int64_t timeoutUs, const std::function<void(const Colour*, int, int)>& show) {
    std::unique_lock<std::mutex> lock(mutex_);
    frameAsked_ = true;
    wake_.notify_one();
    const bool ready = frameReady_.wait_for(lock, std::chrono::microseconds(timeoutUs),
                                            [this] { return frameFresh_ || !running_.load(); });
    if (!ready || !frameFresh_) return false;
    frameFresh_ = false;
    // The game thread writes the copy only when asked, and only this thread asks, so it is ours until then.
    lock.unlock();
    show(frame_.data(), frameWidth_, frameHeight_);
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
        apply(app_, input);
        if (!app_.running()) return false;
    }
    return true;
}

void AppRunner::copyFrameIfAsked() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!frameAsked_) return;
    const Field& f = app_.world().field;
    frame_.assign(f.pixels(), f.pixels() + static_cast<std::size_t>(f.width()) * f.height());
    frameWidth_ = f.width();
    frameHeight_ = f.height();
    frameAsked_ = false;
    frameFresh_ = true;
    frameReady_.notify_one();
}

void AppRunner::loop() {
    while (applyQueued()) {
        if (app_.runDueTick(nowUs())) ticks_.store(app_.ticks());
        copyFrameIfAsked();
        const std::int64_t wait = app_.untilNextTick(nowUs());
        std::unique_lock<std::mutex> lock(mutex_);
        wake_.wait_for(lock, std::chrono::microseconds(wait), [this] { return !queue_.empty() || frameAsked_; });
    }
    std::lock_guard<std::mutex> lock(mutex_);
    running_.store(false);
    frameReady_.notify_all();
}

}  // namespace pellwick
