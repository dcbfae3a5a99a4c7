// What a display is sent: the rectangles built from changed tiles, and pixels converted for a screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "app/frame.hpp"
#include "app/scenario.hpp"
#include "game/rules.hpp"
#include "game/ticker.hpp"

namespace pellwick {
namespace {

constexpr int TILE = Field::TILE_SIZE;

// Checks the rectangles for a width x height image with these tile flags: inside the image, not
// overlapping, covering every changed tile, and covering an unchanged tile only inside a one-tile gap of a
// row's run. Returns the area they cover.
std::int64_t checkRects(const std::vector<std::uint8_t>& tiles, int width, int height) {
    const int tilesX = (width + TILE - 1) / TILE, tilesY = (height + TILE - 1) / TILE;
    std::vector<Rect> rects;
    changedRects(tiles.data(), width, height, rects);
    std::vector<int> covered(tiles.size(), 0);
    std::int64_t area = 0;
    for (const Rect& r : rects) {
        EXPECT_FALSE(r.empty());
        EXPECT_EQ(r.clippedTo(width, height).area(), r.area()) << "inside the image";
        area += r.area();
        for (int ty = r.y / TILE; ty * TILE < r.y + r.height; ++ty) {
            for (int tx = r.x / TILE; tx * TILE < r.x + r.width; ++tx) ++covered[static_cast<std::size_t>(ty) * tilesX + tx];
        }
    }
    for (int ty = 0; ty < tilesY; ++ty) {
        for (int tx = 0; tx < tilesX; ++tx) {
            const std::size_t t = static_cast<std::size_t>(ty) * tilesX + tx;
            EXPECT_LE(covered[t], 1) << "tile " << tx << "," << ty << " sent twice";
            if (tiles[t] != 0) {
                EXPECT_EQ(covered[t], 1) << "changed tile " << tx << "," << ty << " not sent";
            }
            const bool inGap = tx > 0 && tx + 1 < tilesX && tiles[t - 1] != 0 && tiles[t + 1] != 0;
            if (tiles[t] == 0 && covered[t] != 0) {
                EXPECT_TRUE(inGap) << "unchanged tile " << tx << "," << ty << " sent";
            }
        }
    }
    return area;
}

std::vector<std::uint8_t> flagsOf(const Field& f) {
    return std::vector<std::uint8_t>(f.dirtyTiles(), f.dirtyTiles() + static_cast<std::size_t>(f.tilesX()) * f.tilesY());
}

TEST(FrameRects, TwoFarCornersAreTwoSmallRectangles) {
    Field f(1920, 1080);
    f.clearDirty();
    f.markDirty(0, 0, 0, 0);
    f.markDirty(1919, 1079, 1919, 1079);
    std::vector<Rect> rects;
    changedRects(f, rects);
    ASSERT_EQ(rects.size(), 2U);
    EXPECT_EQ(rects[0].area(), TILE * TILE);
    EXPECT_EQ(rects[1].area(), TILE * 8) << "the last row of tiles is cut at the field's edge";
    EXPECT_EQ(checkRects(flagsOf(f), 1920, 1080), TILE * TILE + TILE * 8);
}

TEST(FrameRects, AfterAWalkersStepOnlyItsTilesAreSent) {
    App app = playScenario({640, 480, 300, {{0, Input::newGame()}}});
    World& w = const_cast<World&>(app.world());
    w.field.clearDirty();
    const std::vector<Colour> before(w.field.pixels(), w.field.pixels() + 640 * 480);
    drawFigure(w.field, w.x[7], w.y[7], w.angle[7], teamColour[w.team[7]]);
    stepWalker(w, 7);
    drawFigure(w.field, w.x[7], w.y[7], w.angle[7], INK);
    std::vector<Rect> rects;
    changedRects(w.field, rects);
    for (int i = 0; i < 640 * 480; ++i) {
        if (before[i] == w.field.pixels()[i]) continue;
        const int x = i % 640, y = i / 640;
        const bool sent = std::any_of(rects.begin(), rects.end(), [&](const Rect& r) {
            return x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height;
        });
        EXPECT_TRUE(sent) << "pixel " << x << "," << y << " changed but is not sent";
    }
    EXPECT_LE(checkRects(flagsOf(w.field), 640, 480), 4 * TILE * TILE) << "a figure spans at most 2x2 tiles";
}

TEST(FrameRects, ATickOfTheGameIsSentInFewRectanglesCloseToItsTiles) {
    App app = playScenario({1920, 1080, 2000, {{0, Input::newGame()}}});
    World w = app.world();
    Ticker ticker;
    w.field.clearDirty();
    for (int t = 0; t < 17; ++t) ticker.tick(w);  // one frame's worth at 60 Hz
    const std::vector<std::uint8_t> flags = flagsOf(w.field);
    const std::int64_t flagged = std::count(flags.begin(), flags.end(), 1) * TILE * TILE;
    const std::int64_t sent = checkRects(flags, 1920, 1080);
    EXPECT_LE(sent, flagged * 13 / 10) << "one-tile gaps cost little";
    EXPECT_LE(sent, 1920LL * 1080 / 2) << "far from the whole screen";
}

TEST(FrameRects, RandomTilePatternsKeepTheRules) {
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        const int width = 1 + static_cast<int>(random() % 300), height = 1 + static_cast<int>(random() % 200);
        const std::size_t count = static_cast<std::size_t>((width + TILE - 1) / TILE) * ((height + TILE - 1) / TILE);
        std::vector<std::uint8_t> tiles(count);
        const unsigned density = 1 + random() % 4;
        for (auto& t : tiles) t = random() % 4 < density ? 1 : 0;
        checkRects(tiles, width, height);
    }
}

TEST(FrameRects, AScreenGetsTheWholeFrameOrWhatChangedClippedToItsSize) {
    const std::vector<Rect> changed = {{0, 0, 16, 16}, {80, 32, 20, 18}};
    const Frame f{100, 50, changed};
    std::vector<Rect> out;
    f.toShow(false, 90, 50, out);
    ASSERT_EQ(out.size(), 2U);
    EXPECT_EQ(out[1].width, 10) << "clipped to the screen";
    f.toShow(true, 200, 40, out);
    ASSERT_EQ(out.size(), 1U);
    EXPECT_EQ(out[0].width, 100);
    EXPECT_EQ(out[0].height, 40);
    f.toShow(false, 0, 0, out);
    EXPECT_TRUE(out.empty());
}

TEST(FrameRects, ACanvasGetsEverythingFirstThenWhatChanged) {
    Field field(40, 40);
    std::vector<std::uint32_t> pixels(40 * 40, 0);
    Canvas canvas{pixels.data(), 40, 40, 40, XRGB, true};
    FrameDrawer drawer;
    EXPECT_EQ(drawer.draw(field, canvas).size(), 1U);
    EXPECT_EQ(pixels[40 * 40 - 1], toPixel(WHITE, XRGB)) << "a blank canvas gets the whole field";
    EXPECT_TRUE(drawer.draw(field, canvas).empty()) << "nothing changed, nothing drawn";
    field.drawLine(35, 35, 36, 35);
    const std::vector<Rect> drawn = drawer.draw(field, canvas);
    ASSERT_EQ(drawn.size(), 1U);
    EXPECT_EQ(drawn[0].x, 32);
    EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), field.pixels(), [](std::uint32_t p, Colour c) { return p == toPixel(c, XRGB); }));
}

