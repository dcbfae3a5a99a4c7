// What a display receives of the field: frames drawn into an image of the display's own (its canvas) in its
// own pixel format, and the rectangles to put on the screen. Which frame is drawn and sent whole is decided
// here alone, for every host and the page: a new canvas, a new size, a screen that lost its contents, or
// changes spread so wide that the whole costs the screen less.
#pragma once

#include <cstdint>
#include <vector>

#include "raster/field.hpp"
#include "raster/pixel_format.hpp"

namespace pellwick {

/// An image a display lends the game for one frame, to draw what changed into. A display may take turns
/// with a few (buffers a compositor holds while it shows one); one whose pixels, size, stride or format
/// differ from each of the last few is a new canvas, and gets the whole field.
/// A display that shows the field's own memory (kept in its format, shared with its server) lends no
/// pixels: its canvas is the field itself, nothing is drawn, and the frame only says what changed.
/// A zoomed canvas shows each field pixel as a zoom x zoom square: it is zoom times the field's size.
struct Canvas {
    std::uint32_t* pixels = nullptr;  // row by row, `stride` pixels apart
    int width = 0;
    int height = 0;
    int stride = 0;
    PixelFormat format = XRGB;
    bool fieldItself = false;
    int zoom = 1;

    /// The canvas of a display that shows the field's own memory, of the field's size.
    static Canvas theField(int width, int height) { return Canvas{nullptr, width, height, width, XRGB, true}; }
    bool operator==(const Canvas&) const = default;
};

/// A frame drawn into the canvas: the canvas's size (the field's, times the zoom), and the rectangles of the
/// canvas to put on the screen.
struct Frame {
    int width;
    int height;
    const std::vector<Rect>& rects;  // the whole field when it was drawn whole; none when nothing changed
    const Field* field = nullptr;    // for a canvas that is the field itself: still until the frame is shown
    std::int64_t changed = 0;        // the canvas pixels of the tiles the frame's ticks and input changed
};

/// Rectangles covering the changed tiles of a width x height image whose tile flags (one per tile, row by
/// row, Field::TILE_SIZE pixels a side) are `tiles`. Runs of changed tiles in a row are joined across
/// one-tile gaps, and a run overlapping a rectangle that reaches the row above continues it down when that
/// widens neither by more than a few tiles, so a screen gets few rectangles and little more than the
/// changed tiles (rectangles may overlap where one widened). Rectangles are clipped to the image.
void changedRects(const std::uint8_t* tiles, int width, int height, std::vector<Rect>& out);

/// Few rectangles covering many, for a screen that takes only so many damage rectangles before it damages
/// their bounding box instead (wlroots: 20, counted with the frames before): the image, `height` pixels
/// high, cut into `bands` rows of equal height; in each, the runs of columns the rectangles cover there;
/// and the runs joined across the gaps that cost least (gap width times band height) until at most
/// `budget` are left in all (never fewer than one a band the rectangles reach). Each spans its band's
/// full height, so that consecutive frames' rectangles share their edges and their union stays as few.
/// Returns out.
const std::vector<Rect>& fewRects(const std::vector<Rect>& rects, int height, std::size_t bands, std::size_t budget,
                                  std::vector<Rect>& out);

/// The damage of many rectangles for such a screen: fewRects within `budget` where they cover at most
/// `keepPer4` quarters of the bands' bounds (fewRects at one a band), else those bounds; the runs found
/// once for both. `bounds` is scratch. Returns out.
const std::vector<Rect>& fewDamageRects(const std::vector<Rect>& rects, int height, std::size_t bands, std::size_t budget,
                                        std::int64_t keepPer4, std::vector<Rect>& bounds, std::vector<Rect>& out);

/// What putting rectangles on a screen costs it, in pixels of a rectangle: each call as much as `perCall`
/// pixels, and a pixel in rows put whole `wholeRowPixel` of one (whole rows are copied as one block).
struct PutCost {
    double perCall;
    double wholeRowPixel;
};

/// Whether putting the whole width x height image in one call costs the screen less than putting `rects`
/// (never when there are none), each pixel of them sent as a zoom x zoom square.
bool wholeIsCheaper(const std::vector<Rect>& rects, int width, int height, const PutCost& cost, int zoom = 1);

/// The rectangles covering what changed on the field since its changes were last cleared.
inline void changedRects(const Field& f, std::vector<Rect>& out) { changedRects(f.dirtyTiles(), f.width(), f.height(), out); }

/// Draws frames of a field into canvases, and remembers what each of the last few holds.
class FrameDrawer {
public:
    /// How many canvases a display may take turns with before the oldest counts as new again.
    static constexpr std::size_t KNOWN_CANVASES = 3;

    /// A drawer for a screen that pays `cost` to put rectangles (the page's canvas): a frame whose changes
    /// would cost it more than the whole field is sent whole.
    static FrameDrawer payingPerCall(const PutCost& cost) {
        FrameDrawer d;
        d.cost_ = cost;
        d.costed_ = true;
        return d;
    }

    /// Draws into the canvas, which must have the field's size times its zoom, what changed on the field since its changes
    /// were last cleared, and clears them; a canvas that held an older frame also gets what it missed since.
    /// The whole field when the canvas is none of the last few drawn into, or the screen was lost since.
    /// Returns the rectangles drawn: they cover every pixel where this frame differs from the one drawn
    /// before it, and are what the screen must be sent; the whole field where that costs a paying screen less. A canvas that is the field itself is drawn into by
    /// the ticks themselves: only the rectangles are found.
    const std::vector<Rect>& draw(Field& f, const Canvas& canvas);
    /// The screen lost its contents (uncovered, or made anew): the next frame is drawn and sent whole.
    void screenLost() { known_.clear(); }
    /// The canvas pixels of the tiles that had changed when the last frame was drawn: what it needed at
    /// the least.
    std::int64_t changed() const { return changed_; }

private:
    struct Known {
        Canvas canvas;
        std::vector<std::uint8_t> missed;  // tile flags: changed since this one was drawn into
    };
    void remember(const Canvas& canvas, const std::uint8_t* dirty, std::size_t tiles);

    std::vector<Rect> drawn_;
    std::vector<std::uint8_t> catchUp_;
    std::vector<Known> known_;  // most recent first
    PutCost cost_{0, 0};
    bool costed_ = false;
    std::int64_t changed_ = 0;
};

}  // namespace pellwick
