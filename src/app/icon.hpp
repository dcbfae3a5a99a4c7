// The program's icon, drawn with the game's own raster: four team quarters, a wall of blots and a walker.
#pragma once

#include "raster/field.hpp"

namespace pellwick {

/// Draws the icon on a size x size field (size 16 or more; every size shows the same picture).
Field drawIcon(int size);

}  // namespace pellwick
