// Test helper: PNG decoding through libpng's simplified API.
#include "png_read.hpp"

#include <png.h>

#include <cstring>

namespace pellwick {

Picture readPng(const std::string& path) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0) return {};
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> bytes(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, bytes.data(), 0, nullptr) == 0) return {};
    Picture p{static_cast<int>(image.width), static_cast<int>(image.height), {}};
    p.pixels.resize(static_cast<std::size_t>(p.width) * p.height);
    for (std::size_t i = 0; i < p.pixels.size(); ++i) {
        p.pixels[i] = rgb(bytes[3 * i], bytes[3 * i + 1], bytes[3 * i + 2]);
    }
    return p;
}

}  // namespace pellwick
