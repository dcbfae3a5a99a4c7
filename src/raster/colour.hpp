// Colours: the packed Colour value, ink and white, the four team colours, and the bytes a picture holds.
#pragma once

#include <array>
#include <cstdint>

namespace pellwick {

/// A packed colour R + 256*G + 65536*B; -1 only ever means "off the field".
using Colour = std::int32_t;

constexpr Colour INK = 0;
constexpr Colour OFF_FIELD = -1;
constexpr Colour WHITE = 0xFFFFFF;

/// Packs 8-bit components into a Colour.
constexpr Colour rgb(int r, int g, int b) { return r + 256 * g + 65536 * b; }

/// Team colours: pale red, green, blue and grey.
constexpr std::array<Colour, 4> teamColour = {rgb(255, 215, 215), rgb(215, 255, 215), rgb(215, 215, 255),
                                              rgb(215, 215, 215)};

/// The bits of a stored pixel that hold its colour; a field may keep an alpha byte above them.
constexpr Colour COLOUR_BITS = 0xFFFFFF;

/// Whether c is a colour a field can hold: 0..0xFFFFFF.
constexpr bool isColour(std::int64_t c) { return c >= 0 && c <= 0xFFFFFF; }

/// The red, green and blue bytes of c, in that order, as a PNG row holds them.
constexpr std::array<std::uint8_t, 3> toRgbBytes(Colour c) {
    return {static_cast<std::uint8_t>(c & 0xFF), static_cast<std::uint8_t>((c >> 8) & 0xFF),
            static_cast<std::uint8_t>((c >> 16) & 0xFF)};
}

}  // namespace pellwick
