// The state digest: FNV-1a, 64 bits, fed value by value in a fixed order and byte order.
#include "game/digest.hpp"

#include <cstdio>
#include <cstring>

namespace pellwick {

namespace {

class Fnv {
public:
    // Feeds the lowest `bytes` bytes of v, lowest first.
    void add(std::uint64_t v, int bytes) {
        for (int k = 0; k < bytes; ++k, v >>= 8) {
            hash_ ^= v & 0xFF;
            hash_ *= 0x100000001B3ULL;
        }
    }
    std::uint64_t value() const { return hash_; }

private:
    std::uint64_t hash_ = 0xCBF29CE484222325ULL;
};

}  // namespace

std::uint64_t stateDigest(const World& w) {
    Fnv h;
    for (const auto* a : {&w.x, &w.y, &w.angle}) {
        for (double v : *a) {
            std::uint64_t bits;
            std::memcpy(&bits, &v, sizeof bits);
            h.add(bits, 8);
        }
    }
    for (const auto* a : {&w.energy, &w.team}) {
        for (std::int16_t v : *a) h.add(static_cast<std::uint16_t>(v), 2);
    }
    h.add(w.random.state(), 8);
    h.add(static_cast<std::uint32_t>(w.field.width()), 4);
    h.add(static_cast<std::uint32_t>(w.field.height()), 4);
    const std::size_t n = static_cast<std::size_t>(w.field.width()) * w.field.height();
    for (std::size_t i = 0; i < n; ++i) h.add(static_cast<std::uint32_t>(w.field.colourOf(w.field.pixels()[i])), 4);
    return h.value();
}

std::string digestText(std::uint64_t digest) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(digest));
    return text;
}

std::string stateDifference(const World& a, const World& b) {
    const Field &f = a.field, &g = b.field;
    const std::size_t n = static_cast<std::size_t>(f.width()) * f.height();
    if (f.width() != g.width() || f.height() != g.height()) return "field";
    for (std::size_t i = 0; i < n; ++i) {
        if (f.colourOf(f.pixels()[i]) != g.colourOf(g.pixels()[i])) return "field";  // the colours, in any format
    }
    // Arrays of doubles compared bit for bit: a NaN equals itself, and 0 and -0 differ.
    const auto sameBits = [](const auto& p, const auto& q) { return std::memcmp(p.data(), q.data(), sizeof p) == 0; };
    if (!sameBits(a.x, b.x)) return "x";
    if (!sameBits(a.y, b.y)) return "y";
    if (!sameBits(a.angle, b.angle)) return "angle";
    if (a.energy != b.energy) return "energy";
    if (a.team != b.team) return "team";
    if (a.random.state() != b.random.state()) return "random";
    if (a.deaths != b.deaths) return "deaths";
    return {};
}

}  // namespace pellwick
