// Animated GIF output through giflib, into an OutputFile: a half-written animation never stands under its name.
#include "tools/gif_file.hpp"

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "tools/output_file.hpp"

namespace pellwick {

namespace {

// Index 0 is transparent: a pixel the frame leaves as it was. Then the game's colours and the outside.
constexpr int TRANSPARENT = 0;
constexpr int OUTSIDE = 7;
constexpr std::array<Colour, 8> PALETTE = {INK,           WHITE,         INK,           teamColour[0],
                                           teamColour[1], teamColour[2], teamColour[3], GIF_OUTSIDE};
constexpr int PALETTE_BITS = 3;

// The palette index of a colour of the game; -1 for any other.
int indexOf(Colour c) {
    for (int i = 1; i < OUTSIDE; ++i) {
        if (PALETTE[static_cast<std::size_t>(i)] == c) return i;
    }
    return -1;
}

int writeToStream(GifFileType* gif, const GifByteType* data, int length) {
    return static_cast<int>(std::fwrite(data, 1, static_cast<std::size_t>(length), static_cast<std::FILE*>(gif->UserData)));
}

// Calls visit(x, y) for every pixel of the tiles the field marks as changed, tile by tile.
template <typename Visit>
void forEachMarkedPixel(const Field& f, Visit visit) {
    const int size = Field::TILE_SIZE;
    for (int ty = 0; ty < f.tilesY(); ++ty) {
        for (int tx = 0; tx < f.tilesX(); ++tx) {
            if (f.dirtyTiles()[static_cast<std::size_t>(ty) * f.tilesX() + tx] == 0) continue;
            const int x1 = std::min((tx + 1) * size, f.width()), y1 = std::min((ty + 1) * size, f.height());
            for (int y = ty * size; y < y1; ++y) {
                for (int x = tx * size; x < x1; ++x) visit(x, y);
            }
        }
    }
}

}  // namespace

// The file, and giflib's encoder writing into it.
struct GifRecorder::Writer {
    OutputFile file;
    std::string path;
    GifFileType* gif = nullptr;
    std::vector<std::uint8_t> changed;  // per pixel: whether this frame changes it
    std::vector<GifPixelType> line;

    explicit Writer(const std::string& p) : file(p), path(p) {}
    ~Writer() {
        if (gif != nullptr) EGifCloseFile(gif, nullptr);  // a file given up: it is removed anyway
    }

    // A one-line error for a failed giflib call, with the system's reason where there is one.
    std::string failure(int gifError) const {
        const char* why = errno != 0 ? std::strerror(errno) : GifErrorString(gifError);
        return "cannot write '" + path + "': " + (why != nullptr ? why : "GIF encoding failed");
    }
    bool start(int width, int height, const std::string& comment) {
        ColorMapObject* map = GifMakeMapObject(1 << PALETTE_BITS, nullptr);
        if (map == nullptr) return false;
        for (std::size_t i = 0; i < PALETTE.size(); ++i) {
            const auto rgb = toRgbBytes(PALETTE[i]);
            map->Colors[i] = GifColorType{rgb[0], rgb[1], rgb[2]};
        }
        EGifSetGifVersion(gif, true);
        const bool ok = EGifPutScreenDesc(gif, width, height, PALETTE_BITS, OUTSIDE, map) == GIF_OK;
        GifFreeMapObject(map);
        // Loop for ever: the application extension browsers read.
        static const GifByteType netscape[] = "NETSCAPE2.0";
        static const GifByteType forever[] = {1, 0, 0};
        return ok && EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
               EGifPutExtensionBlock(gif, 11, netscape) == GIF_OK && EGifPutExtensionBlock(gif, 3, forever) == GIF_OK &&
               EGifPutExtensionTrailer(gif) == GIF_OK && (comment.empty() || EGifPutComment(gif, comment.c_str()) == GIF_OK);
    }
    // A frame's header: its delay, its transparent index (the frame is drawn over the one before), its place.
    bool frameHeader(const Rect& r, int delay) {
        GraphicsControlBlock control{DISPOSE_DO_NOT, false, delay, TRANSPARENT};
        GifByteType extension[4];
        const auto length = static_cast<int>(EGifGCBToExtension(&control, extension));
        return EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, length, extension) == GIF_OK &&
               EGifPutImageDesc(gif, r.x, r.y, r.width, r.height, false, nullptr) == GIF_OK;
    }
};

