// The field's guarantees: exact colours, ink and background, off-field reads, and shapes that are exactly
// the pixels they should be, whatever the arguments.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <set>
#include <utility>

#include "raster/field.hpp"

namespace pellwick {
namespace {

constexpr Colour PALE_GREEN = 215 + 256 * 255 + 65536 * 215;

std::set<std::pair<int, int>> paintedPixels(const Field& f) {
    std::set<std::pair<int, int>> s;
    for (int y = 0; y < f.height(); ++y) {
        for (int x = 0; x < f.width(); ++x) {
            if (f.at(x, y) != f.background()) s.insert({x, y});
        }
    }
    return s;
}

// The pen's stamp: what a line of one point paints around it, well inside a field.
std::vector<std::pair<int, int>> stampOf(int penWidth) {
    Field dot(2 * MAX_PEN_WIDTH + 1, 2 * MAX_PEN_WIDTH + 1);
    dot.setPenWidth(penWidth);
    dot.drawLine(MAX_PEN_WIDTH, MAX_PEN_WIDTH, MAX_PEN_WIDTH, MAX_PEN_WIDTH);
    std::vector<std::pair<int, int>> stamp;
    for (const auto& [x, y] : paintedPixels(dot)) stamp.emplace_back(x - MAX_PEN_WIDTH, y - MAX_PEN_WIDTH);
    return stamp;
}

// The line walk exactly as written down, unclipped, stamping the pen at every point, for comparison.
std::set<std::pair<int, int>> referenceLine(const Field& f, long x1, long y1, long x2, long y2) {
    const std::vector<std::pair<int, int>> stamp = stampOf(f.penWidth());
    std::set<std::pair<int, int>> s;
    const long dx = std::labs(x2 - x1), sx = x1 < x2 ? 1 : -1;
    const long dy = -std::labs(y2 - y1), sy = y1 < y2 ? 1 : -1;
    long err = dx + dy;
    for (;;) {
        for (const auto& [dx, dy] : stamp) {
            const long px = x1 + dx, py = y1 + dy;
            if (px >= 0 && px < f.width() && py >= 0 && py < f.height()) s.insert({int(px), int(py)});
        }
        if (x1 == x2 && y1 == y2) break;
        const long e2 = 2 * err;
        if (e2 >= dy) { err += dy; x1 += sx; }
        if (e2 <= dx) { err += dx; y1 += sy; }
    }
    return s;
}

TEST(Field, ColoursComeBackExactlyAndClearRestoresBackground) {
    Field f(40, 30);
    f.drawLine(2.5F, 3.9F, 20.2F, 3.1F, PALE_GREEN);
    EXPECT_EQ(f.pixelAt(2.0F, 3.0F), PALE_GREEN);
    EXPECT_EQ(f.pixelAt(20.99F, 3.5F), PALE_GREEN);
    f.drawLine(0, 10, 39, 10);
    EXPECT_EQ(f.pixelAt(15, 10), INK);
    f.clear();
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 40; ++x) ASSERT_EQ(f.pixelAt(x + 0.5F, y + 0.5F), WHITE);
    }
}

// A field kept in a screen's format (the page's opaque RGBA, a desktop's blue-first order) stores every
// pixel so, old and new, reads back the same colours as one in its own order, and refuses a format whose
// colour does not lie in the low three bytes. Its memory may be shared, and stays so through a resize.
TEST(Field, StoresPixelsInAScreensFormatAndReadsBackColours) {
    Field f(12, 9);
    f.drawLine(0, 1, 11, 1, PALE_GREEN);
    ASSERT_TRUE(f.setPixelFormat(RGBA_BYTES));
    ASSERT_TRUE(f.setPixelFormat(XRGB));
    f.drawCircle(5, 5, 1, teamColour[0]);
    const bool shared = f.shareMemory();
    f.resize(14, 9);
    EXPECT_EQ(f.sharedMemoryId() >= 0, shared);
    const auto stored = [&](int x, int y) { return static_cast<std::uint32_t>(f.pixels()[y * f.width() + x]); };
    EXPECT_EQ(stored(3, 1), 0xD7FFD7U);
    EXPECT_EQ(stored(5, 4), 0xFFD7D7U);  // pale red, red in the third byte
    EXPECT_EQ(f.pixelAt(3, 1), PALE_GREEN);
    EXPECT_EQ(f.at(5, 4), teamColour[0]);
    EXPECT_EQ(f.pixelAt(13, 8), WHITE);
    ASSERT_TRUE(f.setPixelFormat(RGBA_BYTES));
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 14; ++x) ASSERT_EQ(stored(x, y), toPixel(f.at(x, y), RGBA_BYTES)) << x << "," << y;
    }
    EXPECT_FALSE(f.setPixelFormat(PixelFormat{24, 16, 8}));
    EXPECT_FALSE(f.setPixelFormat(PixelFormat{0, 8, 8}));
    EXPECT_EQ(f.pixelFormat(), RGBA_BYTES);
    EXPECT_EQ(f.at(5, 4), teamColour[0]);
}

