// X11 window images: made in shared memory where the server agrees, or over the field's own pixels.
#include "hosts/x11_image.hpp"

#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <cstdio>

namespace pellwick {

namespace {

// Set by the handler in force while a shared-memory segment is attached: the attach failed.
bool attachFailed = false;
int noteAttachError(::Display*, XErrorEvent*) {
    attachFailed = true;
    return 0;
}

}  // namespace

// Why shared memory cannot be used with this display, or "" when it may be.
std::string whyNoSharedMemory(::Display* x) {
    const std::string name = DisplayString(x);
    if (!name.empty() && name[0] != ':' && name.rfind("unix:", 0) != 0) return "the display " + name + " may be remote";
    if (XShmQueryExtension(x) == False) return "the X server has no MIT-SHM extension";
    return {};
}

// Attaches the segment, at `pixels` on our side, to the image and the server; whether the server took it.
bool WindowImage::attach(char* pixels, int shmid) {
    segment_.shmid = shmid;
    segment_.shmaddr = image_->data = pixels;
    segment_.readOnly = False;
    attachFailed = false;
    XErrorHandler previous = XSetErrorHandler(noteAttachError);  // attach errors arrive later: wait for them
    const bool attached = XShmAttach(x_, &segment_) != False;
    XSync(x_, False);
    XSetErrorHandler(previous);
    shared_ = attached && !attachFailed;
    return shared_;
}

bool WindowImage::makeShared(const XWindowAttributes& a, int width, int height) {
    image_ = XShmCreateImage(x_, a.visual, static_cast<unsigned>(a.depth), ZPixmap, nullptr, &segment_,
                             static_cast<unsigned>(width), static_cast<unsigned>(height));
    if (image_ == nullptr) return false;
    const int shmid = shmget(IPC_PRIVATE, static_cast<std::size_t>(image_->bytes_per_line) * height, IPC_CREAT | 0600);
    void* at = shmid < 0 ? reinterpret_cast<void*>(-1) : shmat(shmid, nullptr, 0);
    if (at != reinterpret_cast<void*>(-1)) {
        ownSegment_ = attach(static_cast<char*>(at), shmid);
        if (!shared_) shmdt(at);
    }
    if (shmid >= 0) shmctl(shmid, IPC_RMID, nullptr);  // gone with the last user
    if (!shared_) drop();
    return shared_;
}

// Destroys the image, not the pixels it lies over (ours, the segment's or the field's).
void WindowImage::drop() {
    image_->data = nullptr;
    XDestroyImage(image_);
    image_ = nullptr;
}

bool WindowImage::covers(const Field& f) const {
    return image_ != nullptr && image_->data == reinterpret_cast<const char*>(f.pixels()) && image_->width == f.width() &&
           image_->height == f.height() && (!shared_ || segment_.shmid == f.sharedMemoryId());
}

void WindowImage::showField(::Display* x, const XWindowAttributes& a, Window w, GC gc, const Frame& f) {
    if (f.field->width() != f.width || f.field->height() != f.height) return;  // never: the runner holds the field
    if (!covers(*f.field) && !adopt(x, a, *f.field)) return;
    put(w, gc, f.rects);
    finish();
}

// Fills clip_ with the rectangles enlarged zoom times; returns their bounds, enlarged the same.
Rect WindowImage::clipTo(const std::vector<Rect>& rects, int zoom) {
    clip_.clear();
    if (rects.empty()) return Rect{};
    int x0 = rects.front().x, y0 = rects.front().y, x1 = x0, y1 = y0;
    for (const Rect& r : rects) {
        clip_.push_back(XRectangle{static_cast<short>(r.x * zoom), static_cast<short>(r.y * zoom),
                                   static_cast<unsigned short>(r.width * zoom), static_cast<unsigned short>(r.height * zoom)});
        x0 = std::min(x0, r.x);
        y0 = std::min(y0, r.y);
        x1 = std::max(x1, r.x + r.width);
        y1 = std::max(y1, r.y + r.height);
    }
    return Rect{x0 * zoom, y0 * zoom, (x1 - x0) * zoom, (y1 - y0) * zoom};
}

bool serverEnlarges(::Display* x) {
    int event = 0, error = 0, major = 0, minor = 0;
    Bool pixmaps = False;
    return XRenderQueryExtension(x, &event, &error) != False && XShmQueryVersion(x, &major, &minor, &pixmaps) != False &&
           pixmaps != False && XShmPixmapFormat(x) == ZPixmap;
}

// The pictures the server enlarges the field with, made anew when the field moved, the window or the zoom
// changed; whether they can be had.
bool WindowImage::enlarging(const XWindowAttributes& a, Window w, const Field& f, int zoom) {
    if (fieldPicture_ != 0 && pictured_ == w && zoom_ == zoom) return true;
    dropPictures();
    XRenderPictFormat* format = XRenderFindVisualFormat(x_, a.visual);
    if (format == nullptr || !shared_) return false;
    fieldPixmap_ = XShmCreatePixmap(x_, w, segment_.shmaddr, &segment_, static_cast<unsigned>(f.width()),
                                    static_cast<unsigned>(f.height()), static_cast<unsigned>(a.depth));
    fieldPicture_ = XRenderCreatePicture(x_, fieldPixmap_, format, 0, nullptr);
    windowPicture_ = XRenderCreatePicture(x_, w, format, 0, nullptr);
    // A window pixel (x, y) shows the field's pixel (x / zoom, y / zoom): the nearest, never a blend.
    const XFixed step = XDoubleToFixed(1.0 / zoom);
    XTransform shrink{{{step, 0, 0}, {0, step, 0}, {0, 0, XDoubleToFixed(1)}}};
    XRenderSetPictureTransform(x_, fieldPicture_, &shrink);
    XRenderSetPictureFilter(x_, fieldPicture_, FilterNearest, nullptr, 0);
    pictured_ = w;
    zoom_ = zoom;
    return true;
}

bool WindowImage::showFieldZoomed(::Display* x, const XWindowAttributes& a, Window w, const Frame& f, int zoom) {
    if (f.field->width() != f.width || f.field->height() != f.height) return true;  // never: the runner holds the field
    if ((!covers(*f.field) && !adopt(x, a, *f.field)) || !enlarging(a, w, *f.field, zoom)) return false;
    // One request for the whole frame, clipped to the enlarged rectangles.
    const Rect all = clipTo(f.rects, zoom);
    XRenderSetPictureClipRectangles(x_, windowPicture_, 0, 0, clip_.data(), static_cast<int>(clip_.size()));
    XRenderComposite(x_, PictOpSrc, fieldPicture_, 0, windowPicture_, all.x, all.y, 0, 0, all.x, all.y,
                     static_cast<unsigned>(all.width), static_cast<unsigned>(all.height));
    finish();
    return true;
}

void WindowImage::dropPictures() {
    if (fieldPicture_ != 0) XRenderFreePicture(x_, fieldPicture_);
    if (windowPicture_ != 0) XRenderFreePicture(x_, windowPicture_);
    if (fieldPixmap_ != 0) XFreePixmap(x_, fieldPixmap_);
    fieldPicture_ = windowPicture_ = 0;
    fieldPixmap_ = 0;
    pictured_ = 0;
    zoom_ = 0;
}

bool WindowImage::adopt(::Display* x, const XWindowAttributes& a, const Field& f) {
    release();
    x_ = x;
    auto* pixels = const_cast<char*>(reinterpret_cast<const char*>(f.pixels()));  // only ever read, by the server
    const auto width = static_cast<unsigned>(f.width()), height = static_cast<unsigned>(f.height());
    if (f.sharedMemoryId() >= 0) {
        image_ = XShmCreateImage(x, a.visual, static_cast<unsigned>(a.depth), ZPixmap, nullptr, &segment_, width, height);
        if (image_ != nullptr && (image_->bytes_per_line != f.width() * 4 || !attach(pixels, f.sharedMemoryId()))) drop();
    }
    if (image_ == nullptr) {
        image_ = XCreateImage(x, a.visual, static_cast<unsigned>(a.depth), ZPixmap, 0, pixels, width, height, 32, f.width() * 4);
    }
    if (image_ != nullptr && image_->bits_per_pixel == 32) return true;
    release();
    return false;
}

bool WindowImage::make(::Display* x, const XWindowAttributes& a, int width, int height, bool shared) {
    release();
    x_ = x;
    static bool refusalTold = false;
    if (shared && !makeShared(a, width, height) && !refusalTold) {
        refusalTold = true;
        std::fprintf(stderr, "pellwick: the X server refused shared memory; sending pixels through the connection\n");
    }
    if (image_ == nullptr) {
        plain_.assign(static_cast<std::size_t>(width) * height, 0);
        image_ = XCreateImage(x, a.visual, static_cast<unsigned>(a.depth), ZPixmap, 0, reinterpret_cast<char*>(plain_.data()),
                              static_cast<unsigned>(width), static_cast<unsigned>(height), 32, 0);
    }
    if (image_ != nullptr && image_->bits_per_pixel == 32) return true;
    release();  // an image of another layout is never handed out to be drawn into
    return false;
}

void WindowImage::put(Window w, GC gc, const std::vector<Rect>& rects) {
    if (!shared_) {
        for (const Rect& r : rects) {  // the pixels travel with the requests: only those of the rectangles
            XPutImage(x_, w, gc, image_, r.x, r.y, r.x, r.y, static_cast<unsigned>(r.width), static_cast<unsigned>(r.height));
        }
        return;
    }
    // One request for the whole frame, clipped to the rectangles: the server's work per request is what a
    // few hundred small ones would cost, its work per pixel the same.
    const Rect all = clipTo(rects, 1);
    XSetClipRectangles(x_, gc, 0, 0, clip_.data(), static_cast<int>(clip_.size()), Unsorted);
    XShmPutImage(x_, w, gc, image_, all.x, all.y, all.x, all.y, static_cast<unsigned>(all.width), static_cast<unsigned>(all.height),
                 False);
    XSetClipMask(x_, gc, 0);
}

void WindowImage::release() {
    if (image_ == nullptr) return;
    dropPictures();
    if (shared_) {
        XShmDetach(x_, &segment_);
        XSync(x_, False);
        if (ownSegment_) shmdt(segment_.shmaddr);
    }
    drop();
    shared_ = false;
    ownSegment_ = false;
}

int desktopDpi(::Display* x) {
    const char* resources = XResourceManagerString(x);
    const char* at = resources != nullptr ? std::strstr(resources, "Xft.dpi:") : nullptr;
    if (at == nullptr) return 0;
    const double dpi = std::strtod(at + std::strlen("Xft.dpi:"), nullptr);
    return dpi > 0 && dpi < 10000 ? static_cast<int>(std::lround(dpi)) : 0;
}

bool trueColour(const Visual* v, PixelFormat& format) {
    return v->c_class == TrueColor && formatFromMasks(static_cast<std::uint32_t>(v->red_mask), static_cast<std::uint32_t>(v->green_mask),
                                                      static_cast<std::uint32_t>(v->blue_mask), format);
}

}  // namespace pellwick
