// The run's screens and games, told facts by a fake host on a fake clock: seeds, input that ends a run,
// zoom and field size, span and each, the repaint when seen again, the frame loop, the end and refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <string>
#include <vector>

#include "app/idle.hpp"
#include "app/screens.hpp"

namespace pellwick {
namespace {

// A screen of the test's own: an image of the size asked for, and a record of what was presented.
struct FakeScreen final : ScreenView {
    bool commits = false;  // stands for a compositor's surface, asking for a callback with each frame
    std::vector<std::uint32_t> pixels;
    int canvasWidth = 0;
    int canvasHeight = 0;
    int zoomAsked = 0;
    int frames = 0;
    std::vector<Rect> lastRects;

    Canvas canvas(int fieldWidth, int fieldHeight, int zoom) override {
        zoomAsked = zoom;
        const int w = fieldWidth * zoom, h = fieldHeight * zoom;
        if (w != canvasWidth || h != canvasHeight) pixels.assign(static_cast<std::size_t>(w) * h, 0);
        canvasWidth = w;
        canvasHeight = h;
        return Canvas{pixels.data(), w, h, w, FIELD_ORDER, false, zoom};
    }
    bool present(const Frame& f) override {
        ++frames;
        lastRects = f.rects;
        return commits;
    }
};

// An inline game that keeps its own time, as one on a thread of its own does.
struct SelfTimedGame final : InlineGame {
    using InlineGame::InlineGame;
    std::int64_t keepTime() override { return NEVER_US; }
};

// A run on a fake clock whose games are inline (or keep their own time), and the lines it says.
struct TestRun {
    std::int64_t now = 0;
    std::vector<std::string> said;
    bool selfTimed = false;
    ScreenGames games;

    TestRun(const Launch& l, Platform p = Platform{"X11"}, std::uint64_t seed = 7, bool drawn = false)
        : games(l, p, seed, drawn, [this](const std::string& line) { said.push_back(line); }, WHITE,
                [this](int w, int h, const AppSettings& s) -> std::unique_ptr<Game> {
                    if (selfTimed) return std::make_unique<SelfTimedGame>(w, h, s, [this] { return now; });
                    return std::make_unique<InlineGame>(w, h, s, [this] { return now; });
                }) {}

