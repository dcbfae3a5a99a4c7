// Memory for the field's pixels. Large fields are read and written a few pixels at a time in many rows at
// once, so where the platform allows it the buffer is backed by huge pages to spare the address cache; or
// it is memory shared with a display server, which then reads the pixels where they are.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pellwick {

class PixelMemory {
public:
    enum Kind {
        Private,  // the process's own
        Shared,   // a SysV shared-memory segment, where the platform has them; else the process's own
    };

    /// No pixels.
    PixelMemory() = default;
    /// count pixels, uninitialised.
    explicit PixelMemory(std::size_t count, Kind kind = Private);
    /// Gives the memory back.
    ~PixelMemory();
    /// A copy of every pixel, in private memory.
    PixelMemory(const PixelMemory& other);
    /// Replaces the pixels with a copy of other's.
    PixelMemory& operator=(const PixelMemory& other);
    /// Takes other's pixels, leaving it empty.
    PixelMemory(PixelMemory&& other) noexcept;
    /// Swaps pixels with other.
    PixelMemory& operator=(PixelMemory&& other) noexcept;

    /// The first pixel.
    std::int32_t* data() { return data_; }
    /// The first pixel, read-only.
    const std::int32_t* data() const { return data_; }
    /// How many pixels there are.
    std::size_t size() const { return count_; }
    /// The shared segment's id, or -1 when the memory is private.
    int sharedId() const { return sharedId_; }

private:
    std::int32_t* data_ = nullptr;
    std::size_t count_ = 0;
    int sharedId_ = -1;
};

}  // namespace pellwick
