// Turning the changed tiles of an image into few rectangles, and drawing them into a canvas.
#include "app/frame.hpp"

#include <algorithm>
#include <bit>
#include <cstring>

namespace pellwick {

namespace {

constexpr int JOIN_GAP = 1;      // runs this many unchanged tiles apart are sent as one
constexpr int WIDEN_LIMIT = 4;   // tiles a rectangle may widen by to go on down a row

struct Run {
    int first;  // tiles, first included
    int end;    // and last excluded
};

// Bit k set when flags[k] is nonzero, for count <= 64 flags: eight at a time, each byte folded to its
// lowest bit and the eight bits gathered by one multiplication (their products never overlap).
std::uint64_t flagBits(const std::uint8_t* flags, int count) {
    std::uint64_t bits = 0;
    int k = 0;
    for (; k + 8 <= count; k += 8) {
        std::uint64_t eight = 0;
        std::memcpy(&eight, flags + k, 8);
        eight |= eight >> 4U;
        eight |= eight >> 2U;
        eight |= eight >> 1U;
        bits |= (((eight & 0x0101010101010101U) * 0x0102040810204080U) >> 56U) << k;
    }
    for (; k < count; ++k) bits |= static_cast<std::uint64_t>(flags[k] != 0) << k;
    return bits;
}

// The runs of changed tiles in one row of tile flags, joined across short gaps. The flags are taken 64 at
// a time as bits, and each run found by counting bits: a loop over the tiles themselves would guess wrong
// at nearly every changed one.
void runsOf(const std::uint8_t* row, int tilesX, std::vector<Run>& runs) {
    runs.clear();
    for (int base = 0; base < tilesX; base += 64) {
        std::uint64_t bits = flagBits(row + base, std::min(64, tilesX - base));
        while (bits != 0) {
            const int first = std::countr_zero(bits), length = std::countr_one(bits >> first);
            const Run run{base + first, base + first + length};
            if (!runs.empty() && run.first - runs.back().end <= JOIN_GAP) {
                runs.back().end = run.end;
            } else {
                runs.push_back(run);
            }
            if (first + length >= 64) break;
            bits &= ~std::uint64_t{0} << (first + length);
        }
    }
}

// Whether the run x0..x1 of a row may continue the rectangle above it: they overlap, and neither is widened
// by more than WIDEN_LIMIT tiles. Each call to the screen costs more than a few pixels more.
bool continues(const Rect& above, int x0, int x1) {
    const int limit = WIDEN_LIMIT * Field::TILE_SIZE;
    const int left = std::min(above.x, x0), right = std::max(above.x + above.width, x1);
    return x0 < above.x + above.width && above.x < x1 && right - left - above.width <= limit && right - left - (x1 - x0) <= limit;
}

}  // namespace

void changedRects(const std::uint8_t* tiles, int width, int height, std::vector<Rect>& out) {
    const int size = Field::TILE_SIZE;
    const int tilesX = (width + size - 1) / size, tilesY = (height + size - 1) / size;
    out.clear();
    std::vector<Run> runs;
    std::vector<std::size_t> open, stillOpen;  // rectangles in out that reach the row above, left to right
    for (int ty = 0; ty < tilesY; ++ty) {
        runsOf(tiles + static_cast<std::size_t>(ty) * tilesX, tilesX, runs);
        const int bottom = std::min((ty + 1) * size, height);
        stillOpen.clear();
        std::size_t o = 0;
        int sentTo = 0;  // this row is covered up to here by the rectangles grown into it
        for (const Run& run : runs) {
            const int x0 = std::max(run.first * size, sentTo), x1 = std::min(run.end * size, width);
            if (x1 <= x0) continue;
            while (o < open.size() && out[open[o]].x + out[open[o]].width <= x0) ++o;
            if (o < open.size() && continues(out[open[o]], x0, x1)) {
                Rect& above = out[open[o]];
                const int left = std::min(above.x, x0), right = std::max(above.x + above.width, x1);
                above = Rect{left, above.y, right - left, bottom - above.y};  // grows down a row
                sentTo = right;
                stillOpen.push_back(open[o++]);
                continue;
            }
            stillOpen.push_back(out.size());
            out.push_back(Rect{x0, ty * size, x1 - x0, bottom - ty * size});
        }
        open.swap(stillOpen);
    }
}

namespace {

// A run of covered columns in a band, [x0, x1).
struct BandRun {
    int band, x0, x1;
};

// The runs of columns that the rectangles cover in each band, band by band and left to right, with the
// image `height` pixels high cut into `count` bands of `band` pixels.
std::vector<BandRun> coveredRuns(const std::vector<Rect>& rects, int height, std::size_t count, int& band) {
    const int bands = static_cast<int>(std::max<std::size_t>(count, 1));
    band = std::max(1, (height + bands - 1) / bands);
    std::vector<BandRun> spans;
    for (const Rect& r : rects) {
        for (int b = r.y / band; b * band < r.y + r.height && b < bands; ++b) spans.push_back(BandRun{b, r.x, r.x + r.width});
    }
    std::sort(spans.begin(), spans.end(),
              [](const BandRun& a, const BandRun& b) { return a.band != b.band ? a.band < b.band : a.x0 < b.x0; });
    std::vector<BandRun> runs;
    for (const BandRun& s : spans) {
        if (!runs.empty() && runs.back().band == s.band && s.x0 <= runs.back().x1) {
            runs.back().x1 = std::max(runs.back().x1, s.x1);
        } else {
            runs.push_back(s);
        }
    }
    return runs;
}

// The runs, band `band` pixels high, joined across the gaps that cost least until at most `budget` are left.
const std::vector<Rect>& joinedRuns(const std::vector<BandRun>& runs, int band, int height, std::size_t budget,
                                    std::vector<Rect>& out) {
    // The gaps between neighbouring runs of a band, by what joining them costs: the cheapest are joined.
    std::vector<std::pair<std::int64_t, std::size_t>> gaps;  // cost, index of the run the gap follows
    for (std::size_t i = 0; i + 1 < runs.size(); ++i) {
        if (runs[i].band == runs[i + 1].band) gaps.emplace_back(std::int64_t{runs[i + 1].x0 - runs[i].x1} * band, i);
    }
    std::vector<bool> joined(runs.size(), false);
    const std::size_t surplus = runs.size() > budget ? std::min(runs.size() - budget, gaps.size()) : 0;
    std::sort(gaps.begin(), gaps.end());
    for (std::size_t g = 0; g < surplus; ++g) joined[gaps[g].second] = true;
    out.clear();
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const int top = runs[i].band * band, x0 = runs[i].x0;
        while (joined[i]) ++i;
        out.push_back(Rect{x0, top, runs[i].x1 - x0, std::min(height, top + band) - top});
    }
    return out;
}

}  // namespace

