// Writing a file beside its name and renaming it over the name once complete; removing it if the program is
// interrupted meanwhile.
#include "tools/output_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
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

void (*previousHandlers[std::size(CLEANUP_SIGNALS)])(int) = {};

// Removes the temporary file at path if a signal ends the program before unguardTemp; one at a time.
void guardTemp(const std::string& path) {
    std::snprintf(tempToRemove, sizeof tempToRemove, "%s", path.c_str());
    tempExists = 1;
    for (std::size_t i = 0; i < std::size(CLEANUP_SIGNALS); ++i) previousHandlers[i] = std::signal(CLEANUP_SIGNALS[i], removeTempAndDie);
}

void unguardTemp() {
    if (tempExists == 0) return;
    for (std::size_t i = 0; i < std::size(CLEANUP_SIGNALS); ++i) std::signal(CLEANUP_SIGNALS[i], previousHandlers[i]);
    tempExists = 0;
}

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

}  // namespace

std::string checkOutputTarget(const std::string& path) {
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

OutputFile::OutputFile(const std::string& path) : shownPath_(path) {
    std::signal(SIGXFSZ, SIG_IGN);  // a file-size limit is then an error we report, not a crash
    const Target t = resolve(path);
    if (!t.error.empty()) {
        error_ = t.error;
        return;
    }
    finalPath_ = t.path;
    if (t.direct) {
        out_ = std::fopen(path.c_str(), "wb");
        if (out_ == nullptr) error_ = failure(path, std::strerror(errno));
        return;
    }
    const int fd = makeTemp(t, tempPath_);
    if (fd < 0) {
        error_ = failure(path, std::strerror(errno));
        return;
    }
    guardTemp(tempPath_);
    out_ = fdopen(fd, "wb");
    if (out_ == nullptr) {
        error_ = failure(path, std::strerror(errno));
        close(fd);
        drop();
    }
}

OutputFile::~OutputFile() {
    if (out_ != nullptr) std::fclose(out_);
    out_ = nullptr;
    drop();
}

void OutputFile::drop() {
    if (tempPath_.empty()) return;
    unlink(tempPath_.c_str());
    tempPath_.clear();
    unguardTemp();
}

std::string OutputFile::commit(bool encoded, const char* why) {
    if (out_ == nullptr) return error_;
    // Each step runs only while all before it went well; a failed one leaves its reason in errno.
    bool ok = encoded;
    int code = errno;  // a failed writer leaves the stream's error in errno, or none
    if (ok) {
        errno = 0;
        ok = std::fflush(out_) == 0 && (tempPath_.empty() || fsync(fileno(out_)) == 0);
        code = errno;
    }
    const bool closed = std::fclose(out_) == 0;
    out_ = nullptr;
    if (ok && !closed) {
        ok = false;
        code = errno;
    }
    if (ok && !tempPath_.empty()) {
        ok = std::rename(tempPath_.c_str(), finalPath_.c_str()) == 0;
        code = errno;
    }
    if (ok) {
        tempPath_.clear();
        unguardTemp();
        return {};
    }
    drop();
    return failure(shownPath_, code != 0 ? std::strerror(code) : why);
}

}  // namespace pellwick
