// make_icons OUTDIR: draws the program's icon and writes what the builds use: pellwick-16/32/48/256.png for
// the desktop install, pellwick-192/512.png for the page as an installed app, pellwick.ico (32x32 in 2
// colours, 32x32 and 16x16 in 16 colours) for Windows, and installer-side.bmp, the picture beside the
// installer's last page (164x314, the icon on white).
// The results are kept in assets/ and checked against this tool by a test.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "app/icon.hpp"
#include "raster/colour.hpp"
#include "raster/pixel_format.hpp"
#include "tools/png_file.hpp"

namespace {

using pellwick::Colour;
using Bytes = std::vector<std::uint8_t>;

void put16(Bytes& b, unsigned v) {
    b.push_back(v & 0xFF);
    b.push_back((v >> 8) & 0xFF);
}

void put32(Bytes& b, std::uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

// The 16-colour palette: black, white, then the four team colours.
std::vector<Colour> palette16() {
    std::vector<Colour> p = {pellwick::INK, pellwick::WHITE};
    p.insert(p.end(), pellwick::teamColour.begin(), pellwick::teamColour.end());
    p.resize(16, pellwick::INK);
    return p;
}

unsigned indexOf(Colour c, const std::vector<Colour>& palette, int bits) {
    if (bits == 1) return c == pellwick::INK ? 0 : 1;
    for (unsigned i = 0; i < palette.size(); ++i) {
        if (palette[i] == c) return i;
    }
    return 0;
}

// One icon image in the BMP layout icons use: header, palette, colour rows and mask rows, bottom row first.
Bytes iconImage(int size, int bits) {
    const pellwick::Field f = pellwick::drawIcon(size);
    const std::vector<Colour> palette = bits == 1 ? std::vector<Colour>{pellwick::INK, pellwick::WHITE} : palette16();
    const int rowBytes = ((size * bits + 31) / 32) * 4;
    const int maskBytes = ((size + 31) / 32) * 4;
    Bytes b;
    put32(b, 40);
    put32(b, size);
    put32(b, 2 * size);
    put16(b, 1);
    put16(b, bits);
    put32(b, 0);
    put32(b, (rowBytes + maskBytes) * size);
    put32(b, 0);
    put32(b, 0);
    put32(b, static_cast<std::uint32_t>(palette.size()));
    put32(b, 0);
    for (Colour c : palette) put32(b, pellwick::toPixel(c, pellwick::XRGB));  // as a bitmap's palette holds it
    for (int y = size - 1; y >= 0; --y) {
        Bytes row(rowBytes, 0);
        for (int x = 0; x < size; ++x) {
            const unsigned i = indexOf(f.at(x, y), palette, bits);
            const int bit = x * bits;
            row[bit / 8] |= static_cast<std::uint8_t>(i << (8 - bits - bit % 8));
        }
        b.insert(b.end(), row.begin(), row.end());
    }
    b.insert(b.end(), static_cast<std::size_t>(maskBytes) * size, 0);  // every pixel opaque
    return b;
}

bool writeIco(const std::string& path) {
    const struct {
        int size, bits;
    } images[] = {{32, 1}, {32, 4}, {16, 4}};
    Bytes head, body;
    put16(head, 0);
    put16(head, 1);
    put16(head, 3);
    std::uint32_t offset = 6 + 16 * 3;
    for (const auto& im : images) {
        const Bytes data = iconImage(im.size, im.bits);
        head.push_back(static_cast<std::uint8_t>(im.size));
        head.push_back(static_cast<std::uint8_t>(im.size));
        head.push_back(static_cast<std::uint8_t>(1 << im.bits));
        head.push_back(0);
        put16(head, 1);
        put16(head, im.bits);
        put32(head, static_cast<std::uint32_t>(data.size()));
        put32(head, offset);
        offset += static_cast<std::uint32_t>(data.size());
        body.insert(body.end(), data.begin(), data.end());
    }
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(head.data()), static_cast<std::streamsize>(head.size()));
    out.write(reinterpret_cast<const char*>(body.data()), static_cast<std::streamsize>(body.size()));
    return static_cast<bool>(out.flush());
}

// The installer's side picture: a 24-bit BMP of SIDE_WIDTH x SIDE_HEIGHT, white, the icon near its top.
constexpr int SIDE_WIDTH = 164;
constexpr int SIDE_HEIGHT = 314;
constexpr int SIDE_ICON = 132;

bool writeSideBitmap(const std::string& path) {
    const pellwick::Field icon = pellwick::drawIcon(SIDE_ICON);
    const int left = (SIDE_WIDTH - SIDE_ICON) / 2, top = left;
    const int rowBytes = (SIDE_WIDTH * 3 + 3) / 4 * 4;
    Bytes b = {'B', 'M'};
    put32(b, 54 + static_cast<std::uint32_t>(rowBytes) * SIDE_HEIGHT);
    put32(b, 0);
    put32(b, 54);
    put32(b, 40);
    put32(b, SIDE_WIDTH);
    put32(b, SIDE_HEIGHT);
    put16(b, 1);
    put16(b, 24);
    for (int i = 0; i < 6; ++i) put32(b, 0);
    for (int y = SIDE_HEIGHT - 1; y >= 0; --y) {  // bottom row first
        Bytes row(rowBytes, 0);
        for (int x = 0; x < SIDE_WIDTH; ++x) {
            const bool onIcon = x >= left && x < left + SIDE_ICON && y >= top && y < top + SIDE_ICON;
            const Colour c = onIcon ? icon.at(x - left, y - top) : pellwick::WHITE;
            row[3 * x] = static_cast<std::uint8_t>(c >> 16);  // blue, green, red
            row[3 * x + 1] = static_cast<std::uint8_t>(c >> 8);
            row[3 * x + 2] = static_cast<std::uint8_t>(c);
        }
        b.insert(b.end(), row.begin(), row.end());
    }
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    return static_cast<bool>(out.flush());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_icons OUTDIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    for (int size : {16, 32, 48, 256, 192, 512}) {
        const std::string path = dir + "/pellwick-" + std::to_string(size) + ".png";
        if (const std::string err = pellwick::writePng(path, pellwick::drawIcon(size)); !err.empty()) {
            std::fprintf(stderr, "make_icons: %s\n", err.c_str());
            return 1;
        }
    }
    for (const auto& [name, write] : {std::pair{"pellwick.ico", &writeIco}, std::pair{"installer-side.bmp", &writeSideBitmap}}) {
        if (!write(dir + "/" + name)) {
            std::fprintf(stderr, "make_icons: cannot write %s/%s\n", dir.c_str(), name);
            return 1;
        }
    }
    return 0;
}
