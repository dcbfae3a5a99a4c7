// The app core driven by a fake clock and scripted input: event rules, due ticks and the game thread.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <tuple>

#include "app/app.hpp"
#include "app/runner.hpp"
#include "app/saver.hpp"
#include "app/scenario.hpp"
#include "game/rules.hpp"

namespace pellwick {
namespace {

TEST(AppInput, ClickStartsAGameAndDoubleClickEndsAfterIt) {
    App app(200, 150);
    app.runDueTicks(0);
    app.runDueTicks(5000);
    app.handle(Input::click());
    int teams[4] = {};
    for (int i = 0; i < WALKER_COUNT; ++i) ++teams[app.world().team[i]];
    EXPECT_GT(teams[3], 0) << "a click seeds all four teams";
    EXPECT_TRUE(app.running());
    app.handle(Input::doubleClick());
    EXPECT_FALSE(app.running());
    const std::uint64_t ticks = app.ticks();
    EXPECT_EQ(app.runDueTicks(10'000), 0);
    EXPECT_EQ(app.ticks(), ticks) << "no tick runs after the end";
    app.handle(Input::click());
    EXPECT_EQ(app.world().energy[0], 50) << "nothing happens to the world after the end";
}

TEST(AppInput, EscapeAndCloseEndOtherKeysDoNot) {
    App app(100, 100);
    for (const Input& in : {Input::keyDown(Key::Other), Input::buttonDown(), Input::mouseMove(0, 0), Input::mouseMove(90, 90)}) {
        app.handle(in);
    }
    EXPECT_TRUE(app.running());
    app.handle(Input::keyDown(Key::Escape));
    EXPECT_FALSE(app.running());
    App closing(100, 100);
    closing.handle(Input::close());
    EXPECT_FALSE(closing.running());
}

TEST(AppInput, AFullScreenSaverEndsOnAnyKeyButtonOrRealMove) {
    const auto endsAfter = [](std::vector<Input> inputs) {
        App app(50, 50, WHITE, InputRules::FullScreen);
        for (const Input& in : inputs) app.handle(in);
        return !app.running();
    };
    EXPECT_FALSE(endsAfter({Input::mouseMove(100, 100), Input::mouseMove(102, 98), Input::mouseMove(100 + MOVE_TOLERANCE, 100)}))
        << "jitter of a few pixels";
    EXPECT_TRUE(endsAfter({Input::mouseMove(100, 100), Input::mouseMove(150, 100)}));
    EXPECT_TRUE(endsAfter({Input::mouseMove(100, 100), Input::mouseMove(100, 100 - MOVE_TOLERANCE - 1)}));
    EXPECT_TRUE(endsAfter({Input::keyDown(Key::Other)}));
    EXPECT_TRUE(endsAfter({Input::buttonDown()}));
    EXPECT_FALSE(endsAfter({Input::newGame(), Input::resize(40, 30)})) << "its own new games do not end it";
    App embedded(50, 50, WHITE, InputRules::Embedded);
    for (const Input& in : {Input::click(), Input::doubleClick(), Input::buttonDown(), Input::keyDown(Key::Escape),
                            Input::mouseMove(0, 0), Input::mouseMove(500, 500)}) {
        embedded.handle(in);
    }
    EXPECT_TRUE(embedded.running()) << "input in someone else's window is not ours";
    EXPECT_EQ(embedded.world().energy[0], 0) << "nor does a click start a game";
    embedded.handle(Input::newGame());
    EXPECT_EQ(embedded.world().energy[0], 50);
    embedded.handle(Input::close());
    EXPECT_FALSE(embedded.running());
}

TEST(AppInput, BackgroundIsThePlatformColourUnlessItWouldBreakTheGame) {
    EXPECT_EQ(fieldBackground(rgb(10, 20, 30)), rgb(10, 20, 30));
    EXPECT_EQ(fieldBackground(WHITE), WHITE);
    for (Colour unfit : {INK, teamColour[0], teamColour[1], teamColour[2], teamColour[3], Colour{-1}, Colour{1 << 24}}) {
        EXPECT_EQ(fieldBackground(unfit), WHITE) << unfit;
    }
    EXPECT_EQ(App(10, 10, teamColour[2]).world().field.background(), WHITE);
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
    bool blank = true;

    // Shows the runner's next frame; look sees it as the field's colours. Returns whether one was shown.
    bool frame(AppRunner& runner, std::int64_t timeoutUs, const std::function<void(const Colour*, int, int)>& look = {}) {
        const auto canvas = [this](int w, int h) {
            if (w != width || h != height) {
                pixels.assign(static_cast<std::size_t>(w) * h, 0);
                width = w;
                height = h;
                blank = true;
            }
            return Canvas{pixels.data(), w, h, w, FIELD_ORDER, blank};
        };
        return runner.frame(timeoutUs, canvas, [&](const Frame&) {
            blank = false;
            if (look) look(reinterpret_cast<const Colour*>(pixels.data()), width, height);
        });
    }
};

// The threaded runner with the real clock: input reaches the game, frames are whole, Escape stops it.
TEST(AppRunner, AppliesInputBetweenTicksAndHandsOverWholeFrames) {
    AppRunner runner(120, 90);
    TestScreen screen;
    runner.post(Input::resize(100, 80));
    runner.post(Input::click());
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
    EXPECT_GT(inkPixels, 200U) << "the click drew walls";
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
    AppRunner runner(150, 100);
    TestScreen screen;
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
    std::atomic<std::int64_t> clock{0};
    AppRunner runner(160, 120, WHITE, InputRules::Windowed, [&clock] { return clock.load(); });
    TestScreen screen;
    std::vector<Colour> shown;
    // A frame shows what was asked for by the frame before (none after a resize, which asks again at once),
    // so the last of three shows the field at t.
    const auto frameAt = [&](std::int64_t t) {
        clock = t;
        for (int n = 0; n < 3; ++n) {
            screen.frame(runner, 10'000'000, [&](const Colour* pixels, int w, int h) { shown.assign(pixels, pixels + w * h); });
        }
        return runner.ticks();
    };
    EXPECT_EQ(frameAt(0), 1U) << "the first frame runs one tick";
    EXPECT_EQ(frameAt(16'700), 17U) << "then one a millisecond";
    EXPECT_EQ(frameAt(16'900), 17U);
    EXPECT_EQ(frameAt(10'000'000), 17U + TICK_BURST) << "ten seconds stalled: one burst, no pile of ticks";
    clock = 10'005'500;  // five more ticks due
    runner.post(Input::resize(140, 100));
    runner.post(Input::click());
    EXPECT_EQ(frameAt(10'005'500), 72U);
    EXPECT_EQ(frameAt(10'010'000), 77U);

    const App scripted = playScenario({160, 120, 77, {{72, Input::resize(140, 100)}, {72, Input::click()}}});
    const Field& f = scripted.world().field;
    ASSERT_EQ(shown.size(), static_cast<std::size_t>(f.width()) * f.height());
    EXPECT_TRUE(std::equal(shown.begin(), shown.end(), f.pixels())) << "the resize, then the click, after tick 72";
    EXPECT_LE(runner.wakeUps(), 24U) << "the game thread woke for frames and input, not for each of 77 ticks";
}

}  // namespace
}  // namespace pellwick

namespace pellwick {
namespace {

TEST(Launch, OptionsAndEnvironmentChooseTheMode) {
    const auto saver = [](std::vector<std::string> args, const char* env) { return parseLaunch(args, env); };
    EXPECT_EQ(saver({}, nullptr).options->mode, LaunchOptions::Mode::Windowed);
    EXPECT_EQ(saver({}, "").options->mode, LaunchOptions::Mode::Windowed);
    const LaunchResult env = saver({}, "0x2a00007");
    EXPECT_EQ(env.options->mode, LaunchOptions::Mode::Saver);
    EXPECT_EQ(env.options->window, 0x2a00007U);
    EXPECT_EQ(saver({"--root"}, nullptr).options->window, 0U) << "the root window";
    EXPECT_EQ(saver({"--root"}, "77").options->window, 77U) << "the daemon's window is the virtual root";
    const LaunchResult id = saver({"--window-id=1234", "--first-game", "2.5", "--new-game", "0"}, "99");
    EXPECT_EQ(id.options->window, 1234U) << "an explicit id wins over the environment";
    EXPECT_EQ(id.options->firstGameSeconds, 2.5);
    EXPECT_EQ(id.options->newGameSeconds, 0);
}

TEST(Launch, BadInputIsNamed) {
    for (auto [args, env, words] : {std::tuple<std::vector<std::string>, const char*, const char*>{{"--bogus"}, nullptr, "unknown option '--bogus'"},
                                    {{"--window-id", "12ab"}, nullptr, "malformed window id '12ab'"},
                                    {{"--window-id", "0"}, nullptr, "malformed window id '0'"},
                                    {{"--window-id", "0x1ffffffff"}, nullptr, "malformed window id"},
                                    {{"--window-id"}, nullptr, "--window-id needs a value"},
                                    {{}, "window", "in XSCREENSAVER_WINDOW"},
                                    {{"--root", "--window-id", "5"}, nullptr, "give one"},
                                    {{"--root", "--new-game", "-1"}, nullptr, "--new-game needs a number"},
                                    {{"--first-game", "3"}, nullptr, "saver mode only"}}) {
        const LaunchResult r = parseLaunch(args, env);
        EXPECT_FALSE(r.options);
        EXPECT_NE(r.error.find(words), std::string::npos) << r.error;
    }
}

TEST(Launch, AutomaticClicksFollowTheClockWithoutCatchingUp) {
    AutoClicks clicks(1'000'000, 10, 180);
    EXPECT_FALSE(clicks.due(10'999'999));
    EXPECT_TRUE(clicks.due(11'000'000));
    EXPECT_FALSE(clicks.due(11'000'001)) << "each click once";
    EXPECT_FALSE(clicks.due(190'999'999));
    EXPECT_TRUE(clicks.due(191'000'000));
    EXPECT_TRUE(clicks.due(2'000'000'000)) << "after a long stall, one click";
    EXPECT_FALSE(clicks.due(2'000'000'001));
    AutoClicks once(0, 0, 0);
    EXPECT_TRUE(once.due(0));
    EXPECT_FALSE(once.due(1'000'000'000'000)) << "0 means never again";
}

}  // namespace
}  // namespace pellwick

namespace pellwick {
namespace {

TEST(Launch, ScreensaverArgumentsInTheirWindowsVariants) {
    using Mode = ScrLaunch::Mode;
    const auto mode = [](std::vector<std::string> args, bool scr = true) { return parseScrArgs(args, scr).mode; };
    EXPECT_EQ(mode({}, false), Mode::Windowed);
    EXPECT_EQ(mode({}), Mode::Configure);
    for (const char* s : {"/s", "-s", "/S", "-S"}) EXPECT_EQ(mode({s}), Mode::FullScreen) << s;
    for (const char* c : {"/c", "/c:1234", "-C", "/C:0"}) EXPECT_EQ(mode({c}), Mode::Configure) << c;
    EXPECT_EQ(parseScrArgs({"/c:1234"}, true).window, 1234U) << "the window to own the settings";
    EXPECT_EQ(parseScrArgs({"/c:x"}, true).window, 0U);
    for (auto args : {std::vector<std::string>{"/p", "4242"}, {"/p:4242"}, {"-P", "4242"}}) {
        const ScrLaunch p = parseScrArgs(args, true);
        EXPECT_EQ(p.mode, Mode::Preview);
        EXPECT_EQ(p.window, 4242U);
    }
    for (auto args : {std::vector<std::string>{"/p"}, {"/p", "x12"}, {"/p:"}, {"/p", "0"}, {"/p", "-5"}, {"/p", "99999999999"}}) {
        EXPECT_EQ(mode(args), Mode::BadWindow) << args.size();
    }
    for (const char* bad : {"/x", "/ss", "s", "--root", "/", "/s:3"}) {
        const ScrLaunch r = parseScrArgs({bad}, true);
        EXPECT_EQ(r.mode, Mode::BadArgument) << bad;
        EXPECT_NE(r.error.find(bad), std::string::npos);
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
