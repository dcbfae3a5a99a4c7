// Icon artwork on a 32-unit grid, scaled to the requested size.
#include "app/icon.hpp"

#include <algorithm>

#include "raster/colour.hpp"

namespace pellwick {

namespace {

void fillRect(Field& f, int x0, int y0, int x1, int y1, Colour c) {
    f.setPenWidth(1);
    for (int y = y0; y < y1; ++y) f.drawLine(float(x0), float(y), float(x1 - 1), float(y), c);
}

}  // namespace

Field drawIcon(int size) {
    size = std::max(size, 16);
    Field f(size, size);
    const float u = size / 32.0F;  // one unit of the 32-unit design
    const int half = size / 2;
    fillRect(f, 0, 0, half, half, teamColour[0]);
    fillRect(f, half, 0, size, half, teamColour[1]);
    fillRect(f, 0, half, half, size, teamColour[2]);
    fillRect(f, half, half, size, size, teamColour[3]);

    // Solid blots of the dead where the quarters meet the edge: the walls the game builds.
    const float blotRadius = u;
    f.setPenWidth(std::max(1, static_cast<int>(2 * u)));
    const float blots[][2] = {{16, 3}, {3, 16}, {29, 16}, {16, 29}};
    for (const auto& b : blots) f.drawCircle(b[0] * u, b[1] * u, blotRadius);

    // A walker heading up and to the right: a dash with its ring on the front end.
    f.setPenWidth(std::max(1, static_cast<int>(1.5F * u)));
    f.drawLine(7 * u, 25 * u, 13 * u, 19 * u);
    f.setPenWidth(std::max(1, static_cast<int>(u)));
    f.drawCircle(15 * u, 17 * u, 2 * u);
    f.setPenWidth(1);
    return f;
}

}  // namespace pellwick
