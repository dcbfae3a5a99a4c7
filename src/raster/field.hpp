// The field: our own raster of exact packed colours, with the pen and the drawing operations the game uses.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "raster/colour.hpp"
#include "raster/pixel_format.hpp"
#include "raster/pixel_memory.hpp"

namespace pellwick {

/// Largest field side we accept; larger requests are clamped.
constexpr int MAX_FIELD_SIDE = 16384;
/// Widest pen we honour; wider requests are clamped so every call stays cheap.
constexpr int MAX_PEN_WIDTH = 32;
/// Coordinates beyond this magnitude (or not finite) make an operation draw nothing.
constexpr double MAX_COORDINATE = 1e9;

class Field {
public:
    /// Makes a width x height field (sides clamped to 1..MAX_FIELD_SIDE) in the background colour, pen width 1.
    /// A background that is black or not a colour falls back to white.
    Field(int width, int height, Colour background = WHITE);

    /// Fills the whole field with the background colour.
    void clear();
    /// Sets the pen width for later drawing, clamped to 1..MAX_PEN_WIDTH.
    void setPenWidth(int width);
    /// Draws a line from (x1, y1) to (x2, y2), both ends included, with the pen.
    void drawLine(float x1, float y1, float x2, float y2, Colour colour = INK);
    /// Draws the outline of the box with opposite corners (x1, y1) and (x2, y2) in ink, with the pen.
    void drawBox(float x1, float y1, float x2, float y2);
    /// Draws a ring of the given radius around (cx, cy), as thick as the pen.
    void drawCircle(float cx, float cy, float radius, Colour colour = INK);
    /// Returns the colour of the pixel under (x, y), or OFF_FIELD when that pixel is not on the field.
    Colour pixelAt(float x, float y) const {
        const std::int32_t index = indexAt(x, y);
        return index >= 0 ? colourOf(pixels_.data()[index]) : OFF_FIELD;
    }
    /// The index in pixels() of the pixel under (x, y), or OFF_FIELD when that pixel is not on the field.
    std::int32_t indexAt(float x, float y) const {
        // floor(x) lies in [0, width) exactly when x does; NaN and infinities fail every comparison.
        if (!(x >= 0 && y >= 0 && x < width_ && y < height_)) return OFF_FIELD;
        return static_cast<int>(y) * width_ + static_cast<int>(x);  // sides are at most MAX_FIELD_SIDE
    }
    /// Width of the field in pixels.
    double surfaceWidth() const { return width_; }
    /// Height of the field in pixels.
    double surfaceHeight() const { return height_; }
    /// Resizes (sides clamped as in the constructor); the overlap keeps its pixels, new pixels are background.
    void resize(int width, int height);

    /// Width in whole pixels.
    int width() const { return width_; }
    /// Height in whole pixels.
    int height() const { return height_; }
    /// Current pen width.
    int penWidth() const { return penWidth_; }
    /// The background colour in use.
    Colour background() const { return background_; }
    /// Stores every pixel as format f packs it, the existing pixels too (FIELD_ORDER until set): with a
    /// screen's format the field's memory is a picture that screen can show as it is. Only formats that keep
    /// the colour in the low three bytes (keepsColourBits); returns false for another, and changes nothing.
    /// Colours read back (pixelAt, at, colourOf) are the same in every format.
    bool setPixelFormat(const PixelFormat& f);
    /// The format the pixels are stored in.
    const PixelFormat& pixelFormat() const { return format_; }
    /// A colour as this field stores it.
    Colour storedColour(Colour c) const { return static_cast<Colour>(toPixel(c, format_)); }
    /// The colour of a stored pixel.
    Colour colourOf(Colour stored) const { return fromPixel(static_cast<std::uint32_t>(stored), format_); }
    /// Keeps the pixels, from now on, in memory the platform can share with a display server (their
    /// values kept), where it has such memory. Returns whether they are.
    bool shareMemory();
    /// The platform's id of the shared memory the pixels are in (a SysV segment), or -1 when they are not.
    /// It changes when the field is resized.
    int sharedMemoryId() const { return pixels_.sharedId(); }
    /// Row-major stored pixels, top row first; width() * height() of them (colourOf gives their colours; the
    /// colour bits of a stored pixel, COLOUR_BITS, compare as its colours do).
    const Colour* pixels() const { return pixels_.data(); }
    /// Writable row-major stored pixels, for callers that paint storedColour()s on pixels they have
    /// bounds-checked.
    Colour* data() { return pixels_.data(); }
    /// Writable stored pixel row y (0 <= y < height()); for callers that paint pixels they have bounds-checked.
    Colour* row(int y) { return pixels_.data() + static_cast<std::size_t>(y) * width_; }
    /// Colour of pixel (px, py), which must be on the field.
    Colour at(int px, int py) const {
        return colourOf(pixels_.data()[static_cast<std::size_t>(py) * width_ + px]);
    }

    /// Changes are tracked in square tiles of this many pixels a side, for showing only what changed.
    static constexpr int TILE_SHIFT = 3;
    static constexpr int TILE_SIZE = 1 << TILE_SHIFT;
    /// Tiles across and down.
    int tilesX() const { return tilesX_; }
    int tilesY() const { return tilesY_; }
    /// One flag per tile, row-major: nonzero when a pixel in it may have changed since clearDirty().
    const std::uint8_t* dirtyTiles() const { return dirty_.data(); }
    /// Forgets all changes so far.
    void clearDirty();
    /// Marks the tiles covering pixels x0..x1, y0..y1 (clipped to the field) as changed.
    void markDirty(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1);
    /// Marks a 2x2 block of tiles whose top-left tile is `tile` (see tileOf); for painters that check bounds
    /// themselves. Marking past the last column or row is harmless.
    void markTileBlock(int tile) {
        const std::uint16_t both = 0x0101;
        std::memcpy(dirty_.data() + tile, &both, 2);
        std::memcpy(dirty_.data() + tile + tilesX_, &both, 2);
    }
    /// The index of the tile holding pixel (px, py), which must be on the field.
    int tileOf(int px, int py) const { return (py >> TILE_SHIFT) * tilesX_ + (px >> TILE_SHIFT); }

private:
    // Paints the pen stamp centred on pixel (px, py) in a stored colour, skipping what falls off the field.
    void stampAt(std::int64_t px, std::int64_t py, Colour stored);
    void walkLine(std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2, Colour colour);

    int width_;
    int height_;
    Colour background_;
    PixelFormat format_ = FIELD_ORDER;
    bool shared_ = false;  // the pixels are kept in shared memory
    int penWidth_ = 1;
    int stampLo_ = 0;
    int stampHi_ = 0;
    struct Span {
        int dy, dxLo, dxHi;
    };
    std::vector<Span> spans_;  // the stamp as one run of pixels per row
    PixelMemory pixels_;
    int tilesX_ = 0;
    int tilesY_ = 0;
    std::vector<std::uint8_t> dirty_;  // tilesX_ * tilesY_ flags, then a spare row and two for markTileBlock

    void resetTiles();
};

}  // namespace pellwick
