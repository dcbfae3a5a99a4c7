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

// Checks the rectangles for a width x height image with these tile flags: inside the image, covering every
// changed tile, and each row of tiles of a rectangle holding a changed tile within it (a rectangle grows down
// only with a run of its row). Returns how many tiles they cover, counted once per rectangle.
std::int64_t checkRects(const std::vector<std::uint8_t>& tiles, int width, int height, std::vector<Rect>& rects) {
    const int tilesX = (width + TILE - 1) / TILE;
    changedRects(tiles.data(), width, height, rects);
    std::vector<std::uint8_t> covered(tiles.size(), 0);
    std::int64_t sent = 0;
    for (const Rect& r : rects) {
        EXPECT_FALSE(r.empty());
        EXPECT_EQ(r.clippedTo(width, height).area(), r.area()) << "inside the image";
        for (int ty = r.y / TILE; ty * TILE < r.y + r.height; ++ty) {
            bool changedInRow = false;
            for (int tx = r.x / TILE; tx * TILE < r.x + r.width; ++tx) {
                const std::size_t t = static_cast<std::size_t>(ty) * tilesX + tx;
                covered[t] = 1;
                changedInRow = changedInRow || tiles[t] != 0;
                ++sent;
            }
            EXPECT_TRUE(changedInRow) << "a row of tiles with no change, at y " << ty * TILE;
        }
    }
    for (std::size_t t = 0; t < tiles.size(); ++t) {
        EXPECT_TRUE(tiles[t] == 0 || covered[t] != 0) << "changed tile " << t % tilesX << "," << t / tilesX << " not sent";
    }
    return sent;
}

std::int64_t checkRects(const std::vector<std::uint8_t>& tiles, int width, int height) {
    std::vector<Rect> rects;
    return checkRects(tiles, width, height, rects);
}

std::vector<ScenarioEvent> clickAt(std::uint64_t tick) {
    return {{tick, Input::press(Button::Left, 1)}, {tick, Input::release(Button::Left, 1)}};
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
    EXPECT_EQ(checkRects(flagsOf(f), 1920, 1080), 2);
}

TEST(FrameRects, AfterAWalkersStepOnlyItsTilesAreSent) {
    App app = playScenario({640, 480, 300, clickAt(0)});
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
    EXPECT_LE(checkRects(flagsOf(w.field), 640, 480), 4) << "a figure spans at most 2x2 tiles";
}

TEST(FrameRects, ATickOfTheGameIsSentInFewRectanglesCloseToItsTiles) {
    App app = playScenario({1920, 1080, 2000, clickAt(0)});
    World w = app.world();
    Ticker ticker;
    w.field.clearDirty();
    for (int t = 0; t < 17; ++t) ticker.tick(w);  // one frame's worth at 60 Hz
    const std::vector<std::uint8_t> flags = flagsOf(w.field);
    const std::int64_t flagged = std::count(flags.begin(), flags.end(), 1);
    std::vector<Rect> rects;
    const std::int64_t sent = checkRects(flags, 1920, 1080, rects);
    EXPECT_LE(sent, flagged * 3 / 2) << "joining costs little area";
    EXPECT_LE(static_cast<std::int64_t>(rects.size()), flagged / 6) << "many tiles to a rectangle";
}

TEST(FrameRects, RandomTilePatternsKeepTheRules) {
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        // Up to 140 tiles across, so that runs cross the 64-tile words the flags are read in; a flag may be
        // any nonzero value.
        const int width = 1 + static_cast<int>(random() % 1120), height = 1 + static_cast<int>(random() % 200);
        const std::size_t count = static_cast<std::size_t>((width + TILE - 1) / TILE) * ((height + TILE - 1) / TILE);
        std::vector<std::uint8_t> tiles(count);
        const unsigned density = 1 + random() % 4;
        for (auto& t : tiles) t = random() % 4 < density ? static_cast<std::uint8_t>(1 + random() % 255) : 0;
        checkRects(tiles, width, height);
    }
}

