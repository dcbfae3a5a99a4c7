// The field's raster: pen stamps, clipped line walks, rings, pixel reads and resizing.
#include "raster/field.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace pellwick {

namespace {

int clampSide(int side) { return std::clamp(side, 1, MAX_FIELD_SIDE); }

Colour validBackground(Colour c) { return (c > 0 && isColour(c)) ? c : WHITE; }

// Floors a coordinate to its pixel; false when it is not finite or too far out to draw.
bool floorToPixel(float v, std::int64_t& out) {
    if (!std::isfinite(v) || std::fabs(static_cast<double>(v)) > MAX_COORDINATE) return false;
    out = static_cast<std::int64_t>(std::floor(static_cast<double>(v)));
    return true;
}

}  // namespace

Field::Field(int width, int height, Colour background)
    : width_(clampSide(width)),
      height_(clampSide(height)),
      background_(validBackground(background)),
      pixels_(static_cast<std::size_t>(width_) * height_) {
    resetTiles();
    clear();
    setPenWidth(1);
}

void Field::clear() {
    std::fill_n(pixels_.data(), pixels_.size(), storedColour(background_));
    std::fill(dirty_.begin(), dirty_.end(), 1);
}

void Field::resetTiles() {
    tilesX_ = (width_ + TILE_SIZE - 1) >> TILE_SHIFT;
    tilesY_ = (height_ + TILE_SIZE - 1) >> TILE_SHIFT;
    dirty_.assign(static_cast<std::size_t>(tilesX_) * (tilesY_ + 1) + 2, 1);
}

void Field::clearDirty() { std::fill(dirty_.begin(), dirty_.end(), 0); }

void Field::markDirty(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1) {
    x0 = std::max<std::int64_t>(x0, 0);
    y0 = std::max<std::int64_t>(y0, 0);
    x1 = std::min<std::int64_t>(x1, width_ - 1);
    y1 = std::min<std::int64_t>(y1, height_ - 1);
    if (x0 > x1 || y0 > y1) return;
    for (std::int64_t ty = y0 >> TILE_SHIFT; ty <= y1 >> TILE_SHIFT; ++ty) {
        std::uint8_t* row = dirty_.data() + ty * tilesX_;
        std::fill(row + (x0 >> TILE_SHIFT), row + (x1 >> TILE_SHIFT) + 1, 1);
    }
}

void Field::setPenWidth(int width) {
    penWidth_ = std::clamp(width, 1, MAX_PEN_WIDTH);
    const int w = penWidth_;
    stampLo_ = -((w - 1) / 2);
    stampHi_ = w / 2;
    const int c = stampLo_ + stampHi_;
    spans_.clear();
    for (int j = stampLo_; j <= stampHi_; ++j) {
        for (int i = stampLo_; i <= stampHi_; ++i) {
            if ((2 * i - c) * (2 * i - c) + (2 * j - c) * (2 * j - c) <= w * w) {
                if (spans_.empty() || spans_.back().dy != j) spans_.push_back({j, i, i});
                spans_.back().dxHi = i;  // the stamp is convex, so each row is one run
            }
        }
    }
}

bool Field::setPixelFormat(const PixelFormat& f) {
    if (!keepsColourBits(f)) return false;
    const PixelFormat before = format_;
    format_ = f;
    std::for_each(pixels_.data(), pixels_.data() + pixels_.size(),
                  [&](Colour& p) { p = storedColour(fromPixel(static_cast<std::uint32_t>(p), before)); });
    return true;
}

bool Field::shareMemory() {
    if (pixels_.sharedId() < 0) {
        PixelMemory shared(pixels_.size(), PixelMemory::Shared);
        if (shared.sharedId() < 0) return false;
        std::copy_n(pixels_.data(), pixels_.size(), shared.data());
        pixels_ = std::move(shared);
    }
    shared_ = true;
    return true;
}

void Field::stampAt(std::int64_t px, std::int64_t py, Colour colour) {
    if (penWidth_ == 1) {
        if (px >= 0 && px < width_ && py >= 0 && py < height_) {
            row(static_cast<int>(py))[px] = colour;
            dirty_[tileOf(static_cast<int>(px), static_cast<int>(py))] = 1;
        }
        return;
    }
    markDirty(px + stampLo_, py + stampLo_, px + stampHi_, py + stampHi_);
    for (const Span& s : spans_) {
        const std::int64_t qy = py + s.dy;
        if (qy < 0 || qy >= height_) continue;
        const std::int64_t from = std::max<std::int64_t>(px + s.dxLo, 0);
        const std::int64_t to = std::min<std::int64_t>(px + s.dxHi, width_ - 1);
        if (from <= to) std::fill(row(static_cast<int>(qy)) + from, row(static_cast<int>(qy)) + to + 1, colour);
    }
}