    const World& world(ScreenId id) const { return games.gameOf(id)->world(); }
};

Launch launched(std::vector<std::string> args) { return readCommandLine(args, nullptr); }

ScreenFacts facts(int w, int h, int scale120 = SCALE_ONE) { return ScreenFacts{w, h, scale120, 0, false}; }

TEST(ScreenGames, EachScreenPlaysTheNextSeedAndADrawnSeedIsNamedOnce) {
    TestRun run(launched({"--saver"}), Platform{"X11"}, 18446744073709551615ULL, true);
    FakeScreen a, b, later;
    run.games.screenCame(10, a, facts(64, 48));
    run.games.screenCame(20, b, facts(64, 48));
    EXPECT_EQ(run.games.seedOf(10), 18446744073709551615ULL);
    EXPECT_EQ(run.games.seedOf(20), 0U) << "modulo 2^64";
    run.games.screenWent(10);
    run.games.screenCame(30, later, facts(64, 48));
    EXPECT_EQ(run.games.seedOf(30), 1U) << "a screen that comes later takes the next seed, not a gone one's";
    EXPECT_EQ(run.said, std::vector<std::string>{drawnSeedLine(18446744073709551615ULL)});

    TestRun given(launched({"--saver", "--seed", "5"}), Platform{"X11"}, 5, false);
    given.games.screenCame(1, a, facts(64, 48));
    EXPECT_TRUE(given.said.empty()) << "a seed the user gave is not named again";
    EXPECT_EQ(given.world(1).random.state(), World(64, 48, WHITE, 5).random.state()) << "the game plays its seed's stream";
}

// A full-screen saver ends on input from any screen; the pointer may jitter within the tolerance along
// either axis from where it started, and no further.
TEST(ScreenGames, AFullScreenSaverEndsOnInputFromAnyScreen) {
    const auto endsAfter = [](Platform p, std::vector<std::pair<ScreenId, Input>> inputs, bool startKnown = false) {
        TestRun run(launched({"--saver"}), p);
        FakeScreen a, b;
        run.games.screenCame(1, a, facts(64, 48));
        run.games.screenCame(2, b, facts(64, 48));
        if (startKnown) run.games.pointerStartsAt(1, 30, 70);
        for (const auto& [id, in] : inputs) run.games.input(id, in);
        return !run.games.goesOn();
    };
    const Platform common{"X11"}, apart{"Wayland", false, false};
    const int t = MOVE_TOLERANCE;
    EXPECT_FALSE(endsAfter(common, {{1, Input::mouseMove(30, 70)}, {2, Input::mouseMove(30 + t, 70 - t)}}))
        << "one space: the same pointer reported through another window";
    EXPECT_TRUE(endsAfter(common, {{1, Input::mouseMove(30, 70)}, {2, Input::mouseMove(30 + t + 1, 70)}}));
    EXPECT_TRUE(endsAfter(common, {{1, Input::mouseMove(30, 70)}, {1, Input::mouseMove(30, 70 - t - 1)}}));
    EXPECT_TRUE(endsAfter(common, {{2, Input::mouseMove(30 + t + 1, 70)}}, true)) << "measured from where it started";
    EXPECT_FALSE(endsAfter(common, {{2, Input::mouseMove(30 - t, 70 + t)}}, true));
    EXPECT_TRUE(endsAfter(apart, {{1, Input::mouseMove(30, 70)}, {2, Input::mouseMove(30, 70)}}))
        << "screens apart: the pointer seen on another screen has moved";
    for (const Input& in : {Input::keyDown(Key::Other), Input::press(Button::Other, 1), Input::release(Button::Left, 0), Input::close()}) {
        EXPECT_TRUE(endsAfter(apart, {{2, in}})) << "any key or button, on the second screen";
    }
    EXPECT_FALSE(endsAfter(common, {{2, Input::resize(40, 30)}}));

    TestRun wallpaper(launched({"--wallpaper"}));
    FakeScreen w;
    wallpaper.games.screenCame(1, w, facts(64, 48));
    for (const Input& in : {Input::keyDown(Key::Escape), Input::press(Button::Left, 2), Input::mouseMove(500, 1)}) {
        wallpaper.games.input(1, in);
    }
    EXPECT_TRUE(wallpaper.games.goesOn()) << "a wallpaper takes no input";
    TestRun window(launched({}));
    window.games.screenCame(1, w, facts(64, 48));
    window.games.input(1, Input::keyDown(Key::Escape));
    window.games.showDueFrames(0);
    EXPECT_FALSE(window.games.goesOn()) << "a window's game plays its input: Escape ends it";
}

// One rule for auto, whatever the platform says: a scale in 120ths, or dots an inch.
TEST(ScreenGames, ZoomAndFieldSizeFollowTheScale) {
    EXPECT_EQ(scaleFromDpi(96), 120);
    EXPECT_EQ(scaleFromDpi(144), 180);
    EXPECT_EQ(scaleFromDpi(192), 240);
    EXPECT_EQ(scaleFromDpi(0), SCALE_ONE) << "no DPI told: 1";
    EXPECT_EQ(deviceSide(1536, 150), 1920) << "1536 logical pixels at 1.25";
    EXPECT_EQ(deviceSide(853, 180), 1280) << "1279.5, to the nearest";
    const struct {
        int scale120;
        int autoZoom;
    } scales[] = {{120, 1}, {150, 1}, {179, 1}, {180, 2}, {240, 2}, {360, 3}};
    for (const auto& [scale, zoom] : scales) {
        TestRun run(launched({"--zoom", "auto"}));
        FakeScreen s;
        run.games.screenCame(1, s, facts(1917, 1081, scale));
        EXPECT_EQ(run.games.zoomOf(1), zoom) << "scale " << scale;
        EXPECT_EQ(run.world(1).field.width(), 1917 / zoom);
        EXPECT_EQ(run.world(1).field.height(), 1081 / zoom);
    }
    for (const auto& [dpi, zoom] : {std::pair{96, 1}, {144, 2}, {192, 2}}) {
        TestRun run(launched({"--saver", "--zoom", "auto"}));
        FakeScreen s;
        run.games.screenCame(1, s, facts(1920, 1080, scaleFromDpi(dpi)));
        EXPECT_EQ(run.games.zoomOf(1), zoom) << dpi << " dots an inch";
    }
    TestRun fixed(launched({"--zoom", "3"}));
    FakeScreen s;
    fixed.games.screenCame(1, s, facts(1000, 700, 240));
    EXPECT_EQ(fixed.games.zoomOf(1), 3) << "a zoom set is kept at any scale";
    EXPECT_EQ(fixed.world(1).field.width(), 333);
    fixed.games.showDueFrames(0);
    EXPECT_EQ(s.canvasWidth, 999);
    EXPECT_EQ(s.zoomAsked, 3);

    TestRun rescaled(launched({"--zoom", "auto"}));
    rescaled.games.screenCame(1, s, facts(800, 600, 120));
    rescaled.games.screenChanged(1, facts(1600, 1000, 240));
    rescaled.games.showDueFrames(0);
    EXPECT_EQ(rescaled.games.zoomOf(1), 2);
    EXPECT_EQ(rescaled.world(1).field.width(), 800);
    EXPECT_EQ(rescaled.world(1).field.height(), 500);
    EXPECT_EQ(s.canvasHeight, 1000);
}

TEST(ScreenGames, ASaverSpansItsMonitorsOrPlaysOnEach) {
    const std::vector<Rect> monitors = {{1920, 0, 1280, 1024}, {0, 200, 1920, 1080}};
    TestRun each(launched({"--saver"}));
    EXPECT_EQ(each.games.placesFor(monitors), monitors);
    TestRun span(launched({"--saver", "--monitors", "span"}));
    EXPECT_EQ(span.games.placesFor(monitors), (std::vector<Rect>{{0, 0, 3200, 1280}}));
    TestRun wallpaper(launched({"--wallpaper"}));
    EXPECT_EQ(wallpaper.games.placesFor(monitors), monitors);
    TestRun window(launched({}));
    EXPECT_EQ(window.games.placesFor(monitors), (std::vector<Rect>{monitors[0]}));
    EXPECT_TRUE(window.games.placesFor({}).empty());

    TestRun apart(launched({"--saver", "--monitors", "span"}), Platform{"Wayland", false, false});
    EXPECT_EQ(apart.said, std::vector<std::string>{"pellwick: --monitors span is not available on Wayland; a game plays on each output"})
        << "said before anything opens";
    EXPECT_EQ(apart.games.placesFor(monitors), monitors);
}

// Seen again, uncovered in part, resized: the next frame is the whole field; otherwise only what changed.
TEST(ScreenGames, AScreenSeenAgainIsDrawnWhole) {
    TestRun run(launched({}));
    FakeScreen s;
    run.games.screenCame(1, s, facts(160, 96));
    const Rect whole{0, 0, 160, 96};
    const auto frameAt = [&](std::int64_t at) {
        run.now = at;
        run.games.paceAndWait(at, false);
        run.games.showDueFrames(at);
        return s.lastRects;
    };
    EXPECT_EQ(frameAt(0), std::vector<Rect>{whole}) << "a new canvas";
    EXPECT_NE(frameAt(20'000), std::vector<Rect>{whole}) << "then only what changed";
    run.games.screenSeen(1, false);
    const int frames = s.frames;
    frameAt(40'000);
    EXPECT_EQ(s.frames, frames) << "unseen: no frames";
    run.games.screenSeen(1, true);
    EXPECT_EQ(frameAt(60'000), std::vector<Rect>{whole});
    EXPECT_NE(frameAt(80'000), std::vector<Rect>{whole});
    run.games.screenSeen(1, true);
    EXPECT_NE(frameAt(100'000), std::vector<Rect>{whole}) << "seen and seen again is no change";
    run.games.screenExposed(1);
    EXPECT_EQ(frameAt(120'000), std::vector<Rect>{whole});
    run.games.desktopBlanked(true);
    const int beforeBlank = s.frames;
    frameAt(140'000);
    EXPECT_EQ(s.frames, beforeBlank) << "the desktop locked over it: no frames";
    run.games.desktopBlanked(false);
    EXPECT_EQ(frameAt(160'000), std::vector<Rect>{whole}) << "unlocked: seen again, drawn whole";

    // What the frames cost: each damaged its rectangles, and needed only its changed tiles.
    const FrameStats& stats = run.games.stats();
    EXPECT_EQ(stats.frames, s.frames);
    std::int64_t last = 0;
    for (const Rect& r : s.lastRects) last += r.area();
    const std::int64_t before = stats.damaged;
    frameAt(180'000);
    std::int64_t now = 0;
    for (const Rect& r : s.lastRects) now += r.area();
    EXPECT_EQ(stats.damaged - before, now);
    EXPECT_GT(last, 0);
    EXPECT_GT(stats.changed, 0);
    EXPECT_LT(stats.changed, stats.damaged) << "three whole frames among them";
}

TEST(ScreenGames, ARunEndsWithItsLastScreenButAWallpaperWaits) {
    TestRun saver(launched({"--saver"}));
    FakeScreen a, b;
    EXPECT_TRUE(saver.games.goesOn()) << "before its first screen came";
    saver.games.screenCame(1, a, facts(64, 48));
    saver.games.screenCame(2, b, facts(64, 48));
    saver.games.screenWent(1);
    EXPECT_TRUE(saver.games.goesOn());
    saver.games.screenWent(2);
    EXPECT_FALSE(saver.games.goesOn());

    TestRun wallpaper(launched({"--wallpaper"}));
    wallpaper.games.screenCame(1, a, facts(64, 48));
    wallpaper.games.screenWent(1);
    EXPECT_TRUE(wallpaper.games.goesOn()) << "waits for an output to come";
    wallpaper.games.close();
    EXPECT_FALSE(wallpaper.games.goesOn()) << "a stop signal ends it";

    TestRun embedded(launched({"--root"}));
    embedded.games.screenCame(1, a, facts(64, 48));
    embedded.games.input(1, Input::press(Button::Left, 2));
    EXPECT_TRUE(embedded.games.goesOn());
    embedded.games.input(1, Input::close());
    EXPECT_FALSE(embedded.games.goesOn()) << "its window went";

    const Platform wayland{"Wayland", false, false};
    EXPECT_NE(ScreenGames::refusal(launched({"--root"}), wayland), "");
    EXPECT_EQ(ScreenGames::refusal(launched({"--root"}), Platform{"X11"}), "");
    EXPECT_EQ(ScreenGames::refusal(launched({"--saver"}), wayland), "");
}

// A display whose events take exactly as long as the loop lets them wait, on the run's fake clock.
struct FakeDisplay final : Display {
    TestRun& run;
    std::vector<int> waits;
    std::function<void(int round)> onRound = [](int) {};
    int rounds = 0;
    int lastRound = 6;
    bool battery = false;
    explicit FakeDisplay(TestRun& r) : run(r) {}
    void pumpEvents(int waitMs) override {
        waits.push_back(waitMs);
        run.now += static_cast<std::int64_t>(waitMs) * 1000;
        onRound(++rounds);
        if (rounds >= lastRound) run.games.close();
    }
    bool onBattery() override { return battery; }
};

// The loop waits until the next frame is due on some screen: at the refresh rate, or when a compositor asks;
// a frame that reached no screen is tried again a period later; a hidden screen gets none.
TEST(ScreenGames, TheLoopGivesEachScreenItsFramesWhenItCanTakeThem) {
    TestRun run(launched({"--saver"}));
    FakeDisplay display(run);
    FakeScreen refresh, compositor, minimised;
    compositor.commits = true;
    run.games.screenCame(1, refresh, ScreenFacts{64, 48, SCALE_ONE, 100, false});
    run.games.screenCame(2, compositor, ScreenFacts{64, 48, SCALE_ONE, 100, true});
    run.games.screenCame(3, minimised, ScreenFacts{64, 48, SCALE_ONE, 1000, false});
    run.games.screenSeen(3, false);
    display.onRound = [&](int round) {
        if (round == 4) run.games.frameCallback(2);
    };
    runFrameLoop(display, run.games, [&run] { return run.now; });
    EXPECT_EQ(display.waits, (std::vector<int>{0, 10, 10, 10, 10, 10}));
    EXPECT_EQ(refresh.frames, 5) << "one every 10 ms from 0 to 40 ms";
    EXPECT_EQ(compositor.frames, 2) << "the first, and the one the compositor asked for";
    EXPECT_EQ(minimised.frames, 0);
}

// A compositor that stops asking for a screen's frames is not showing it: the game rests as the settings
// say, and the loop sleeps long until the compositor asks again.
TEST(ScreenGames, AScreenItsCompositorStopsAskingForRestsUntilAskedAgain) {
    TestRun run(launched({"--wallpaper", "--rest", "pause"}));
    run.selfTimed = true;
    FakeDisplay display(run);
    display.lastRound = 7;
    FakeScreen covered;
    covered.commits = true;
    run.games.screenCame(1, covered, ScreenFacts{64, 48, SCALE_ONE, 100, true});
    std::vector<bool> paused;
    display.onRound = [&](int round) {
        paused.push_back(run.games.gameOf(1)->pace().paused);
        if (round == 5) run.games.frameCallback(1);
    };
    runFrameLoop(display, run.games, [&run] { return run.now; });
    EXPECT_EQ(display.waits, (std::vector<int>{0, 100, 100, 100, 1000, 100, 100}))
        << "unanswered for 250 ms from 0: a second's sleep; asked again at 1.3 s: a frame at once";
    EXPECT_EQ(covered.frames, 2);
    EXPECT_EQ(paused, (std::vector<bool>{false, false, false, false, true, false, false}));
}

// A game with no thread of its own keeps its time between frames: while its compositor is slow to ask, and
// while nobody can see it unless it rests; at rest the loop sleeps long.
TEST(ScreenGames, AnInlineGameKeepsItsTimeBetweenFrames) {
    for (const char* rest : {"keep", "pause"}) {
        TestRun run(launched({"--wallpaper", "--rest", rest}));
        FakeDisplay display(run);
        display.lastRound = 40;
        FakeScreen covered;
        covered.commits = true;
        run.games.screenCame(1, covered, ScreenFacts{64, 48, SCALE_ONE, 60, true});
        runFrameLoop(display, run.games, [&run] { return run.now; });
        const int longest = *std::max_element(display.waits.begin(), display.waits.end());
        if (std::string(rest) == "keep") {
            EXPECT_EQ(longest, 40) << "no callback comes: it wakes to keep time";
            EXPECT_GE(run.games.gameOf(1)->ticks(), static_cast<std::uint64_t>(run.now * 60 / 1'000'000 - 3)) << "and keeps it, at 60 a second";
        } else {
            EXPECT_EQ(longest, 1000) << "unseen at rest: it sleeps";
        }
    }
}

// Without a maker of its own the run plays a game of at most a tick a frame inline, so that the program wakes
// about once a frame; a faster one on a thread of its own.
TEST(ScreenGames, AGameOfATickAFrameRunsInlineAFasterOneOnItsOwnThread) {
    const auto inlineOn = [](std::vector<std::string> args, int refreshHz) {
        ScreenGames games(launched(args), Platform{"X11"}, 1, false, [](const std::string&) {});
        FakeScreen s;
        games.screenCame(1, s, ScreenFacts{64, 48, SCALE_ONE, refreshHz, false});
        return games.gameOf(1)->keepTime() != Game::NEVER_US;
    };
    EXPECT_TRUE(inlineOn({"--wallpaper"}, 0)) << "60 ticks a second at the default 60 Hz";
    EXPECT_TRUE(inlineOn({"--speed", "144"}, 144));
    EXPECT_FALSE(inlineOn({"--speed", "61"}, 60));
    EXPECT_FALSE(inlineOn({}, 60)) << "the window's 1000 ticks a second";
}

TEST(ScreenGames, OnBatteryOrHeldTheGamesSlowOrStandStill) {
    std::vector<std::uint64_t> ticks;
    for (const char* choice : {"same", "slow", "pause", "held"}) {
        TestRun run(launched({"--on-battery", std::string(choice) == "held" ? "same" : choice}));
        FakeDisplay display(run);
        display.battery = true;
        display.lastRound = 9;
        FakeScreen s;
        run.games.screenCame(1, s, ScreenFacts{64, 48, SCALE_ONE, 100, false});
        run.games.holdStill(std::string(choice) == "held");
        runFrameLoop(display, run.games, [&run] { return run.now; });
        ticks.push_back(run.games.gameOf(1)->ticks());
    }
    EXPECT_EQ(ticks[0], 71U) << "frames from 0 to 70 ms: the first tick, then 70 ms at 1000 ticks a second";
    EXPECT_EQ(ticks[1], 18U) << "a quarter of that: one every 4 ms";
    EXPECT_LE(ticks[2], 1U) << "paused";
    EXPECT_LE(ticks[3], 1U) << "held still";
}

}  // namespace
}  // namespace pellwick

namespace pellwick {
namespace {

// The watcher starts the saver once the desktop has been idle its time, never before, never while a program
// holds idling off or the desktop blanks or locks, never a second one while one plays; after one ended it
// waits for the desktop to be idle that long again.
TEST(IdleWatcher, TheSaverComesAfterItsTimeAloneAndGivesWay) {
    IdleWatcher w(180'000'000);
    w.idleFor(179'999'999);
    EXPECT_FALSE(w.startsSaver()) << "a microsecond early";
    w.idleFor(180'000'000);
    EXPECT_TRUE(w.startsSaver());
    w.inhibited(true);
    EXPECT_FALSE(w.startsSaver()) << "a video player holds it off";
    w.inhibited(false);
    w.locked(true);
    EXPECT_FALSE(w.startsSaver()) << "the desktop's locker is on";
    w.locked(false);
    w.sessionLocked(true);
    EXPECT_FALSE(w.startsSaver()) << "the session is locked";
    w.sessionLocked(false);
    w.saverStarted();
    EXPECT_FALSE(w.startsSaver()) << "one plays already";
    EXPECT_FALSE(w.saverRests());
    w.locked(true);
    EXPECT_TRUE(w.saverRests()) << "the desktop locked while it played";
    w.locked(false);
    w.sessionLocked(true);
    EXPECT_TRUE(w.saverRests()) << "the login manager locked the session while it played";
    w.locked(false);
    EXPECT_TRUE(w.saverRests()) << "the desktop's own saver going says nothing of the session's lock";
    w.sessionLocked(false);
    w.saverEnded();
    EXPECT_FALSE(w.startsSaver()) << "input ended it: not idle any more";
    w.idled();
    EXPECT_TRUE(w.startsSaver()) << "the compositor says idle again";
    w.resumed();
    EXPECT_FALSE(w.startsSaver());
    EXPECT_EQ(w.nextLookUs(0), IDLE_LONGEST_LOOK_US) << "a minute at most between looks";
    EXPECT_EQ(w.nextLookUs(179'600'000), 400'000) << "and no later than the saver is due";
    EXPECT_EQ(w.nextLookUs(179'999'900), 1'000);
    EXPECT_EQ(w.nextLookUs(200'000'000), IDLE_LOOK_US) << "due but held off: a look a second, not a busy loop";
}

// Each saver the watcher starts is the full-screen saver on a seed of its own, and the watcher knows it plays.
TEST(IdleWatcher, EachSaverItStartsPlaysOnASeedOfItsOwn) {
    IdleWatcher w(1'000'000);
    w.idled();
    static std::uint64_t drawnSeeds = 40;
    const auto fresh = [] { return ++drawnSeeds; };
    std::vector<std::tuple<Launch::Mode, std::uint64_t, bool, bool>> runs;
    const SaverRun run = [&](const Launch& l, std::uint64_t seed, bool drawn) {
        runs.emplace_back(l.mode, seed, drawn, w.playing());
        return 0;
    };
    EXPECT_EQ(playIdleSaver(w, readCommandLine({"--idle", "1"}, nullptr), fresh, run), 0);
    EXPECT_EQ(playIdleSaver(w, readCommandLine({"--idle", "1"}, nullptr), fresh, run), 0);
    EXPECT_EQ(playIdleSaver(w, readCommandLine({"--idle", "1", "--seed", "7"}, nullptr), fresh, run), 0);
    using Run = std::tuple<Launch::Mode, std::uint64_t, bool, bool>;
    const auto saver = Launch::Mode::FullScreenSaver;
    EXPECT_EQ(runs, (std::vector<Run>{{saver, 41, true, true}, {saver, 42, true, true}, {saver, 7, false, true}}))
        << "a fresh seed each time, named; a seed set, each time";
    EXPECT_FALSE(w.playing());
    EXPECT_FALSE(w.startsSaver()) << "after it: not before the desktop is idle again";
}

TEST(IdleWatcher, IdleIsAModeWhoseSaverTakesTheOtherSettings) {
    const Launch l = readCommandLine({"--idle", "0.05", "--monitors", "span", "--speed", "500"}, nullptr);
    ASSERT_EQ(l.mode, Launch::Mode::Idle) << l.error;
    EXPECT_EQ(l.settings.idleMinutes, 0.05);
    const Launch saver = saverOf(l);
    EXPECT_EQ(saver.mode, Launch::Mode::FullScreenSaver);
    EXPECT_EQ(saver.settings.monitors, Monitors::Span);
    EXPECT_EQ(saver.settings.speed, 500);
    EXPECT_EQ(readCommandLine({}, nullptr).settings.idleMinutes, 10) << "ten minutes unless set";
    EXPECT_EQ(readCommandLine({"--idle", "0"}, nullptr).error, "--idle needs 0.01 to 1440 minutes, not '0'");
    EXPECT_EQ(readCommandLine({"--idle", "1441"}, nullptr).mode, Launch::Mode::Refused);
    for (const char* other : {"--saver", "--wallpaper", "--root"}) {
        EXPECT_EQ(readCommandLine({"--idle", "5", other}, nullptr).mode, Launch::Mode::Refused) << other;
    }
    EXPECT_EQ(readCommandLine({"--idle", "5", "--new-game", "30"}, nullptr).settings.newGame, 30) << "the saver's own games";
}

}  // namespace
}  // namespace pellwick
