// Memory for the field's pixels. Large fields are read and written a few pixels at a time in many rows at
// once, so where the platform allows it the buffer is backed by huge pages to spare the address cache.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pellwick {

class PixelMemory {
public:
    /// No pixels.
    PixelMemory() = default;
    /// count pixels, uninitialised.
    explicit PixelMemory(std::size_t count);
    /// Gives the memory back.
    ~PixelMemory();
    /// A copy of every pixel.
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

private:
    std::int32_t* data_ = nullptr;
    std::size_t count_ = 0;
};

}  // namespace pellwick
