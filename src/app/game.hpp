// A game as a screen's owner drives it, whether it runs on a thread of its own (AppRunner, the desktop) or
// on the caller's thread (InlineGame, the page and the tests): input, its pace, a lost screen, and frames
// drawn into the screen's canvas.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "app/app.hpp"
#include "app/frame.hpp"
#include "app/settings.hpp"

namespace pellwick {

/// The time in microseconds, as a game reads it; nowUs unless a test gives its own.
using Clock = std::function<std::int64_t()>;
/// The display's canvas for the next frame, for a field of the given size (the field's, as of the last
/// frame): that size times the canvas's zoom.
using CanvasFor = std::function<Canvas(int width, int height)>;
/// Shows a frame drawn into the canvas.
using Show = std::function<void(const Frame&)>;

class Game {
public:
    virtual ~Game() = default;
    /// Queues an input; it lands after the ticks due when it came. Safe from any thread.
    virtual void post(const Input& input) = 0;
    /// The game's speed from now on, or its time standing still.
    virtual void setPace(const Pace& pace) = 0;
    /// The pace set last.
    virtual Pace pace() = 0;
    /// The screen lost what it showed: the next frame is drawn and sent whole.
    virtual void screenLost() = 0;
    /// Whether the game goes on; once false it stays false.
    virtual bool running() const = 0;
    /// Shows a frame through show, drawn into canvasFor's canvas, waiting at most timeoutUs for one; returns
    /// whether one was shown.
    virtual bool frame(std::int64_t timeoutUs, const CanvasFor& canvasFor, const Show& show) = 0;
    /// Ticks run so far.
    virtual std::uint64_t ticks() const = 0;
    /// The world, for tests and digests; only while no frame is being drawn.
    virtual const World& world() const = 0;
    /// Brings a game that has no thread of its own up to the time, between frames; returns how soon it must
    /// be called again to keep its time (NEVER_US for a game that keeps it on its own, or stands still).
    virtual std::int64_t keepTime() { return NEVER_US; }

    static constexpr std::int64_t NEVER_US = INT64_MAX;
};

/// How often a game that nobody shows keeps its time: longer than a frame at any usual refresh rate, so it
/// passes only when the display is held up or the screen unseen; shorter than a burst, so no due tick is
/// dropped meanwhile.
constexpr std::int64_t KEEP_TIME_US = 40'000;
static_assert(KEEP_TIME_US < TICK_BURST * TICK_PERIOD_US);

/// Makes the game for a screen: a field of width x height set up as given.
using GameMaker = std::function<std::unique_ptr<Game>(int width, int height, const AppSettings& settings)>;

/// A game on the caller's thread: each frame brings it up to the clock's time, the inputs in their places
/// among the ticks, then draws what changed and shows it at once.
class InlineGame : public Game {
public:
    /// A zeroed world of width x height set up as given; frames weighed by `cost` when a screen pays per
    /// call to put rectangles (see FrameDrawer::payingPerCall).
    InlineGame(int width, int height, const AppSettings& settings, Clock clock, const PutCost* cost = nullptr);

    void post(const Input& input) override { inputs_.push_back(TimedInput{input, clock_()}); }
    void setPace(const Pace& pace) override;
    Pace pace() override { return pace_; }
    void screenLost() override { drawer_.screenLost(); }
    bool running() const override { return app_.running(); }
    bool frame(std::int64_t timeoutUs, const CanvasFor& canvasFor, const Show& show) override;
    std::uint64_t ticks() const override { return app_.ticks(); }
    const World& world() const override { return app_.world(); }
    std::int64_t keepTime() override;
    /// Brings the game up to now: the queued inputs, then the ticks due.
    void advance();

private:
    App app_;
    Clock clock_;
    Pace pace_;
    FrameDrawer drawer_;
    std::vector<TimedInput> inputs_;
};

/// The maker of games on threads of their own (AppRunner), on the steady clock.
std::unique_ptr<Game> threadedGame(int width, int height, const AppSettings& settings);

}  // namespace pellwick
