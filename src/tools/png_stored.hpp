// A PNG encoder without a library: 8-bit RGB rows in uncompressed ("stored") deflate blocks. The pictures
// are larger than a compressing encoder's, and exactly as valid.
#pragma once

#include <cstdint>
#include <vector>

#include "raster/field.hpp"
#include "tools/png_file.hpp"

namespace pellwick {

/// The field as the bytes of a PNG file carrying the text.
std::vector<std::uint8_t> encodePngStored(const Field& field, const PictureText& text = {});

}  // namespace pellwick
