// The web page's host (WebAssembly): the game in a worker, drawing into the page's canvas handed over to it,
// driven by the worker's animation frames. The page itself only passes its events, its size and its address
// in, and does what the worker asks (assets/web/page.js); a canvas drawn from a worker reaches the screen
// without the page's own frames, which spares the browser the work of animating the page itself. The
// events are queued with their time as they come; each animation frame brings the game up to now as every
// host does (the inputs after the ticks due at their time), and the changed rectangles of the field reach
// the canvas through one ImageData over the field's own memory, which keeps an opaque alpha byte in every
// pixel for it, one field pixel per device pixel. The address names the run: ?seed=N plays that stream, and
// without one the page draws a fresh seed and writes it there; ?saver starts its own games on a screen kept
// awake.
#include <emscripten.h>
#include <emscripten/html5.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/app.hpp"
#include "app/frame.hpp"
#include "app/launch.hpp"
#include "app/settings.hpp"
#include "game/digest.hpp"

namespace pellwick {

namespace {

// What a putImageData costs the browser's main thread: a call as much as 1700 pixels of a rectangle, and a
// pixel in rows put whole half of one.
constexpr PutCost PUT_COST{1700, 0.5};

// Everything the page runs on; it lives as long as the page.
struct Page {
    AppSettings settings;             // the seed, and a saver's own games, from the address
    std::string seedText;
    std::string notice;               // the page's line while it plays: what was wrong with the address
    bool still = false;               // waits for a tap before it moves (the user asks for reduced motion)
    std::unique_ptr<App> app;         // made once the canvas has a size
    std::vector<TimedInput> inputs;   // come since the last animation frame
    FrameDrawer drawer = FrameDrawer::payingPerCall(PUT_COST);  // what to put on the canvas
    Settings chosen;                  // from the address; the zoom is the device pixel ratio unless it says
    int zoom = 1;                     // device pixels a field pixel takes on each side
    std::vector<std::uint32_t> zoomed;  // the canvas's picture at a zoom above 1
    bool seen = true;                 // the page is visible
    bool onBattery = false;           // the browser says the machine is not charging
    bool paused = false;        // the game's clock stands still (a still page, or a test)
    std::int64_t pausedAt = 0;  // the game's time when it was paused
    std::int64_t lost = 0;      // how long it stood still, all told
    std::string stateText;      // the last digest handed to a test

