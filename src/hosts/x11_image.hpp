// An X11 window's pixels on our side, for the savers and the window: an image in memory shared with the X
// server (MIT-SHM) or an ordinary one whose pixels travel through the connection; either of our own, or
// over the field's own memory, which then reaches the server without a copy, and which the server can
// also enlarge itself for a zoom (XRender) when the field is shared with it.
#pragma once

#include <string>
#include <vector>

#include "app/frame.hpp"
#include "raster/field.hpp"
#include "raster/pixel_format.hpp"

// Last: Xlib defines macros (None, Bool, Status...) that would reach into the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xrender.h>

namespace pellwick {

/// Why shared memory cannot be used with this display, or "" when it may be.
std::string whyNoSharedMemory(::Display* x);

/// A window's image: made for a size, or over a field; put rectangle by rectangle.
class WindowImage {
public:
    WindowImage() = default;
    ~WindowImage() { release(); }
    WindowImage(const WindowImage&) = delete;
    WindowImage& operator=(const WindowImage&) = delete;

    /// A width x height image for the window's visual; shared when `shared` and the server agrees. Returns
    /// false when no image can be made; says once on stderr when shared memory was wanted and refused.
    bool make(::Display* x, const XWindowAttributes& a, int width, int height, bool shared);
    /// Puts a frame's rectangles in window w straight from the field it was found on (kept in the window's
    /// format), through the field's shared segment when it has one and the server agrees, and waits until
    /// the server has read them. The image is made over the field again whenever a resize moved it.
    void showField(::Display* x, const XWindowAttributes& a, Window w, GC gc, const Frame& f);
    /// The same, each field pixel enlarged to a zoom x zoom square by the server, from a pixmap over the
    /// field's shared segment: nothing is copied or enlarged on our side. Only for a field with a shared
    /// segment on a display where serverEnlarges holds; false, with nothing shown, where the server cannot.
    bool showFieldZoomed(::Display* x, const XWindowAttributes& a, Window w, const Frame& f, int zoom);
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
    bool adopt(::Display* x, const XWindowAttributes& a, const Field& f);
    bool covers(const Field& f) const;
    bool attach(char* pixels, int shmid);
    void drop();
    bool enlarging(const XWindowAttributes& a, Window w, const Field& f, int zoom);
    Rect clipTo(const std::vector<Rect>& rects, int zoom);
    void dropPictures();

    ::Display* x_ = nullptr;
    XImage* image_ = nullptr;
    XShmSegmentInfo segment_{};
    bool shared_ = false;
    bool ownSegment_ = false;  // ours to detach from when done, not the field's
    std::vector<XRectangle> clip_;
    std::vector<std::uint32_t> plain_;
    // Enlarged by the server: a pixmap over the field's segment, and the pictures it is drawn with.
    Pixmap fieldPixmap_ = 0;
    Picture fieldPicture_ = 0;
    Picture windowPicture_ = 0;
    Window pictured_ = 0;  // the window windowPicture_ draws on
    int zoom_ = 0;         // the zoom fieldPicture_'s transform enlarges by
};

/// Whether the server can enlarge a shared field itself: it offers XRender and pixmaps over shared memory.
bool serverEnlarges(::Display* x);

/// Whether the visual's pixels are 32-bit true colour with 8 bits a channel; sets their format.
bool trueColour(const Visual* v, PixelFormat& format);

/// The desktop's dots an inch, Xft.dpi in the server's resources; 0 where it is not set.
int desktopDpi(::Display* x);

}  // namespace pellwick
