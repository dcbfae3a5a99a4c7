// PNG output through libpng, into an OutputFile: a half-written picture never stands under its name.
#include "tools/png_file.hpp"

#include <png.h>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <vector>

#include "tools/output_file.hpp"

namespace pellwick {

namespace {

void onPngError(png_structp png, png_const_charp) { std::longjmp(png_jmpbuf(png), 1); }
void onPngWarning(png_structp, png_const_charp) {}

// The text as libpng's chunks, pointing into it.
std::vector<png_text> textChunks(const PictureText& text) {
    std::vector<png_text> chunks(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        chunks[i].compression = PNG_TEXT_COMPRESSION_NONE;
        chunks[i].key = const_cast<char*>(text[i].first.c_str());
        chunks[i].text = const_cast<char*>(text[i].second.c_str());
    }
    return chunks;
}

// Encodes the field and its text chunks into an open stream; false on any libpng or write error. A libpng
// error jumps back to the setjmp past everything made after it, so nothing here needs a destructor.
bool encode(std::FILE* out, const Field& field, std::vector<png_text>& chunks, std::vector<png_byte>& rowBytes) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, onPngError, onPngWarning);
    if (png == nullptr) return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, out);
    png_set_IHDR(png, info, field.width(), field.height(), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!chunks.empty()) png_set_text(png, info, chunks.data(), static_cast<int>(chunks.size()));
    png_write_info(png, info);
    for (int y = 0; y < field.height(); ++y) {
        const Colour* src = field.pixels() + static_cast<std::size_t>(y) * field.width();
        for (int x = 0; x < field.width(); ++x) {
            const auto bytes = toRgbBytes(src[x]);
            std::copy(bytes.begin(), bytes.end(), rowBytes.begin() + 3 * x);
        }
        png_write_row(png, rowBytes.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

std::string checkPngTarget(const std::string& path) { return checkOutputTarget(path); }

std::string writePng(const std::string& path, const Field& field, const PictureText& text) {
    OutputFile out(path);
    if (!out.error().empty()) return out.error();
    std::vector<png_byte> rowBytes(static_cast<std::size_t>(field.width()) * 3);
    errno = 0;
    std::vector<png_text> chunks = textChunks(text);
    const bool encoded = encode(out.stream(), field, chunks, rowBytes);
    return out.commit(encoded, "PNG encoding failed");
}

}  // namespace pellwick
