// Runs the app core on a thread of its own, so showing the field never holds up a tick. The thread sleeps
// until a frame is asked for or input comes; then it runs the ticks that fell due by then in one burst,
// applies the input between ticks in the order it came, and draws what changed into the display's canvas.
// When no frame is asked for a while (the display is held up), it wakes to run the due ticks on its own.
// A display that shows the field's own memory is shown it still: from the frame drawn until it is shown,
// the thread waits.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "app/app.hpp"
#include "app/frame.hpp"
#include "app/game.hpp"
#include "app/settings.hpp"

namespace pellwick {

class AppRunner final : public Game {
public:
    /// Starts the game thread on a zeroed world of width x height, set up as given.
    explicit AppRunner(int width, int height, const AppSettings& settings = {}, Clock clock = nowUs);
    /// Ends the game thread if it still runs, and waits for it.
    ~AppRunner() override;
    AppRunner(const AppRunner&) = delete;
    AppRunner& operator=(const AppRunner&) = delete;

    /// Queues an input; the game thread runs the ticks due when it came, then applies it. Safe from any thread.
    void post(const Input& input) override;
    /// Sets how the game runs from now on: its speed, and whether its time stands still (then the game
    /// thread sleeps until input, a frame or another pace). Safe from any thread.
    void setPace(const Pace& pace) override;
    /// The pace set last. Safe from any thread.
    Pace pace() override;
    /// The screen lost what it showed (uncovered, or made anew): the next frame asked for is drawn and shown
    /// whole. Safe from any thread.
    void screenLost() override;
    /// Whether the program goes on.
    bool running() const override { return running_.load(); }
    /// Calls show with the frame asked for last time (drawn after the ticks due when it was asked for),
    /// then asks for the next one, into canvasFor's canvas: the game thread draws it while the display
    /// waits for its next frame, so the canvas must stay free and alive until this is called again, the
    /// runner has stopped (running() is false) or it is destroyed. Waits up to timeoutUs only when no frame
    /// is ready yet, as on the first call. Returns whether a frame was shown: none is when the field's size
    /// differs from the canvas's (then the next canvas has the new size). When the canvas is the field
    /// itself, neither ticks nor input touch the field from the frame drawn until it is shown, unless the
    /// display takes so long that the game must keep time.
    bool frame(std::int64_t timeoutUs, const CanvasFor& canvasFor, const Show& show) override;
    /// Ticks run so far.
    std::uint64_t ticks() const override { return ticks_.load(); }
    /// The world; only once the game thread has ended, or in tests that know it rests.
    const World& world() const override { return app_.world(); }
    /// Times the game thread has woken since it started.
    std::uint64_t wakeUps() const { return wakeUps_.load(); }

private:
    void askForFrame(std::unique_lock<std::mutex>& lock, const CanvasFor& canvasFor);
    void loop();
    void drawFrame(bool screenLost);

    App app_;
    Clock clock_;
    std::mutex mutex_;
    std::condition_variable wake_;        // the game thread: input or a frame request arrived
    std::condition_variable frameReady_;  // the display thread: a frame is drawn
    std::vector<TimedInput> queue_;
    bool screenLost_ = false;
    Pace pace_;
    bool paceChanged_ = false;
    bool frameAsked_ = false;
    std::int64_t frameAskedAt_ = 0;
    bool frameFresh_ = false;
    bool fieldHeld_ = false;  // a frame of the field's own memory waits to be shown, or is being shown
    bool ending_ = false;     // the runner is being destroyed
    // The frame: written by the game thread only while asked, read by the display only while fresh.
    Canvas canvas_;
    bool frameDrawn_ = false;
    int frameWidth_;
    int frameHeight_;
    FrameDrawer drawer_;
    const std::vector<Rect>* drawn_ = nullptr;
    std::atomic<bool> running_{true};
    std::atomic<std::uint64_t> ticks_{0};
    std::atomic<std::uint64_t> wakeUps_{0};
    std::thread thread_;
};

}  // namespace pellwick
