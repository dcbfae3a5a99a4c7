// Building and painting the figure patterns.
#include "figure.hpp"

#include <cstdlib>

namespace pellwick {

void FigurePatterns::prepare(int fieldWidth) {
    width_ = fieldWidth;
    for (int dy = -kReach; dy <= kReach; ++dy) {
        for (int dx = -kReach; dx <= kReach; ++dx) {
            auto& tail = tails_[(dy + kReach) * kSide + (dx + kReach)];
            tail.fill(0);
            // The same integer walk as the field's lines, from the front end (0, 0) to (dx, dy); its first
            // two pixels are the front pixel and one of the ring's.
            const int adx = std::abs(dx), ady = std::abs(dy);
            const int sx = dx > 0 ? 1 : -1, sy = dy > 0 ? 1 : -1;
            int x = 0, y = 0, err = adx - ady, n = 0;
            for (int step = 0; !(x == dx && y == dy); ++step) {
                const int e2 = 2 * err;
                if (e2 >= -ady) {
                    err -= ady;
                    x += sx;
                }
                if (e2 <= adx) {
                    err += adx;
                    y += sy;
                }
                if (step >= 1) tail[n++] = y * fieldWidth + x;
            }
        }
    }
}

}  // namespace pellwick
