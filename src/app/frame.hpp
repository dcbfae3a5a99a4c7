// What a display receives of the field: frames drawn into an image of the display's own (its canvas) in its
// own pixel format, and the rectangles that changed, built from the field's changed tiles.
#pragma once

#include <cstdint>
#include <vector>

#include "raster/field.hpp"
#include "raster/pixel_format.hpp"

namespace pellwick {

/// An image a display lends the game for one frame, to draw what changed into.
struct Canvas {
    std::uint32_t* pixels = nullptr;  // row by row, `stride` pixels apart
    int width = 0;
    int height = 0;
    int stride = 0;
    PixelFormat format = XRGB;
    bool blank = true;  // it does not hold the frame drawn last: the whole field is drawn into it
};

/// A frame drawn into the canvas: the field's size, and the rectangles that now differ from the frame before.
struct Frame {
    int width;
    int height;
    const std::vector<Rect>& changed;  // the whole field when the canvas was blank; none when nothing changed

    /// The rectangles to put on a screenWidth x screenHeight image: the whole frame when `whole` (a new or
    /// uncovered screen), else what changed; clipped to both sizes. None when nothing is to be shown.
    void toShow(bool whole, int screenWidth, int screenHeight, std::vector<Rect>& out) const;
};

/// Rectangles covering the changed tiles of a width x height image whose tile flags (one per tile, row by
/// row, Field::TILE_SIZE pixels a side) are `tiles`. Runs of changed tiles in a row are joined across
/// one-tile gaps, and runs spanning the same columns in consecutive rows are one rectangle, so a screen
/// gets few rectangles and little more than the changed tiles. Rectangles are clipped to the image.
void changedRects(const std::uint8_t* tiles, int width, int height, std::vector<Rect>& out);

/// The rectangles covering what changed on the field since its changes were last cleared.
inline void changedRects(const Field& f, std::vector<Rect>& out) { changedRects(f.dirtyTiles(), f.width(), f.height(), out); }

/// Draws frames of a field into canvases.
class FrameDrawer {
public:
    /// Draws into the canvas, which must have the field's size, what changed on the field since its changes
    /// were last cleared (all of it when the canvas is blank), and clears them. Returns the rectangles drawn:
    /// they cover every pixel of the canvas that now differs from before. The canvas is then no longer blank.
    const std::vector<Rect>& draw(Field& f, Canvas& canvas);

private:
    std::vector<Rect> drawn_;
};

}  // namespace pellwick
