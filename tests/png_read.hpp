// Test helper: reads an 8-bit RGB PNG back into packed colours.
#pragma once

#include <string>
#include <vector>

#include "raster/colour.hpp"

namespace pellwick {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<Colour> pixels;  // row-major; empty when the file could not be read
};

/// Reads path; an unreadable or non-RGB file gives an empty picture.
Picture readPng(const std::string& path);

}  // namespace pellwick