void Field::drawLine(float x1, float y1, float x2, float y2, Colour colour) {
    std::int64_t px1, py1, px2, py2;
    if (!floorToPixel(x1, px1) || !floorToPixel(y1, py1) || !floorToPixel(x2, px2) || !floorToPixel(y2, py2)) return;
    walkLine(px1, py1, px2, py2, storedColour(colour));
}

// The classic all-octant integer walk, entered at the first step whose stamp can reach the field and left
// after the last, so a line far longer than the field costs no more than one across it. Along the major
// axis every step advances; the minor axis has advanced floor((2*dMinor*t + dMajor) / (2*dMajor)) times
// after t steps, which lets the walk start mid-way with exactly the error it would have had.
void Field::walkLine(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2, Colour colour) {
    const std::int64_t dx = std::llabs(x2 - x1);
    const std::int64_t dy = -std::llabs(y2 - y1);
    const std::int64_t sx = x1 < x2 ? 1 : -1;
    const std::int64_t sy = y1 < y2 ? 1 : -1;
    const bool xMajor = dx >= -dy;
    const std::int64_t dMajor = xMajor ? dx : -dy;
    const std::int64_t dMinor = xMajor ? -dy : dx;
    const std::int64_t start = xMajor ? x1 : y1;
    const std::int64_t dir = xMajor ? sx : sy;
    const std::int64_t lowest = -stampHi_;
    const std::int64_t highest = (xMajor ? width_ : height_) - 1 - stampLo_;
    std::int64_t first = dir > 0 ? lowest - start : start - highest;
    std::int64_t last = dir > 0 ? highest - start : start - lowest;
    first = std::max<std::int64_t>(first, 0);
    last = std::min(last, dMajor);
    if (first > last) return;

    const std::int64_t minorSteps = dMajor == 0 ? 0 : (2 * dMinor * first + dMajor) / (2 * dMajor);
    std::int64_t x = x1 + sx * (xMajor ? first : minorSteps);
    std::int64_t y = y1 + sy * (xMajor ? minorSteps : first);
    std::int64_t err = xMajor ? dx * (1 + minorSteps) + dy * (1 + first) : dx * (1 + first) + dy * (1 + minorSteps);
    for (std::int64_t t = first;; ++t) {
        stampAt(x, y, colour);
        if (t == last) break;
        const std::int64_t e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

void Field::drawBox(float x1, float y1, float x2, float y2) {
    std::int64_t px1, py1, px2, py2;
    if (!floorToPixel(x1, px1) || !floorToPixel(y1, py1) || !floorToPixel(x2, px2) || !floorToPixel(y2, py2)) return;
    const Colour ink = storedColour(INK);
    walkLine(px1, py1, px2, py1, ink);
    walkLine(px2, py1, px2, py2, ink);
    walkLine(px2, py2, px1, py2, ink);
    walkLine(px1, py2, px1, py1, ink);
}

void Field::drawCircle(float cx, float cy, float radius, Colour colour) {
    std::int64_t centreX, centreY;
    if (!floorToPixel(cx, centreX) || !floorToPixel(cy, centreY)) return;
    if (!std::isfinite(radius) || std::fabs(static_cast<double>(radius)) > MAX_COORDINATE) return;
    const double outer = static_cast<double>(radius) + penWidth_ / 2.0;
    const double inner = static_cast<double>(radius) - penWidth_ / 2.0;
    if (outer < 0) return;
    const double outer2 = outer * outer;
    const double inner2 = inner > 0 ? inner * inner : -1.0;
    const auto reach = static_cast<std::int64_t>(std::floor(outer));
    const std::int64_t top = std::max<std::int64_t>(centreY - reach, 0);
    const std::int64_t bottom = std::min<std::int64_t>(centreY + reach, height_ - 1);
    const std::int64_t left = std::max<std::int64_t>(centreX - reach, 0);
    const std::int64_t right = std::min<std::int64_t>(centreX + reach, width_ - 1);
    const Colour c = storedColour(colour);
    markDirty(left, top, right, bottom);
    for (std::int64_t py = top; py <= bottom; ++py) {
        const auto j = static_cast<double>(py - centreY);
        Colour* line = row(static_cast<int>(py));
        for (std::int64_t px = left; px <= right; ++px) {
            const auto i = static_cast<double>(px - centreX);
            const double d = i * i + j * j;
            if (d <= outer2 && d >= inner2) line[px] = c;
        }
    }
}

void Field::resize(int width, int height) {
    width = clampSide(width);
    height = clampSide(height);
    if (width == width_ && height == height_) return;
    PixelMemory next(static_cast<std::size_t>(width) * height, shared_ ? PixelMemory::Shared : PixelMemory::Private);
    std::fill_n(next.data(), next.size(), storedColour(background_));
    const int keepW = std::min(width, width_);
    const int keepH = std::min(height, height_);
    for (int y = 0; y < keepH; ++y) {
        std::copy_n(row(y), keepW, next.data() + static_cast<std::ptrdiff_t>(y) * width);
    }
    pixels_ = std::move(next);
    width_ = width;
    height_ = height;
    resetTiles();
}

}  // namespace pellwick
