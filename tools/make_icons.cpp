// make_icons OUTDIR: draws the program's icon and writes the PNGs the desktop install uses
// (pellwick-16/32/48/256.png). The results are kept in assets/ and checked against this tool by a test.
#include <cstdio>
#include <string>

#include "icon.hpp"
#include "png_file.hpp"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_icons OUTDIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    for (int size : {16, 32, 48, 256}) {
        const std::string path = dir + "/pellwick-" + std::to_string(size) + ".png";
        if (const std::string err = pellwick::writePng(path, pellwick::drawIcon(size)); !err.empty()) {
            std::fprintf(stderr, "make_icons: %s\n", err.c_str());
            return 1;
        }
    }
    return 0;
}
