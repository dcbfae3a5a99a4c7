// Every decision about a run's screens, for every host, made in one place: which screens to open (a game on
// each monitor, or one across them), each screen's zoom, field size and seed, the line naming a drawn seed,
// which input ends the run, the whole repaint when a screen is seen again, each game's pace, when frames
// fall due, when the run ends and what a platform refuses before anything opens. A host only says what
// happened (a screen came, went, changed, was seen or not; a frame callback; input; a close; the power) and
// puts the frames it is handed on its screens.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/frame_loop.hpp"
#include "app/game.hpp"
#include "app/launch.hpp"
#include "app/saver.hpp"

namespace pellwick {

/// A host's name for one of its screens (an index, a window, a surface's address).
using ScreenId = std::uintptr_t;

/// The smallest rectangle holding all of them: the desktop's bounds for its monitors; none for none.
Rect boundsOf(const std::vector<Rect>& areas);

/// What a platform can do, told before anything opens.
struct Platform {
    const char* name;          // for the lines that say what it cannot do
    bool commonSpace = true;   // every monitor's positions lie in one space (X11, Windows), so a game can span them
    bool foreignWindows = true;  // it can draw into someone else's window
};

/// What a host knows of a screen: its size in device pixels, the display's scale, its refresh rate, and
/// whether its compositor paces it with frame callbacks.
struct ScreenFacts {
    int width = 0;
    int height = 0;
    int scale120 = SCALE_ONE;
    int refreshHz = 0;  // 0: not told
    bool callbacks = false;
};

/// How a screen's game keeps the field's pixels: in the screen's own format, in memory shared with its
/// display server where that can show the field where it lies.
struct FieldKeeping {
    PixelFormat format = FIELD_ORDER;
    bool shared = false;
};

/// A host's screen, as the owner of the run draws on it.
class ScreenView {
public:
    virtual ~ScreenView() = default;
    /// How the field should keep its pixels for this screen at this zoom; asked once, before its game starts.
    virtual FieldKeeping keeping(int zoom) {
        (void)zoom;
        return {};
    }
    /// The image the next frame is drawn into, for a field of fieldWidth x fieldHeight at `zoom`: that size
    /// times the zoom where it can be; the field itself where the screen shows the field where it lies;
    /// none (no pixels) to skip a frame. It stays the game's until present or canvas is called again.
    virtual Canvas canvas(int fieldWidth, int fieldHeight, int zoom) = 0;
    /// Puts the frame's rectangles of the last canvas on the screen, and nothing else; returns whether it
    /// asked the compositor for a frame callback.
    virtual bool present(const Frame& frame) = 0;
    /// The pixels present damages on the screen for this frame: its rectangles', unless the screen sends
    /// more (their bounds, say).
    virtual std::int64_t damaged(const Frame& frame) { return areaOf(frame.rects); }
};

/// What the frames of a run cost their screens: how many there were, the pixels they damaged, and the
/// pixels of the tiles that had changed, which is all they needed.
struct FrameStats {
    std::int64_t frames = 0;
    std::int64_t damaged = 0;
    std::int64_t changed = 0;

    /// One line: the frames, and per frame the pixels damaged against those of the changed tiles.
    std::string line() const;
};

/// What the run tells its host to say (on stderr, in the page's line).
using Say = std::function<void(const std::string&)>;

/// A run's screens and the game on each. Not thread-safe: one host thread tells it everything.
class ScreenGames {
public:
    /// A run as launched, on a platform, playing `seed` (drawn by the program itself when seedDrawn), on
    /// the platform's background colour. Says at once what the platform cannot give of what was asked.
    /// Its games are maker's; without one, a game of at most a tick a frame runs inline on the host's thread
    /// (the program then wakes about once a frame), a faster one on a thread of its own.
    ScreenGames(const Launch& launch, const Platform& platform, std::uint64_t seed, bool seedDrawn, Say say,
                Colour background = WHITE, GameMaker maker = nullptr);
    ~ScreenGames();
    ScreenGames(const ScreenGames&) = delete;
    ScreenGames& operator=(const ScreenGames&) = delete;

    /// What the launch asks that the platform cannot do at all, before anything opens: "" or one line.
    static std::string refusal(const Launch& launch, const Platform& platform);

