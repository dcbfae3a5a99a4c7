// What a display receives of the field: frames drawn into an image of the display's own (its canvas) in its
// own pixel format, and the rectangles to put on the screen. Which frame is drawn and shown whole is decided
// here alone: a new canvas, a new size, or a screen that lost its contents.
#pragma once

#include <cstdint>
#include <vector>

#include "raster/field.hpp"
#include "raster/pixel_format.hpp"

namespace pellwick {

/// An image a display lends the game for one frame, to draw what changed into. One whose pixels, size,
/// stride or format differ from the last one's is a new canvas, and gets the whole field.
struct Canvas {
    std::uint32_t* pixels = nullptr;  // row by row, `stride` pixels apart
    int width = 0;
    int height = 0;
    int stride = 0;
    PixelFormat format = XRGB;

    bool operator==(const Canvas&) const = default;
};

/// A frame drawn into the canvas: the field's size, and the rectangles of the canvas to put on the screen.
struct Frame {
    int width;
    int height;
    const std::vector<Rect>& rects;  // the whole field when it was drawn whole; none when nothing changed
};

/// Rectangles covering the changed tiles of a width x height image whose tile flags (one per tile, row by
/// row, Field::TILE_SIZE pixels a side) are `tiles`. Runs of changed tiles in a row are joined across
/// one-tile gaps, and runs spanning the same columns in consecutive rows are one rectangle, so a screen
/// gets few rectangles and little more than the changed tiles. Rectangles are clipped to the image.
void changedRects(const std::uint8_t* tiles, int width, int height, std::vector<Rect>& out);

/// The rectangles covering what changed on the field since its changes were last cleared.
inline void changedRects(const Field& f, std::vector<Rect>& out) { changedRects(f.dirtyTiles(), f.width(), f.height(), out); }

/// Draws frames of a field into canvases, and remembers what the last one holds.
class FrameDrawer {
public:
    /// Draws into the canvas, which must have the field's size, what changed on the field since its changes
    /// were last cleared, and clears them; the whole field when the canvas is not the last one drawn into or
    /// the screen was lost since. Returns the rectangles drawn: they cover every pixel of the canvas that now
    /// differs from before, and are what the screen must be sent.
    const std::vector<Rect>& draw(Field& f, const Canvas& canvas);
    /// The screen lost its contents (uncovered, or made anew): the next frame is drawn and sent whole.
    void screenLost() { last_ = Canvas{}; }

private:
    std::vector<Rect> drawn_;
    Canvas last_;  // the canvas drawn into last, while it holds that frame
};

}  // namespace pellwick
