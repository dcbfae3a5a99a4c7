// The page's host (WebAssembly): the game in a worker, drawing into the page's canvas handed over to it,
// one round of the run per animation frame of the worker. The page itself only passes its events, its size
// and its address in, and does what the worker asks (assets/web/page.js); a canvas drawn from a worker
// reaches the screen without the page's own frames, which spares the browser the work of animating the
// page itself. The run decides as on every desktop: the zoom and field size from the window and the device
// pixel ratio, the pace (rest, battery, a still page), the frames. The game runs on the worker's one thread,
// each round bringing it up to now (the inputs after the ticks due at their time), and the changed
// rectangles of the field reach the canvas through one ImageData over the field's own memory, which keeps an
// opaque alpha byte in every pixel for it, or over an enlarged copy at a zoom. The address names the run:
// ?seed=N plays that stream, and without one the page draws a fresh seed and writes it there; ?saver starts
// its own games on a screen kept awake.
#include <emscripten.h>
#include <emscripten/html5.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/frame.hpp"
#include "app/launch.hpp"
#include "app/screens.hpp"
#include "app/settings.hpp"
#include "game/digest.hpp"

namespace pellwick {

namespace {

// What a putImageData costs the browser's main thread: a call as much as 1700 pixels of a rectangle, and a
// pixel in rows put whole half of one.
constexpr PutCost PUT_COST{1700, 0.5};

// The page shows one screen: the canvas.
constexpr ScreenId CANVAS = 1;
constexpr Platform PAGE_PLATFORM{"the page", false, false};

// The page's size as it last sent it: CSS pixels and the device pixel ratio.
struct View {
    double width = 0;
    double height = 0;
    double ratio = 1;
};

// The canvas as the run draws on it: at zoom 1 the field's own memory, else an enlarged copy.
struct PageCanvas final : ScreenView {
    View view;
    std::vector<std::uint32_t> zoomed;
    int shownWidth = 0;  // the canvas's pixels, as last set
    int shownHeight = 0;
    const void* pixels = nullptr;  // of the last canvas lent

    Canvas canvas(int fieldWidth, int fieldHeight, int zoom) override;
    bool present(const Frame& f) override;
};

// Everything the page runs on; it lives as long as the page.
struct Page {
    Launch launch;                    // the seed, the settings, a saver's own games, from the address
    std::string seedText;
    std::string notice;               // the page's line while it plays: what was wrong with the address
    bool still = false;               // waits for a tap before it moves (the user asks for reduced motion)
    bool testHeld = false;            // a test holds the game still
    bool onBattery = false;           // the browser says the machine is not charging
    PageCanvas screen;
    std::optional<ScreenGames> games;
    bool ended = false;
    std::string stateText;            // the last digest handed to a test
    std::string framesText;           // the last frames' cost handed to the benchmark