    // ---- What the host tells it.
    /// A screen came: its game starts on the next seed, at the zoom and field size its facts give.
    void screenCame(ScreenId id, ScreenView& view, const ScreenFacts& facts);
    /// A screen went: its game ends first.
    void screenWent(ScreenId id);
    /// A screen's size or scale changed: its field follows, and the screen is drawn whole.
    void screenChanged(ScreenId id, const ScreenFacts& facts);
    /// Whether anything of the screen can be seen (not minimised, not wholly covered). Seen again, it is drawn whole.
    void screenSeen(ScreenId id, bool seen);
    /// The screen lost what it showed (uncovered in part): it is drawn whole.
    void screenExposed(ScreenId id);
    /// The screen's compositor asks for its next frame.
    void frameCallback(ScreenId id);
    /// Input on a screen, in its device pixels (in the platform's common space where it has one).
    void input(ScreenId id, const Input& in);
    /// Where the pointer is as the run starts, where the platform can tell before it moves.
    void pointerStartsAt(ScreenId id, int x, int y);
    /// The whole run is to end (a stop signal, the session's end).
    void close() { closed_ = true; }
    /// Holds every game still (a page waiting for a tap, a test), or lets them go on.
    void holdStill(bool held) { held_ = held; }
    /// Whether the desktop has blanked or locked itself over every screen: none can be seen meanwhile, and
    /// the games rest as --rest says; after it, each is drawn whole.
    void desktopBlanked(bool blanked);

    // ---- What it decides.
    /// The places screens go on these monitors (in device pixels): each monitor, or one place spanning them; a window's and
    /// a saver in someone else's window's one place is the first monitor.
    std::vector<Rect> placesFor(const std::vector<Rect>& monitors) const;
    /// Whether the run goes on: not closed or ended by input, every game running, and a screen left (a
    /// wallpaper waits for one; a run goes on until its first screen came).
    bool goesOn() const;
    /// Whether input over the screens ends the run (a full-screen saver): its host takes every input.
    bool endsOnInput() const { return launch_.mode == Launch::Mode::FullScreenSaver; }
    /// Sets every game's pace for this moment and brings the inline games up to it, and returns the
    /// microseconds until a frame falls due on some screen that can be seen (RESTING_WAIT_US when none can,
    /// LONGEST_WAIT_US at most), or an inline game must keep its time.
    std::int64_t paceAndWait(std::int64_t atUs, bool onBattery);
    /// Shows a frame on each screen that can be seen and whose frame is due at atUs.
    void showDueFrames(std::int64_t atUs);

    // ---- What a host or a test may ask.
    bool has(ScreenId id) const { return screens_.count(id) != 0; }
    int zoomOf(ScreenId id) const;
    std::uint64_t seedOf(ScreenId id) const;
    /// The screen's game; null when there is no such screen.
    Game* gameOf(ScreenId id) const;
    std::size_t count() const { return screens_.size(); }
    /// What the frames shown so far cost their screens.
    const FrameStats& stats() const { return stats_; }

private:
    struct Screen;
    void start(Screen& s, const ScreenFacts& facts);
    bool seen(const Screen& s, std::int64_t atUs) const;

    Launch launch_;
    Platform platform_;
    Say say_;
    Colour background_;
    GameMaker maker_;
    bool seedDrawn_;
    bool seedSaid_ = false;
    SaverPolicy policy_;  // the screens' seeds, and the input that ends a full-screen saver
    std::map<ScreenId, std::unique_ptr<Screen>> screens_;
    bool hadScreen_ = false;
    bool closed_ = false;
    bool ended_ = false;  // by input that ends a full-screen saver, or a game of the run ending
    bool held_ = false;
    bool blanked_ = false;
    FrameStats stats_;
};

/// What a desktop host gives the frame loop: a wait for its events, which it tells the run as they come.
class Display {
public:
    virtual ~Display() = default;
    /// Waits up to waitMs for platform events, and tells the run each that came.
    virtual void pumpEvents(int waitMs) = 0;
    /// Whether the machine runs on battery power, where the platform tells; asked once a round.
    virtual bool onBattery() { return false; }
};

/// Runs the run until it ends: each round sets the games' paces, waits for events until the next frame is
/// due, and shows the frames that are. The clock is nowUs unless a test gives its own.
void runFrameLoop(Display& display, ScreenGames& games, const Clock& clock = nowUs);

}  // namespace pellwick
