// Runs the app core on a thread of its own, so showing the field never holds up a tick: input is queued and
// applied between ticks, and the display thread receives consistent copies of the field when it asks.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "app/app.hpp"
#include "app/frame.hpp"

namespace pellwick {

/// Waits about this many microseconds on the game thread. For platforms whose ordinary waits are too coarse
/// for a 1 ms cadence; such a wait is not cut short by input, which then waits for the next tick.
using PreciseSleep = std::function<void(std::int64_t)>;

class AppRunner {
public:
    /// Starts the game thread on a zeroed world of width x height under the given input rules; it waits
    /// between ticks with `sleep` when given, and otherwise on a condition variable that input also wakes.
    AppRunner(int width, int height, Colour background = WHITE, PreciseSleep sleep = {},
              InputRules rules = InputRules::Windowed);
    /// Ends the game thread if it still runs, and waits for it.
    ~AppRunner();
    AppRunner(const AppRunner&) = delete;
    AppRunner& operator=(const AppRunner&) = delete;

    /// Queues an input; the game thread applies it before its next tick. Safe from any thread.
    void post(const Input& input);
    /// Whether the program goes on.
    bool running() const { return running_.load(); }
    /// Asks for a copy of the field taken between two ticks and waits up to timeoutUs for it; when one comes,
    /// calls show with it and returns true.
    bool frame(std::int64_t timeoutUs, const std::function<void(const Frame&)>& show);
    /// Ticks run so far.
    std::uint64_t ticks() const { return ticks_.load(); }

private:
    void loop();
    bool applyQueued();
    void copyFrameIfAsked();
    void copyChangedTiles(const Field& f);

    App app_;
    std::mutex mutex_;
    std::condition_variable wake_;       // the game thread: input or a frame request arrived
    std::condition_variable frameReady_;  // the display thread: a copy is ready
    std::deque<Input> queue_;
    bool frameAsked_ = false;
    bool frameFresh_ = false;
    std::vector<Colour> frame_;
    int frameWidth_ = 0;
    int frameHeight_ = 0;
    std::vector<Span> changed_;  // what changed in frame_ since the display last took it
    std::atomic<bool> running_{true};
    std::atomic<std::uint64_t> ticks_{0};
    PreciseSleep sleep_;
    std::thread thread_;
};

}  // namespace pellwick
