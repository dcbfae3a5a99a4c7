// Deriving and painting the figure patterns.
#include "game/figure_patterns.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <stdexcept>

#include "game/rules.hpp"

namespace pellwick {

namespace {

// The scratch field the shapes are drawn on, with the front pixel at its centre.
constexpr int SCRATCH_SIDE = 16;
constexpr int SCRATCH_CENTRE = SCRATCH_SIDE / 2;

}  // namespace

FigurePatterns::FigurePatterns() {
    Field scratch(SCRATCH_SIDE, SCRATCH_SIDE);
    for (int dy = -REACH; dy <= REACH; ++dy) {
        for (int dx = -REACH; dx <= REACH; ++dx) deriveShape(scratch, dx, dy);
    }
}

// Draws the figure whose back pixel lies (dx, dy) from its front pixel, and keeps the pixels it covers.
void FigurePatterns::deriveShape(Field& scratch, int dx, int dy) {
    scratch.clear();
    scratch.setPenWidth(1);
    const float front = SCRATCH_CENTRE + 0.5F;
    drawDash(scratch, front, front, front + static_cast<float>(dx), front + static_cast<float>(dy), INK);
    const int pattern = (dy + REACH) * SIDE + (dx + REACH);
    auto& steps = tailSteps_[pattern];
    steps.fill({0, 0});
    Box& box = boxes_[pattern];
    box = {0, 0, 0, 0};
    int ring = 0, tail = 0;
    for (int y = 0; y < SCRATCH_SIDE; ++y) {
        for (int x = 0; x < SCRATCH_SIDE; ++x) {
            if (scratch.at(x, y) != INK) continue;
            const int ox = x - SCRATCH_CENTRE, oy = y - SCRATCH_CENTRE;
            box = {std::min(box.left, ox), std::max(box.right, ox), std::min(box.top, oy), std::max(box.bottom, oy)};
            if (std::abs(ox) <= 1 && std::abs(oy) <= 1) {
                ++ring;
            } else if (tail < TAIL) {
                steps[tail++] = {static_cast<std::int8_t>(ox), static_cast<std::int8_t>(oy)};
            } else {
                ++tail;
            }
        }
    }
    // paint() writes the 3x3 block around the front pixel for every pattern, and at most TAIL pixels more.
    if (ring != 9 || tail > TAIL) throw std::logic_error("a walker figure does not fit the pattern layout");
}

void FigurePatterns::prepare(int fieldWidth, int fieldHeight) {
    width_ = fieldWidth;
    height_ = fieldHeight;
    // (unsigned)p - MARGIN <= span holds exactly for MARGIN <= p <= side - 1 - MARGIN, as long as that range
    // is not empty: a negative span would wrap to a huge one and let everything through.
    const int spanX = fieldWidth - 1 - 2 * MARGIN, spanY = fieldHeight - 1 - 2 * MARGIN;
    fits_ = spanX >= 0 && spanY >= 0;
    spanX_ = fits_ ? static_cast<unsigned>(spanX) : 0U;
    spanY_ = fits_ ? static_cast<unsigned>(spanY) : 0U;
    for (std::size_t p = 0; p < tails_.size(); ++p) {
        for (int k = 0; k < TAIL; ++k) tails_[p][k] = tailSteps_[p][k].dy * fieldWidth + tailSteps_[p][k].dx;
    }
}

FigureSpot FigurePatterns::locateAtEdge(const Field& f, float x1, float y1, float x2, float y2) const {
    // Far enough out that no part can reach the field, and small enough for whole-number arithmetic.
    constexpr float FAR = 1 << 24;
    const bool near = std::fabs(x1) < FAR && std::fabs(y1) < FAR && std::fabs(x2) < FAR && std::fabs(y2) < FAR;
    if (!near || f.penWidth() != 1) return {};
    // floor, for values this small, without a library call
    const auto floorOf = [](float v) { const auto t = static_cast<int>(v); return t - static_cast<int>(v < t); };
    const int px = floorOf(x1), py = floorOf(y1);
    const int dx = floorOf(x2) - px, dy = floorOf(y2) - py;
    if (std::abs(dx) > REACH || std::abs(dy) > REACH) return {};
    const int pattern = (dy + REACH) * SIDE + (dx + REACH);
    const Box& box = boxes_[pattern];
    if (px + box.left >= 0 && px + box.right < f.width() && py + box.top >= 0 && py + box.bottom < f.height()) {
        // All on the field after all, only nearer the edge than the quick check allows: painted unchecked.
        return {py * f.width() + px, pattern, blockOf(f, px, py, dx, dy)};
    }
    return {px, FigureSpot::EDGE + pattern, py};
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
    for (const Step s : tailSteps_[spot.pattern - FigureSpot::EDGE]) put(px + s.dx, py + s.dy);
    f.markDirty(px - REACH, py - REACH, px + REACH, py + REACH);
}

}  // namespace pellwick
