// Walking the changed parts of the field and of a frame.
#include "app/frame.hpp"

#include <algorithm>

namespace pellwick {

void Frame::forEachChange(const std::function<void(const Band&)>& show) const {
    for (std::size_t ty = 0; ty < changed.size(); ++ty) {
        const Span s = changed[ty];
        if (s.x0 >= s.x1) continue;
        const int top = static_cast<int>(ty) * Field::TILE_SIZE;
        show(Band{s.x0, top, s.x1 - s.x0, std::min(Field::TILE_SIZE, height - top)});
    }
}

void forEachChangedRun(const Field& f, const std::function<void(const Band&)>& run) {
    const int size = Field::TILE_SIZE;
    const std::uint8_t* dirty = f.dirtyTiles();
    for (int ty = 0; ty < f.tilesY(); ++ty, dirty += f.tilesX()) {
        const int top = ty * size, rows = std::min(f.height() - top, size);
        for (int tx = 0; tx < f.tilesX();) {
            if (dirty[tx] == 0) {
                ++tx;
                continue;
            }
            const int first = tx;
            while (tx < f.tilesX() && dirty[tx] != 0) ++tx;
            const int x0 = first * size, x1 = std::min(f.width(), tx * size);
            run(Band{x0, top, x1 - x0, rows});
        }
    }
}

}  // namespace pellwick
