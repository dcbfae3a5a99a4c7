// The game thread: asleep until input or a frame request, then the due ticks, the input and the drawing.
#include "app/runner.hpp"

#include <algorithm>
#include <chrono>
#include <utility>

namespace pellwick {

AppRunner::AppRunner(int width, int height, const AppSettings& settings, Clock clock)
    : app_(width, height, settings),
      clock_(std::move(clock)),
      pace_{settings.speed, false},
      frameWidth_(app_.world().field.width()),
      frameHeight_(app_.world().field.height()),
      thread_([this] { loop(); }) {}

AppRunner::~AppRunner() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ending_ = true;  // no frame will be shown any more: nothing is held for one
    }
    post(Input::close());
    if (thread_.joinable()) thread_.join();
}

void AppRunner::post(const Input& input) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.push_back(TimedInput{input, clock_()});
    }
    wake_.notify_one();
}

void AppRunner::setPace(const Pace& pace) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (pace == pace_) return;
        pace_ = pace;
        paceChanged_ = true;
    }
    wake_.notify_one();
}

Pace AppRunner::pace() {
    std::lock_guard<std::mutex> lock(mutex_);
    return pace_;
}

void AppRunner::screenLost() {
    std::lock_guard<std::mutex> lock(mutex_);
    screenLost_ = true;
}

// Fetches the canvas without the lock (a display may take its time), then asks. Called with the lock held.
void AppRunner::askForFrame(std::unique_lock<std::mutex>& lock, const CanvasFor& canvasFor) {
    const int width = frameWidth_, height = frameHeight_;
    lock.unlock();
    const Canvas canvas = canvasFor(width, height);
    lock.lock();
    canvas_ = canvas;
    frameAsked_ = true;
    frameAskedAt_ = clock_();
    wake_.notify_one();
}

bool AppRunner::frame(std::int64_t timeoutUs, const CanvasFor& canvasFor, const Show& show) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!frameFresh_ && !frameAsked_) askForFrame(lock, canvasFor);
    const bool ready = frameReady_.wait_for(lock, std::chrono::microseconds(timeoutUs),
                                            [this] { return frameFresh_ || !running_.load(); });
    if (!ready || !frameFresh_ || !running_.load()) return false;
    frameFresh_ = false;
    const bool drawn = frameDrawn_;
    lock.unlock();
    if (drawn) show(Frame{frameWidth_ * canvas_.zoom, frameHeight_ * canvas_.zoom, *drawn_, &app_.field(), drawer_.changed()});
    lock.lock();
    fieldHeld_ = false;
    askForFrame(lock, canvasFor);
    return drawn;
}

// Draws what changed into the canvas, when the canvas has the field's size; a display that has not caught
// up with a resize gets the new size instead, and the changes wait for its next canvas.
void AppRunner::drawFrame(bool screenLost) {
    Field& f = app_.field();
    if (screenLost) drawer_.screenLost();
    frameWidth_ = f.width();
    frameHeight_ = f.height();
    const int zoom = std::max(canvas_.zoom, 1);
    frameDrawn_ = canvas_.width == f.width() * zoom && canvas_.height == f.height() * zoom &&
                  (canvas_.pixels != nullptr || canvas_.fieldItself);
    if (frameDrawn_) drawn_ = &drawer_.draw(f, canvas_);
}

void AppRunner::loop() {
    std::unique_lock<std::mutex> lock(mutex_);
    const auto work = [this] { return (!queue_.empty() || frameAsked_) && (!fieldHeld_ || ending_); };
    for (;;) {
        // Paused, nothing falls due: it sleeps until there is something to do.
        bool called = true;
        if (app_.paused()) {
            wake_.wait(lock, [&] { return work() || paceChanged_; });
        } else {
            called = wake_.wait_for(lock, std::chrono::microseconds(KEEP_TIME_US), [&] { return work() || paceChanged_; });
        }
        ++wakeUps_;
        if (std::exchange(paceChanged_, false)) {
            app_.setSpeed(pace_.speed);
            app_.pause(pace_.paused);
            if (!work()) continue;
        }
        // The display is held up (a busy X server, say): the game keeps time meanwhile. A display showing
        // the field may then show a few pixels a tick ahead; the tiles they lie in go with the next frame.
        if (!called) {
            lock.unlock();
            app_.advance({}, clock_());
            ticks_.store(app_.ticks());
            lock.lock();
            continue;
        }
        std::vector<TimedInput> inputs;
        inputs.swap(queue_);
        const bool asked = frameAsked_;
        const bool lost = asked && std::exchange(screenLost_, false);
        const std::int64_t until = asked ? frameAskedAt_ : inputs.back().at;
        lock.unlock();
        const bool goesOn = app_.advance(inputs, until);
        if (goesOn && asked) drawFrame(lost);  // the canvas is the game thread's while asked
        ticks_.store(app_.ticks());
        lock.lock();
        if (!goesOn) break;
        if (!asked) continue;
        frameAsked_ = false;
        frameFresh_ = true;
        fieldHeld_ = frameDrawn_ && canvas_.fieldItself;  // shown as it is now: it waits for the display
        frameReady_.notify_one();
    }
    running_.store(false);
    frameReady_.notify_all();
}

}  // namespace pellwick
