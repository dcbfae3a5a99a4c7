// PNG output through libpng: a temporary file beside the target, renamed over it only once complete.
// Targets that are not regular files (a pipe, /dev/stdout, /dev/full) are written directly instead.
#include "tools/png_file.hpp"

#include <fcntl.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cerrno>
#include <climits>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <vector>

namespace pellwick {

namespace {

struct Target {
    std::string path;  // where the finished picture goes
    bool direct;       // write in place (not a regular file)
    mode_t mode;       // permissions for a new or replaced file
    std::string error;
};

std::string failure(const std::string& path, const char* what) {
    return "cannot write '" + path + "': " + what;
}

// While a temporary file exists, an interrupting signal removes it before the program ends, so nothing is
// left behind. Only async-signal-safe calls happen in the handler.
char tempToRemove[PATH_MAX + 32];
volatile std::sig_atomic_t tempExists = 0;
constexpr int CLEANUP_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

extern "C" void removeTempAndDie(int sig) {
    if (tempExists != 0) unlink(tempToRemove);
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

// Guards one temporary file for its lifetime.
class TempGuard {
public:
    explicit TempGuard(const std::string& path) {
        std::snprintf(tempToRemove, sizeof tempToRemove, "%s", path.c_str());
        tempExists = 1;
        for (int sig : CLEANUP_SIGNALS) previous_[index(sig)] = std::signal(sig, removeTempAndDie);
    }
    ~TempGuard() {
        for (int sig : CLEANUP_SIGNALS) std::signal(sig, previous_[index(sig)]);
        tempExists = 0;
    }
    TempGuard(const TempGuard&) = delete;
    TempGuard& operator=(const TempGuard&) = delete;

private:
    static std::size_t index(int sig) {
        std::size_t i = 0;
        while (CLEANUP_SIGNALS[i] != sig) ++i;
        return i;
    }
    void (*previous_[std::size(CLEANUP_SIGNALS)])(int) = {};
};

mode_t defaultMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

Target resolve(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        if (errno != ENOENT) return {path, false, 0, failure(path, std::strerror(errno))};
        return {path, false, defaultMode(), {}};
    }
    if (S_ISDIR(st.st_mode)) return {path, false, 0, failure(path, "it is a directory")};
    if (!S_ISREG(st.st_mode)) return {path, true, 0, {}};
    char real[PATH_MAX];
    if (realpath(path.c_str(), real) == nullptr) return {path, false, 0, failure(path, std::strerror(errno))};
    return {real, false, static_cast<mode_t>(st.st_mode & 07777), {}};
}

// Makes an empty temporary file beside the target; returns its descriptor, or -1 with errno set.
int makeTemp(const Target& t, std::string& tempPath) {
    std::string pattern = t.path + ".tmp-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkstemp(name.data());
    if (fd >= 0) {
        tempPath = name.data();
        fchmod(fd, t.mode);
    }
    return fd;
}

void onPngError(png_structp png, png_const_charp) { std::longjmp(png_jmpbuf(png), 1); }
void onPngWarning(png_structp, png_const_charp) {}

// Encodes the field into an open stream; false on any libpng or write error.
bool encode(std::FILE* out, const Field& field, std::vector<png_byte>& rowBytes) {
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

// Encodes, flushes and closes; returns "" or the reason it failed. Always closes the stream.
std::string encodeAndClose(std::FILE* out, const Field& field, bool sync) {
    std::vector<png_byte> rowBytes(static_cast<std::size_t>(field.width()) * 3);
    errno = 0;
    bool ok = encode(out, field, rowBytes) && std::fflush(out) == 0;
    if (ok && sync) ok = fsync(fileno(out)) == 0;
    const int savedErrno = errno;
    const bool closed = std::fclose(out) == 0;
    if (!ok) return savedErrno != 0 ? std::strerror(savedErrno) : "PNG encoding failed";
    if (!closed) return std::strerror(errno);
    return {};
}

std::string writeDirect(const std::string& path, const Field& field) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) return failure(path, std::strerror(errno));
    const std::string err = encodeAndClose(out, field, false);
    return err.empty() ? err : failure(path, err.c_str());
}

std::string writeAtomic(const Target& t, const std::string& shownPath, const Field& field) {
    std::string temp;
    const int fd = makeTemp(t, temp);
    if (fd < 0) return failure(shownPath, std::strerror(errno));
    const TempGuard guard(temp);
    std::FILE* out = fdopen(fd, "wb");
    if (out == nullptr) {
        const int e = errno;
        close(fd);
        unlink(temp.c_str());
        return failure(shownPath, std::strerror(e));
    }
    std::string err = encodeAndClose(out, field, true);
    if (err.empty() && std::rename(temp.c_str(), t.path.c_str()) != 0) err = std::strerror(errno);
    if (err.empty()) return {};
    unlink(temp.c_str());
    return failure(shownPath, err.c_str());
}

}  // namespace

std::string checkPngTarget(const std::string& path) {
    const Target t = resolve(path);
    if (!t.error.empty()) return t.error;
    if (t.direct) {
        const int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd < 0 && errno != ENXIO) return failure(path, std::strerror(errno));
        if (fd >= 0) close(fd);
        return {};
    }
    std::string temp;
    const int fd = makeTemp(t, temp);
    if (fd < 0) return failure(path, std::strerror(errno));
    close(fd);
    unlink(temp.c_str());
    return {};
}

std::string writePng(const std::string& path, const Field& field) {
    std::signal(SIGXFSZ, SIG_IGN);  // a file-size limit is then an error we report, not a crash
    const Target t = resolve(path);
    if (!t.error.empty()) return t.error;
    return t.direct ? writeDirect(path, field) : writeAtomic(t, path, field);
}

}  // namespace pellwick