// A compositor that takes only so many rectangles gets few: every changed pixel still inside one, each
// spanning its band's full height, at most the budget of them (or one a band reached).
TEST(FrameRects, FewRectsCoverEveryRectangleOnTheBandsEdges) {
    std::mt19937 random(7);
    for (int round = 0; round < 50; ++round) {
        const int height = 40 + static_cast<int>(random() % 200);
        std::vector<Rect> rects(random() % 40);
        for (Rect& r : rects) {
            r = Rect{static_cast<int>(random() % 300), static_cast<int>(random() % height), 1 + static_cast<int>(random() % 30), 1};
            r.height = 1 + static_cast<int>(random() % (height - r.y));
        }
        std::vector<Rect> out;
        fewRects(rects, height, 9, 18, out);
        ASSERT_LE(out.size(), 18U);
        const int band = (height + 8) / 9;
        for (const Rect& b : out) {
            EXPECT_EQ(b.y % band, 0) << "a rectangle off its band's top";
            EXPECT_EQ(b.height, std::min(band, height - b.y)) << "a rectangle short of its band";
        }
        for (const Rect& r : rects) {
            for (int y = r.y; y < r.y + r.height; ++y) {
                for (const int x : {r.x, r.x + r.width - 1}) {
                    EXPECT_TRUE(std::any_of(out.begin(), out.end(), [&](const Rect& b) {
                        return x >= b.x && x < b.x + b.width && y >= b.y && y < b.y + b.height;
                    })) << x << "," << y << " left out";
                }
            }
        }
    }
}

// The gaps joined are those costing least, in whichever band; a band keeps one run however small the budget.
TEST(FrameRects, FewRectsJoinTheCheapestGaps) {
    // Height 90 in 3 bands of 30. Band 0: runs 10-20, 25-35 (gap 5: 150), 95-105 (gap 60: 1800).
    // Band 2 (rows 60-89): runs 0-8 and 12-40 (gap 4: 120), and 300-310 (gap 260: 7800).
    const std::vector<Rect> rects{{10, 3, 10, 4}, {25, 20, 10, 2}, {95, 12, 10, 5},
                                  {0, 61, 8, 3}, {12, 70, 28, 9}, {300, 80, 10, 2}};
    std::vector<Rect> out;
    EXPECT_EQ(fewRects(rects, 90, 3, 4, out),
              (std::vector<Rect>{{10, 0, 25, 30}, {95, 0, 10, 30}, {0, 60, 40, 30}, {300, 60, 10, 30}}));
    EXPECT_EQ(fewRects(rects, 90, 3, 3, out), (std::vector<Rect>{{10, 0, 95, 30}, {0, 60, 40, 30}, {300, 60, 10, 30}}));
    EXPECT_EQ(fewRects(rects, 90, 3, 1, out), (std::vector<Rect>{{10, 0, 95, 30}, {0, 60, 310, 30}}))
        << "one a band, however small the budget";
    EXPECT_EQ(fewRects(rects, 90, 3, 6, out).size(), 6U) << "within the budget nothing is joined";
}

// A frame's runs are damaged where they spare enough of the bands' bounds, else the bounds.
TEST(FrameRects, FewDamageKeepsTheRunsOnlyWhereTheySpareEnough) {
    std::vector<Rect> bounds, out;  // one band, 90 high: its bounds against up to 2 runs
    const std::vector<Rect> apart{{0, 40, 10, 10}, {500, 40, 10, 10}}, side{{0, 40, 200, 10}, {210, 40, 200, 10}};
    EXPECT_EQ(fewDamageRects(apart, 90, 1, 2, 3, bounds, out), (std::vector<Rect>{{0, 0, 10, 90}, {500, 0, 10, 90}}));
    EXPECT_EQ(fewDamageRects(side, 90, 1, 2, 3, bounds, out), (std::vector<Rect>{{0, 0, 410, 90}}))
        << "400 of 410 columns is more than three quarters";
    EXPECT_EQ(fewDamageRects(side, 90, 1, 2, 4, bounds, out).size(), 2U) << "up to all of them";
}

