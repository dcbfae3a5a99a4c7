// The frame loop every desktop host runs on its display thread, and the pacing of each screen's frames.
#include "app/frame_loop.hpp"

#include <algorithm>

namespace pellwick {

std::int64_t framePeriodUs(int refreshHz) { return 1'000'000 / (refreshHz > 0 ? refreshHz : DEFAULT_REFRESH_HZ); }

std::int64_t FramePacer::until(std::int64_t atUs) const {
    if (!callbacks_) return cadence_.until(atUs);
    return due_ ? std::max<std::int64_t>(retryAt_ - atUs, 0) : NEVER;
}

void FramePacer::framed(std::int64_t atUs) {
    if (!callbacks_) return cadence_.start(atUs);
    if (waiting_) {
        committedAt_ = atUs;
        due_ = false;
        return;
    }
    retryAt_ = atUs + period_;  // nothing reached the screen: try again after a refresh period
}

namespace {

// Whether anything of a screen can be seen: the host says so, and its compositor still asks for frames.
bool seen(const Screen& s, std::int64_t atUs) { return s.shown && !s.pacer.unanswered(atUs); }

// Hands the screen the frame drawn for it, and asks for the next.
void showFrame(Screen& screen, std::int64_t atUs) {
    AppRunner* runner = screen.runner();
    if (runner == nullptr) return;
    const CanvasFor canvas = [&screen](int width, int height) { return screen.canvas(width, height); };
    const Show show = [&screen](const Frame& f) { screen.present(f); };
    runner->frame(FRAME_WAIT_US, canvas, show);
    screen.pacer.framed(atUs);
}

}  // namespace

void runFrameLoop(Display& display, const Settings& settings, const Clock& clock) {
    while (display.goesOn()) {
        const bool battery = display.onBattery();
        bool anyShown = false;
        std::int64_t wait = LONGEST_WAIT_US;
        const std::int64_t before = clock();
        display.forEachScreen([&](Screen& s) {
            if (s.runner() == nullptr) return;
            const bool visible = seen(s, before);
            s.runner()->setPace(paceFor(settings, visible, battery));
            if (visible) wait = std::min(wait, s.pacer.until(before));
            anyShown = anyShown || visible;
        });
        if (!anyShown) wait = RESTING_WAIT_US;
        display.pumpEvents(static_cast<int>((wait + 999) / 1000));
        if (!display.goesOn()) break;
        const std::int64_t at = clock();
        display.forEachScreen([&](Screen& s) {
            if (seen(s, at) && s.pacer.until(at) == 0) showFrame(s, at);
        });
    }
}

}  // namespace pellwick
