// An animated GIF of a game, recorded frame by frame as it plays: every colour exact (one small palette holds
// all of the game's), each frame after the first only the rectangle that changed, its unchanged pixels
// transparent, looping for ever.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "raster/field.hpp"
#include "raster/pixel_format.hpp"

namespace pellwick {

/// Hundredths of a second the last frame stays before the animation starts again.
constexpr int GIF_LAST_FRAME_HOLD = 100;

/// How long, in hundredths of a second, a frame shows `ticks` ticks of game at 1000 ticks a second: a tenth
/// of them, rounded, but at least 2 (browsers stretch shorter delays) and at most a GIF's longest delay.
inline int gifDelayFor(std::uint64_t ticks) {
    return static_cast<int>(std::clamp<std::uint64_t>((ticks + 5) / 10, 2, 65535));
}

/// What a GIF shows outside the field when the field is smaller than the picture: dark grey.
constexpr Colour GIF_OUTSIDE = 0x404040;

class GifRecorder {
public:
    /// Starts an animation of width x height (the largest field of the run) at path, carrying the comment
    /// when there is one; error() says why not.
    GifRecorder(const std::string& path, int width, int height, const std::string& comment = {});
    ~GifRecorder();
    GifRecorder(const GifRecorder&) = delete;
    GifRecorder& operator=(const GifRecorder&) = delete;

    /// "" while recording, else a one-line error.
    const std::string& error() const { return error_; }
    /// Adds the field, drawn at the top-left corner, as the next frame, shown for delay hundredths of a
    /// second, and forgets the field's changes: the next frame looks only where it changes after this.
    void addFrame(Field& f, int delay);
    /// Writes the end of the file and puts it under its name; "" or a one-line error, and then no file is left.
    std::string finish();
    /// Frames added so far.
    int frames() const { return frames_; }

private:
    struct Writer;
    Rect takeChanges(Field& f);
    void writeFrame(const Rect& box, int delay);

    std::unique_ptr<Writer> writer_;
    int width_;
    int height_;
    std::vector<std::uint8_t> shown_;  // the palette index of every pixel the animation shows now
    int shownFieldWidth_ = 0;           // the field's size at the last frame; 0 before the first
    int shownFieldHeight_ = 0;
    int frames_ = 0;
    std::string error_;
};

}  // namespace pellwick
