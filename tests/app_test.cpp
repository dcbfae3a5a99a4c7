// The app core driven by a fake clock and scripted input: event rules, due ticks and the game thread.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>
#include <tuple>

#include "app/app.hpp"
#include "app/clicks.hpp"
#include "app/frame_loop.hpp"
#include "app/runner.hpp"
#include "app/saver.hpp"
#include "app/settings.hpp"
#include "app/launch.hpp"
#include "app/scenario.hpp"
#include "tools/settings_text.hpp"
#include "game/rules.hpp"

namespace pellwick {
namespace {

// Whether a game has started: before the first, every walker is in team 0; a game seeds all four.
bool gameStarted(const App& app) {
    const auto& team = app.world().team;
    return std::any_of(team.begin(), team.end(), [](std::int16_t t) { return t != 0; });
}

// The inputs as each platform reports a click and then a double-click, with its own click counts.
TEST(AppInput, AClickStartsAGameAndADoubleClickEndsOnItsSecondPressOnEveryPlatform) {
    const Input press1 = Input::press(Button::Left, 1), press2 = Input::press(Button::Left, 2);
    const struct {
        const char* platform;
        std::vector<Input> click, secondPress;
    } platforms[] = {
        {"a platform counting on both", {press1, Input::release(Button::Left, 1)}, {press1, Input::release(Button::Left, 1), press2}},
        {"Win32 (a double-click message, no count on releases)", {press1, Input::release(Button::Left, 0)},
         {press1, Input::release(Button::Left, 0), press2}},
    };
    for (const auto& p : platforms) {
        App app(120, 90);
        app.runDueTicks(0);
        for (const Input& in : p.click) app.handle(in);
        EXPECT_TRUE(gameStarted(app) && app.running()) << p.platform;
        App ending(120, 90);
        for (const Input& in : p.secondPress) ending.handle(in);
        EXPECT_FALSE(ending.running()) << p.platform << ": the second press ends it, before its release";
        const std::uint64_t ticks = ending.ticks();
        EXPECT_EQ(ending.runDueTicks(10'000), 0);
        EXPECT_EQ(ending.ticks(), ticks) << "no tick runs after the end";
    }
}

// Wayland reports bare presses: the app core counts them, on the clock and the pointer's position.
TEST(AppInput, PressesUncountedByThePlatformAreCountedByTimeAndDistance) {
    const auto second = [](Button first, int x, int y, std::int64_t afterUs, Button b = Button::Left) {
        ClickCounter c;
        EXPECT_EQ(c.press(first, 100, 100, 1'000'000), 1);
        return c.press(b, 100 + x, 100 + y, 1'000'000 + afterUs);
    };
    EXPECT_EQ(second(Button::Left, 0, 0, 200'000), 2);
    EXPECT_EQ(second(Button::Left, DOUBLE_CLICK_DISTANCE, -DOUBLE_CLICK_DISTANCE, DOUBLE_CLICK_US), 2) << "at both limits";
    EXPECT_EQ(second(Button::Left, 0, 0, DOUBLE_CLICK_US + 1), 1) << "too late";
    EXPECT_EQ(second(Button::Left, DOUBLE_CLICK_DISTANCE + 1, 0, 1000), 1) << "too far";
    EXPECT_EQ(second(Button::Left, 0, -DOUBLE_CLICK_DISTANCE - 1, 1000), 1) << "too far up";
    EXPECT_EQ(second(Button::Other, 0, 0, 1000), 1) << "after another button";
    EXPECT_EQ(second(Button::Left, 0, 0, -1000), 1) << "a clock that went back";

    // Through the rules: a slow second click starts another game; a quick one ends the program.
    for (const std::int64_t gapUs : {DOUBLE_CLICK_US + 100'000, std::int64_t{150'000}}) {
        ClickCounter counter;
        App app(120, 90);
        for (const std::int64_t at : {std::int64_t{0}, gapUs}) {
            const int clicks = counter.press(Button::Left, 40, 40, at);
            app.handle(Input::press(Button::Left, clicks));
            app.handle(Input::release(Button::Left, 0));
        }
        EXPECT_EQ(app.running(), gapUs > DOUBLE_CLICK_US) << "second press " << gapUs << " us after the first";
    }
}

TEST(AppInput, OnlyAWholeSingleClickOfTheMainButtonIsAClick) {
    const auto starts = [](std::vector<Input> inputs) {
        App app(120, 90);
        for (const Input& in : inputs) app.handle(in);
        return gameStarted(app);
    };
    EXPECT_FALSE(starts({Input::release(Button::Left, 1)})) << "a release whose press was elsewhere";
    EXPECT_FALSE(starts({Input::press(Button::Left, 0), Input::release(Button::Left, 0)})) << "a page's click no pointer made";
    EXPECT_FALSE(starts({Input::press(Button::Other, 1), Input::release(Button::Other, 1)})) << "another button";
    EXPECT_FALSE(starts({Input::press(Button::Left, 1)})) << "a press still held";
    App right(120, 90);
    right.handle(Input::press(Button::Other, 1));
    right.handle(Input::press(Button::Other, 2));
    EXPECT_TRUE(right.running()) << "a double-click of another button does not end it";
    EXPECT_TRUE(starts({Input::press(Button::Left, 1), Input::mouseMove(5, 5), Input::release(Button::Left, 1)}));
}

TEST(AppInput, EscapeAndCloseEndOtherKeysDoNot) {
    App app(100, 100);
    for (const Input& in : {Input::keyDown(Key::Other), Input::press(Button::Other, 1), Input::mouseMove(0, 0), Input::mouseMove(90, 90)}) {
        app.handle(in);
    }
    EXPECT_TRUE(app.running());
    app.handle(Input::keyDown(Key::Escape));
    EXPECT_FALSE(app.running());
    app.handle(Input::press(Button::Left, 1));
    app.handle(Input::release(Button::Left, 1));
    EXPECT_FALSE(gameStarted(app)) << "nothing happens to the world after the end";
    App closing(100, 100);
    closing.handle(Input::close());
    EXPECT_FALSE(closing.running());
}

// One policy for every full-screen saver, across its monitors.
TEST(AppInput, AFullScreenSaverEndsOnAnyKeyButtonOrRealMoveOnAnyMonitor) {
    const auto endsAfter = [](std::vector<std::pair<Input, std::uintptr_t>> inputs) {
        SaverPolicy policy(0);
        bool ended = false;
        for (const auto& [in, monitor] : inputs) ended = ended || policy.ends(in, monitor);
        return ended;
    };
    const auto move = [](int x, int y, std::uintptr_t monitor = 0) { return std::pair{Input::mouseMove(x, y), monitor}; };
    EXPECT_FALSE(endsAfter({move(100, 100), move(102, 98), move(100 + MOVE_TOLERANCE, 100 - MOVE_TOLERANCE)}))
        << "jitter of a few pixels";
    EXPECT_TRUE(endsAfter({move(100, 100), move(150, 100)}));
    std::vector<std::pair<Input, std::uintptr_t>> drift;
    for (int step = 0; step <= MOVE_TOLERANCE + 1; ++step) drift.push_back(move(100 + step, 100 - step));
    EXPECT_TRUE(endsAfter(drift)) << "a slow drift, measured from where the pointer was first seen";
    EXPECT_TRUE(endsAfter({move(100, 100), move(100, 100 - MOVE_TOLERANCE - 1)}));
    EXPECT_TRUE(endsAfter({move(100, 100), move(100, 100, 7)})) << "the pointer on another monitor has moved";
    for (const Input& in : {Input::keyDown(Key::Other), Input::press(Button::Other, 1), Input::release(Button::Left, 0), Input::close()}) {
        EXPECT_TRUE(endsAfter({move(5, 5), {in, 3}})) << "any key or button, on any monitor";
    }
    EXPECT_FALSE(endsAfter({{Input::resize(40, 30), 0}})) << "its window's new size does not end it";
    SaverPolicy started(0);
    started.pointerStartsAt(0, 10, 10);
    EXPECT_TRUE(started.ends(Input::mouseMove(10 + MOVE_TOLERANCE + 1, 10), 0))
        << "a move from where the platform said the pointer started, even as the first move seen";
    started.pointerStartsAt(0, 200, 200);
    EXPECT_FALSE(started.ends(Input::mouseMove(10, 12), 0)) << "the start is the first position known, kept";

    // The game itself takes no input: the policy ends it, by a close.
    App saver(50, 50, AppSettings{WHITE, InputRules::EndOnInput, SaverTimes{}});
    for (const Input& in : {Input::keyDown(Key::Escape), Input::press(Button::Left, 2), Input::mouseMove(0, 0)}) saver.handle(in);
    EXPECT_TRUE(saver.running());
    saver.handle(Input::close());
    EXPECT_FALSE(saver.running());
}

TEST(AppInput, AFullScreenSaverPlaysTheRunsSeedOnItsFirstMonitorAndTheNextOnEachAfter) {
    SaverPolicy policy(18446744073709551615ULL);
    EXPECT_EQ(policy.nextSeed(), 18446744073709551615ULL);
    EXPECT_EQ(policy.nextSeed(), 0U) << "modulo 2^64";
    EXPECT_EQ(policy.nextSeed(), 1U);
    EXPECT_EQ(drawnSeedLine(1001), "pellwick: playing seed 1001 (--seed 1001 plays this run again)");
}

TEST(AppInput, SomeoneElsesWindowTakesNoInput) {
    App embedded(50, 50, AppSettings{WHITE, InputRules::IgnoreInput, SaverTimes{}});
    for (const Input& in : {Input::press(Button::Left, 1), Input::release(Button::Left, 1), Input::press(Button::Left, 2),
                            Input::keyDown(Key::Escape), Input::mouseMove(0, 0), Input::mouseMove(500, 500)}) {
        embedded.handle(in);
    }
    EXPECT_TRUE(embedded.running()) << "input in someone else's window is not ours";
    EXPECT_FALSE(gameStarted(embedded)) << "nor does a click start a game";
    embedded.handle(Input::close());
    EXPECT_FALSE(embedded.running());
}

// A saver starts its games after so many ticks, whichever saver it is; a program in its own window never does.
TEST(AppInput, EverySaverStartsItsOwnGamesAfterItsTicks) {
    const SaverTimes times{0.002, 0.005};  // after 2 ticks, then every 5
    for (InputRules rules : {InputRules::IgnoreInput, InputRules::EndOnInput, InputRules::Play}) {
        App app(60, 40, AppSettings{WHITE, rules, times});
        app.tickNow();
        app.tickNow();
        EXPECT_FALSE(gameStarted(app));
        app.tickNow();
        EXPECT_EQ(gameStarted(app), rules != InputRules::Play) << "the first game before the third tick";
    }
}

// The same seed and size replay the same saver run however its frames came: a steady 60 Hz display, and
// one that stalls and catches up in bursts, reach the renderer's field at the same tick.
TEST(AppInput, ASaverRunReplaysFromItsSeedWhateverTheFrameTiming) {
    const SaverTimes times{0.05, 0.12};
    const auto playTo = [&](std::uint64_t ticks, const std::vector<std::int64_t>& stepsUs) {
        App app(90, 70, AppSettings{WHITE, InputRules::EndOnInput, times, 5});
        std::int64_t at = 0;
        for (std::size_t i = 0; app.ticks() + TICK_BURST < ticks; ++i) app.runDueTicks(at += stepsUs[i % stepsUs.size()]);
        while (app.ticks() < ticks) app.runDueTicks(at += TICK_PERIOD_US);
        return app;
    };
    const std::uint64_t ticks = 400;  // past the first game and two new ones
    const App steady = playTo(ticks, {16'667});
    const App stalling = playTo(ticks, {3'000, 90'000, 1'000, 41'000, 7'500});
    Scenario rendered{90, 70, ticks, {}, 5, times};
    const App reference = playScenario(rendered);
    for (const App* app : {&steady, &stalling}) {
        ASSERT_EQ(app->ticks(), ticks);
        EXPECT_TRUE(std::equal(reference.world().field.pixels(), reference.world().field.pixels() + 90 * 70, app->world().field.pixels()));
    }
    rendered.ownGames.reset();
    const App noOwnGames = playScenario(rendered);
    EXPECT_FALSE(std::equal(noOwnGames.world().field.pixels(), noOwnGames.world().field.pixels() + 90 * 70, steady.world().field.pixels()))
        << "the renderer's run without the saver's games differs";
}

TEST(AppInput, BackgroundIsThePlatformColourUnlessItWouldBreakTheGame) {
    EXPECT_EQ(fieldBackground(rgb(10, 20, 30)), rgb(10, 20, 30));
    EXPECT_EQ(fieldBackground(WHITE), WHITE);
    for (Colour unfit : {INK, teamColour[0], teamColour[1], teamColour[2], teamColour[3], Colour{-1}, Colour{1 << 24}}) {
        EXPECT_EQ(fieldBackground(unfit), WHITE) << unfit;
    }
    EXPECT_EQ(App(10, 10, AppSettings{teamColour[2], InputRules::Play, SaverTimes{}}).world().field.background(), WHITE);
}

TEST(AppInput, ResizeReachesTheField) {
    App app(100, 100);
    app.handle(Input::resize(320, 200));
    EXPECT_EQ(app.world().field.width(), 320);
    EXPECT_EQ(app.world().field.height(), 200);
}

TEST(AppCadence, UntilNextTickCountsDownToTheGrid) {
    Cadence c(1000);
    EXPECT_TRUE(c.due(12345));
    c.start(12345);
    EXPECT_EQ(c.until(12345), 1000);
    EXPECT_EQ(c.until(13000), 345);
    EXPECT_EQ(c.until(13345), 0);
    c.start(13400);  // a little late: the grid holds
    EXPECT_EQ(c.until(13400), 945);
    c.start(17000);  // far behind: a new grid from here
    EXPECT_EQ(c.until(17000), 1000);
}

}  // namespace
}  // namespace pellwick

namespace pellwick {
namespace {

// A display's side of the hand-over, for tests: a canvas in the field's packing, kept from frame to frame.
struct TestScreen {
    std::vector<std::uint32_t> pixels;
    int width = 0;
    int height = 0;
    std::vector<Rect> shown;  // the rectangles of the last frame shown

    // Shows the runner's next frame; look sees it as the field's colours. Returns whether one was shown.
    bool frame(AppRunner& runner, std::int64_t timeoutUs, const std::function<void(const Colour*, int, int)>& look = {}) {
        const auto canvas = [this](int w, int h) {
            if (w != width || h != height) {
                pixels.assign(static_cast<std::size_t>(w) * h, 0);
                width = w;
                height = h;
            }
            return Canvas{pixels.data(), w, h, w, FIELD_ORDER};
        };
        return runner.frame(timeoutUs, canvas, [&](const Frame& f) {
            shown = f.rects;
            if (look) look(reinterpret_cast<const Colour*>(pixels.data()), width, height);
        });
    }
};

// A click as the window gets it: a single press of the left button, and its release.
void click(AppRunner& runner) {
    runner.post(Input::press(Button::Left, 1));
    runner.post(Input::release(Button::Left, 1));
}

// A frame is asked for while the one before is shown, so the last of three shows the field at t.
struct FakeClockScreen {
    std::atomic<std::int64_t> clock{0};
    TestScreen screen;
    std::vector<Colour> shown;

    std::uint64_t frameAt(AppRunner& runner, std::int64_t t) {
        clock = t;
        for (int n = 0; n < 3; ++n) {
            screen.frame(runner, 10'000'000, [&](const Colour* pixels, int w, int h) { shown.assign(pixels, pixels + w * h); });
        }
        return runner.ticks();
    }
};

// Polls (for at most a few seconds of real time) until the runner has run `ticks` ticks.
bool reaches(const AppRunner& runner, std::uint64_t ticks) {
    for (int n = 0; n < 5000 && runner.ticks() < ticks; ++n) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return runner.ticks() == ticks;
}

// The threaded runner with the real clock: input reaches the game, frames are whole, Escape stops it.
TEST(AppRunner, AppliesInputBetweenTicksAndHandsOverWholeFrames) {
    TestScreen screen;  // like a display's memory, it outlives the game thread that draws into it
    AppRunner runner(120, 90);
    runner.post(Input::resize(100, 80));
    click(runner);
    int width = 0, height = 0;
    std::size_t inkPixels = 0;
    for (int tries = 0; tries < 100 && width != 100; ++tries) {
        screen.frame(runner, 100'000, [&](const Colour* pixels, int w, int h) {
            width = w;
            height = h;
            inkPixels = static_cast<std::size_t>(std::count(pixels, pixels + w * h, INK));
        });
    }
    EXPECT_EQ(width, 100);
    EXPECT_EQ(height, 80);
    EXPECT_GT(inkPixels, 200U) << "the new game drew walls";
    runner.post(Input::keyDown(Key::Other));
    runner.post(Input::keyDown(Key::Escape));
    for (int n = 0; n < 1000 && runner.running(); ++n) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_FALSE(runner.running());
    const std::uint64_t ticks = runner.ticks();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(runner.ticks(), ticks) << "no tick after the end";
    EXPECT_FALSE(screen.frame(runner, 1000));
}

}  // namespace
}  // namespace pellwick

namespace pellwick {
namespace {

// Frames are drawn from the tiles that changed; each must still be exactly the field after some tick.
TEST(AppRunner, EveryFrameIsTheWholeFieldAfterSomeTick) {
    TestScreen screen;
    AppRunner runner(150, 100);
    World reference(150, 100);
    std::uint64_t referenceTicks = 0;
    int matched = 0;
    for (int n = 0; n < 25; ++n) {
        std::this_thread::sleep_for(std::chrono::milliseconds(n % 4 == 0 ? 30 : 3));
        screen.frame(runner, 200'000, [&](const Colour* pixels, int, int) {
            const auto same = [&] { return std::equal(pixels, pixels + 150 * 100, reference.field.pixels()); };
            while (!same() && referenceTicks < 100'000) {
                tick(reference);  // the plain rules
                ++referenceTicks;
            }
            matched += same() ? 1 : 0;
        });
    }
    EXPECT_EQ(matched, 25);
    EXPECT_GT(referenceTicks, 20U);
}

}  // namespace
}  // namespace pellwick

namespace pellwick {
namespace {

// With a clock of the test's own: the game thread runs the ticks due when a frame is asked for or input
// comes, one a millisecond, at most a burst's worth after a stall, and input lands between two ticks in
// the order it came, exactly as a scripted game with that input at that tick.
TEST(AppRunner, RunsDueTicksInCappedBurstsWithInputBetweenThem) {
    FakeClockScreen s;
    AppRunner runner(160, 120, AppSettings{}, [&s] { return s.clock.load(); });
    const auto frameAt = [&](std::int64_t t) { return s.frameAt(runner, t); };
    EXPECT_EQ(frameAt(0), 1U) << "the first frame runs one tick";
    EXPECT_EQ(frameAt(16'700), 17U) << "then one a millisecond";
    EXPECT_EQ(frameAt(16'900), 17U);
    EXPECT_EQ(frameAt(10'000'000), 17U + TICK_BURST) << "ten seconds stalled: one burst, no pile of ticks";
    s.clock = 10'005'500;  // five more ticks due
    runner.post(Input::resize(140, 100));
    click(runner);
    EXPECT_EQ(frameAt(10'005'500), 72U);
    EXPECT_EQ(frameAt(10'010'000), 77U);

    const App scripted = playScenario(
        {160, 120, 77, {{72, Input::resize(140, 100)}, {72, Input::press(Button::Left, 1)}, {72, Input::release(Button::Left, 1)}}});
    const Field& f = scripted.world().field;
    ASSERT_EQ(s.shown.size(), static_cast<std::size_t>(f.width()) * f.height());
    EXPECT_TRUE(std::equal(s.shown.begin(), s.shown.end(), f.pixels())) << "the resize, then the new game, after tick 72";
    EXPECT_LE(runner.wakeUps(), 24U) << "the game thread woke for frames and input, not for each of 77 ticks";
}

}  // namespace
}  // namespace pellwick

namespace pellwick {
namespace {

// A display held up for 200 ms asks for no frame: the game thread keeps time by itself, every tick that
// falls due runs once, and the next frame shows the game exactly as it is at 200 ms.
TEST(AppRunner, KeepsTimeWhileTheDisplayIsHeldUp) {
    FakeClockScreen s;
    AppRunner runner(160, 120, AppSettings{}, [&s] { return s.clock.load(); });
    EXPECT_EQ(s.frameAt(runner, 0), 1U);
    for (std::int64_t t = 20'000; t <= 200'000; t += 20'000) {
        s.clock = t;
        ASSERT_TRUE(reaches(runner, 1 + t / 1000)) << "no frame asked for, " << t / 1000 << " ms: " << runner.ticks() << " ticks";
    }
    EXPECT_EQ(s.frameAt(runner, 200'000), 201U) << "none dropped, none run twice";
    const App scripted = playScenario({160, 120, 201, {}});
    EXPECT_TRUE(std::equal(s.shown.begin(), s.shown.end(), scripted.world().field.pixels()));
}

// A display that shows the field where it lies (kept in the screen's format, in shared memory) is shown it
// still: input that comes between the frame drawn and its end waits (a resize would move the field), and no
// tick runs until the frame is shown; then the game goes on exactly as a scripted one.
TEST(AppRunner, AFieldShownWhereItLiesStaysStillWhileItIsShown) {
    std::atomic<std::int64_t> clock{0};
    AppSettings settings;
    settings.pixelFormat = XRGB;
    settings.sharedPixels = true;
    AppRunner runner(160, 120, settings, [&clock] { return clock.load(); });
    const auto canvas = [](int w, int h) { return Canvas::theField(w, h); };
    std::vector<Colour> shown;
    std::uint64_t ticksWhileShown = 0;
    const auto frameAt = [&](std::int64_t t, std::function<void()> whileShown) {
        clock = t;
        for (int n = 0; n < 3; ++n) {
            runner.frame(10'000'000, canvas, [&](const Frame& f) {
                ASSERT_NE(f.field, nullptr);
                ASSERT_EQ(f.field->width(), f.width) << "the field changed size before it was shown";
                EXPECT_EQ(f.field->pixelFormat(), XRGB);
                const Colour* p = f.field->pixels();
                shown.resize(static_cast<std::size_t>(f.width) * f.height);
                for (std::size_t i = 0; i < shown.size(); ++i) shown[i] = f.field->colourOf(p[i]);
                if (!whileShown) return;
                const std::uint64_t before = runner.ticks();
                whileShown();
                std::this_thread::sleep_for(std::chrono::milliseconds(10));  // well within the 40 ms that keep time
                ticksWhileShown += runner.ticks() - before;
                whileShown = {};
            });
        }
    };
    std::function<void()> nothing;
    frameAt(0, nothing);
    runner.post(Input::resize(150, 120));  // the frame drawn last waits to be shown meanwhile
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    frameAt(16'000, [&] {
        clock = 30'000;
        click(runner);
    });
    EXPECT_EQ(ticksWhileShown, 0U) << "no tick ran while the field was shown";
    frameAt(40'000, nothing);
    EXPECT_EQ(runner.ticks(), 41U);
    const App scripted =
        playScenario({160, 120, 41, {{1, Input::resize(150, 120)}, {31, Input::press(Button::Left, 1)}, {31, Input::release(Button::Left, 1)}}});
    const Field& f = scripted.world().field;
    ASSERT_EQ(shown.size(), static_cast<std::size_t>(f.width()) * f.height());
    EXPECT_TRUE(std::equal(shown.begin(), shown.end(), f.pixels())) << "the click after tick 31, as it came at 30 ms";
    // Ending while a frame is drawn, or held to be shown, must not wait for a display that is gone.
    for (int n = 0; n < 50; ++n) {
        AppRunner ending(64, 48, settings);
        ending.frame(0, canvas, [](const Frame&) {});
    }
}

// An uncovered or new screen is told to the runner; a frame after it is sent whole, the others only in part.
TEST(AppRunner, AScreenThatLostItsContentsIsSentWhole) {
    FakeClockScreen s;
    AppRunner runner(160, 120, AppSettings{}, [&s] { return s.clock.load(); });
    const auto whole = [&s] {
        const std::vector<Rect>& r = s.screen.shown;
        return r.size() == 1 && r[0].area() == 160 * 120;
    };
    s.frameAt(runner, 0);
    s.frameAt(runner, 17'000);
    EXPECT_FALSE(whole()) << "a frame of the game's changes";
    runner.screenLost();
    s.frameAt(runner, 34'000);
    EXPECT_FALSE(whole()) << "sent once whole, then what changed";
    bool sentWhole = false;
    runner.screenLost();
    for (int n = 0; n < 2; ++n) {
        s.screen.frame(runner, 10'000'000);
        sentWhole = sentWhole || whole();
    }
    EXPECT_TRUE(sentWhole) << "the frame asked for after the loss is whole";
}

// Every host brings the game up the same way: an input lands after the ticks that fell due by its time,
// exactly where a scripted game with that input at that tick has it.
TEST(AppOrder, InputsLandAfterTheTicksDueAtTheirTime) {
    App app(120, 90);
    app.advance({}, 0);  // the first tick
    const std::vector<TimedInput> batch = {{Input::press(Button::Left, 1), 5'500},
                                           {Input::release(Button::Left, 1), 5'500},
                                           {Input::resize(100, 90), 8'000}};
    EXPECT_TRUE(app.advance(batch, 10'000));
    EXPECT_EQ(app.ticks(), 11U);
    const App scripted = playScenario(
        {120, 90, 11, {{6, Input::press(Button::Left, 1)}, {6, Input::release(Button::Left, 1)}, {8, Input::resize(100, 90)}}});
    EXPECT_TRUE(std::equal(scripted.world().field.pixels(), scripted.world().field.pixels() + 100 * 90, app.world().field.pixels()))
        << "the click after tick 6 and the resize after tick 8, each input at its own time";
    EXPECT_FALSE(app.advance({{Input::keyDown(Key::Escape), 12'000}}, 20'000));
    EXPECT_EQ(app.ticks(), 13U) << "the ticks due before Escape, none after";
}

}  // namespace
}  // namespace pellwick

namespace pellwick {
namespace {

TEST(Launch, TheLinuxOptionsAndEnvironmentChooseTheMode) {
    using Mode = Launch::Mode;
    EXPECT_EQ(readCommandLine({}, nullptr).mode, Mode::OwnWindow);
    EXPECT_EQ(readCommandLine({}, "").mode, Mode::OwnWindow);
    EXPECT_EQ(readCommandLine({}, nullptr).rules(), InputRules::Play);
    const Launch env = readCommandLine({}, "0x2a00007");
    EXPECT_EQ(env.mode, Mode::InWindow);
    EXPECT_EQ(env.rules(), InputRules::IgnoreInput);
    EXPECT_EQ(env.window, 0x2a00007U);
    EXPECT_EQ(env.settings.firstGame, FIRST_GAME_SECONDS);
    EXPECT_EQ(readCommandLine({"--root"}, nullptr).window, 0U) << "the root window";
    EXPECT_EQ(readCommandLine({"--root"}, "77").window, 77U) << "the daemon's window is the virtual root";
    const Launch id = readCommandLine({"--window-id=1234", "--first-game", "2.5", "--new-game", "0"}, "99");
    EXPECT_EQ(id.window, 1234U) << "an explicit id wins over the environment";
    EXPECT_EQ(readCommandLine({"--root", "--window-id", "0x51"}, "99").window, 0x51U) << "and over --root, as in a preview";
    EXPECT_EQ(id.settings.firstGame, 2.5);
    EXPECT_EQ(id.settings.newGame, 0);
    EXPECT_EQ(readCommandLine({"--version"}, nullptr).mode, Mode::Version);
    EXPECT_EQ(readCommandLine({"--root", "--help"}, nullptr).mode, Mode::Help);
    const Launch saver = readCommandLine({"--saver", "--new-game=30"}, "99");
    EXPECT_EQ(saver.mode, Mode::FullScreenSaver) << "--saver wins over the environment";
    EXPECT_EQ(saver.rules(), InputRules::EndOnInput);
    EXPECT_EQ(saver.settings.newGame, 30);
    const Launch wallpaper = readCommandLine({"--wallpaper", "--new-game=60"}, "99");
    EXPECT_EQ(wallpaper.mode, Mode::Wallpaper) << "--wallpaper wins over the environment";
    EXPECT_EQ(wallpaper.rules(), InputRules::IgnoreInput) << "clicks belong to the desktop";
    EXPECT_EQ(wallpaper.settings.newGame, 60);
    EXPECT_EQ(wallpaper.settings.speed, 60) << "calm unless asked";
    EXPECT_EQ(readCommandLine({"--speed", "1000", "--wallpaper"}, nullptr).settings.speed, 1000) << "asked";
    EXPECT_EQ(readCommandLine({"--wallpaper", "--zoom", "2"}, nullptr).settings.speed, defaultsFor(USE_WALLPAPER).speed);
    EXPECT_EQ(readCommandLine({"--saver"}, nullptr).settings.speed, Settings{}.speed);
}

bool answers() { return true; }
bool silent() { return false; }

TEST(Launch, TheDisplaySystemIsWaylandWhereACompositorAnswersUnlessForced) {
    std::string error;
    const Launch window = readCommandLine({}, nullptr), saver = readCommandLine({"--saver"}, nullptr);
    EXPECT_EQ(chooseDisplay(window, nullptr, answers, error), DisplaySystem::Wayland);
    EXPECT_EQ(chooseDisplay(saver, "", silent, error), DisplaySystem::X11);
    EXPECT_EQ(chooseDisplay(saver, "x11", answers, error), DisplaySystem::X11);
    EXPECT_EQ(chooseDisplay(window, "wayland", silent, error), DisplaySystem::Wayland) << "forced: fails later, saying why";
    EXPECT_EQ(chooseDisplay(readCommandLine({"--root"}, nullptr), nullptr, answers, error), DisplaySystem::X11)
        << "someone else's window is an X11 one";
    EXPECT_TRUE(error.empty());
    chooseDisplay(window, "Wayland", answers, error);
    EXPECT_EQ(error, "PELLWICK_DISPLAY must be x11 or wayland, not 'Wayland'");
    EXPECT_EQ(chooseDisplay(readCommandLine({}, "0x2a"), "wayland", answers, error), DisplaySystem::Wayland)
        << "forced: the run refuses it before anything opens";
}

TEST(Launch, BadLinuxOptionsAreNamed) {
    for (auto [args, env, words] : {std::tuple<std::vector<std::string>, const char*, const char*>{{"--bogus"}, nullptr, "unknown option '--bogus'"},
                                    {{"--window-id", "12ab"}, nullptr, "malformed window id '12ab'"},
                                    {{"--window-id", "0"}, nullptr, "malformed window id '0'"},
                                    {{"--window-id", "0x1ffffffff"}, nullptr, "malformed window id"},
                                    {{"--window-id"}, nullptr, "--window-id needs a value"},
                                    {{}, "window", "in XSCREENSAVER_WINDOW"},
                                    {{"--root", "--new-game", "-1"}, nullptr, "--new-game needs 0 to 1000000 seconds, not '-1'"},
                                    {{"--first-game", "3"}, nullptr, "--first-game applies to the savers (--saver, --root, --window-id) and --wallpaper only"},
                                    {{"--saver", "--window-id", "5"}, nullptr, "drop --root and --window-id"},
                                    {{"--wallpaper", "--saver"}, nullptr, "drop --saver, --root and --window-id"},
                                    {{"--wallpaper", "--monitors", "span"}, nullptr, "--monitors applies to --saver only"},
                                    {{"--wallpaper=1"}, nullptr, "unknown option '--wallpaper=1'"},
                                    {{"--seed", "12x"}, nullptr, "--seed needs a whole number from 0 to 18446744073709551615, not '12x'"},
                                    {{"--root", "--seed=-3"}, nullptr, "not '-3'"},
                                    {{"--seed"}, nullptr, "--seed needs a value"}}) {
        const Launch l = readCommandLine(args, env);
        EXPECT_EQ(l.mode, Launch::Mode::Refused);
        EXPECT_EQ(l.status, 2);
        EXPECT_NE(l.error.find(words), std::string::npos) << l.error;
    }
}

// A seed asked for is played everywhere; without one the window plays the game's own stream and a saver
// draws a fresh one at every start.
TEST(Launch, TheSeedComesFromTheUserOrFreshForASaver) {
    static int drawnTimes = 0;
    const auto fresh = []() -> std::uint64_t { return 1000 + static_cast<std::uint64_t>(++drawnTimes); };
    bool drawn = true;
    EXPECT_EQ(seedFor(readCommandLine({}, nullptr), fresh, drawn), 0U);
    EXPECT_FALSE(drawn) << "the window's default is the game's own stream";
    EXPECT_EQ(seedFor(readCommandLine({"--seed", "18446744073709551615"}, nullptr), fresh, drawn), 18446744073709551615U);
    EXPECT_FALSE(drawn);
    const Launch saver = readCommandLine({"--root"}, nullptr);
    const std::uint64_t first = seedFor(saver, fresh, drawn);
    EXPECT_TRUE(drawn);
    EXPECT_NE(seedFor(saver, fresh, drawn), first) << "a new game at every start";
    EXPECT_EQ(seedFor(readCommandLine({"--window-id=7", "--seed=0"}, nullptr), fresh, drawn), 0U);
    EXPECT_FALSE(drawn) << "a saver may be asked for the game's own stream";
    const Launch scr = readScreensaverArgs({"--seed", "42"}, false);
    EXPECT_EQ(scr.mode, Launch::Mode::OwnWindow);
    EXPECT_EQ(scr.settings.seed, 42U);
    EXPECT_EQ(readScreensaverArgs({"--seed=x"}, false).status, 2);
    EXPECT_FALSE(readScreensaverArgs({"/s"}, true).settings.seed.has_value()) << "a .scr's seed comes from its settings";
}

TEST(Launch, ASaversOwnGamesComeAtFixedCountsOfTicks) {
    const AutoGames games(SaverTimes{});  // 10 s, then every 180 s
    EXPECT_FALSE(games.due(0));
    EXPECT_FALSE(games.due(9'999));
    EXPECT_TRUE(games.due(10'000));
    EXPECT_FALSE(games.due(10'001));
    EXPECT_FALSE(games.due(180'000)) << "the first game comes at its own interval, not the new games'";
    EXPECT_TRUE(games.due(190'000));
    EXPECT_FALSE(games.due(189'999));
    EXPECT_TRUE(games.due(10'000 + 999'999ULL * 180'000)) << "no drift after a million games";
    EXPECT_FALSE(games.due(10'000 + 999'999ULL * 180'000 + 1));
    const AutoGames once(SaverTimes{0, 0});
    EXPECT_TRUE(once.due(0));
    EXPECT_FALSE(once.due(1'000'000)) << "0 means never again";
    EXPECT_TRUE(AutoGames(SaverTimes{0.5, 0.0004}).due(501)) << "an interval under a tick is one tick";
    EXPECT_EQ(ticksIn(2.5), 2'500U);
}

TEST(Launch, ASaversSecondsAreRefusedWholeOrTakenWhole) {
    for (const char* bad : {"5x", "2e6", "1e3", "0x10", "-1", "+1", " 1", "1 ", "", ".", "1.2.3", "inf", "nan", "1000000.5"}) {
        double seconds = 7;
        EXPECT_FALSE(parseSaverSeconds(bad, seconds)) << bad;
        EXPECT_EQ(seconds, 7) << "nothing half-read is kept from '" << bad << "'";
    }
    for (const auto& [text, value] : {std::pair{"0", 0.0}, {"1.5", 1.5}, {".25", 0.25}, {"3.", 3.0}, {"1000000", 1e6}}) {
        double seconds = -1;
        EXPECT_TRUE(parseSaverSeconds(text, seconds)) << text;
        EXPECT_EQ(seconds, value) << text;
    }
    std::uint64_t seed = 9;
    EXPECT_FALSE(parseSeed("5x", seed));
    EXPECT_EQ(seed, 9U) << "nor from a seed";
    const Launch l = readCommandLine({"--saver", "--first-game", "5x"}, nullptr);
    EXPECT_EQ(l.mode, Launch::Mode::Refused);
    EXPECT_NE(l.error.find("--first-game needs 0 to 1000000 seconds, not '5x'"), std::string::npos) << l.error;
}

TEST(Launch, ScreensaverArgumentsInTheirWindowsVariants) {
    using Mode = Launch::Mode;
    const auto mode = [](std::vector<std::string> args, bool scr = true) { return readScreensaverArgs(args, scr).mode; };
    EXPECT_EQ(mode({}, false), Mode::OwnWindow);
    EXPECT_EQ(mode({}), Mode::Settings);
    for (const char* s : {"/s", "-s", "/S", "-S"}) EXPECT_EQ(mode({s}), Mode::FullScreenSaver) << s;
    EXPECT_EQ(readScreensaverArgs({"/s"}, true).rules(), InputRules::EndOnInput);
    for (const char* c : {"/c", "/c:1234", "-C", "/C:0"}) EXPECT_EQ(mode({c}), Mode::Settings) << c;
    EXPECT_EQ(readScreensaverArgs({"/c:1234"}, true).window, 1234U) << "the window to own the settings";
    EXPECT_EQ(readScreensaverArgs({"/c:x"}, true).window, 0U);
    for (const char* w : {"/wallpaper", "-WallPaper"}) EXPECT_EQ(mode({w}, false), Mode::Wallpaper) << w;
    EXPECT_EQ(mode({"/wallpaper", "2"}), Mode::Refused);
    for (auto args : {std::vector<std::string>{"/p", "4242"}, {"/p:4242"}, {"-P", "4242"}}) {
        const Launch p = readScreensaverArgs(args, true);
        EXPECT_EQ(p.mode, Mode::InWindow);
        EXPECT_EQ(p.rules(), InputRules::IgnoreInput);
        EXPECT_EQ(p.window, 4242U);
    }
    for (auto args : {std::vector<std::string>{"/p"}, {"/p", "x12"}, {"/p:"}, {"/p", "0"}, {"/p", "-5"}, {"/p", "99999999999"}}) {
        const Launch l = readScreensaverArgs(args, true);
        EXPECT_EQ(l.mode, Mode::Refused);
        EXPECT_EQ(l.status, 1) << "a preview host never faces a dialog";
    }
    for (const char* bad : {"/x", "/ss", "s", "--root", "/", "/s:3", "/wall"}) {
        const Launch r = readScreensaverArgs({bad}, true);
        EXPECT_EQ(r.mode, Mode::Refused) << bad;
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.error.find(bad), std::string::npos);
    }
}

// The dialog's settings are the savers' and the wallpaper's; options after /wallpaper, or as the program's
// first arguments, set what they name over them, as the Linux program's do.
TEST(Launch, WindowsOptionsGoOverTheStoredSettings) {
    Settings stored;
    stored.speed = 200;
    stored.rest = Rest::Pause;
    stored.monitors = Monitors::Span;
    EXPECT_EQ(readScreensaverArgs({"/s"}, true, stored).settings, stored);
    EXPECT_EQ(readScreensaverArgs({"/p", "12"}, true, stored).settings, stored);
    const Launch calm = readScreensaverArgs({"/wallpaper"}, false, stored);
    EXPECT_EQ(calm.settings.speed, defaultsFor(USE_WALLPAPER).speed) << "a wallpaper's own speed unless asked";
    EXPECT_EQ(calm.settings.rest, Rest::Pause);
    EXPECT_EQ(readScreensaverArgs({"/wallpaper", "--zoom", "2"}, false, stored).settings.speed, defaultsFor(USE_WALLPAPER).speed);
    const Launch asked = readScreensaverArgs({"/wallpaper", "--speed", "500", "--rest=keep", "--seed", "9"}, false, stored);
    EXPECT_EQ(asked.settings.speed, 500);
    EXPECT_EQ(asked.settings.rest, Rest::Keep) << "the default, given, still goes over the stored value";
    EXPECT_EQ(asked.settings.seed, 9U);
    const Launch own = readScreensaverArgs({"--zoom", "2", "--seed=4"}, false, stored);
    EXPECT_EQ(own.mode, Launch::Mode::OwnWindow);
    EXPECT_EQ(own.settings.zoom, 2);
    EXPECT_EQ(own.settings.speed, Settings{}.speed) << "the program's window does not play the saver's settings";
    EXPECT_EQ(own.settings.seed, 4U);
    for (auto [args, words] : {std::pair<std::vector<std::string>, const char*>{{"--monitors", "span"}, "--monitors applies to --saver only"},
                               {{"/wallpaper", "--speed", "5"}, "--speed needs 10 to 1000, not '5'"},
                               {{"--zoom"}, "--zoom needs a value"},
                               {{"/wallpaper", "/s"}, "Unknown argument '/s'"}}) {
        const Launch l = readScreensaverArgs(args, false, stored);
        EXPECT_EQ(l.mode, Launch::Mode::Refused);
        EXPECT_NE(l.error.find(words), std::string::npos) << l.error;
    }
}

// XScreenSaver's file and the manual are made from the table: every option a control of the file passes is
// one the program takes in the daemon's window, each default is the table's, and the manual names every
// setting with its range.
TEST(Launch, TheSettingsFileAndTheManualComeFromTheTable) {
    const std::string xml = xscreensaverFile(), man = manOptions(), synopsis = manSynopsis();
    std::size_t controls = 0;
    for (std::size_t at = xml.find("arg"); at != std::string::npos; at = xml.find("arg", at + 1)) {
        const std::size_t open = xml.find('"', at), close = xml.find('"', open + 1);
        std::string arg = xml.substr(open + 1, close - open - 1);
        if (arg == "--root") continue;
        const std::string value = arg.substr(arg.find(' ') + 1) == "%" ? "12" : arg.substr(arg.find(' ') + 1);
        const Launch l = readCommandLine({"--root", arg.substr(0, arg.find(' ')), value}, nullptr);
        EXPECT_NE(l.mode, Launch::Mode::Refused) << arg << ": " << l.error;
        ++controls;
    }
    EXPECT_GE(controls, 7U) << xml;
    EXPECT_NE(xml.find("arg=\"--first-game %\"\n          _label=\"First game after (seconds)\"\n          low=\"0\" high=\"1000000\" default=\"10\""),
              std::string::npos) << xml;
    EXPECT_NE(xml.find("default=\"180\""), std::string::npos);
    EXPECT_EQ(xml.find("monitors"), std::string::npos) << "a full-screen saver's setting has no place in the daemon's window";
    const std::size_t seed = xml.find("<string id=\"seed\" arg=\"--seed %\"");
    ASSERT_NE(seed, std::string::npos);
    EXPECT_GT(xml.find("default=", seed), xml.find("/>", seed)) << "no default seed: an empty field is left out";
    for (const SettingDef& d : settingDefs()) {
        std::string roff;
        for (const char* c = d.name; *c != '\0'; ++c) {
            if (*c == '-') roff += '\\';
            roff += *c;
        }
        EXPECT_NE(man.find(".BI \\-\\-" + roff + " \" " + d.placeholder() + "\"\n" + d.range() + " (default " + d.defaultText()),
                  std::string::npos) << d.name;
        EXPECT_NE(synopsis.find(".RB [ \\-\\-" + roff + "\n"), std::string::npos) << d.name;
    }
}

}  // namespace
}  // namespace pellwick

namespace pellwick {
namespace {

TEST(AppCadence, AnimationFramesCatchUpOnDueTicksWithinTheCap) {
    CatchUp ticks(1000, 50);
    EXPECT_EQ(ticks.due(0), 1);
    EXPECT_EQ(ticks.due(999), 0);
    int total = 1;
    for (std::int64_t k = 1; k <= 60; ++k) total += ticks.due(k * 1'000'000 / 60);  // 60 frames a second
    EXPECT_EQ(total, 1001) << "one tick per millisecond, from 0 to 1000 ms, no more";
    EXPECT_EQ(ticks.due(60'000'000), 50) << "a minute in the background: the cap, not a minute of ticks";
    EXPECT_EQ(ticks.due(60'000'500), 0);
    EXPECT_EQ(ticks.due(60'017'000), 17) << "then on as before";
}

}  // namespace
}  // namespace pellwick

namespace pellwick {
namespace {

TEST(AppFrameLoop, PacersKeepTheirGridAndWaitForTheCompositor) {
    FramePacer every = FramePacer::everyUs(16'000);
    EXPECT_EQ(every.until(5), 0);
    every.framed(5);
    EXPECT_EQ(every.until(10'005), 6'000);
    every.framed(16'005);
    every.framed(100'000);  // late by more than a period: a new grid, nothing made up
    EXPECT_EQ(every.until(100'000), 16'000);
    FramePacer callbacks = FramePacer::onCallback(16'000);
    EXPECT_EQ(callbacks.until(0), 0);
    callbacks.committed();
    callbacks.framed(0);
    EXPECT_EQ(callbacks.until(1'000'000), FramePacer::NEVER);
    callbacks.callback();
    EXPECT_EQ(callbacks.until(1'000'000), 0);
}

}  // namespace
}  // namespace pellwick

namespace pellwick {
namespace {

// Every setting takes exactly its range and refuses the rest with a line naming it and its range, on the
// command line as in any other front end.
TEST(Settings, EachTakesItsRangeAndRefusesTheRestByName) {
    const struct {
        const char* name;
        std::vector<const char*> good;  // each written back as given
        std::vector<const char*> bad;
        const char* refusal;
    } table[] = {
        {"idle", {"0.01", "10", "1440"}, {"0", "0.005", "1441", "-1", "10m", ""}, "idle needs 0.01 to 1440 minutes, not '"},
        {"first-game", {"0", "2.5", "1000000"}, {"-1", "1000000.5", "1e3", "5x", ""}, "first-game needs 0 to 1000000 seconds, not '"},
        {"new-game", {"0", "180"}, {"+1", " 1"}, "new-game needs 0 to 1000000 seconds, not '"},
        {"seed", {"0", "18446744073709551615"}, {"18446744073709551616", "-3", "12x", ""},
         "seed needs a whole number from 0 to 18446744073709551615, not '"},
        {"speed", {"10", "1000", "250"}, {"9", "1001", "0", "-10", "+10", "10.5", "1e3", " 10", "fast", ""}, "speed needs 10 to 1000, not '"},
        {"zoom", {"1", "8", "auto"}, {"0", "9", "Auto", "2x", "-1"}, "zoom needs 1 to 8, or auto, not '"},
        {"monitors", {"each", "span"}, {"Span", "both", "1", ""}, "monitors needs each or span, not '"},
        {"rest", {"keep", "pause"}, {"stop", "0"}, "rest needs keep or pause, not '"},
        {"on-battery", {"same", "slow", "pause"}, {"half", "3"}, "on-battery needs same, slow or pause, not '"},
    };
    ASSERT_EQ(settingDefs().size(), std::size(table));
    for (const auto& row : table) {
        const SettingDef* d = findSetting(row.name);
        ASSERT_NE(d, nullptr) << row.name;
        for (const char* text : row.good) {
            Settings s;
            EXPECT_EQ(d->parse(text, s), "") << row.name << " " << text;
            EXPECT_EQ(d->valueIn(s), text) << "written back as given";
        }
        for (const char* text : row.bad) {
            Settings s;
            EXPECT_EQ(d->parse(text, s), std::string(row.refusal) + text + "'");
            EXPECT_EQ(s, Settings{}) << row.name << " '" << text << "' left a setting changed";
        }
        const Launch l = readCommandLine({"--saver", std::string("--") + row.name, row.bad[0]}, nullptr);
        EXPECT_EQ(l.mode, Launch::Mode::Refused);
        EXPECT_EQ(l.error, std::string("--") + row.refusal + row.bad[0] + "'");
    }
    Settings asked;
    asked.speed = 100;
    asked.zoom = ZOOM_AUTO;
    asked.onBattery = OnBattery::Slow;
    const Launch set = readCommandLine({"--speed=100", "--zoom", "auto", "--on-battery", "slow"}, nullptr);
    EXPECT_EQ(set.mode, Launch::Mode::OwnWindow);
    EXPECT_EQ(set.settings, asked);
    std::string usage;  // the help with its lines joined
    for (const char c : commandLineUsage()) {
        if (c == '\n' || c == ' ') {
            if (usage.empty() || usage.back() != ' ') usage += ' ';
        } else {
            usage += c;
        }
    }
    EXPECT_NE(usage.find(" --on-battery WORD same, slow or pause on battery power:"), std::string::npos) << usage;
    EXPECT_NE(usage.find(" (default 1000; 60 as a wallpaper)"), std::string::npos) << usage;
}

// Each mode starts from its own defaults, and refuses what does not apply to it, as the table says.
TEST(Settings, EachModeHasItsDefaultsAndTakesWhatAppliesToIt) {
    EXPECT_EQ(defaultsFor(USE_WALLPAPER).speed, 60);
    EXPECT_EQ(defaultsFor(USE_PAGE).zoom, ZOOM_AUTO);
    EXPECT_EQ(defaultsFor(USE_PAGE_WALL).zoom, ZOOM_AUTO);
    EXPECT_EQ(defaultsFor(USE_SAVER), Settings{});
    EXPECT_EQ(defaultsFor(USE_WINDOW).speed, 1000);
    EXPECT_EQ(findSetting("speed")->fallbackIn(USE_WALLPAPER), "60");
    for (const char* mode : {"--saver", "--root", "--wallpaper"}) {
        EXPECT_EQ(readCommandLine({mode, "--first-game", "1.5"}, nullptr).settings.firstGame, 1.5) << mode;
    }
    EXPECT_EQ(readCommandLine({"--wallpaper", "--monitors", "each"}, nullptr).error, "--monitors applies to --saver only")
        << "even its default value, where it does not apply";
    EXPECT_EQ(readCommandLine({"--root", "--monitors", "span"}, nullptr).mode, Launch::Mode::Refused);
    EXPECT_EQ(readCommandLine({"--seed", "3"}, nullptr).settings.seed, 3U) << "a seed applies everywhere";
    EXPECT_EQ(readCommandLine({"--speed", "5", "--monitors", "span"}, nullptr).error, "--speed needs 10 to 1000, not '5'")
        << "a value that is none of its setting's is named first";
}

}  // namespace
}  // namespace pellwick

namespace pellwick {
namespace {

TEST(Settings, TheGamesPaceFollowsRestAndBattery) {
    const auto pace = [](Rest rest, OnBattery battery, bool seen, bool onBattery) {
        Settings s;
        s.speed = 400;
        s.rest = rest;
        s.onBattery = battery;
        return paceFor(s, seen, onBattery);
    };
    EXPECT_EQ(pace(Rest::Keep, OnBattery::Same, false, true), (Pace{400, false})) << "keep: time goes on unseen";
    EXPECT_EQ(pace(Rest::Pause, OnBattery::Same, false, false), (Pace{400, true}));
    EXPECT_EQ(pace(Rest::Pause, OnBattery::Same, true, false), (Pace{400, false}));
    EXPECT_EQ(pace(Rest::Keep, OnBattery::Slow, true, true), (Pace{100, false})) << "a quarter of the speed";
    EXPECT_EQ(pace(Rest::Keep, OnBattery::Slow, true, false), (Pace{400, false})) << "plugged in";
    EXPECT_EQ(pace(Rest::Keep, OnBattery::Pause, true, true), (Pace{400, true}));
    EXPECT_EQ(batterySpeed(10), 2);
}

// Speed by a fake clock: ticks fall due at the speed set, a pause stops the game's time, and its end
// makes nothing up.
TEST(Settings, TicksFollowTheSpeedAndAPauseStopsTime) {
    AppSettings slow;
    slow.speed = 100;
    App app(60, 40, slow);
    app.runDueTicks(0);
    for (std::int64_t ms = 1; ms <= 1000; ++ms) app.runDueTicks(ms * 1000);
    EXPECT_EQ(app.ticks(), 101U) << "the first, then one every 10 ms";
    app.pause(true);
    EXPECT_EQ(app.runDueTicks(5'000'000), 0);
    app.pause(false);
    EXPECT_EQ(app.runDueTicks(6'000'000), 1) << "after a pause: one tick, nothing made up";
    EXPECT_EQ(app.runDueTicks(6'009'000), 0);
    EXPECT_EQ(app.runDueTicks(6'010'000), 1);
    app.setSpeed(1000);
    app.runDueTicks(7'000'000);
    EXPECT_EQ(app.runDueTicks(7'003'000), 3);
    EXPECT_EQ(app.runDueTicks(60'000'000), TICK_BURST) << "a stall: one burst of 50 ms";
    app.setSpeed(10);
    app.runDueTicks(61'000'000);
    EXPECT_EQ(app.runDueTicks(200'000'000), 1) << "a burst is 50 ms of the game's speed, at least one tick";
    AppSettings slowSaver{WHITE, InputRules::EndOnInput, SaverTimes{0.5, 0}, 0};
    slowSaver.speed = 10;
    App slower(60, 40, slowSaver);
    for (int t = 0; t < 5; ++t) slower.tickNow();
    EXPECT_FALSE(gameStarted(slower));
    slower.tickNow();
    EXPECT_TRUE(gameStarted(slower)) << "half a second at 10 ticks a second: the first game after 5 ticks";
}

// A paused game thread sleeps until it has something to do.
TEST(Settings, APausedGameThreadSleeps) {
    std::atomic<std::int64_t> now{0};
    std::vector<std::uint32_t> pixels(40 * 30);  // before the runner, which draws into it until it ends
    AppRunner runner(40, 30, AppSettings{}, [&now] { return now.load(); });
    runner.setPace(Pace{1000, true});
    const CanvasFor canvas = [&](int w, int h) { return Canvas{pixels.data(), w, h, w, FIELD_ORDER}; };
    runner.frame(FRAME_WAIT_US, canvas, [](const Frame&) {});
    runner.frame(FRAME_WAIT_US, canvas, [](const Frame&) {});  // and asks for the next, drawn at once
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const std::uint64_t woken = runner.wakeUps();
    now = 5'000'000;
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(runner.wakeUps(), woken) << "no wake-ups of its own while paused";
    EXPECT_LE(runner.ticks(), 1U);
}

}  // namespace
}  // namespace pellwick
