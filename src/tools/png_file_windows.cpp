// Writing the field as a PNG picture on Windows: the whole file goes to a temporary name beside the
// target and replaces it only once complete, so a half-written picture never stands under its name.
#include "tools/png_file.hpp"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "tools/png_stored.hpp"

namespace pellwick {

namespace {

namespace fs = std::filesystem;

std::string failure(const std::string& path, const std::string& what) { return "cannot write '" + path + "': " + what; }

std::string tempBeside(const std::string& path) { return path + ".tmp-pellwick"; }

// Writes bytes to a new file at path; "" or the reason it failed, leaving nothing behind on failure.
std::string writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) return "cannot create it";
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size() && std::fflush(out) == 0;
    const bool closed = std::fclose(out) == 0;
    if (written && closed) return {};
    std::remove(path.c_str());
    return "the disk refused the data";
}

}  // namespace

std::string checkPngTarget(const std::string& path) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) return failure(path, "it is a directory");
    const std::string temp = tempBeside(path);
    if (const std::string err = writeFile(temp, {}); !err.empty()) return failure(path, err);
    std::remove(temp.c_str());
    return {};
}

std::string writePng(const std::string& path, const Field& field, const PictureText& text) {
    if (const std::string err = checkPngTarget(path); !err.empty()) return err;
    const std::string temp = tempBeside(path);
    if (const std::string err = writeFile(temp, encodePngStored(field, text)); !err.empty()) return failure(path, err);
    std::error_code ec;
    fs::rename(temp, path, ec);  // replaces an existing picture
    if (!ec) return {};
    std::remove(temp.c_str());
    return failure(path, ec.message());
}

}  // namespace pellwick