TEST(PixelFormat, ConvertsRectanglesToAScreensChannelOrder) {
    const std::vector<Colour> field = {rgb(1, 2, 3), rgb(4, 5, 6), rgb(7, 8, 9), rgb(10, 11, 12)};
    std::vector<std::uint32_t> screen(4, 0xDEADBEEF);
    const Rect column{1, 0, 1, 2};
    copyRects(field.data(), 2, &column, 1, screen.data(), 2, XRGB);
    EXPECT_EQ(screen, (std::vector<std::uint32_t>{0xDEADBEEF, 0x040506, 0xDEADBEEF, 0x0A0B0C}));
    EXPECT_EQ(toPixel(rgb(1, 2, 3), RGBA_BYTES), 0xFF030201U);
    PixelFormat f{};
    ASSERT_TRUE(formatFromMasks(0xFF0000, 0xFF00, 0xFF, f));
    EXPECT_EQ(f, (PixelFormat{16, 8, 0, 0xFF000000U})) << "the unused byte is set, as an alpha channel wants";
    ASSERT_TRUE(formatFromMasks(0xFF, 0xFF00, 0xFF0000, f));
    EXPECT_EQ(toPixel(rgb(1, 2, 3), f), 0xFF030201U);
    EXPECT_FALSE(formatFromMasks(0xF800, 0x7E0, 0x1F, f)) << "16-bit";
    EXPECT_FALSE(formatFromMasks(0xFF, 0xFF, 0xFF0000, f));
}

}  // namespace
}  // namespace pellwick