    Game* game() const { return games ? games->gameOf(CANVAS) : nullptr; }
};

// Gives the canvas width x height pixels when it has another size (which clears it), and has the page
// show it at that size over the device pixel ratio.
EM_JS(void, sizeCanvas, (int width, int height, double ratio), {
    const canvas = self.pellwickCanvas;
    if (canvas.width !== width || canvas.height !== height) {
        canvas.width = width;
        canvas.height = height;
    }
    self.postMessage({shownAt: [width / ratio, height / ratio]});
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
// (ticks, seed, state digest, frames' cost, pause), each answered with its number.
EM_JS(void, listenToPage, (Page* page), {
    const calls = {
        seed: () => UTF8ToString(Module._pellwickSeed(page)),
        ticks: () => Module._pellwickTicks(page),
        state: () => UTF8ToString(Module._pellwickState(page)),
        frames: () => UTF8ToString(Module._pellwickFrames(page)),
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

// The page's window as it last sent it.
EM_JS(void, readView, (double* width, double* height, double* ratio), {
    const view = self.pellwickView;
    HEAPF64[width >> 3] = view.width;
    HEAPF64[height >> 3] = view.height;
    HEAPF64[ratio >> 3] = view.ratio;
});

// The canvas for a frame: the field's own memory at zoom 1 (it keeps an opaque alpha byte in every pixel,
// the byte order ImageData reads), else a picture of the canvas's size the enlarged rectangles are drawn
// into. A canvas given a new size is blank; it is a new canvas to the run too, which draws it whole.
Canvas PageCanvas::canvas(int fieldWidth, int fieldHeight, int zoom) {
    const int width = fieldWidth * zoom, height = fieldHeight * zoom;
    if (width != shownWidth || height != shownHeight) {
        sizeCanvas(width, height, view.ratio);
        shownWidth = width;
        shownHeight = height;
    }
    if (zoom == 1) {
        pixels = nullptr;  // the frame's field
        return Canvas::theField(fieldWidth, fieldHeight);
    }
    zoomed.resize(static_cast<std::size_t>(width) * height);
    pixels = zoomed.data();
    return Canvas{zoomed.data(), width, height, width, RGBA_BYTES, false, zoom};
}

// Puts the frame's rectangles on the canvas; the next animation frame asks for the next.
bool PageCanvas::present(const Frame& f) {
    if (f.rects.empty()) return true;
    static_assert(sizeof(Rect) == 4 * sizeof(int));
    const void* rgba = pixels != nullptr ? pixels : static_cast<const void*>(f.field->pixels());
    putRects(rgba, f.width, f.height, reinterpret_cast<const int*>(f.rects.data()), static_cast<int>(f.rects.size()));
    return true;
}

// The canvas as the run knows a screen: the window in device pixels, the ratio as a scale.
ScreenFacts factsOf(const View& v) {
    return ScreenFacts{static_cast<int>(std::floor(v.width * v.ratio)), static_cast<int>(std::floor(v.height * v.ratio)),
                       static_cast<int>(std::lround(v.ratio * SCALE_ONE)), 0, true};
}

// Holds the game still while the page waits for a tap or a test holds it.
void hold(Page& p) {
    if (p.games) p.games->holdStill(p.still || p.testHeld);
}

// One round of the run: paces, and the frame the animation frame asks for.
void round(Page& p) {
    if (!p.games || p.ended) return;
    const std::int64_t now = nowUs();
    p.games->paceAndWait(now, p.onBattery);
    p.games->frameCallback(CANVAS);
    p.games->showDueFrames(now);
}

// The window's new size: the first time a game starts on it, later the field follows it. A window with no
// room for a pixel shows nothing, and says so.
void fit(Page& p) {
    readView(&p.screen.view.width, &p.screen.view.height, &p.screen.view.ratio);
    const ScreenFacts facts = factsOf(p.screen.view);
    if (facts.width < 1 || facts.height < 1) {
        const std::string size = std::to_string(facts.width) + " x " + std::to_string(facts.height);
        say(("The window is too small to show the game (" + size + " pixels). Make it larger.").c_str());
        return;
    }
    say(p.still ? "Tap or click to play" : p.notice.c_str());
    if (p.games->has(CANVAS)) {
        p.games->screenChanged(CANVAS, facts);
    } else {
        p.games->screenCame(CANVAS, p.screen, facts);
        hold(p);
    }
    round(p);
}

// The address's parameter `name`, when it has one; `present` says whether it does.
std::string addressValue(const char* name, bool& present) {
    char text[64] = {};
    const int length = addressParam(name, text, sizeof text);
    present = length >= 0;
    return length >= 0 && length < static_cast<int>(sizeof text) ? std::string(text) : std::string(sizeof text, '?');
}

// Where the page is: on a wall with ?saver (its own games, the screen kept awake), else a page to play.
unsigned pageUse() {
    bool saver = false;
    addressValue("saver", saver);
    return saver ? USE_PAGE_WALL : USE_PAGE;
}

// The settings the address names, over the page's defaults (the zoom is auto): those of the one table
// that apply where the page is. A value that is not one is said on the page, and the setting keeps its
// default; without a seed, or with one that is not one, the page draws a fresh one.
void chooseSettings(Page& p, unsigned use) {
    Settings& chosen = p.launch.settings;
    chosen = defaultsFor(use);
    for (const SettingDef& d : settingDefs()) {
        bool given = false;
        const std::string text = d.appliesTo(use) ? addressValue(d.name, given) : std::string();
        if (!given) continue;
        if (const std::string err = d.parse(text, chosen); !err.empty()) {
            p.notice = "The address's " + err + "; " + (d.unset != nullptr ? std::string("playing a fresh one") : "using " + d.fallbackIn(use)) + ".";
        }
    }
    if (!chosen.seed) chosen.seed = static_cast<std::uint64_t>(randomWord()) << 32U | randomWord();
    p.seedText = std::to_string(*chosen.seed);
    showSeedInAddress(p.seedText.c_str());
}

// The page's settings for its panel, from the one table: those that apply where the page is, each with
// its label, its values and the value in force; the seed is in the address.
std::string settingsJson(const Settings& chosen, unsigned use) {
    std::string out = "[";
    for (const SettingDef& d : settingDefs()) {
        if (!d.appliesTo(use) || d.kind == SettingDef::Kind::Seed) continue;
        std::vector<std::string> choices = d.choices();
        const bool number = choices.empty();
        if (number) choices = {secondsText(d.least), secondsText(d.most)};  // a number: its bounds
        std::string values;
        for (const std::string& v : choices) values += (values.empty() ? "\"" : ",\"") + v + "\"";
        out += std::string(out.size() > 1 ? "," : "") + "{\"name\":\"" + d.name + "\",\"label\":\"" + d.label +
               "\",\"number\":" + (number ? "true" : "false") + ",\"values\":[" + values + "],\"value\":\"" + d.valueIn(chosen) + "\"}";
    }
    return out + "]";
}

// Reads the address and the user's wishes, and sets up the run on them, before the game starts. The
// field's memory is the canvas's ImageData.
void setUp(Page& p) {
    const unsigned use = pageUse();
    p.launch.ownGames = use == USE_PAGE_WALL;
    if (p.launch.ownGames) keepScreenAwake();
    chooseSettings(p, use);
    offerSettings(settingsJson(p.launch.settings, use).c_str());
    p.still = prefersStillness() != 0;  // the game stands still until a tap
    const auto game = [](int width, int height, const AppSettings& settings) {
        AppSettings inPage = settings;
        inPage.pixelFormat = RGBA_BYTES;
        return std::make_unique<InlineGame>(width, height, inPage, nowUs, &PUT_COST);
    };
    p.games.emplace(p.launch, PAGE_PLATFORM, *p.launch.settings.seed, false, [](const std::string& line) { say(line.c_str()); }, WHITE, game);
}

EM_BOOL frame(double, void* data) {
    Page& p = *static_cast<Page*>(data);
    round(p);
    if (p.games->goesOn()) return EM_TRUE;
    p.ended = true;
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
    if (p->game() == nullptr) return;
    if (p->still && down != 0) {  // the tap that starts a still page only starts it
        p->still = false;
        pellwick::hold(*p);
        pellwick::say(p->notice.c_str());
        return;
    }
    const pellwick::Button b = left != 0 ? pellwick::Button::Left : pellwick::Button::Other;
    p->games->input(pellwick::CANVAS, down != 0 ? pellwick::Input::press(b, detail) : pellwick::Input::release(b, detail));
}

/// The page became visible (seen 1) or hidden.
EMSCRIPTEN_KEEPALIVE void pellwickSeen(Page* p, int seen) {
    p->games->screenSeen(pellwick::CANVAS, seen != 0);
    pellwick::round(*p);
}

/// The browser says whether the machine charges (battery 0) or runs on its battery (1).
EMSCRIPTEN_KEEPALIVE void pellwickBattery(Page* p, int battery) {
    p->onBattery = battery != 0;
    pellwick::round(*p);
}

/// A key press; escape is 1 for the Escape key.
EMSCRIPTEN_KEEPALIVE void pellwickKey(Page* p, int escape) {
    p->games->input(pellwick::CANVAS, pellwick::Input::keyDown(escape != 0 ? pellwick::Key::Escape : pellwick::Key::Other));
}

/// The window changed size.
EMSCRIPTEN_KEEPALIVE void pellwickResize(Page* p) {
    if (!p->ended) pellwick::fit(*p);
}

/// The seed the page plays, in decimal (tests).
EMSCRIPTEN_KEEPALIVE const char* pellwickSeed(Page* p) { return p->seedText.c_str(); }

/// Ticks run so far (tests).
EMSCRIPTEN_KEEPALIVE double pellwickTicks(Page* p) { return p->game() == nullptr ? 0 : static_cast<double>(p->game()->ticks()); }

/// The digest of the game's exact state, as pellwick-render --json gives it (tests).
EMSCRIPTEN_KEEPALIVE const char* pellwickState(Page* p) {
    p->stateText = p->game() == nullptr ? std::string() : pellwick::digestText(pellwick::stateDigest(p->game()->world()));
    return p->stateText.c_str();
}

/// The frames shown so far, the canvas pixels they put and those of the tiles that had changed, as
/// "FRAMES PUT CHANGED" (the benchmark).
EMSCRIPTEN_KEEPALIVE const char* pellwickFrames(Page* p) {
    const pellwick::FrameStats s = p->games ? p->games->stats() : pellwick::FrameStats{};
    p->framesText = std::to_string(s.frames) + " " + std::to_string(s.damaged) + " " + std::to_string(s.changed);
    return p->framesText.c_str();
}

/// Holds the game still, or lets it go on; held, it is first brought up to its time and shown, so the canvas
/// and the tick count hold still from then on (tests).
EMSCRIPTEN_KEEPALIVE void pellwickPause(Page* p, int paused) {
    p->testHeld = paused != 0;
    pellwick::hold(*p);
    pellwick::round(*p);
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