    // The game's clock: the steady clock, less the time it stood still.
    std::int64_t time() const { return paused ? pausedAt : nowUs() - lost; }
    void post(const Input& in) { inputs.push_back(TimedInput{in, time()}); }
    // Stops or restarts the game's clock.
    void pause(bool on) {
        if (on == paused) return;
        if (on) pausedAt = time();
        if (!on) lost = nowUs() - pausedAt;
        paused = on;
    }
};

// Sizes the field to the page's window (as the page last sent it) over the zoom (0: the device pixel ratio,
// rounded), at most `largest` a side, and the canvas to the field times the zoom in device pixels; has the
// page show the canvas at its size in the window, and gives the field's size and the zoom. A side below one
// pixel means there is nothing to show a field on.
EM_JS(void, fitCanvas, (int largest, int zoomSetting, int* width, int* height, int* zoom), {
    const canvas = self.pellwickCanvas, view = self.pellwickView;
    const z = zoomSetting > 0 ? zoomSetting : Math.max(1, Math.round(view.ratio));
    const w = Math.min(largest, Math.floor(view.width * view.ratio / z));
    const h = Math.min(largest, Math.floor(view.height * view.ratio / z));
    if (w > 0 && h > 0 && (canvas.width !== w * z || canvas.height !== h * z)) {
        canvas.width = w * z;  // setting it clears the canvas, so only when it changes
        canvas.height = h * z;
    }
    // Always: a canvas whose pixels already had the size (its default 300x150) still needs its size on screen.
    if (w > 0 && h > 0) self.postMessage({shownAt: [w * z / view.ratio, h * z / view.ratio]});
    HEAP32[width >> 2] = w;
    HEAP32[height >> 2] = h;
    HEAP32[zoom >> 2] = z;
});

// Puts `count` rectangles (x, y, width, height each) of the width x height RGBA pixels at `rgba` on the
// canvas. The ImageData over them is made again only when the pixels move or the wasm memory grows. The
// canvas is opaque, as the field is: the browser's compositor then copies it instead of blending it over the
// page, and a new size clears it to black, which the whole field covers at once.
EM_JS(void, putRects, (const void* rgba, int width, int height, const int* rects, int count), {
    const canvas = self.pellwickCanvas;
    canvas.pellwickContext = canvas.pellwickContext || canvas.getContext('2d', {alpha: false});
    let image = canvas.pellwickImage;
    if (!image || image.data.buffer !== HEAPU8.buffer || image.data.byteOffset !== rgba || image.width !== width ||
        image.height !== height) {
        image = canvas.pellwickImage = new ImageData(new Uint8ClampedArray(HEAPU8.buffer, rgba, width * height * 4), width, height);
    }
    for (let i = 0; i < count; ++i) {
        const r = rects + 16 * i;
        canvas.pellwickContext.putImageData(image, 0, 0, HEAP32[r >> 2], HEAP32[(r + 4) >> 2], HEAP32[(r + 8) >> 2],
                                            HEAP32[(r + 12) >> 2]);
    }
});

// The page's one line of text; empty hides it.
EM_JS(void, say, (const char* text), { self.postMessage({say: UTF8ToString(text)}); });

// The value of the address's parameter `name`, copied into out (size bytes at most); its length in bytes,
// or -1 when the address has no such parameter.
EM_JS(int, addressParam, (const char* name, char* out, int size), {
    const value = new URLSearchParams(self.pellwickSearch).get(UTF8ToString(name));
    if (value === null) return -1;
    stringToUTF8(value, out, size);
    return lengthBytesUTF8(value);
});

// Has the page write the seed into its address in place, so that copying the address shares the run.
EM_JS(void, showSeedInAddress, (const char* seed), { self.postMessage({seed: UTF8ToString(seed)}); });

// 32 bits from the browser's cryptographic random source.
EM_JS(std::uint32_t, randomWord, (), { return crypto.getRandomValues(new Uint32Array(1))[0]; });

// Whether the user asks for reduced motion, as the page found when it started.
EM_JS(int, prefersStillness, (), { return self.pellwickStill ? 1 : 0; });

// Hands the page the settings it offers in its panel, as JSON: name, label, values and the value in force.
EM_JS(void, offerSettings, (const char* json), { self.postMessage({settings: JSON.parse(UTF8ToString(json))}); });

// Has the page act as a page on a wall: no pointer over the canvas, the screen kept awake while it is seen.
EM_JS(void, keepScreenAwake, (), { self.postMessage({keepAwake: true}); });

// Takes the page's messages from now on, and those that came before the game started: its events, handed
// to the functions below with the page, a new window size, and the calls of the page's handle for tests
// (ticks, seed, state digest, pause), each answered with its number.
EM_JS(void, listenToPage, (Page* page), {
    const calls = {
        seed: () => UTF8ToString(Module._pellwickSeed(page)),
        ticks: () => Module._pellwickTicks(page),
        state: () => UTF8ToString(Module._pellwickState(page)),
        pause: paused => Module._pellwickPause(page, paused ? 1 : 0),
    };
    const handle = m => {
        if (m.button) Module._pellwickButton(page, m.button.down, m.button.left, m.button.detail);
        if (m.key) Module._pellwickKey(page, m.key.escape);
        if ('seen' in m) Module._pellwickSeen(page, m.seen ? 1 : 0);
        if ('battery' in m) Module._pellwickBattery(page, m.battery ? 1 : 0);
        if (m.view) {
            self.pellwickView = m.view;
            Module._pellwickResize(page);
        }
        if (m.call) self.postMessage({answer: m.call.id, value: calls[m.call.name](m.call.arg)});
    };
    self.onmessage = e => handle(e.data);
    self.pellwickEarly.splice(0).forEach(handle);
});

// Shows what changed on the field since the last time; nothing when nothing did. The field's memory is the
// picture itself: it keeps an opaque alpha byte in every pixel, the byte order ImageData reads. The drawer
// decides when the whole field goes (a blank canvas, or changes spread wide enough to cost more).
// At a zoom above 1 the enlarged rectangles are drawn into a picture of the canvas's size, and put from there.
void present(Page& p) {
    Field& f = p.app->field();
    Canvas canvas = Canvas::theField(f.width(), f.height());
    const void* pixels = f.pixels();
    if (p.zoom > 1) {
        const int width = f.width() * p.zoom, height = f.height() * p.zoom;
        p.zoomed.resize(static_cast<std::size_t>(width) * height);
        canvas = Canvas{p.zoomed.data(), width, height, width, RGBA_BYTES, false, p.zoom};
        pixels = p.zoomed.data();
    }
    const std::vector<Rect>& rects = p.drawer.draw(f, canvas);
    if (rects.empty()) return;
    static_assert(sizeof(Rect) == 4 * sizeof(int));
    putRects(pixels, canvas.width, canvas.height, reinterpret_cast<const int*>(rects.data()), static_cast<int>(rects.size()));
}

// The game's speed, or its time standing still, as the settings ask while the page is seen or not and the
// machine charges or not.
void pace(Page& p) {
    if (p.app == nullptr) return;
    const Pace now = paceFor(p.chosen, p.seen, p.onBattery);
    p.app->setSpeed(now.speed);
    p.app->pause(now.paused);
}

// Brings the game up to now, the inputs in their places among the ticks, and shows it. Returns whether the
// program goes on.
bool step(Page& p) {
    const bool goesOn = p.app->advance(p.inputs, p.time());
    p.inputs.clear();
    present(p);
    return goesOn;
}

// Brings the field to the window's size: the first time a game starts, later the overlap is kept. A
// resized canvas is blank, so it is drawn again at once.
void fit(Page& p) {
    int w = 0, h = 0;
    fitCanvas(MAX_FIELD_SIDE, p.chosen.zoom, &w, &h, &p.zoom);
    if (w < 1 || h < 1) {
        const std::string size = std::to_string(w) + " x " + std::to_string(h);
        say(("The window is too small to show the game (" + size + " pixels). Make it larger.").c_str());
        return;
    }
    say(p.still ? "Tap or click to play" : p.notice.c_str());
    if (p.app == nullptr) {
        p.app = std::make_unique<App>(w, h, p.settings);
        pace(p);
    } else {
        p.post(Input::resize(w, h));
    }
    p.drawer.screenLost();  // a canvas given a size is blank
    step(p);
}

// The address's parameter `name`, when it has one; `present` says whether it does.
std::string addressValue(const char* name, bool& present) {
    char text[64] = {};
    const int length = addressParam(name, text, sizeof text);
    present = length >= 0;
    return length >= 0 && length < static_cast<int>(sizeof text) ? std::string(text) : std::string(sizeof text, '?');
}

// The seed the address names, or else a fresh one, written into the address; a seed that is not one is
// said on the page.
void chooseSeed(Page& p) {
    bool given = false;
    const std::string text = addressValue("seed", given);
    if (!given || !parseSeed(text, p.settings.seed)) {
        if (given) p.notice = "The seed in the address is not a whole number from 0 to 18446744073709551615; playing a fresh one.";
        p.settings.seed = static_cast<std::uint64_t>(randomWord()) << 32U | randomWord();
    }
    p.seedText = std::to_string(p.settings.seed);
    showSeedInAddress(p.seedText.c_str());
}

// ?saver: the saver's own games on its intervals (&first-game=S&new-game=S), clicks still playing.
void chooseSaver(Page& p) {
    bool saver = false;
    addressValue("saver", saver);
    if (!saver) return;
    p.settings.ownGames = true;
    for (auto [name, seconds] : {std::pair{"first-game", &p.settings.times.firstGameSeconds},
                                 std::pair{"new-game", &p.settings.times.newGameSeconds}}) {
        bool given = false;
        const std::string text = addressValue(name, given);
        if (given && !parseSaverSeconds(text, *seconds)) {
            p.notice = std::string("The address's ") + name + " is not a number of seconds from 0 to 1000000; using the default.";
        }
    }
    keepScreenAwake();
}

// The page's settings for its panel, from the one table: each with its label and its values.
std::string settingsJson(const Settings& chosen) {
    std::string out = "[";
    for (const SettingDef& d : settingDefs()) {
        if (std::string(d.name) == "monitors") continue;
        std::string values;
        std::vector<std::string> choices = d.choices();
        if (choices.empty()) choices = {std::to_string(d.least), std::to_string(d.most)};  // a number: its bounds
        for (const std::string& v : choices) values += (values.empty() ? "\"" : ",\"") + v + "\"";
        out += std::string(out.size() > 1 ? "," : "") + "{\"name\":\"" + d.name + "\",\"label\":\"" + d.label +
               "\",\"number\":" + (d.choices().empty() ? "true" : "false") + ",\"values\":[" + values +
               "],\"value\":\"" + d.valueIn(chosen) + "\"}";
    }
    return out + "]";
}

// The settings the address names (speed=, zoom=, rest=, on-battery=); the zoom is auto unless it says.
// A value that is not one is said on the page, and the setting keeps its default. A page shows one
// screen, so monitors= is not one of them.
void chooseSettings(Page& p) {
    p.chosen.zoom = ZOOM_AUTO;
    for (const SettingDef& d : settingDefs()) {
        if (std::string(d.name) == "monitors") continue;
        bool given = false;
        const std::string text = addressValue(d.name, given);
        if (!given) continue;
        if (const std::string err = d.parse(text, p.chosen); !err.empty()) {
            p.notice = "The address's " + err + "; using " + (std::string(d.name) == "zoom" ? "auto" : d.fallback()) + ".";
        }
    }
    p.settings.speed = p.chosen.speed;
    offerSettings(settingsJson(p.chosen).c_str());
}

// Reads the address and the user's wishes before the game starts.
void setUp(Page& p) {
    chooseSeed(p);
    chooseSaver(p);
    chooseSettings(p);
    p.settings.pixelFormat = RGBA_BYTES;  // the field's memory is the canvas's ImageData
    p.still = prefersStillness() != 0;
    p.pause(p.still);  // the game's clock stands still until a tap
}

EM_BOOL frame(double, void* data) {
    Page& p = *static_cast<Page*>(data);
    if (p.app == nullptr) return EM_TRUE;  // waiting for a window large enough
    if (step(p)) return EM_TRUE;
    say("Pellwick has ended. Reload the page to play again.");
    return EM_FALSE;  // no more frames, and so no more ticks
}

}  // namespace

}  // namespace pellwick

