// What a display receives of the field: a copy taken between two ticks, and what changed in it, as bands
// of rows built from the field's changed tiles.
#pragma once

#include <functional>
#include <vector>

#include "raster/field.hpp"

namespace pellwick {

/// Columns x0 (included) to x1 (excluded) of one row of tiles; empty when x0 >= x1.
struct Span {
    int x0 = 0;
    int x1 = 0;
};

/// A rectangle of pixels.
struct Band {
    int x, y, width, height;
};

/// A copy of the field taken between two ticks, and what changed in it since the last frame shown.
struct Frame {
    const Colour* pixels;
    int width;
    int height;
    const std::vector<Span>& changed;  // one span per row of tiles, top row first

    /// Calls show with each band of rows that changed, top first: a row of tiles, or the part of it between
    /// its first and last changed tile.
    void forEachChange(const std::function<void(const Band&)>& show) const;
};

/// Calls run with each run of changed tiles on the field (see Field::dirtyTiles), row of tiles by row, in
/// pixels: for hosts that show the field itself rather than frames handed over from a game thread.
void forEachChangedRun(const Field& f, const std::function<void(const Band&)>& run);

}  // namespace pellwick
