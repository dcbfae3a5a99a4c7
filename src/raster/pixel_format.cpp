// Clipping rectangles and converting pixels for a screen.
#include "raster/pixel_format.hpp"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

namespace pellwick {

Rect Rect::clippedTo(int imageWidth, int imageHeight) const {
    const int x0 = std::max(x, 0), y0 = std::max(y, 0);
    const int x1 = std::min(x + width, imageWidth), y1 = std::min(y + height, imageHeight);
    if (x1 <= x0 || y1 <= y0) return Rect{};
    return Rect{x0, y0, x1 - x0, y1 - y0};
}

namespace {

// The shift of a mask that is one run of 8 set bits, or -1.
int byteShift(std::uint32_t mask) {
    for (int shift = 0; shift <= 24; ++shift) {
        if (mask == (0xFFU << shift)) return shift;
    }
    return -1;
}

}  // namespace

bool formatFromMasks(std::uint32_t red, std::uint32_t green, std::uint32_t blue, PixelFormat& out) {
    const int r = byteShift(red), g = byteShift(green), b = byteShift(blue);
    if (r < 0 || g < 0 || b < 0 || r == g || g == b || r == b) return false;
    out = PixelFormat{r, g, b, ~(red | green | blue)};
    return true;
}

namespace {

// Walks the rows of a list of rectangles in order.
struct RowCursor {
    const Rect* rect;
    const Rect* end;
    int y;

    RowCursor(const Rect* begin, const Rect* last) : rect(begin), end(last), y(begin != last ? begin->y : 0) {}
    bool done() const { return rect == end; }
    void next() {
        if (++y < rect->y + rect->height) return;
        if (++rect != end) y = rect->y;
    }
};

// Converts one pixel of the field to format f, given as plain values so the loops around vectorise.
inline std::uint32_t converted(std::uint32_t c, int rs, int gs, int bs, std::uint32_t set) {
    return set | ((c & 0xFF) << rs) | (((c >> 8) & 0xFF) << gs) | (((c >> 16) & 0xFF) << bs);
}

}  // namespace

void copyRects(const Colour* src, int srcStride, const PixelFormat& from, const Rect* rects, std::size_t count,
               std::uint32_t* dst, int dstStride, const PixelFormat& to) {
    // The rows lie far apart in memory and are seldom cached: the ones some rows ahead, in this rectangle
    // or the next, are fetched while this one is converted, instead of waiting for each in turn.
    const int rs = to.redShift, gs = to.greenShift, bs = to.blueShift;
    const std::uint32_t set = to.setBits;
    const auto sameOrder = [](const PixelFormat& a, const PixelFormat& b) {
        return a.redShift == b.redShift && a.greenShift == b.greenShift && a.blueShift == b.blueShift;
    };
    const bool fromFieldOrder = sameOrder(from, FIELD_ORDER);
    // The same byte order needs no shifts, only a mask and the set bits: a loop that shifts by a variable
    // amount is much slower where vectors do that slowly (WebAssembly's).
    const bool unshifted = sameOrder(from, to);
    constexpr int AHEAD = 16;
    constexpr int LINE = 16;  // pixels in a cache line
    RowCursor row(rects, rects + count), ahead = row;
    for (int n = 0; n < AHEAD && !ahead.done(); ++n) ahead.next();
    for (; !row.done(); row.next()) {
        if (!ahead.done()) {
            const std::ptrdiff_t from = static_cast<std::ptrdiff_t>(ahead.y) * srcStride + ahead.rect->x;
            const std::ptrdiff_t to = static_cast<std::ptrdiff_t>(ahead.y) * dstStride + ahead.rect->x;
            for (int i = 0; i < ahead.rect->width; i += LINE) {
                __builtin_prefetch(src + from + i);
                __builtin_prefetch(dst + to + i, 1);
            }
            ahead.next();
        }
        const int width = row.rect->width;
        const auto* __restrict in = reinterpret_cast<const std::uint32_t*>(src + static_cast<std::ptrdiff_t>(row.y) * srcStride + row.rect->x);
        std::uint32_t* __restrict out = dst + static_cast<std::ptrdiff_t>(row.y) * dstStride + row.rect->x;
        if (unshifted) {
            for (int i = 0; i < width; ++i) out[i] = (in[i] & 0xFFFFFFU) | set;
        } else if (fromFieldOrder) {
            for (int i = 0; i < width; ++i) out[i] = converted(in[i], rs, gs, bs, set);
        } else {
            for (int i = 0; i < width; ++i) out[i] = toPixel(fromPixel(in[i], from), to);
        }
    }
}

void copyRectsZoomed(const Colour* src, int srcStride, const PixelFormat& from, const Rect* rects, std::size_t count,
                     std::uint32_t* dst, int dstStride, const PixelFormat& to, int zoom) {
    if (zoom <= 1) return copyRects(src, srcStride, from, rects, count, dst, dstStride, to);
    // Each row is converted once into a row of its own, spread to squares' width in the first of its
    // zoom rows, and that row copied into the others.
    static thread_local std::vector<std::uint32_t> converted;
    for (const Rect* r = rects; r != rects + count; ++r) {
        converted.resize(static_cast<std::size_t>(r->width));
        const Rect row0{0, 0, r->width, 1};
        const std::size_t wide = static_cast<std::size_t>(r->width) * zoom;
        for (int y = r->y; y < r->y + r->height; ++y) {
            copyRects(src + static_cast<std::ptrdiff_t>(y) * srcStride + r->x, srcStride, from, &row0, 1, converted.data(), r->width, to);
            std::uint32_t* __restrict first = dst + static_cast<std::ptrdiff_t>(y) * zoom * dstStride + static_cast<std::ptrdiff_t>(r->x) * zoom;
            const std::uint32_t* __restrict in = converted.data();
            if (zoom == 2) {
                for (int i = 0; i < r->width; ++i) first[2 * i] = first[2 * i + 1] = in[i];
            } else {
                for (int i = 0; i < r->width; ++i) std::fill_n(first + static_cast<std::ptrdiff_t>(i) * zoom, zoom, in[i]);
            }
            for (int k = 1; k < zoom; ++k) std::memcpy(first + static_cast<std::ptrdiff_t>(k) * dstStride, first, wide * sizeof *first);
        }
    }
}

}  // namespace pellwick