const std::vector<Rect>& fewRects(const std::vector<Rect>& rects, int height, std::size_t bands, std::size_t budget,
                                  std::vector<Rect>& out) {
    int band = 0;
    const std::vector<BandRun> runs = coveredRuns(rects, height, bands, band);
    return joinedRuns(runs, band, height, budget, out);
}

const std::vector<Rect>& fewDamageRects(const std::vector<Rect>& rects, int height, std::size_t bands, std::size_t budget,
                                        std::int64_t keepPer4, std::vector<Rect>& bounds, std::vector<Rect>& out) {
    int band = 0;
    const std::vector<BandRun> runs = coveredRuns(rects, height, bands, band);
    joinedRuns(runs, band, height, bands, bounds);
    joinedRuns(runs, band, height, budget, out);
    if (areaOf(out) * 4 > areaOf(bounds) * keepPer4) out.swap(bounds);
    return out;
}

// Weighed in the pixels the screen is sent: at a zoom, each field pixel is zoom x zoom of them.
bool wholeIsCheaper(const std::vector<Rect>& rects, int width, int height, const PutCost& cost, int zoom) {
    if (rects.empty()) return false;
    const double square = static_cast<double>(zoom) * zoom;
    double separately = 0;
    for (const Rect& r : rects) separately += cost.perCall + static_cast<double>(r.width) * r.height * square;
    return cost.perCall + static_cast<double>(width) * height * square * cost.wholeRowPixel < separately;
}

const std::vector<Rect>& FrameDrawer::draw(Field& f, const Canvas& canvas) {
    const std::size_t tiles = static_cast<std::size_t>(f.tilesX()) * f.tilesY();
    const std::uint8_t* dirty = f.dirtyTiles();
    if (!known_.empty() && known_.front().missed.size() != tiles) known_.clear();  // a new size: all new
    const auto known = std::find_if(known_.begin(), known_.end(), [&](const Known& k) { return k.canvas == canvas; });
    if (known == known_.end() || (canvas.pixels == nullptr && !canvas.fieldItself)) {
        drawn_.assign(1, Rect{0, 0, f.width(), f.height()});
    } else {
        // What changed since this canvas was drawn into last: the tiles it missed and this frame's, once each.
        if (known == known_.begin()) {
            changedRects(f, drawn_);
        } else {
            catchUp_ = known->missed;
            for (std::size_t t = 0; t < tiles; ++t) catchUp_[t] |= dirty[t];
            changedRects(catchUp_.data(), f.width(), f.height(), drawn_);
        }
        if (costed_ && wholeIsCheaper(drawn_, f.width(), f.height(), cost_, std::max(canvas.zoom, 1))) {
            drawn_.assign(1, Rect{0, 0, f.width(), f.height()});
        }
    }
    if (!canvas.fieldItself) {
        copyRectsZoomed(f.pixels(), f.width(), f.pixelFormat(), drawn_.data(), drawn_.size(), canvas.pixels, canvas.stride,
                        canvas.format, canvas.zoom);
    }
    if (canvas.zoom > 1) {
        for (Rect& r : drawn_) r = Rect{r.x * canvas.zoom, r.y * canvas.zoom, r.width * canvas.zoom, r.height * canvas.zoom};
    }
    const auto marked = static_cast<std::int64_t>(tiles - static_cast<std::size_t>(std::count(dirty, dirty + tiles, 0)));
    changed_ = marked * Field::TILE_SIZE * Field::TILE_SIZE * canvas.zoom * canvas.zoom;
    remember(canvas, dirty, tiles);
    f.clearDirty();
    return drawn_;
}

// Puts the canvas first, holding this frame, and adds this frame's changes to what the others miss.
void FrameDrawer::remember(const Canvas& canvas, const std::uint8_t* dirty, std::size_t tiles) {
    const auto same = std::find_if(known_.begin(), known_.end(), [&](const Known& k) { return k.canvas == canvas; });
    Known entry{canvas, {}};
    if (same != known_.end()) {
        entry.missed = std::move(same->missed);  // its flags' memory, reused
        known_.erase(same);
    }
    for (Known& k : known_) {
        for (std::size_t t = 0; t < tiles; ++t) k.missed[t] |= dirty[t];
    }
    entry.missed.assign(tiles, 0);
    known_.insert(known_.begin(), std::move(entry));
    if (known_.size() > KNOWN_CANVASES) known_.pop_back();
}

}  // namespace pellwick