TEST(Field, BackgroundIsNeverInkOrNonColour) {
    EXPECT_EQ(Field(4, 4, 0).background(), WHITE);
    EXPECT_EQ(Field(4, 4, -5).background(), WHITE);
    EXPECT_EQ(Field(4, 4, 0x1000000).background(), WHITE);
    EXPECT_EQ(Field(4, 4, 0x00FFEE).background(), 0x00FFEE);
}

TEST(Field, ReadsOffTheFieldAnswerMinusOne) {
    const float inf = std::numeric_limits<float>::infinity();
    Field f(10, 8);
    EXPECT_EQ(f.pixelAt(-0.01F, 3), OFF_FIELD);
    EXPECT_EQ(f.pixelAt(3, -0.5F), OFF_FIELD);
    EXPECT_EQ(f.pixelAt(10, 3), OFF_FIELD);
    EXPECT_EQ(f.pixelAt(3, 8), OFF_FIELD);
    EXPECT_EQ(f.pixelAt(9.99F, 7.99F), WHITE);
    EXPECT_EQ(f.pixelAt(0, 0), WHITE);
    EXPECT_EQ(f.pixelAt(std::nanf(""), 1), OFF_FIELD);
    EXPECT_EQ(f.pixelAt(1, inf), OFF_FIELD);
    EXPECT_EQ(f.pixelAt(-inf, 1), OFF_FIELD);
    EXPECT_EQ(f.pixelAt(2e9F, 1), OFF_FIELD);
}

TEST(Field, PenStampsAreSquareThenRound) {
    const std::pair<int, std::size_t> sizes[] = {{1, 1}, {2, 4}, {3, 9}, {4, 12}, {8, 52}};
    for (auto [w, n] : sizes) {
        Field f(20, 20);
        f.setPenWidth(w);
        f.drawLine(10, 10, 10, 10);
        EXPECT_EQ(paintedPixels(f).size(), n) << "width " << w;
    }
    Field f(20, 20);
    f.setPenWidth(2);
    f.drawLine(5, 5, 5, 5);
    EXPECT_EQ(paintedPixels(f), (std::set<std::pair<int, int>>{{5, 5}, {6, 5}, {5, 6}, {6, 6}}));
}

TEST(Field, PenWidthIsClampedToWhatCanBeHonoured) {
    Field f(8, 8);
    f.setPenWidth(0);
    EXPECT_EQ(f.penWidth(), 1);
    f.setPenWidth(-40);
    EXPECT_EQ(f.penWidth(), 1);
    f.setPenWidth(1 << 30);
    EXPECT_EQ(f.penWidth(), MAX_PEN_WIDTH);
}

TEST(Field, CirclesAreRingsOrDiscsByPenWidth) {
    Field f(30, 30);
    f.drawCircle(10.7F, 10.2F, 1, PALE_GREEN);
    std::set<std::pair<int, int>> ring;
    for (int j = -1; j <= 1; ++j) {
        for (int i = -1; i <= 1; ++i) {
            if (i != 0 || j != 0) ring.insert({10 + i, 10 + j});
        }
    }
    EXPECT_EQ(paintedPixels(f), ring);

    f.clear();
    f.setPenWidth(8);
    f.drawCircle(15, 15, 3);
    EXPECT_EQ(paintedPixels(f).size(), 149U);
    EXPECT_EQ(f.pixelAt(15, 15), INK);
    EXPECT_EQ(f.pixelAt(22, 15), INK);
    EXPECT_EQ(f.pixelAt(23, 15), WHITE);
}

TEST(Field, BoxIsAnOutlineWhicheverCornerComesFirst) {
    Field a(20, 20), b(20, 20);
    a.drawBox(3, 4, 12, 15);
    b.drawBox(12.5F, 15.5F, 3.2F, 4.9F);
    EXPECT_EQ(paintedPixels(a), paintedPixels(b));
    EXPECT_EQ(paintedPixels(a).size(), 2U * 10 + 2U * 10);
    EXPECT_EQ(a.pixelAt(7, 9), WHITE);
}

