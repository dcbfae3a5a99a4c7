// Building and painting the figure patterns.
#include "figure.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>

namespace pellwick {

void FigurePatterns::prepare(int fieldWidth, int fieldHeight) {
    width_ = fieldWidth;
    height_ = fieldHeight;
    // (unsigned)p - kMargin <= span holds exactly for kMargin <= p <= side - 1 - kMargin, as long as that range
    // is not empty: a negative span would wrap to a huge one and let everything through.
    const int spanX = fieldWidth - 1 - 2 * kMargin, spanY = fieldHeight - 1 - 2 * kMargin;
    fits_ = spanX >= 0 && spanY >= 0;
    spanX_ = fits_ ? static_cast<unsigned>(spanX) : 0U;
    spanY_ = fits_ ? static_cast<unsigned>(spanY) : 0U;
    for (int dy = -kReach; dy <= kReach; ++dy) {
        for (int dx = -kReach; dx <= kReach; ++dx) {
            auto& tail = tails_[(dy + kReach) * kSide + (dx + kReach)];
            auto& steps = tailSteps_[(dy + kReach) * kSide + (dx + kReach)];
            tail.fill(0);
            steps.fill({0, 0});
            Box& box = boxes_[(dy + kReach) * kSide + (dx + kReach)];
            box = {-1, 1, -1, 1};  // the ring
            // The same integer walk as the field's lines, from the front end (0, 0) to (dx, dy); its first
            // two pixels are the front pixel and one of the ring's.
            const int adx = std::abs(dx), ady = std::abs(dy);
            const int sx = dx > 0 ? 1 : -1, sy = dy > 0 ? 1 : -1;
            int x = 0, y = 0, err = adx - ady, n = 0;
            for (int step = 0; !(x == dx && y == dy); ++step) {
                const int e2 = 2 * err;
                if (e2 >= -ady) {
                    err -= ady;
                    x += sx;
                }
                if (e2 <= adx) {
                    err += adx;
                    y += sy;
                }
                if (step >= 1) {
                    steps[n] = {static_cast<std::int8_t>(x), static_cast<std::int8_t>(y)};
                    tail[n++] = y * fieldWidth + x;
                    box = {std::min(box.left, x), std::max(box.right, x), std::min(box.top, y),
                           std::max(box.bottom, y)};
                }
            }
        }
    }
}

FigureSpot FigurePatterns::locateAtEdge(const Field& f, float x1, float y1, float x2, float y2) const {
    // Far enough out that no part can reach the field, and small enough for whole-number arithmetic.
    constexpr float kFar = 1 << 24;
    const bool near = std::fabs(x1) < kFar && std::fabs(y1) < kFar && std::fabs(x2) < kFar && std::fabs(y2) < kFar;
    if (!near || f.penWidth() != 1) return {};
    // floor, for values this small, without a library call
    const auto floorOf = [](float v) { const auto t = static_cast<int>(v); return t - static_cast<int>(v < t); };
    const int px = floorOf(x1), py = floorOf(y1);
    const int dx = floorOf(x2) - px, dy = floorOf(y2) - py;
    if (std::abs(dx) > kReach || std::abs(dy) > kReach) return {};
    const int pattern = (dy + kReach) * kSide + (dx + kReach);
    const Box& box = boxes_[pattern];
    if (px + box.left >= 0 && px + box.right < f.width() && py + box.top >= 0 && py + box.bottom < f.height()) {
        // All on the field after all, only nearer the edge than the quick check allows: painted unchecked.
        // Its tiles are anchored no further left or up than the field's first, which still holds it.
        return {py * f.width() + px, pattern, f.tileOf(std::max(px - kReach, 0), std::max(py - kReach, 0))};
    }
    return {px, FigureSpot::kEdge + pattern, py};
}

void FigurePatterns::paintAtEdge(Field& f, FigureSpot spot, Colour colour) const {
    const int px = spot.base, py = spot.tile;
    const int width = f.width(), height = f.height();
    Colour* pixels = f.data();
    const auto put = [&](int x, int y) {
        if (x >= 0 && y >= 0 && x < width && y < height) pixels[static_cast<std::ptrdiff_t>(y) * width + x] = colour;
    };
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) put(px + dx, py + dy);
    }
    for (const Step s : tailSteps_[spot.pattern - FigureSpot::kEdge]) put(px + s.dx, py + s.dy);
    f.markDirty(px - kReach, py - kReach, px + kReach, py + kReach);
}

}  // namespace pellwick