// The whole image goes in one call only when the calls and pixels it saves outweigh its own pixels.
TEST(FrameRects, TheWholeImageIsPutWhenItCostsLessThanItsRectangles) {
    const PutCost cost{1700, 0.5};
    const std::vector<Rect> none, few(10, Rect{0, 0, 8, 8}), many(183, Rect{0, 0, 8, 8});
    EXPECT_FALSE(wholeIsCheaper(none, 640, 480, cost));
    EXPECT_FALSE(wholeIsCheaper(few, 640, 480, cost));
    EXPECT_TRUE(wholeIsCheaper(many, 640, 480, cost));     // 183 calls: 322 812 pixels' worth against 155 300
    EXPECT_FALSE(wholeIsCheaper(many, 1920, 1080, cost));  // against 1 038 500
    EXPECT_FALSE(wholeIsCheaper({Rect{0, 0, 640, 480}}, 640, 480, PutCost{2600, 1.0}));
    // At a zoom the screen is sent each pixel as a square: 183 rectangles of 8x8 field pixels, 32x32 sent
    // at zoom 4, cost 498 972 pixels' worth against the whole 640x480 field's 2 459 300: rectangles go.
    EXPECT_FALSE(wholeIsCheaper(many, 640, 480, cost, 4));
    const std::vector<Rect> more(1000, Rect{0, 0, 8, 8});
    EXPECT_TRUE(wholeIsCheaper(more, 640, 480, cost, 1)) << "2 764 000 against 155 300";
    EXPECT_TRUE(wholeIsCheaper(more, 640, 480, cost, 2)) << "2 956 000 against 616 100";

    // The page's drawer makes that choice itself, for the field shown where it lies.
    FrameDrawer page = FrameDrawer::payingPerCall(cost), free;
    Field f(640, 480);
    const Canvas field = Canvas::theField(640, 480);
    for (FrameDrawer* d : {&page, &free}) d->draw(f, field);
    const auto dots = [&f](Colour c) {  // one in every third tile across and down: many small rectangles
        for (int y = 8; y < 480; y += 48) {
            for (int x = 8; x < 640; x += 48) f.drawLine(x, y, x + 1, y, c);
        }
    };
    dots(teamColour[1]);
    const std::size_t sent = free.draw(f, field).size();
    dots(teamColour[2]);
    const std::vector<Rect>& whole = page.draw(f, field);
    ASSERT_EQ(whole.size(), 1U) << sent << " rectangles cost more than the whole field";
    EXPECT_EQ(whole[0].width * whole[0].height, 640 * 480);
    f.drawLine(5, 5, 6, 5, INK);
    const std::vector<Rect>& small = page.draw(f, field);
    ASSERT_EQ(small.size(), 1U);
    EXPECT_LT(small[0].width * small[0].height, 640 * 480) << "a small change goes as itself";
    EXPECT_TRUE(page.draw(f, field).empty()) << "and nothing changed sends nothing";

    // On a canvas zoomed 2 times the same dots are still cheaper as rectangles: they are what is sent.
    std::vector<std::uint32_t> pixels(1280 * 960);
    const Canvas zoomed{pixels.data(), 1280, 960, 1280, FIELD_ORDER, false, 2};
    page.draw(f, zoomed);
    dots(teamColour[3]);
    const std::size_t rects = page.draw(f, zoomed).size();
    EXPECT_EQ(rects, sent) << "at zoom 2 the " << sent << " rectangles cost less than the whole canvas";
}