TEST(Field, ClippedLinesPaintExactlyTheWalkedPixels) {
    std::mt19937 gen(7);
    std::uniform_int_distribution<int> coord(-200, 260);
    for (int n = 0; n < 3000; ++n) {
        Field f(64, 48);
        f.setPenWidth(1 + n % 8);
        const int x1 = coord(gen), y1 = coord(gen), x2 = coord(gen), y2 = coord(gen);
        f.drawLine(x1 + 0.25F, y1 + 0.75F, x2 + 0.5F, y2 + 0.0F);
        ASSERT_EQ(paintedPixels(f), referenceLine(f, x1, y1, x2, y2))
            << "(" << x1 << "," << y1 << ")-(" << x2 << "," << y2 << ") width " << f.penWidth();
    }
    // Long lines enter the field hundreds of thousands of steps in, where the jump must land exactly.
    const int ends[][4] = {{-299968, -289976, 300032, 290024}, {200032, -149976, -199968, 150024}};
    for (const auto& e : ends) {
        Field f(64, 48);
        f.drawLine(e[0], e[1], e[2], e[3]);
        EXPECT_FALSE(paintedPixels(f).empty());
        EXPECT_EQ(paintedPixels(f), referenceLine(f, e[0], e[1], e[2], e[3]));
    }
}

TEST(Field, HugeAndNonFiniteArgumentsStayBoundedAndSafe) {
    const float nan = std::nanf("");
    const float inf = std::numeric_limits<float>::infinity();
    Field f(50, 40);
    f.drawLine(-1e9F, 7.5F, 1e9F, 7.5F);
    for (int x = 0; x < 50; ++x) EXPECT_EQ(f.at(x, 7), INK);
    EXPECT_EQ(paintedPixels(f).size(), 50U);

    f.clear();
    f.setPenWidth(5);
    f.drawLine(-9.9e8F, -9.3e8F, 9.9e8F, 9.3e8F);  // long and steep: crosses the field diagonally
    f.drawLine(nan, 1, 2, 3);
    f.drawLine(1, 2, inf, 3);
    f.drawLine(1, 2, 3, 1e10F);
    f.drawBox(-inf, 0, 10, 10);
    f.drawCircle(nan, 5, 3);
    f.drawCircle(5, 5, nan);
    f.drawCircle(5, 5, -inf);
    f.drawCircle(5, 5, -30);
    f.setPenWidth(1);
    f.drawCircle(25, 20, 5e8F);  // far larger than the field: nothing lands inside the ring's hole
    EXPECT_EQ(f.pixelAt(25, 20), WHITE);
    EXPECT_FALSE(paintedPixels(f).empty());
}

TEST(Field, ResizeKeepsTheOverlapAndFillsTheRestWithBackground) {
    Field f(10, 6);
    f.drawLine(0, 0, 9, 5, PALE_GREEN);
    f.setPenWidth(3);
    f.resize(5, 12);
    EXPECT_EQ(f.width(), 5);
    EXPECT_EQ(f.height(), 12);
    EXPECT_EQ(f.pixelAt(0, 0), PALE_GREEN);
    EXPECT_EQ(f.pixelAt(2, 1), PALE_GREEN);
    EXPECT_EQ(f.pixelAt(4, 9), WHITE);
    EXPECT_EQ(f.pixelAt(5, 0), OFF_FIELD);
    EXPECT_EQ(f.penWidth(), 3);
    f.resize(0, -7);
    EXPECT_EQ(f.width(), 1);
    EXPECT_EQ(f.height(), 1);
    EXPECT_EQ(f.pixelAt(0, 0), PALE_GREEN);
    f.resize(1 << 30, 2);
    EXPECT_EQ(f.width(), MAX_FIELD_SIDE);

    // The page's field, in its own format, grown in height alone: the new rows are background in that format.
    Field page(10, 6);
    ASSERT_TRUE(page.setPixelFormat(RGBA_BYTES));
    page.resize(10, 8);
    ASSERT_EQ(page.height(), 8) << "a resize of the height alone";
    for (int x = 0; x < 10; ++x) {
        EXPECT_EQ(static_cast<std::uint32_t>(page.pixels()[7 * 10 + x]), toPixel(WHITE, RGBA_BYTES)) << x;
    }
    page.resize(12, 8);
    EXPECT_EQ(page.width(), 12) << "and of the width alone";
}

}  // namespace
}  // namespace pellwick
