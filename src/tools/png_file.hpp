// Writing the field as a PNG picture, so that a half-written file never stands under the requested name.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "raster/field.hpp"

namespace pellwick {

/// Checks that a picture could be written at path, leaving nothing behind; returns "" or a one-line error.
std::string checkPngTarget(const std::string& path);

/// Text a picture carries: keyword and text pairs (PNG tEXt chunks), in Latin-1.
using PictureText = std::vector<std::pair<std::string, std::string>>;

/// Writes the field to path as an 8-bit RGB PNG carrying the text; returns "" or a one-line error, and
/// never leaves a partial file.
std::string writePng(const std::string& path, const Field& field, const PictureText& text = {});

}  // namespace pellwick
