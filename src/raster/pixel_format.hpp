// Rectangles of pixels, and how a screen packs a pixel: the one place the field's colours are converted to
// a host's pixel format, rectangle by rectangle.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "raster/colour.hpp"

namespace pellwick {

/// A rectangle of pixels: columns x to x + width (excluded), rows y to y + height (excluded).
struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool operator==(const Rect&) const = default;
    /// Its area in pixels.
    std::int64_t area() const { return static_cast<std::int64_t>(width) * height; }
    /// The part of it inside a width x height image, at the same place; empty when none is.
    Rect clippedTo(int imageWidth, int imageHeight) const;
    /// Whether it holds no pixel.
    bool empty() const { return width <= 0 || height <= 0; }
};

/// The rectangles' areas added up (pixels where they overlap counted each time).
inline std::int64_t areaOf(const std::vector<Rect>& rects) {
    std::int64_t sum = 0;
    for (const Rect& r : rects) sum += r.area();
    return sum;
}

/// Where a screen's 32-bit pixel keeps each 8-bit channel, and the bits it always sets (such as alpha).
struct PixelFormat {
    int redShift;
    int greenShift;
    int blueShift;
    std::uint32_t setBits = 0;

    bool operator==(const PixelFormat&) const = default;
};

/// Blue in the low byte, red in the third: Windows DIBs, the usual X11 true-colour visuals, Wayland's XRGB8888.
constexpr PixelFormat XRGB{16, 8, 0};
/// The field's own packing, red in the low byte (XBGR8888).
constexpr PixelFormat FIELD_ORDER{0, 8, 16};
/// The bytes red, green, blue, alpha in memory (little-endian): a canvas's ImageData, opaque.
constexpr PixelFormat RGBA_BYTES{0, 8, 16, 0xFF000000U};

/// c packed as format f packs a pixel.
constexpr std::uint32_t toPixel(Colour c, const PixelFormat& f) {
    const auto u = static_cast<std::uint32_t>(c);
    return f.setBits | ((u & 0xFF) << f.redShift) | (((u >> 8) & 0xFF) << f.greenShift) |
           (((u >> 16) & 0xFF) << f.blueShift);
}

/// The colour of pixel p of format f (its other bits ignored).
constexpr Colour fromPixel(std::uint32_t p, const PixelFormat& f) {
    return static_cast<Colour>(((p >> f.redShift) & 0xFF) | (((p >> f.greenShift) & 0xFF) << 8) |
                               (((p >> f.blueShift) & 0xFF) << 16));
}

/// Whether format f keeps its three channels in the low three bytes, in any order, and sets no bit among
/// them: the formats a field can store its pixels in.
constexpr bool keepsColourBits(const PixelFormat& f) {
    const auto byte = [](int shift) { return shift == 0 || shift == 8 || shift == 16; };
    return byte(f.redShift) && byte(f.greenShift) && byte(f.blueShift) && f.redShift != f.greenShift &&
           f.greenShift != f.blueShift && f.redShift != f.blueShift && (f.setBits & 0xFFFFFFU) == 0;
}

/// The format of a 32-bit pixel given by its channel masks, when each is 8 bits wide; false otherwise.
/// Bits outside the three masks are set (an alpha channel shows opaque).
bool formatFromMasks(std::uint32_t red, std::uint32_t green, std::uint32_t blue, PixelFormat& out);

/// Copies `count` rectangles of the pixels src (srcStride pixels a row, in format `from`) to the same
/// places in dst (dstStride pixels a row), converting each pixel to format `to`. They must lie inside both
/// images.
void copyRects(const Colour* src, int srcStride, const PixelFormat& from, const Rect* rects, std::size_t count,
               std::uint32_t* dst, int dstStride, const PixelFormat& to);

/// As copyRects, each pixel of src becoming a zoom x zoom square of dst: a rectangle at (x, y) of src goes
/// to (x * zoom, y * zoom) of dst at zoom times its size, which must lie inside dst.
void copyRectsZoomed(const Colour* src, int srcStride, const PixelFormat& from, const Rect* rects, std::size_t count,
                     std::uint32_t* dst, int dstStride, const PixelFormat& to, int zoom);

}  // namespace pellwick
