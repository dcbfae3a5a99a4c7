// The frame loop every desktop backend runs on its display thread.
#include "app/frame_loop.hpp"

namespace pellwick {

std::int64_t framePeriodUs(int refreshHz) { return 1'000'000 / (refreshHz > 0 ? refreshHz : DEFAULT_REFRESH_HZ); }

void runFrameLoop(AppRunner& runner, Display& display, std::int64_t framePeriod) {
    Cadence frames(framePeriod);
    const CanvasFor canvas = [&display](int width, int height) { return display.canvas(width, height); };
    const Show show = [&display](const Frame& f) { display.present(f); };
    while (runner.running()) {
        display.pumpEvents(static_cast<int>((frames.until(nowUs()) + 999) / 1000), runner);
        if (!frames.due(nowUs())) continue;
        frames.start(nowUs());
        runner.frame(FRAME_WAIT_US, canvas, show);
    }
}

}  // namespace pellwick
