// Writing the field as a PNG picture, so that a half-written file never stands under the requested name.
#pragma once

#include <string>

#include "raster/field.hpp"

namespace pellwick {

/// Checks that a picture could be written at path, leaving nothing behind; returns "" or a one-line error.
std::string checkPngTarget(const std::string& path);

/// Writes the field to path as an 8-bit RGB PNG; returns "" or a one-line error, and never leaves a partial file.
std::string writePng(const std::string& path, const Field& field);

}  // namespace pellwick
