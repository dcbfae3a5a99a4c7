// PNG chunks, zlib framing, CRC-32 and Adler-32, written out by hand.
#include "tools/png_stored.hpp"

#include <algorithm>
#include <array>
#include <string>

namespace pellwick {

namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t crc32(const std::uint8_t* p, std::size_t n, std::uint32_t crc = 0) {
    static constexpr auto TABLE = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t k = 0; k < 256; ++k) {
            std::uint32_t c = k;
            for (int b = 0; b < 8; ++b) c = (c & 1) != 0 ? 0xEDB88320U ^ (c >> 1) : c >> 1;
            t[k] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (std::size_t i = 0; i < n; ++i) crc = TABLE[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void put32(Bytes& b, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) b.push_back(static_cast<std::uint8_t>(v >> shift));
}

void chunk(Bytes& out, const char* type, const Bytes& data) {
    put32(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    put32(out, crc32(out.data() + start, out.size() - start));
}

// The raw image: each row is a filter byte (0, none) and its RGB bytes.
Bytes rawRows(const Field& f) {
    Bytes raw;
    raw.reserve(static_cast<std::size_t>(f.height()) * (3 * static_cast<std::size_t>(f.width()) + 1));
    for (int y = 0; y < f.height(); ++y) {
        raw.push_back(0);
        for (int x = 0; x < f.width(); ++x) {
            const auto rgbBytes = toRgbBytes(f.at(x, y));
            raw.insert(raw.end(), rgbBytes.begin(), rgbBytes.end());
        }
    }
    return raw;
}

// A zlib stream of stored blocks, at most 65535 bytes each.
Bytes zlibStored(const Bytes& raw) {
    constexpr std::size_t BLOCK = 65535;
    Bytes z = {0x78, 0x01};
    std::uint32_t a = 1, b = 0;
    for (std::size_t at = 0; at < raw.size(); at += BLOCK) {  // never empty: every row has its filter byte
        const std::size_t n = std::min(BLOCK, raw.size() - at);
        z.push_back(at + n >= raw.size() ? 1 : 0);  // the last block says so
        const auto len = static_cast<std::uint16_t>(n);
        for (std::uint16_t v : {len, static_cast<std::uint16_t>(~len)}) {
            z.push_back(static_cast<std::uint8_t>(v));
            z.push_back(static_cast<std::uint8_t>(v >> 8));
        }
        z.insert(z.end(), raw.begin() + static_cast<std::ptrdiff_t>(at), raw.begin() + static_cast<std::ptrdiff_t>(at + n));
    }
    for (std::uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    put32(z, (b << 16) | a);
    return z;
}

}  // namespace

std::vector<std::uint8_t> encodePngStored(const Field& field, const PictureText& text) {
    Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    put32(header, static_cast<std::uint32_t>(field.width()));
    put32(header, static_cast<std::uint32_t>(field.height()));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter method, no interlace
    chunk(out, "IHDR", header);
    for (const auto& [keyword, words] : text) {
        Bytes t(keyword.begin(), keyword.end());
        t.push_back(0);
        t.insert(t.end(), words.begin(), words.end());
        chunk(out, "tEXt", t);
    }
    chunk(out, "IDAT", zlibStored(rawRows(field)));
    chunk(out, "IEND", {});
    return out;
}

}  // namespace pellwick