using pellwick::Page;

extern "C" {

/// A mouse button pressed (down 1) or released on the canvas; left is 1 for the main button, and detail is
/// the event's count of quick clicks.
EMSCRIPTEN_KEEPALIVE void pellwickButton(Page* p, int down, int left, int detail) {
    if (p->app == nullptr) return;
    if (p->still && down != 0) {  // the tap that starts a still page only starts it
        p->still = false;
        p->pause(false);
        pellwick::say(p->notice.c_str());
        return;
    }
    const pellwick::Button b = left != 0 ? pellwick::Button::Left : pellwick::Button::Other;
    p->post(down != 0 ? pellwick::Input::press(b, detail) : pellwick::Input::release(b, detail));
}

/// The page became visible (seen 1) or hidden.
EMSCRIPTEN_KEEPALIVE void pellwickSeen(Page* p, int seen) {
    p->seen = seen != 0;
    pellwick::pace(*p);
}

/// The browser says whether the machine charges (battery 0) or runs on its battery (1).
EMSCRIPTEN_KEEPALIVE void pellwickBattery(Page* p, int battery) {
    p->onBattery = battery != 0;
    pellwick::pace(*p);
}

/// A key press; escape is 1 for the Escape key.
EMSCRIPTEN_KEEPALIVE void pellwickKey(Page* p, int escape) {
    if (p->app != nullptr) p->post(pellwick::Input::keyDown(escape != 0 ? pellwick::Key::Escape : pellwick::Key::Other));
}

/// The window changed size.
EMSCRIPTEN_KEEPALIVE void pellwickResize(Page* p) {
    if (p->app == nullptr || p->app->running()) pellwick::fit(*p);
}

/// The seed the page plays, in decimal (tests).
EMSCRIPTEN_KEEPALIVE const char* pellwickSeed(Page* p) { return p->seedText.c_str(); }

/// Ticks run so far (tests).
EMSCRIPTEN_KEEPALIVE double pellwickTicks(Page* p) { return p->app == nullptr ? 0 : static_cast<double>(p->app->ticks()); }

/// The digest of the game's exact state, as pellwick-render --json gives it (tests).
EMSCRIPTEN_KEEPALIVE const char* pellwickState(Page* p) {
    p->stateText = p->app == nullptr ? std::string() : pellwick::digestText(pellwick::stateDigest(p->app->world()));
    return p->stateText.c_str();
}

/// Stops or restarts the game's clock, so no tick falls due while it stands still; a pause first brings the
/// game up to its time, so the canvas and the tick count hold still from then on (tests).
EMSCRIPTEN_KEEPALIVE void pellwickPause(Page* p, int paused) {
    if ((paused != 0) == p->paused) return;
    p->pause(paused != 0);
    if (p->app != nullptr) pellwick::step(*p);
}

}  // extern "C"

int main() {
    auto* page = new Page();  // the page's for as long as it is open
    pellwick::setUp(*page);
    pellwick::listenToPage(page);
    pellwick::fit(*page);
    emscripten_request_animation_frame_loop(pellwick::frame, page);
    return 0;
}
