// An X window's pixels on our side, for drawing frames into and putting their rectangles on the window:
// an image in memory shared with the X server (MIT-SHM) where it can, one sent through the connection where
// it cannot. Include it after every other header: Xlib defines macros (None, Bool, Status...).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "raster/pixel_format.hpp"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

namespace pellwick {

/// Why shared memory cannot be used with this display, or "" when it may be.
std::string whyNoSharedMemory(::Display* x);

/// The pixel format of a window's visual, when it is 8-bit true colour; false otherwise.
bool visualFormat(const XWindowAttributes& a, PixelFormat& out);

// The window's pixels on our side: an image in memory shared with the X server, or an ordinary one whose
// pixels travel through the connection.
class WindowImage {
public:
    WindowImage() = default;
    ~WindowImage() { release(); }
    WindowImage(const WindowImage&) = delete;
    WindowImage& operator=(const WindowImage&) = delete;

    /// A width x height image for the window's visual; shared when `shared` and the server agrees. Returns
    /// false when no image can be made; says once on stderr when shared memory was wanted and refused.
    bool make(::Display* x, const XWindowAttributes& a, int width, int height, bool shared);
    /// The pixels, `stride()` to a row.
    std::uint32_t* pixels() { return reinterpret_cast<std::uint32_t*>(image_->data); }
    int stride() const { return image_->bytes_per_line / 4; }
    /// Sends the rectangles of the image to the same places in the window.
    void put(Window w, GC gc, const std::vector<Rect>& rects);
    /// Waits until the server has read every pixel sent, so that they may change again.
    void finish() {
        if (shared_) {
            XSync(x_, False);
        } else {
            XFlush(x_);  // the pixels left with the requests
        }
    }

    int width() const { return image_ == nullptr ? 0 : image_->width; }
    int height() const { return image_ == nullptr ? 0 : image_->height; }
    /// Gives the image (and the segment) back; before the display closes.
    void release();

private:
    bool makeShared(const XWindowAttributes& a, int width, int height);

    ::Display* x_ = nullptr;
    XImage* image_ = nullptr;
    XShmSegmentInfo segment_{};
    bool shared_ = false;
    std::vector<XRectangle> clip_;
    std::vector<std::uint32_t> plain_;
};

}  // namespace pellwick