GifRecorder::GifRecorder(const std::string& path, int width, int height, const std::string& comment)
    : writer_(std::make_unique<Writer>(path)), width_(width), height_(height),
      shown_(static_cast<std::size_t>(width) * height, OUTSIDE) {
    if (!writer_->file.error().empty()) {
        error_ = writer_->file.error();
        return;
    }
    writer_->changed.assign(shown_.size(), 0);
    writer_->line.resize(static_cast<std::size_t>(width));
    errno = 0;
    int gifError = 0;
    writer_->gif = EGifOpen(writer_->file.stream(), writeToStream, &gifError);
    if (writer_->gif == nullptr || !writer_->start(width, height, comment)) {
        error_ = writer_->failure(writer_->gif != nullptr ? writer_->gif->Error : gifError);
    }
}

GifRecorder::~GifRecorder() = default;

// Brings shown_ up to the field, noting each pixel that changes; returns the rectangle holding them (none
// when nothing changed) and forgets the field's changes. Looks everywhere on the first frame and after a
// resize, else in the tiles the field marked.
Rect GifRecorder::takeChanges(Field& f) {
    const bool whole = frames_ == 0 || f.width() != shownFieldWidth_ || f.height() != shownFieldHeight_;
    int left = width_, top = height_, right = 0, bottom = 0;  // from (left, top) to before (right, bottom)
    Colour lastColour = OFF_FIELD;
    int lastIndex = OUTSIDE;
    const auto look = [&](int x, int y) {
        const Colour c = x < f.width() && y < f.height() ? f.at(x, y) : GIF_OUTSIDE;
        if (c != lastColour) {  // neighbours mostly share a colour
            lastColour = c;
            lastIndex = c == GIF_OUTSIDE ? OUTSIDE : indexOf(c);
            if (lastIndex < 0) error_ = "the field holds a colour the GIF's palette lacks";
        }
        const std::size_t p = static_cast<std::size_t>(y) * width_ + x;
        if (lastIndex < 0 || (frames_ > 0 && shown_[p] == lastIndex)) return;
        shown_[p] = static_cast<std::uint8_t>(lastIndex);
        writer_->changed[p] = 1;
        left = std::min(left, x);
        top = std::min(top, y);
        right = std::max(right, x + 1);
        bottom = std::max(bottom, y + 1);
    };
    if (whole) {
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) look(x, y);
        }
    } else {
        forEachMarkedPixel(f, look);
    }
    f.clearDirty();
    shownFieldWidth_ = f.width();
    shownFieldHeight_ = f.height();
    return right > left ? Rect{left, top, right - left, bottom - top} : Rect{};
}

// Writes the rectangle as a frame: the pixels that changed, the rest transparent.
void GifRecorder::writeFrame(const Rect& box, int delay) {
    errno = 0;
    bool ok = writer_->frameHeader(box, delay);
    for (int y = box.y; ok && y < box.y + box.height; ++y) {
        for (int x = box.x; x < box.x + box.width; ++x) {
            const std::size_t p = static_cast<std::size_t>(y) * width_ + x;
            writer_->line[static_cast<std::size_t>(x - box.x)] = writer_->changed[p] != 0 ? shown_[p] : TRANSPARENT;
            writer_->changed[p] = 0;
        }
        ok = EGifPutLine(writer_->gif, writer_->line.data(), box.width) == GIF_OK;
    }
    if (!ok) error_ = writer_->failure(writer_->gif->Error);
}

void GifRecorder::addFrame(Field& f, int delay) {
    if (!error_.empty()) return;
    const Rect box = takeChanges(f);
    if (!error_.empty()) return;
    ++frames_;
    writeFrame(box.empty() ? Rect{0, 0, 1, 1} : box, delay);  // nothing changed: one clear pixel
}

std::string GifRecorder::finish() {
    if (!error_.empty()) {
        writer_.reset();  // nothing is left of the file
        return error_;
    }
    errno = 0;
    int gifError = 0;
    const bool closed = EGifCloseFile(writer_->gif, &gifError) == GIF_OK;
    writer_->gif = nullptr;
    error_ = writer_->file.commit(closed, GifErrorString(gifError));
    return error_;
}

}  // namespace pellwick