// A zoomed canvas shows each field pixel as an exact square, in every format, and the frame's rectangles
// are in its own pixels: they cover every square that changed.
TEST(FrameCanvas, AZoomedCanvasGetsEveryPixelAsAnExactSquare) {
    constexpr std::uint32_t PAD = 0xDEADBEEF;
    for (const PixelFormat& format : {XRGB, RGBA_BYTES}) {
        for (const int zoom : {2, 3}) {
            App app = playScenario({70, 50, 120, clickAt(0)});
            Field& field = app.field();
            const int width = 70 * zoom, height = 50 * zoom, stride = width + 5;
            std::vector<std::uint32_t> pixels(static_cast<std::size_t>(stride) * height, PAD);
            Canvas canvas{pixels.data(), width, height, stride, format};
            canvas.zoom = zoom;
            FrameDrawer drawer;
            const auto matches = [&] {
                for (int y = 0; y < height; ++y) {
                    for (int x = 0; x < stride; ++x) {
                        const std::uint32_t want = x < width ? toPixel(field.at(x / zoom, y / zoom), format) : PAD;
                        if (pixels[static_cast<std::size_t>(y) * stride + x] != want) return false;
                    }
                }
                return true;
            };
            const std::vector<Rect> whole = drawer.draw(field, canvas);
            EXPECT_TRUE(matches()) << "zoom " << zoom;
            ASSERT_EQ(whole.size(), 1U);
            EXPECT_EQ(whole[0].width * whole[0].height, width * height) << "the whole canvas";
            const std::vector<std::uint32_t> before = pixels;
            app.tickNow();
            const std::vector<Rect> sent = drawer.draw(field, canvas);
            EXPECT_TRUE(matches()) << "what a tick changed, zoom " << zoom;
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < width; ++x) {
                    const std::size_t i = static_cast<std::size_t>(y) * stride + x;
                    if (pixels[i] == before[i]) continue;
                    EXPECT_TRUE(std::any_of(sent.begin(), sent.end(), [&](const Rect& r) {
                        return x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height;
                    })) << x << "," << y << " changed outside the rectangles at zoom " << zoom;
                }
            }
        }
    }
}

// Real canvases have rows longer than the field (a DIB section's, an X image's bytes_per_line): every
// format gets exactly the field's pixels in each row, and the padding at the end of a row stays untouched.
TEST(FrameCanvas, EveryFormatAndStrideGetsExactlyTheField) {
    PixelFormat redInTheSecondByte{};
    ASSERT_TRUE(formatFromMasks(0xFF00, 0xFF0000, 0xFF000000U, redInTheSecondByte));
    constexpr std::uint32_t PAD = 0xDEADBEEF;
    for (const PixelFormat& format : {XRGB, FIELD_ORDER, RGBA_BYTES, redInTheSecondByte}) {
        for (const int padding : {0, 3, 64}) {
            App app = playScenario({70, 50, 120, clickAt(0)});
            Field& field = app.field();
            const int stride = 70 + padding;
            std::vector<std::uint32_t> pixels(static_cast<std::size_t>(stride) * 50, PAD);
            const Canvas canvas{pixels.data(), 70, 50, stride, format};
            FrameDrawer drawer;
            const auto matches = [&] {
                for (int y = 0; y < 50; ++y) {
                    for (int x = 0; x < stride; ++x) {
                        const std::uint32_t want = x < 70 ? toPixel(field.pixels()[y * 70 + x], format) : PAD;
                        if (pixels[static_cast<std::size_t>(y) * stride + x] != want) return false;
                    }
                }
                return true;
            };
            drawer.draw(field, canvas);
            EXPECT_TRUE(matches()) << "the whole field, stride " << stride;
            app.tickNow();
            app.tickNow();
            drawer.draw(field, canvas);
            EXPECT_TRUE(matches()) << "what two ticks changed, stride " << stride;
        }
    }
}

// The one rule for a whole frame: a canvas not drawn into last (other pixels, size, stride or format), or a
// screen that lost its contents; otherwise only what changed, and nothing when nothing did.
TEST(FrameCanvas, ANewCanvasOrALostScreenGetsTheWholeField) {
    Field field(40, 30);
    std::vector<std::uint32_t> a(40 * 30), b(41 * 30);
    const Canvas first{a.data(), 40, 30, 40, XRGB};
    FrameDrawer drawer;
    const auto whole = [&](const std::vector<Rect>& rects) {
        return rects.size() == 1 && rects[0].x == 0 && rects[0].y == 0 && rects[0].width == 40 && rects[0].height == 30;
    };
    EXPECT_TRUE(whole(drawer.draw(field, first))) << "the first canvas";
    EXPECT_TRUE(drawer.draw(field, first).empty()) << "nothing changed, nothing drawn";
    field.drawLine(35, 25, 36, 25);
    const std::vector<Rect> changed = drawer.draw(field, first);
    ASSERT_EQ(changed.size(), 1U);
    EXPECT_EQ(changed[0].x, 32);
    EXPECT_TRUE(whole(drawer.draw(field, Canvas{b.data(), 40, 30, 40, XRGB}))) << "other pixels";
    EXPECT_TRUE(whole(drawer.draw(field, Canvas{b.data(), 40, 30, 41, XRGB}))) << "another stride";
    EXPECT_TRUE(whole(drawer.draw(field, Canvas{b.data(), 40, 30, 41, FIELD_ORDER}))) << "another format";
    EXPECT_TRUE(drawer.draw(field, Canvas{b.data(), 40, 30, 41, FIELD_ORDER}).empty());
    drawer.screenLost();
    EXPECT_TRUE(whole(drawer.draw(field, Canvas{b.data(), 40, 30, 41, FIELD_ORDER}))) << "a lost screen";
    // A display that shows the field itself: the same rectangles, and nothing drawn anywhere.
    EXPECT_TRUE(whole(drawer.draw(field, Canvas::theField(40, 30)))) << "the field itself, the first time";
    field.drawLine(1, 1, 2, 1);
    const std::vector<Rect> own = drawer.draw(field, Canvas::theField(40, 30));
    ASSERT_EQ(own.size(), 1U);
    EXPECT_EQ(own[0].x, 0);
    EXPECT_EQ(b[41 + 1], 0xFFFFFFU) << "the last canvas untouched";
}

