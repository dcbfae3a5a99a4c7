// A file the renderer writes, so that a half-written one never stands under the requested name: it is
// written beside its name and renamed over it only once complete. A target that is not a regular file
// (a pipe, /dev/stdout) is written in place.
#pragma once

#include <cstdio>
#include <string>

namespace pellwick {

/// Checks that a file could be written at path, leaving nothing behind; returns "" or a one-line error.
std::string checkOutputTarget(const std::string& path);

class OutputFile {
public:
    /// Opens the file to be written at path; error() says why when it cannot.
    explicit OutputFile(const std::string& path);
    /// Closes and removes a file not committed.
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    /// "" when open, else a one-line error naming the path.
    const std::string& error() const { return error_; }
    /// The stream to write to, while open.
    std::FILE* stream() const { return out_; }
    /// Flushes and closes the file and puts it under its name; "" or a one-line error, and then nothing is
    /// left. encoded false means the writer failed: the file is dropped and the system's reason (errno, which
    /// a writer sets to 0 before it starts) or else `why` reported.
    std::string commit(bool encoded = true, const char* why = "encoding failed");

private:
    void drop();

    std::string shownPath_;  // as the user gave it
    std::string finalPath_;  // where it goes
    std::string tempPath_;   // empty when written in place
    std::FILE* out_ = nullptr;
    std::string error_;
};

}  // namespace pellwick
