// pellwick-render: plays a game off-screen, prints how the field is shared and can save it as a PNG picture.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <cstdio>
#include <string>
#include <vector>

#include "app/version.hpp"
#include "tools/gif_file.hpp"
#include "tools/png_file.hpp"
#include "tools/render_args.hpp"
#include "tools/render_report.hpp"

namespace {

using Clock = std::chrono::steady_clock;

// A bar on stderr, shown only on a terminal and only once a run has lasted about a second.
class ProgressBar {
public:
    explicit ProgressBar(std::uint64_t total) : total_(total), start_(Clock::now()), enabled_(isatty(2) != 0) {}

    void update(std::uint64_t done) {
        if (!enabled_ || total_ == 0) return;
        const auto now = Clock::now();
        if (now - start_ < std::chrono::seconds(1) || now - last_ < std::chrono::milliseconds(100)) return;
        last_ = now;
        shown_ = true;
        const int filled = static_cast<int>(40 * done / total_);
        std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(filled, '#').c_str(),
                     std::string(40 - filled, ' ').c_str(), static_cast<int>(100 * done / total_));
        std::fflush(stderr);
    }

    void finish() {
        if (shown_) std::fprintf(stderr, "\r%60s\r", "");
    }

private:
    std::uint64_t total_;
    Clock::time_point start_;
    Clock::time_point last_{};
    bool enabled_;
    bool shown_ = false;
};

// The command line as one could type it again: arguments with anything but plain characters in quotes.
std::string commandLine(const std::vector<std::string>& args) {
    std::string line = "pellwick-render";
    for (const std::string& a : args) {
        const bool plain = !a.empty() && a.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-_=.,:/+") == std::string::npos;
        std::string quoted;
        for (char c : a) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        line += plain ? " " + a : " '" + quoted + "'";
    }
    return line;
}

int fail(const std::string& message) {
    std::fprintf(stderr, "pellwick-render: %s\n", message.c_str());
    return 2;
}

// Records a frame at tick 0, every frameEvery ticks, and at the last tick; each shows for the game time until
// the next, the last a while longer.
pellwick::Watch gifFrames(pellwick::GifRecorder& gif, const pellwick::RenderOptions& o) {
    return [&gif, ticks = o.ticks, every = o.frameEvery](std::uint64_t t, pellwick::App& app) {
        if (t % every != 0 && t != ticks) return;
        const std::uint64_t next = std::min(t + every, ticks);
        gif.addFrame(app.field(), t == ticks ? pellwick::GIF_LAST_FRAME_HOLD : pellwick::gifDelayFor(next - t));
    };
}

}  // namespace

int main(int argc, char** argv) {
    using namespace pellwick;
    const std::vector<std::string> args(argv + 1, argv + argc);
    const ParseResult parsed = parseRenderArgs(args);
    if (!parsed.options) return fail(parsed.error);
    const RenderOptions& o = *parsed.options;
    if (o.help) return std::fputs(renderUsage().c_str(), stdout) < 0 ? 1 : 0;
    if (o.version) return std::printf("pellwick-render %s\n", VERSION) < 0 ? 1 : 0;
    if (o.png) {
        if (std::string err = checkPngTarget(*o.png); !err.empty()) return fail(err);
    }

    std::unique_ptr<GifRecorder> gif;
    if (o.gif) {
        const FieldSize largest = largestField(o);
        const std::string comment = std::string("Pellwick ") + VERSION + ", seed " + std::to_string(o.seed) + ": " + commandLine(args);
        gif = std::make_unique<GifRecorder>(*o.gif, largest.width, largest.height, comment);
        if (!gif->error().empty()) return fail(gif->error());
    }

    ProgressBar bar(o.ticks);
    const App app = renderGame(o, [&bar](std::uint64_t done) { bar.update(done); }, gif ? gifFrames(*gif, o) : Watch{});
    bar.finish();
    const World& world = app.world();
    if (gif) {
        if (std::string err = gif->finish(); !err.empty()) return fail(err);
    }

    if (o.png) {
        const PictureText text = {{"Software", std::string("Pellwick ") + VERSION}, {"Seed", std::to_string(o.seed)}, {"Command", commandLine(args)}};
        if (std::string err = writePng(*o.png, world.field, text); !err.empty()) return fail(err);
    }
    const PixelCounts counts = countPixels(world.field);
    const std::string summary = o.json ? summaryJson(world, o.ticks, o.seed, counts) : summaryText(world, o.ticks, counts);
    std::puts(summary.c_str());
    std::fflush(stdout);
    if (o.png && !o.json) std::fprintf(stderr, "wrote %s\n", o.png->c_str());
    if (gif && !o.json) std::fprintf(stderr, "wrote %s (%d frames)\n", o.gif->c_str(), gif->frames());
    return 0;
}