// A compositor holds the buffer it shows, so a display takes turns with a few: each one, when its turn
// comes, must hold exactly the field (what it missed while the others were shown included), and what is
// sent covers what changed without being the whole field. A fourth in the rotation is too many to remember.
TEST(FrameCanvas, BuffersTakingTurnsEachHoldTheWholeFieldAndSendOnlyTheChanges) {
    App app = playScenario({90, 60, 40, clickAt(0)});
    Field& field = app.field();
    std::vector<std::vector<std::uint32_t>> buffers(FrameDrawer::KNOWN_CANVASES + 1,
                                                    std::vector<std::uint32_t>(90 * 60, 0));
    const auto canvasOf = [&](std::size_t i) { return Canvas{buffers[i].data(), 90, 60, 90, FIELD_ORDER}; };
    FrameDrawer drawer;
    for (std::size_t turns : {FrameDrawer::KNOWN_CANVASES, FrameDrawer::KNOWN_CANVASES + 1}) {
        drawer.screenLost();
        for (std::size_t frame = 0; frame < 12; ++frame) {
            app.tickNow();
            const float at = static_cast<float>(frame * 7);  // a change of this frame alone, away from the walkers
            field.drawLine(at, 55, at + 3, 55, teamColour[frame % 4]);
            std::vector<Rect> changes;
            changedRects(field, changes);
            const std::size_t i = frame % turns;
            const std::vector<Rect>& sent = drawer.draw(field, canvasOf(i));
            const bool whole = sent.size() == 1 && sent[0].area() == 90 * 60;
            EXPECT_EQ(whole, frame < turns || turns > FrameDrawer::KNOWN_CANVASES) << turns << " buffers, frame " << frame;
            std::vector<bool> covered(90 * 60, false);
            for (const Rect& r : sent) {
                for (int y = r.y; y < r.y + r.height; ++y) std::fill_n(covered.begin() + y * 90 + r.x, r.width, true);
            }
            for (const Rect& c : changes) {
                for (int y = c.y; y < c.y + c.height; ++y) {
                    EXPECT_TRUE(std::all_of(covered.begin() + y * 90 + c.x, covered.begin() + y * 90 + c.x + c.width,
                                            [](bool b) { return b; })) << "a change left unsent, frame " << frame;
                }
            }
            for (int p = 0; p < 90 * 60; ++p) {
                ASSERT_EQ(buffers[i][p], toPixel(field.pixels()[p], FIELD_ORDER)) << "buffer " << i << ", frame " << frame;
            }
        }
    }
}

TEST(PixelFormat, ConvertsRectanglesToAScreensChannelOrder) {
    const std::vector<Colour> field = {rgb(1, 2, 3), rgb(4, 5, 6), rgb(7, 8, 9), rgb(10, 11, 12)};
    std::vector<std::uint32_t> screen(4, 0xDEADBEEF);
    const Rect column{1, 0, 1, 2};
    copyRects(field.data(), 2, FIELD_ORDER, &column, 1, screen.data(), 2, XRGB);
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
